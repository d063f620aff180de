// The editing dialogs driven as a user drives them: the name dialog's trim and refusals, the camera
// properties (values re-read only after a change, their parse error, pictures got and deleted, a
// damaged one refused), the effect editor's syntax check, and the comment window without buttons.
#include "support/Pagehost.h"

#include "model/Gplcarcameraset.h"
#include "ui/Picturebox.h"
#include "ui/Qtext.h"
#include "ui/View.h"

#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QWindow>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

using namespace skv;
using test::child;
using test::click;
using test::retype;
using test::TModal;
using test::typeText;
using ui::eAnswer;

namespace {

bool sameBits(const model::CarCameraValues& a, const model::CarCameraValues& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

class TestDialogs : public QObject {
    Q_OBJECT

private slots:
    void nameIsTrimmedAndAnEmptyOneRefused();
    void propertiesStoreNothingUntouchedOrRefusedAndGetAPicture();
    void propertiesReReadAllSevenFieldsAfterAChange();
    void effectEditorChecksTheScriptBeforeOk();
    void commentKeepsWhatWasTypedAtClose();
    void everyWidgetCarriesItsName();
};

void TestDialogs::nameIsTrimmedAndAnEmptyOneRefused() {
    test::TScriptedPrompter prompter;
    ui::TdlgName dialog;
    prompter.answer(eAnswer::Ok); // "Empty name is not allowed!"
    prompter.answer(eAnswer::Ok); // the refused character
    bool stayedOpen = false, stayedOpenAgain = false;
    TModal modal([&](QDialog* d) {
        QCOMPARE(d->windowTitle(), QStringLiteral("New Camera Set"));
        QVERIFY(child<QRadioButton>(d, "rbCarCameraSet")->isChecked());
        QTest::keyClicks(child<QLineEdit>(d, "edtName"), QStringLiteral("   "));
        click(d, "btnOK");
        stayedOpen = d->isVisible();
        retype(d, "edtName", QStringLiteral("Kurve "));
        typeText(child<QLineEdit>(d, "edtName"), QStringLiteral("\u03A9"));
        click(d, "btnOK");
        stayedOpenAgain = d->isVisible();
        retype(d, "edtName", QStringLiteral("  Fast lap  "));
        click(d, "rbEffect");
        click(d, "btnOK");
    });
    dialog.setName("");
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    SKV_VERIFY_MODAL(modal);
    QVERIFY(stayedOpen);
    QVERIFY(stayedOpenAgain);
    QCOMPARE(prompter.askedTexts().at(0), QStringLiteral("Empty name is not allowed!"));
    QCOMPARE(prompter.asked().at(0).kind, ui::eQuestion::Information);
    QVERIFY2(prompter.askedTexts().at(1).contains(QStringLiteral("\"\u03A9\" (U+03A9)")),
             qPrintable(prompter.askedTexts().at(1)));
    QCOMPARE(dialog.name(), std::string("Fast lap"));
    QCOMPARE(dialog.getType(), model::eCameraSetType::CstRollBarCam);

    // The choice of kind stays for the next item; the page empties the name.
    TModal again([&](QDialog* d) {
        QCOMPARE(child<QLineEdit>(d, "edtName")->text(), QString());
        click(d, "btnCancel");
    });
    dialog.setName("");
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    SKV_VERIFY_MODAL(again);
    QCOMPARE(dialog.getType(), model::eCameraSetType::CstRollBarCam);
    SKV_VERIFY_PROMPTER(prompter);
}

void TestDialogs::propertiesStoreNothingUntouchedOrRefusedAndGetAPicture() {
    test::TScriptedPrompter prompter;
    QTemporaryDir folder;
    const model::TJPEGImage good = test::drawnPicture(0.7);
    std::vector<std::uint8_t> damaged = test::drawnPicture(0.2).bytes();
    damaged.resize(damaged.size() / 2); // the header reads, the picture does not
    test::writeBytes(folder.filePath("good.jpg"), good.bytes());
    test::writeBytes(folder.filePath("damaged.jpg"), damaged);
    ui::TdlgProperties dialog;
    model::TGPLCarCamera camera;
    camera.xPos = 1.23456f;
    camera.yaw = std::bit_cast<float>(0x7FC01234u); // a NaN with a payload of its own
    camera.unknown1 = 42.5f;
    camera.setImage(test::drawnPicture(0.4));
    const model::CarCameraValues before = camera.values();
    const model::TJPEGImage picture = camera.getImage();
    QString yawShown;
    TModal modal([&](QDialog* d) {
        yawShown = child<QLineEdit>(d, "edtYaw")->text();
        click(d, "btnOK");
    });
    QVERIFY(!dialog.edit(camera, QStringLiteral("Roll Bar")));
    SKV_VERIFY_MODAL(modal);
    QCOMPARE(yawShown, QStringLiteral("NAN"));
    QVERIFY(sameBits(camera.values(), before));
    QVERIFY(camera.getImage() == picture);

    // A value that is no number is told and keeps the dialog open; Cancel then stores nothing.
    prompter.answer(eAnswer::Ok);
    bool stayedOpen = false;
    TModal refused([&](QDialog* d) {
        retype(d, "edtX", QStringLiteral("2"));
        retype(d, "edtPitch", QStringLiteral("1,5"));
        click(d, "btnOK");
        stayedOpen = d->isVisible();
        click(d, "btnCancel");
    });
    QVERIFY(!dialog.edit(camera, QStringLiteral("Gearbox")));
    SKV_VERIFY_MODAL(refused);
    QVERIFY(stayedOpen);
    QCOMPARE(prompter.askedTexts(), QStringList{QStringLiteral("'1,5' is not a valid floating point value")});
    QCOMPARE(prompter.asked().at(0).kind, ui::eQuestion::Error);
    QVERIFY(sameBits(camera.values(), before));

    // A damaged file leaves the old picture and no change: OK then stores nothing.
    prompter.chooseFile(folder.filePath("damaged.jpg"));
    prompter.answer(eAnswer::Ok);
    TModal damagedOne([&](QDialog* d) {
        click(d, "btnGetImage");
        QVERIFY(child<ui::TPictureBox>(d, "imgImage")->picture() == picture);
        click(d, "btnOK");
    });
    QVERIFY(!dialog.edit(camera, QStringLiteral("Roll Bar")));
    SKV_VERIFY_MODAL(damagedOne);
    QVERIFY(camera.getImage() == picture);
    QVERIFY2(prompter.askedTexts().at(1).startsWith(QStringLiteral("JPEG error")),
             qPrintable(prompter.askedTexts().at(1)));
    const ui::TFileRequest& first = prompter.fileRequests().at(0);
    QCOMPARE(first.filter,
             QStringLiteral("All (*.jpg *.jpeg);;JPEG Image File (*.jpg);;JPEG Image File (*.jpeg)"));
    QCOMPARE(first.defaultSuffix, QStringLiteral("jpg"));
    QCOMPARE(first.folder, QStringLiteral("."));

    // A good one is shown and stored with its bytes as they were in the file; the next Get Image
    // starts where it was found, and cancelling it changes nothing.
    prompter.chooseFile(folder.filePath("good.jpg"));
    prompter.cancelFile();
    TModal taken([&](QDialog* d) {
        click(d, "btnGetImage");
        QVERIFY(child<ui::TPictureBox>(d, "imgImage")->decoded());
        click(d, "btnGetImage");
        click(d, "btnOK");
    });
    QVERIFY(dialog.edit(camera, QStringLiteral("Roll Bar")));
    SKV_VERIFY_MODAL(taken);
    QVERIFY(camera.getImage() == good);
    QCOMPARE(QDir(prompter.fileRequests().at(2).folder), QDir(folder.path()));
    SKV_VERIFY_PROMPTER(prompter);
}

// The name holds every byte a text of the library can hold, and comes back with them.
void TestDialogs::propertiesReReadAllSevenFieldsAfterAChange() {
    test::TScriptedPrompter prompter;
    ui::TdlgProperties dialog;
    model::TGPLCarCamera camera;
    camera.xPos = 1.23456f;
    camera.yaw = 0.6719f;
    camera.zoomAngle = 1234.5f;
    camera.unknown2 = 7.25f;
    for (int b = 0x20; b <= 0xFF; ++b)
        camera.Caption += static_cast<char>(b);
    const std::string name = camera.Caption;
    camera.Effect = "X := 1";
    TModal modal([&](QDialog* d) {
        QCOMPARE(d->windowTitle(), QStringLiteral("Camera Properties (Front)"));
        QCOMPARE(child<QLineEdit>(d, "edtYaw")->text(), QStringLiteral("0.672"));
        QTest::keyClick(child<QLineEdit>(d, "edtName"), Qt::Key_End); // the name comes up selected
        typeText(child<QLineEdit>(d, "edtName"), QStringLiteral(" cam\u20AC"));
        click(d, "btnOK");
    });
    QVERIFY(dialog.edit(camera, QStringLiteral("Front")));
    SKV_VERIFY_MODAL(modal);
    QCOMPARE(camera.Caption, name + " cam\x80");
    // The fields hold three digits: a change of the name stores what they show.
    QCOMPARE(camera.xPos, 1.23f);
    QCOMPARE(camera.yaw, 0.672f);
    QCOMPARE(camera.zoomAngle, 1230.0f);
    // What the dialog does not show stays.
    QCOMPARE(camera.unknown2, 7.25f);
    QCOMPARE(camera.Effect, std::string("X := 1"));
    SKV_VERIFY_PROMPTER(prompter);
}

void TestDialogs::effectEditorChecksTheScriptBeforeOk() {
    test::TScriptedPrompter prompter;
    ui::TfrmEffect editor;
    model::TGPLCarCameraSet item;
    item.Type = model::eCameraSetType::CstRollBarCam;
    item.setEffect("Z := Z + 0.01;");
    prompter.answer(eAnswer::Ok);
    bool stayedOpen = false;
    TModal modal([&](QDialog* d) {
        QCOMPARE(d->windowTitle(), QStringLiteral("Edit Effect"));
        auto* text = child<QPlainTextEdit>(d, "mmoEffect");
        QCOMPARE(text->font(), QFontDatabase::systemFont(QFontDatabase::FixedFont));
        text->selectAll();
        QTest::keyClicks(text, QStringLiteral("BEGIN"));
        QTest::keyClick(text, Qt::Key_Return);
        QTest::keyClicks(text, QStringLiteral("  X := (1 + ;"));
        click(d, "btnOK");
        stayedOpen = d->isVisible();
        // The cursor went to the place of the error, the "(" on line 2.
        QCOMPARE(text->textCursor().blockNumber(), 1);
        QCOMPARE(text->textCursor().positionInBlock(), 7);
        QTest::keyClick(text, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClick(text, Qt::Key_Backspace);
        QTest::keyClicks(text, QStringLiteral("X) * 2;"));
        QTest::keyClick(text, Qt::Key_Return);
        QTest::keyClicks(text, QStringLiteral("END"));
        click(d, "btnOK");
    });
    QVERIFY(editor.edit(item));
    SKV_VERIFY_MODAL(modal);
    QVERIFY(stayedOpen);
    QCOMPARE(prompter.askedTexts().size(), 1);
    QVERIFY2(prompter.askedTexts().at(0).startsWith(QStringLiteral("Missing brackets in expression")),
             qPrintable(prompter.askedTexts().at(0)));
    QCOMPARE(item.effect(), std::string("BEGIN\r\n  X := (1 + X) * 2;\r\nEND"));

    // Cancel leaves the item as it was, even after an edit.
    TModal cancel([&](QDialog* d) {
        QTest::keyClicks(child<QPlainTextEdit>(d, "mmoEffect"), QStringLiteral("garbage ((("));
        click(d, "btnCancel");
    });
    QVERIFY(!editor.edit(item));
    SKV_VERIFY_MODAL(cancel);
    QCOMPARE(item.effect(), std::string("BEGIN\r\n  X := (1 + X) * 2;\r\nEND"));

    // OK on an untouched text checks and stores nothing: mixed line ends and a text the check
    // would refuse keep their bytes.
    const std::string script = "BEGIN\r\n  Y := Y - 0.02;\nEND\r\n\r\n(";
    item.setEffect(script);
    TModal untouched([&](QDialog* d) { click(d, "btnOK"); });
    QVERIFY(!editor.edit(item));
    SKV_VERIFY_MODAL(untouched);
    QCOMPARE(item.effect(), script);
    SKV_VERIFY_PROMPTER(prompter);
}

void TestDialogs::commentKeepsWhatWasTypedAtClose() {
    test::TScriptedPrompter prompter;
    ui::TfrmComment editor;
    model::TGPLCarCameraSet item;
    item.Caption = "Oval [*]";
    item.Comment = "First\r\nNo-break\xA0space";

    // Typed and deleted again is still a change: the same text is stored and the page is told.
    QString caption;
    TModal same([&](QDialog* d) {
        caption = d->windowHandle()->title(); // as the window system shows it
        auto* text = child<QPlainTextEdit>(d, "mmoComment");
        QTest::keyClick(text, Qt::Key_X);
        QTest::keyClick(text, Qt::Key_Backspace);
        d->close();
    });
    QVERIFY(editor.edit(item));
    SKV_VERIFY_MODAL(same);
    QCOMPARE(caption, QStringLiteral("Authors Comment - Oval [*]"));
    QCOMPARE(item.Comment, std::string("First\r\nNo-break\xA0space"));

    // A character the library cannot hold keeps the window open until it is gone.
    prompter.answer(eAnswer::Ok);
    bool stayedOpen = false;
    TModal refused([&](QDialog* d) {
        auto* text = child<QPlainTextEdit>(d, "mmoComment");
        text->moveCursor(QTextCursor::End);
        typeText(text, QStringLiteral(" \u2192"));
        QTest::keyClick(d, Qt::Key_Escape);
        stayedOpen = d->isVisible();
        QTest::keyClick(text, Qt::Key_Backspace);
        QTest::keyClick(d, Qt::Key_Escape);
    });
    QVERIFY(editor.edit(item));
    SKV_VERIFY_MODAL(refused);
    QVERIFY(stayedOpen);
    QCOMPARE(item.Comment, std::string("First\r\nNo-break\xA0space "));

    // Closed without a change: nothing to store.
    TModal untouched([&](QDialog* d) { d->close(); });
    QVERIFY(!editor.edit(item));
    SKV_VERIFY_MODAL(untouched);
    SKV_VERIFY_PROMPTER(prompter);
}

// Tests find the widgets by name, and a screen reader names them: none may be left without one, but
// for the parts Qt makes inside its own widgets (a scroll area's bars).
void TestDialogs::everyWidgetCarriesItsName() {
    test::TPageHost host;
    ui::TfrmView view(QStringLiteral("Nose"), &host.properties);
    ui::TfrmPage page(host.services, model::eGame::gGPL);
    const auto insideQt = [](const QWidget* w, const QWidget* window) {
        for (; w && w != window; w = w->parentWidget())
            if (w->objectName().startsWith(QStringLiteral("qt_"))) return true;
        return false;
    };
    QStringList unnamed;
    for (QWidget* window :
         std::initializer_list<QWidget*>{&host.options, &host.name, &host.properties, &host.effect,
                                         &host.comment, &host.distribution, &view, &page}) {
        QVERIFY(!window->objectName().isEmpty());
        window->show(); // what is made only when first shown is made by now
        for (const QWidget* w : window->findChildren<QWidget*>())
            if (w->objectName().isEmpty() && !insideQt(w, window))
                unnamed << window->objectName() + QStringLiteral(": ") + w->metaObject()->className();
        window->hide();
    }
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QStringLiteral(", "))));
}

SKV_GUI_TEST_MAIN(TestDialogs)
#include "dialogs_test.moc"

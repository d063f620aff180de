// The preferences dialog: the six paths with their defaults, the cursor in the GPL path at opening,
// Browse, the "Files" keys written back, the listener told at creation, at every close and at every
// edit of a game path, and the hidden "Keys" page with its four open fields.
#include "support/Widgets.h"
#include "ui/Guitest.h"

#include "directcontrol/Hotkeys.h"
#include "ui/Hotkeyedit.h"
#include "ui/Options.h"
#include "ui/Options_settings.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>

#include <filesystem>

using namespace skv;
using test::click;
using test::noWine;
using test::retype;
using test::TModal;

namespace {

class TRecordingListener final : public ui::IGameProgramsListener {
public:
    void gameProgramsChanged(const ui::TGamePrograms& programs) override { Changes.push_back(programs); }
    void refreshReferenceCamFiles(const ui::TGamePrograms& programs) override {
        Refreshes.push_back(programs);
    }
    std::vector<ui::TGamePrograms> Changes, Refreshes;
};

QLineEdit* field(QWidget* dialog, const char* name) {
    return dialog->findChild<QLineEdit*>(QString::fromLatin1(name));
}

// What every test of the dialog stands on: answers, a folder of its own, a listener that notes.
struct TFixture {
    test::TScriptedPrompter prompter;
    QTemporaryDir folder;
    TRecordingListener listener;
    std::string settings() const { return folder.filePath("skyvane.INI").toStdString(); }
};

void closeWithButton(ui::TdlgOptions& dialog) {
    TModal modal([](QDialog* d) { click(d, "btnClose"); });
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    SKV_VERIFY_MODAL(modal);
}

} // namespace

class TestOptions : public QObject {
    Q_OBJECT

private slots:
    void firstStartShowsTheDefaultsWritesAllSixKeysAndHidesTheKeys();
    void theListenerHearsCreationEditsAndEveryClose();
    void browseStartsAtTheFieldAndTakesTheChosenFile();
    void aClearedToolPathStaysEmpty();
};

void TestOptions::firstStartShowsTheDefaultsWritesAllSixKeysAndHidesTheKeys() {
    TFixture f;
    ui::TdlgOptions dialog(f.settings(), f.listener, noWine());
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Preferences"));
    QCOMPARE(field(&dialog, "edtGPLPath")->text(), QStringLiteral("C:\\Sierra\\gpl\\gpl.exe"));
    QCOMPARE(field(&dialog, "edtNR2003Path")->text(),
             QStringLiteral("C:\\Papyrus\\NASCAR Racing 2003 Season\\nr2003.exe"));
    for (const char* tool :
         {"edtVideoCapturePath", "edtImageCapturePath", "edtMovieEditorPath", "edtReplayAnalyserPath"})
        QCOMPARE(field(&dialog, tool)->text(), QString());
    QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("lblGPLPathNote"))->text(),
             QStringLiteral("required when using GPL"));
    QCOMPARE(
        dialog.findChild<QLabel*>(QStringLiteral("lblGPLPathNote"))->palette().color(QPalette::WindowText),
        QColor(Qt::red));
    QCOMPARE(dialog.bestLink(), ui::TBestLink{});
    QVERIFY(dialog.findChild<QPushButton*>(QStringLiteral("btnClose"))->isDefault());

    QVERIFY(!QFile::exists(f.folder.filePath("skyvane.INI")));
    dialog.writeSettings();
    QCOMPARE(ui::readOptionsSettings(f.settings()).files, ui::TOptionsFiles{});
    const QByteArray text = test::fileBytes(f.folder.filePath("skyvane.INI"));
    for (const char* key : {"GPL=C:\\Sierra", "NR2003=C:\\Papyrus",
                            "VideoCapture=", "ImageCapture=", "MovieEditor=", "ReplayAnalyser="})
        QVERIFY2(text.contains(key), key);

    // The hidden "Keys" page with the fixed table.
    auto* pages = dialog.findChild<QTabWidget*>(QStringLiteral("pgcOptions"));
    QCOMPARE(pages->tabText(1), QStringLiteral("Keys"));
    QVERIFY(!pages->isTabVisible(1));
    QVERIFY(pages->isTabVisible(0));
    // Its fields are made only once the page is shown.
    QVERIFY(dialog.findChildren<ui::THotKeyEdit*>().isEmpty());
    pages->setTabVisible(1, true);
    pages->setCurrentIndex(1);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    QVERIFY(QTest::qWaitForWindowActive(&dialog));

    QStringList labels;
    for (int i = 1; i <= 18; ++i)
        labels << dialog.findChild<QLabel*>(QStringLiteral("lblKey%1").arg(i))->text();
    QCOMPARE(labels, (QStringList{"Escape", "Single Step", "Single Step", "Step", "Next/Prev Set",
                                  "Next/Prv Effect", "Toggle Look", "Toggle Bank", "Smooth", "Effect RollBar",
                                  "Effect PitCam", "Mouse RollBar", "Mouse PitCam", "Reset", "Static",
                                  "Save RollBar", "Save PitCam", "Speed"}));
    QCOMPARE(dialog.findChildren<ui::THotKeyEdit*>().size(), 22);
    for (const directcontrol::HotKeyRow& row : directcontrol::kHotKeyTable) {
        ui::THotKeyEdit* hotKey = dialog.hotKeyField(row.control);
        QVERIFY2(hotKey, row.control);
        QCOMPARE(hotKey->shortcut(), row.shortcut);
        const bool open =
            QByteArray(row.control).startsWith("hkSpeed") || QByteArray(row.control).startsWith("hkSmooth");
        QCOMPARE(hotKey->isEnabled(), open);
    }
    QCOMPARE(dialog.hotKeyField("hkNextEffect")->text(), QStringLiteral("Ctrl+Page Up"));
    QCOMPARE(dialog.hotKeyField("hkStep")->text(), QStringLiteral("Right"));
    QVERIFY(!dialog.hotKeyField("hkStep")->isEnabled());

    // The four open fields refuse a bare key and Shift alone, and take a key with Ctrl or Alt.
    ui::THotKeyEdit* speed = dialog.hotKeyField("hkSpeedDown");
    QVERIFY(speed->isVisible());
    speed->setFocus();
    QTest::keyClick(speed, Qt::Key_5);
    QTest::keyClick(speed, Qt::Key_Percent, Qt::ShiftModifier);
    QCOMPARE(speed->shortcut(), platform::Shortcut(platform::vk::Digit0 + 1));
    QTest::keyClick(speed, Qt::Key_5, Qt::ControlModifier);
    QCOMPARE(speed->shortcut(), platform::Shortcut(0x4035));
    QCOMPARE(speed->text(), QStringLiteral("Ctrl+5"));
    QTest::keyClick(speed, Qt::Key_7, Qt::AltModifier);
    QCOMPARE(speed->text(), QStringLiteral("Alt+7"));
    dialog.reject();
    SKV_VERIFY_PROMPTER(f.prompter);
}

void TestOptions::theListenerHearsCreationEditsAndEveryClose() {
    TFixture f;
    ui::TdlgOptions dialog(f.settings(), f.listener, noWine());
    const ui::TGamePrograms defaults{"C:\\Sierra\\gpl\\gpl.exe",
                                     "C:\\Papyrus\\NASCAR Racing 2003 Season\\nr2003.exe"};
    QCOMPARE(f.listener.Changes, std::vector<ui::TGamePrograms>{defaults});
    QCOMPARE(f.listener.Refreshes, std::vector<ui::TGamePrograms>{defaults});

    // Each key typed into a game path is told; a tool path is nobody's business here.
    TModal modal([&](QDialog* d) {
        QCOMPARE(d->focusWidget(), field(d, "edtGPLPath"));
        retype(d, "edtNR2003Path", QStringLiteral("/g/n"));
        QTest::keyClicks(field(d, "edtMovieEditorPath"), QStringLiteral("/usr/bin/cut"));
        QTest::keyClick(d, Qt::Key_Escape);
    });
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    SKV_VERIFY_MODAL(modal);
    QCOMPARE(f.listener.Changes.size(), std::size_t(5));
    QCOMPARE(f.listener.Changes.back().nr2003, std::string("/g/n"));
    QCOMPARE(f.listener.Changes.at(1).nr2003, std::string("/"));
    const ui::TGamePrograms edited{defaults.gpl, "/g/n"};
    QCOMPARE(f.listener.Refreshes.size(), std::size_t(2));
    QCOMPARE(f.listener.Refreshes.back(), edited);

    closeWithButton(dialog);
    QCOMPARE(f.listener.Refreshes.size(), std::size_t(3));
    QCOMPARE(f.listener.Refreshes.back(), edited);
    QCOMPARE(f.listener.Changes.size(), std::size_t(5));
    SKV_VERIFY_PROMPTER(f.prompter);
}

void TestOptions::browseStartsAtTheFieldAndTakesTheChosenFile() {
    TFixture f;
    const QString gpl = f.folder.filePath("GPL Legends/gpl.exe");
    std::filesystem::create_directories(std::filesystem::path(gpl.toStdString()).parent_path());
    QFile(gpl).open(QIODevice::WriteOnly);
    ui::TdlgOptions dialog(f.settings(), f.listener, noWine());
    field(&dialog, "edtGPLPath")->setText(gpl);
    f.listener.Changes.clear();

    f.prompter.chooseFile(f.folder.filePath("other/gpl.exe"));
    f.prompter.cancelFile();
    f.prompter.cancelFile();
    TModal modal([&](QDialog* d) {
        click(d, "btnBrowseGPL");
        click(d, "btnBrowseGPL");
        click(d, "btnBrowseVideoCapture");
        QTest::keyClick(d, Qt::Key_Escape);
    });
    dialog.exec();
    SKV_VERIFY_MODAL(modal);
    const ui::TFileRequest& first = f.prompter.fileRequests().at(0);
    QCOMPARE(first.folder, gpl); // the field's full path is where the dialog starts
    QCOMPARE(first.fileName, QStringLiteral("gpl.exe"));
    QCOMPARE(first.filter, QStringLiteral("*.exe (*.exe)"));
    QCOMPARE(first.defaultSuffix, QStringLiteral("exe"));
    QVERIFY(first.mustExist);
    QCOMPARE(f.prompter.fileRequests().at(1).folder, f.folder.filePath("other/gpl.exe"));
    QCOMPARE(f.prompter.fileRequests().at(2).fileName, QString());
    // The choice went into the field (and to the listener); the cancel left it.
    QCOMPARE(field(&dialog, "edtGPLPath")->text(), f.folder.filePath("other/gpl.exe"));
    QCOMPARE(f.listener.Changes.size(), std::size_t(1));
    QCOMPARE(field(&dialog, "edtVideoCapturePath")->text(), QString());
    SKV_VERIFY_PROMPTER(f.prompter);
}

void TestOptions::aClearedToolPathStaysEmpty() {
    TFixture f;
    const QString settings = f.folder.filePath("skyvane.INI");
    test::writeBytes(settings, QByteArray("[Files]\nGPL=/games/gpl/gpl.exe\nVideoCapture=/usr/bin/recorder\n"
                                          "[Best Links]\nTitle1=Camera club\nLink1=https://club.example/\n"));
    {
        ui::TdlgOptions dialog(settings.toStdString(), f.listener, noWine());
        QCOMPARE(field(&dialog, "edtGPLPath")->text(), QStringLiteral("/games/gpl/gpl.exe"));
        QCOMPARE(dialog.bestLink(), (ui::TBestLink{"Camera club", "https://club.example/"}));
        TModal modal([&](QDialog* d) {
            QLineEdit* video = field(d, "edtVideoCapturePath");
            video->setFocus();
            video->selectAll();
            QTest::keyClick(video, Qt::Key_Delete);
            QTest::keyClick(d, Qt::Key_Escape);
        });
        dialog.exec();
        SKV_VERIFY_MODAL(modal);
        dialog.writeSettings();
    }
    ui::TdlgOptions again(settings.toStdString(), f.listener, noWine());
    QCOMPARE(field(&again, "edtVideoCapturePath")->text(), QString());
    QCOMPARE(field(&again, "edtGPLPath")->text(), QStringLiteral("/games/gpl/gpl.exe"));
    QCOMPARE(again.bestLink().title, std::string("Camera club"));
    SKV_VERIFY_PROMPTER(f.prompter);
}

SKV_GUI_TEST_MAIN(TestOptions)
#include "options_test.moc"

// A library page and its file: a file opened and saved untouched comes back byte for byte; a file
// that cannot be read gives its reason and no page; opening decodes no picture that is not shown;
// a failed save keeps the page modified, and closing asks to save changes.
#include "ui/Pagetest.h"

#include "model/Camerasetstream.h"
#include "ui/Picturebox.h"

#include <QDir>
#include <QFile>

#include <bit>

using namespace skv;
using ui::eAnswer;

namespace {

void writeBytes(const QString& name, const QByteArray& bytes) {
    QFile file(name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray recordOf(const model::TGPLCarCameraSet& item) {
    const std::vector<std::uint8_t> record = model::cameraSetRecord(item);
    return {reinterpret_cast<const char*>(record.data()), static_cast<qsizetype>(record.size())};
}

float floatOfBits(std::uint32_t bits) {
    return std::bit_cast<float>(bits);
}

// Every kind of content a library holds, with the values most easily lost on the way.
model::TCameraSetList everyKindOfItem() {
    model::TCameraSetList items;
    auto set = test::item(std::string(300, 'L') + "\xE9"); // a long string, and a 1252 byte
    set->Name = "Component";
    set->Version = 7;
    set->Comment = "First line\r\nSecond line\r\n";
    set->ActivationKey = 0x8041; // Alt+A
    set->SelectedCamera = -1;
    for (std::size_t slot = 0; slot < 6; ++slot) {
        set->camera(slot).setImage(test::drawnPicture(0.1 + 0.15 * double(slot)));
        set->camera(slot).Caption = "Camera " + std::to_string(slot);
    }
    model::TGPLCarCamera& odd = set->Camera1;
    odd.xPos = floatOfBits(0x7FC00001); // a quiet NaN with a payload
    odd.yPos = floatOfBits(0xFF800001); // a negative signalling NaN
    odd.zPos = floatOfBits(0x7F800000); // infinity
    odd.yaw = floatOfBits(0x00000001);  // the smallest denormal
    odd.unknown1 = floatOfBits(0x7FBFFFFF);
    odd.unknown2 = -1.0e-38f;
    set->Camera3.Effect = "only carried";
    items.push_back(std::move(set));
    auto effect = test::item("Orbit", true);
    effect->setEffect("a := FRAMES * 0.01;\r\nX := -6 * COS(a);\r\n");
    effect->Camera0.zoomAngle = 0.9f;
    effect->ActivationKey = 0x4041;
    items.push_back(std::move(effect));
    items.push_back(test::item("Plain"));
    return items;
}

} // namespace

class TestPageFiles : public QObject {
    Q_OBJECT

private slots:
    void openedAndSavedUntouchedIsByteIdentical();
    void unreadableFileGivesItsReasonAndNoPage_data();
    void unreadableFileGivesItsReasonAndNoPage();
    void emptyFileOpensAndCancelOpensNothing();
    void openingDecodesOnlyThePicturesShown();
    void failedSaveKeepsThePageModified();
};

void TestPageFiles::openedAndSavedUntouchedIsByteIdentical() {
    test::TScriptedPrompter prompter;
    test::TPageFixture f;
    const QString file = f.path(QStringLiteral("every kind.cmf"));
    test::saveItems(file, everyKindOfItem());
    const std::vector<std::uint8_t> written = test::fileBytes(file);

    auto page = ui::openLibraryPage(file, f.services, model::eGame::gGPL, false);
    QVERIFY(page);
    f.show(*page);
    // Every item shown (pictures painted, the script in its field) changes nothing.
    for (int row : {0, 1, 2, 0}) {
        test::clickNode(*page, row);
        QCoreApplication::processEvents();
    }
    QVERIFY(page->view(1)->pictureBox()->decoded());
    QVERIFY(!page->modified());
    QCOMPARE(page->fileName(), file);
    QVERIFY(page->save());
    QVERIFY(test::fileBytes(file) == written);
    SKV_VERIFY_PROMPTER(prompter);
}

void TestPageFiles::unreadableFileGivesItsReasonAndNoPage_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason"); // the end of the message after the file's name
    QTest::addColumn<bool>("exists");
    const QByteArray record = recordOf(*test::item("A"));
    QByteArray unknown = record;
    unknown.replace("Caption", "Captain");
    QByteArray wrongSignature = record;
    wrongSignature[0] = 'X';
    QTest::newRow("no such file") << QByteArray() << ": No such file or directory" << false;
    QTest::newRow("a wrong signature") << wrongSignature << ": offset 0: " << true;
    QTest::newRow("an unknown property") << record + unknown << ": offset " << true;
    QTest::newRow("cut inside a record") << record + record.left(20) << ": offset " << true;
}

void TestPageFiles::unreadableFileGivesItsReasonAndNoPage() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    QFETCH(bool, exists);
    test::TScriptedPrompter prompter;
    test::TPageFixture f;
    const QString file = f.path(QStringLiteral("broken.cmf"));
    if (exists) writeBytes(file, bytes);

    prompter.answer(eAnswer::Ok);
    QVERIFY(!ui::openLibraryPage(file, f.services, model::eGame::gGPL, false));
    QCOMPARE(prompter.asked().size(), std::size_t(1));
    QCOMPARE(prompter.asked()[0].kind, ui::eQuestion::Error);
    const QString told = prompter.asked()[0].text;
    QVERIFY2(told.startsWith(QStringLiteral("Cannot open file ") + file + reason), qPrintable(told));

    // Reopened at start-up: the same, without a word.
    QVERIFY(!ui::openLibraryPage(file, f.services, model::eGame::gGPL, true));
    QCOMPARE(prompter.asked().size(), std::size_t(1));
    SKV_VERIFY_PROMPTER(prompter);
}

void TestPageFiles::emptyFileOpensAndCancelOpensNothing() {
    test::TScriptedPrompter prompter;
    test::TPageFixture f;
    const QString empty = f.path(QStringLiteral("empty.cmf")), twice = f.path(QStringLiteral("twice.cmf"));
    writeBytes(empty, {});
    const auto page = ui::openLibraryPage(empty, f.services, model::eGame::gGPL, false);
    QVERIFY(page);
    QCOMPARE(test::captions(*page), QStringList());
    QVERIFY(!page->modified() && !page->untitled());

    // The second "A" asks; Cancel abandons the whole file without a further word.
    writeBytes(twice, recordOf(*test::item("A")) + recordOf(*test::item("A")));
    prompter.answer(eAnswer::Cancel);
    QVERIFY(!ui::openLibraryPage(twice, f.services, model::eGame::gGPL, false));
    QCOMPARE(prompter.askedTexts(), QStringList{"The Car Camera Set 'A' already exists, overwrite it?"});
    SKV_VERIFY_PROMPTER(prompter);
}

void TestPageFiles::openingDecodesOnlyThePicturesShown() {
    test::TScriptedPrompter prompter;
    test::TPageFixture f;
    const model::TJPEGImage picture = test::drawnPicture(0.5);
    model::TCameraSetList items;
    for (int n = 0; n < 2000; ++n) {
        auto set = test::item("Set " + std::to_string(n), n % 100 == 99);
        for (std::size_t slot = 0; slot < 6; ++slot)
            set->camera(slot).setImage(picture);
        items.push_back(std::move(set));
    }
    const QString file = f.path(QStringLiteral("large.cmf"));
    test::saveItems(file, items);
    items.clear();

    const std::uint64_t before = model::TJPEGImage::decodeCount();
    auto page = ui::openLibraryPage(file, f.services, model::eGame::gGPL, true);
    QVERIFY(page);
    QCOMPARE(model::TJPEGImage::decodeCount() - before, std::uint64_t(0));
    f.show(*page);
    QTRY_COMPARE(model::TJPEGImage::decodeCount() - before, std::uint64_t(5)); // the first set's views
    test::clickNode(*page, 1);
    QTRY_COMPARE(model::TJPEGImage::decodeCount() - before, std::uint64_t(10));
    auto* tree = test::treeOf(*page);
    tree->scrollTo(tree->model()->index(99, 0));
    test::clickNode(*page, 99); // an effect shows no pictures
    QTest::qWait(20);
    QCOMPARE(page->selectedItem()->Caption, std::string("Set 99"));
    QCOMPARE(model::TJPEGImage::decodeCount() - before, std::uint64_t(10));
    SKV_VERIFY_PROMPTER(prompter);
}

void TestPageFiles::failedSaveKeepsThePageModified() {
    test::TScriptedPrompter prompter;
    test::TPageFixture f;
    auto page = f.page();
    page->newFile(QStringLiteral("Camsets0.cmf"));
    QVERIFY(page->untitled());
    QVERIFY(page->addCameraSet(test::item("A")));
    QVERIFY(page->modified());
    const QString question = QStringLiteral("File Camsets0.cmf is changed do you want to save it?");

    prompter.answer(eAnswer::Cancel);
    QVERIFY(!page->closeQuery());
    prompter.answer(eAnswer::No);
    QVERIFY(page->closeQuery());

    // Yes saves; an untitled page asks for a name first, and a file that cannot be made keeps it open.
    const QString unwritable = f.path(QStringLiteral("no such folder/lib.cmf"));
    prompter.answer(eAnswer::Yes);
    prompter.chooseFile(unwritable);
    prompter.answer(eAnswer::Ok);
    QVERIFY(!page->closeQuery());
    QCOMPARE(prompter.asked().back().kind, ui::eQuestion::Error);
    QVERIFY(prompter.asked().back().text.startsWith(QStringLiteral("Cannot create file ") + unwritable));
    QVERIFY(page->modified());
    QVERIFY(page->untitled());
    QCOMPARE(page->fileName(), QStringLiteral("Camsets0.cmf"));
    const ui::TFileRequest& request = prompter.fileRequests().back();
    QCOMPARE(request.fileName, QStringLiteral("Camsets0.cmf"));
    QCOMPARE(request.filter, QStringLiteral("Camera Manager Format (*.cmf)"));
    QCOMPARE(request.defaultSuffix, QStringLiteral("cmf"));
    QVERIFY(request.confirmOverwrite);

    const QString chosen = f.path(QStringLiteral("lib.cmf"));
    prompter.answer(eAnswer::Yes);
    prompter.chooseFile(chosen);
    QVERIFY(page->closeQuery());
    QCOMPARE(page->fileName(), chosen);
    QVERIFY(!page->untitled() && !page->modified());
    QCOMPARE(model::loadLibraryFile(chosen.toStdString()).size(), std::size_t(1));
    QVERIFY(page->closeQuery()); // nothing to save: no question

    // A titled page whose folder has gone: the old file stays as it was, the page modified.
    QVERIFY(page->addCameraSet(test::item("B")));
    QVERIFY(QFile::rename(chosen, f.path(QStringLiteral("moved.cmf"))));
    QVERIFY(QDir(f.folder.path()).mkdir(QStringLiteral("lib.cmf"))); // a folder where the file was
    prompter.answer(eAnswer::Ok);
    QVERIFY(!page->save());
    QVERIFY(page->modified());
    QCOMPARE(prompter.askedTexts().count(question), 4);
    SKV_VERIFY_PROMPTER(prompter);
}

SKV_GUI_TEST_MAIN(TestPageFiles)
#include "page_files_test.moc"

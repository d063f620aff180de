// The library page driven as a user drives it: new, delete and rename in place with their refusals,
// the clipboard and the overwrite question, cameras between games, dragging, the activation key, the
// editors and camera files, and its file: the untouched round trip, unreadable files, decodes, saving.
#include "support/Pagehost.h"

#include "directcontrol/Itemlists.h"
#include "model/Ansitext.h"
#include "model/Camerasetstream.h"
#include "model/Libraryfile.h"
#include "ui/Hotkeyedit.h"
#include "ui/Page_items.h"
#include "ui/Picturebox.h"
#include "ui/Qtext.h"
#include "ui/View.h"

#include <QAction>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>

#include <bit>
#include <cstring>

using namespace skv;
using test::activate;
using test::child;
using test::click;
using test::fileBytes;
using test::TModal;
using test::typeText;
using test::writeBytes;
using ui::eAnswer;
using Items = model::TCameraSetList;

namespace {

// Pages shown as the main window shows them.
struct TFixture : test::TPageHost {
    int files = 0;

    void show(ui::TfrmPage& page) {
        for (QAction* action : actions.all())
            page.addAction(action);
        page.resize(620, 480);
        page.show();
        activate(page);
        actions.setActivePage(&page);
    }
    std::unique_ptr<ui::TfrmPage> page() {
        auto page = std::make_unique<ui::TfrmPage>(services, model::eGame::gGPL);
        show(*page);
        return page;
    }
    QString save(const Items& items) {
        const QString file = path(QStringLiteral("library%1.cmf").arg(files++));
        model::saveLibraryFile(file.toStdString(), items);
        return file;
    }
    // A page whose items come from a file, so that it starts unmodified.
    std::unique_ptr<ui::TfrmPage> loaded(const Items& items) {
        auto page = ui::openLibraryPage(save(items), services, model::eGame::gGPL, false);
        if (page) show(*page);
        return page;
    }
};

std::unique_ptr<model::TGPLCarCameraSet> item(const std::string& caption, bool effect = false) {
    auto set = std::make_unique<model::TGPLCarCameraSet>();
    set->Caption = caption;
    if (effect) set->Type = model::eCameraSetType::CstRollBarCam;
    return set;
}

Items named(std::initializer_list<const char*> captions) {
    Items items;
    for (const char* caption : captions)
        items.push_back(item(caption));
    return items;
}

ui::TCameraSetTree* treeOf(const ui::TfrmPage& page) {
    return page.findChild<ui::TCameraSetTree*>(QStringLiteral("treCameraSets"));
}

QStringList captions(const ui::TfrmPage& page) {
    QStringList shown;
    for (int row = 0; row < treeOf(page)->model()->rowCount(); ++row)
        shown << treeOf(page)->model()->index(row, 0).data().toString();
    return shown;
}

QStringList captions(const std::vector<const model::TGPLCarCameraSet*>& items) {
    QStringList out;
    for (const auto* item : items)
        out << ui::toQString(item->Caption);
    return out;
}

QPoint nodeCentre(const ui::TfrmPage& page, int row) {
    return treeOf(page)->visualRect(treeOf(page)->model()->index(row, 0)).center();
}

void clickNode(const ui::TfrmPage& page, int row, Qt::KeyboardModifiers modifiers = {}) {
    QTest::mouseClick(treeOf(page)->viewport(), Qt::LeftButton, modifiers, nodeCentre(page, row));
}

void keyOnTree(const ui::TfrmPage& page, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier) {
    QTest::keyClick(treeOf(page), key, modifiers);
}

QString sheetOf(const ui::TfrmPage& page) {
    return page.findChild<QStackedWidget*>(QStringLiteral("pgcItem"))->currentWidget()->objectName();
}

ui::TfrmView* viewIn(const ui::TfrmPage& page, const char* panel) {
    return child<QWidget>(&page, panel)->findChild<ui::TfrmView*>();
}

TModal::TDrive typeName(const QString& text, const char* type) {
    return [text, type](QDialog* d) {
        test::retype(d, "edtName", text);
        click(d, type);
        click(d, "btnOK");
    };
}

QByteArray recordOf(const model::TGPLCarCameraSet& item) {
    const std::vector<std::uint8_t> record = model::cameraSetRecord(item);
    return {reinterpret_cast<const char*>(record.data()), static_cast<qsizetype>(record.size())};
}

// A drag as Qt delivers it to the tree: enter, move, and a drop only where the move was taken.
bool dragTo(const ui::TfrmPage& page, const QMimeData* data, QPoint at) {
    QWidget* viewport = treeOf(page)->viewport();
    QDragEnterEvent enter(at, Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    QDragMoveEvent move(at, Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    QDropEvent drop(QPointF(at), Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    QApplication::sendEvent(viewport, &move);
    if (!move.isAccepted()) return false;
    QApplication::sendEvent(viewport, &drop);
    return drop.isAccepted();
}

// Every kind of content a library holds, with the values most easily lost on the way.
Items everyKindOfItem() {
    Items items = named({"Plain"});
    auto set = item(std::string(300, 'L') + "\xE9"); // a long string, and a 1252 byte
    set->Name = "Component";
    set->Version = 7;
    set->Comment = "First line\r\nSecond line\r\n";
    set->ActivationKey = 0x8041; // Alt+A
    set->SelectedCamera = -1;
    for (std::size_t slot = 0; slot < 6; ++slot)
        set->camera(slot).setImage(test::drawnPicture(0.1 + 0.15 * double(slot)));
    const std::uint32_t bits[] = {0x7FC00001, 0xFF800001, 0x7F800000, 0x00000001, 0x7FBFFFFF}; // NaNs, ...
    for (std::size_t i = 0; i < std::size(bits); ++i)
        model::valueAt(set->Camera1.values(), i) = std::bit_cast<float>(bits[i]);
    set->Camera3.Effect = "only carried";
    items.push_back(std::move(set));
    auto effect = item("Orbit", true);
    effect->setEffect("a := FRAMES * 0.01;\r\nX := -6 * COS(a);\r\n");
    items.push_back(std::move(effect));
    return items;
}

} // namespace

class TestPage : public QObject {
    Q_OBJECT

private slots:
    void newItemsDeleteAndTheSheets();
    void renameInPlace_data();
    void renameInPlace();
    void pasteOverAnExistingCaption_data();
    void pasteOverAnExistingCaption();
    void loadingRepeatedCaptionsAsksForEach_data();
    void loadingRepeatedCaptionsAsksForEach();
    void copyCutAndPasteItems();
    void onlyAnItemRecordEnablesPaste_data();
    void onlyAnItemRecordEnablesPaste();
    void camerasPastedByIndexAcrossGames();
    void dragPutsTheNodeBeforeItsTarget();
    void activationKeyStoredOnKeyRelease();
    void editorsAndCamFiles();
    void openedAndSavedUntouchedIsByteIdentical();
    void unreadableFileGivesItsReasonAndNoPage_data();
    void unreadableFileGivesItsReasonAndNoPage();
    void openingDecodesOnlyThePicturesShown();
    void closingAsksAndAFailedSaveKeepsThePage();
};

void TestPage::newItemsDeleteAndTheSheets() {
    TFixture f;
    auto page = f.page();
    QCOMPARE(sheetOf(*page), QStringLiteral("tabNone"));
    QVERIFY(f.actions.actNewCamSet->isEnabled() && !f.actions.actDeleteCamSet->isEnabled());

    // A name that exists is told, and the dialog comes again with the name as typed.
    QString shownAgain;
    f.prompter.answer(eAnswer::Ok);
    TModal dialogs({typeName(QStringLiteral("  Broadcast "), "rbCarCameraSet"),
                    typeName(QStringLiteral("Broadcast"), "rbEffect"), [&](QDialog* d) {
                        shownAgain = child<QLineEdit>(d, "edtName")->text();
                        typeName(QStringLiteral("Spin"), "rbEffect")(d);
                    }});
    f.actions.actNewCamSet->trigger();
    QCOMPARE(sheetOf(*page), QStringLiteral("tabCarCameraSet"));
    QVERIFY(page->modified() && f.actions.actDistributeCamSet->isEnabled());
    f.actions.actNewCamSet->trigger();
    SKV_VERIFY_MODAL(dialogs);
    QCOMPARE(shownAgain, QStringLiteral("Broadcast"));
    QCOMPARE(captions(*page), (QStringList{"Broadcast", "Spin"}));
    QCOMPARE(sheetOf(*page), QStringLiteral("tabEffect"));
    QVERIFY(!f.actions.actDistributeCamSet->isEnabled() && f.actions.actDeleteCamSet->isEnabled());

    // Del asks first; after Yes the item that is left is shown. The offscreen platform gives a
    // window no focus back after a dialog, so the test does.
    f.prompter.answer(eAnswer::No);
    f.prompter.answer(eAnswer::Yes);
    activate(*page);
    treeOf(*page)->setFocus();
    keyOnTree(*page, Qt::Key_Delete, {});
    QCOMPARE(captions(*page).size(), 2);
    keyOnTree(*page, Qt::Key_Delete, {});
    QCOMPARE(captions(*page), QStringList{"Broadcast"});
    QCOMPARE(sheetOf(*page), QStringLiteral("tabCarCameraSet"));
    QCOMPARE(f.prompter.askedTexts(), (QStringList{"Name already exists!", "Delete current Camera Set ?",
                                                   "Delete current Camera Set ?"}));
    SKV_VERIFY_PROMPTER(f.prompter);
}

void TestPage::renameInPlace_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("told");
    QTest::newRow("own caption with blanks") << "  Spin  "
                                             << "Spin" << QString();
    QTest::newRow("new caption, trimmed") << " Orbit "
                                          << "Orbit" << QString();
    QTest::newRow("caption of another item") << "Other"
                                             << "Spin"
                                             << "Name already exists!";
    QTest::newRow("only blanks") << "   "
                                 << "Spin"
                                 << "Name is empty!";
    QTest::newRow("a character 1252 lacks") << QStringLiteral("Spin \u0101") << "Spin"
                                            << ui::messageToQString(model::EAnsiTextError(0x101).what());
}

void TestPage::renameInPlace() {
    QFETCH(QString, typed);
    QFETCH(QString, caption);
    QFETCH(QString, told);
    TFixture f;
    auto page = f.loaded(named({"Spin", "Other"}));
    clickNode(*page, 0);
    if (!told.isEmpty()) f.prompter.answer(eAnswer::Ok);
    f.actions.actRenameCamSet->trigger();
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    QVERIFY(editor);
    editor->selectAll();
    typeText(editor, typed);
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents(); // the editor hands its text over queued

    if (!told.isEmpty()) QTRY_COMPARE(f.prompter.askedTexts(), QStringList{told}); // once the editor is gone
    QCOMPARE(captions(*page), (QStringList{caption, "Other"}));
    QCOMPARE(page->modified(), told.isEmpty()); // its own caption again counts as a change
    SKV_VERIFY_PROMPTER(f.prompter);
}

void TestPage::pasteOverAnExistingCaption_data() {
    QTest::addColumn<int>("answer");
    QTest::newRow("Yes") << int(eAnswer::Yes);
    QTest::newRow("No") << int(eAnswer::No);
    QTest::newRow("Cancel") << int(eAnswer::Cancel);
    QTest::newRow("Yes to All") << int(eAnswer::YesToAll);
}

void TestPage::pasteOverAnExistingCaption() {
    QFETCH(int, answer);
    const auto given = eAnswer(answer);
    const bool replaces = given == eAnswer::Yes || given == eAnswer::YesToAll;
    TFixture f;
    Items items = named({"A", "B", "C"});
    items[1]->Camera0.xPos = 1;
    auto page = f.loaded(items);
    directcontrol::TItemLists lists;
    lists.rebuild(page->identities());
    clickNode(*page, 2);
    auto copied = item("B"); // from another page
    copied->Camera0.xPos = 2;
    copied->SelectedCamera = -1;
    f.clipboard.put(*copied);
    f.prompter.answer(given);
    keyOnTree(*page, Qt::Key_V);

    QCOMPARE(f.prompter.askedTexts(), QStringList{"The Car Camera Set 'B' already exists, overwrite it?"});
    QCOMPARE(captions(*page), (QStringList{"A", "B", "C"})); // a replaced item keeps its place
    QCOMPARE(captions(lists.carCameraSetList()),
             (replaces ? QStringList{"A", "C"} : QStringList{"A", "B", "C"}));
    lists.rebuild(page->identities());
    QCOMPARE(lists.carCameraSetList()[1]->Camera0.xPos, replaces ? 2.0f : 1.0f);
    QCOMPARE(page->selectedItem()->Caption, std::string(replaces ? "B" : "C"));
    QCOMPARE(page->modified(), given != eAnswer::Cancel);
    QCOMPARE(page->overwriteAll(), given == eAnswer::YesToAll);
    if (given != eAnswer::YesToAll) {
        SKV_VERIFY_PROMPTER(f.prompter);
        return;
    }

    // Until the next load, the same caption is replaced without asking.
    copied->Camera0.xPos = 3;
    f.clipboard.put(*copied);
    keyOnTree(*page, Qt::Key_V);
    lists.rebuild(page->identities());
    QCOMPARE(lists.carCameraSetList()[1]->Camera0.xPos, 3.0f);
    f.prompter.answer(eAnswer::No);
    QVERIFY(page->loadFromFile(f.save(named({"A"}))));
    QCOMPARE(f.prompter.asked().size(), std::size_t(2));
    QVERIFY(!page->overwriteAll());
    SKV_VERIFY_PROMPTER(f.prompter);
}

void TestPage::loadingRepeatedCaptionsAsksForEach_data() {
    QTest::addColumn<QList<int>>("answers");
    QTest::addColumn<QStringList>("shown"); // caption and xPos of each node, in tree order
    QTest::newRow("Yes, No") << QList<int>{int(eAnswer::Yes), int(eAnswer::No)}
                             << QStringList{"B 1", "A 2", "C 1", "D 1"};
    QTest::newRow("No, Yes") << QList<int>{int(eAnswer::No), int(eAnswer::Yes)}
                             << QStringList{"B 3", "A 1", "C 1", "D 1"};
    QTest::newRow("Yes to All") << QList<int>{int(eAnswer::YesToAll)}
                                << QStringList{"B 3", "A 2", "C 1", "D 1"};
}

// A file whose captions repeat (B is in the page already): each repeat is asked about in file order,
// a replaced item keeps its node, and the items after it still come in their order.
void TestPage::loadingRepeatedCaptionsAsksForEach() {
    QFETCH(QList<int>, answers);
    QFETCH(QStringList, shown);
    TFixture f;
    auto page = f.page();
    page->newFile(QStringLiteral("Camsets0.cmf"));
    Items items = named({"A", "C", "A", "B", "D"});
    for (const auto& set : items)
        set->Camera0.xPos = 1;
    items[2]->Camera0.xPos = 2;
    items[3]->Camera0.xPos = 3;
    const QString file = f.save(items);
    QVERIFY(page->addCameraSet(item("B")));
    page->selectedItem()->Camera0.xPos = 1;
    for (int answer : answers)
        f.prompter.answer(eAnswer(answer));
    QVERIFY(page->loadFromFile(file));

    QStringList asked = {"The Car Camera Set 'A' already exists, overwrite it?",
                         "The Car Camera Set 'B' already exists, overwrite it?"};
    QCOMPARE(f.prompter.askedTexts(), asked.mid(0, answers.size()));
    QStringList nodes;
    directcontrol::TItemLists lists;
    lists.rebuild(page->identities());
    for (const auto* set : lists.carCameraSetList())
        nodes << ui::toQString(set->Caption) + QStringLiteral(" %1").arg(set->Camera0.xPos);
    QCOMPARE(nodes, shown);
    QCOMPARE(captions(*page), (QStringList{"B", "A", "C", "D"}));
    QCOMPARE(page->selectedItem()->Caption, std::string("B"));
    QVERIFY(!page->modified());
    SKV_VERIFY_PROMPTER(f.prompter);
}

void TestPage::copyCutAndPasteItems() {
    TFixture f;
    auto page = f.loaded(named({"A", "B"}));
    clickNode(*page, 0);
    keyOnTree(*page, Qt::Key_C);
    // The page's own item is marked as copied whole, which the next save writes; nothing else changes.
    QVERIFY(f.clipboard.holdsItem() && f.actions.actPasteCamSet->isEnabled());
    QVERIFY(!f.actions.actPasteCamera->isEnabled());
    QVERIFY(!page->modified());
    QVERIFY(page->save());
    QCOMPARE(model::loadLibraryFile(page->fileName().toStdString()).front()->SelectedCamera, -1);

    // Cut takes B away without asking; Paste brings it back at the end.
    clickNode(*page, 1);
    keyOnTree(*page, Qt::Key_X);
    QCOMPARE(captions(*page), QStringList{"A"});
    keyOnTree(*page, Qt::Key_V);
    QCOMPARE(captions(*page), (QStringList{"A", "B"}));
    QCOMPARE(page->selectedItem()->Caption, std::string("B"));
    SKV_VERIFY_PROMPTER(f.prompter);
}

void TestPage::onlyAnItemRecordEnablesPaste_data() {
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("item");
    QTest::addColumn<bool>("camera");
    const QByteArray mime = ui::TItemClipboard::kMimeType;
    const auto marked = [](std::int32_t selected) {
        auto copied = item("Copied");
        copied->SelectedCamera = selected;
        return recordOf(*copied);
    };
    const QByteArray whole = marked(-1);
    QTest::newRow("an item") << mime << whole << true << false;
    QTest::newRow("camera 2") << mime << marked(2) << false << true;
    QTest::newRow("camera 0, the marker's default") << mime << marked(0) << false << true;
    QTest::newRow("camera 5, which no view shows") << mime << marked(5) << false << false;
    QTest::newRow("text") << QByteArray("text/plain") << whole << false << false;
    QTest::newRow("a record cut short") << mime << whole.left(whole.size() - 1) << false << false;
    QTest::newRow("bytes after the record") << mime << whole + "x" << false << false;
}

void TestPage::onlyAnItemRecordEnablesPaste() {
    QFETCH(QByteArray, format);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, item);
    QFETCH(bool, camera);
    TFixture f;
    Items items = named({"A"});
    items[0]->Camera2.Caption = "mine";
    auto page = f.loaded(items);
    clickNode(*page, 0);
    model::TGPLCarCameraSet* a = page->selectedItem();
    QTest::mouseClick(page->view(2)->pictureBox(), Qt::LeftButton);
    QCOMPARE(page->focusedView(), 2);

    // From the opposite state, so that the queued change is seen.
    auto opposite = ::item("Z");
    opposite->SelectedCamera = item ? 3 : -1;
    f.clipboard.put(*opposite);
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(format), bytes);
    QGuiApplication::clipboard()->setMimeData(data);
    QTRY_COMPARE(f.actions.actPasteCamSet->isEnabled(), item);
    QCOMPARE(f.actions.actPasteCamera->isEnabled(), camera);

    // Whatever the actions say, only a record of the right kind is ever taken.
    page->pasteCamera();
    page->pasteCameraSet();
    QCOMPARE(captions(*page).size(), item ? 2 : 1);
    QCOMPARE(page->modified(), item || camera);
    QCOMPARE(a->Camera2.Caption, std::string(camera ? "" : "mine"));
    SKV_VERIFY_PROMPTER(f.prompter);
}

void TestPage::camerasPastedByIndexAcrossGames() {
    TFixture f;
    Items gplItems = named({"GPL set"});
    model::TGPLCarCamera& source = gplItems[0]->Camera3;
    source.setImage(test::drawnPicture(0.4));
    source.xPos = 1.25f;
    source.unknown2 = 7.5f;
    source.Caption = "Front wing";
    auto gpl = f.loaded(gplItems);
    Items nrItems = named({"NR2003 set"});
    for (std::size_t slot = 0; slot < 5; ++slot)
        nrItems[0]->camera(slot).Caption = "camera " + std::to_string(slot);
    nrItems[0]->Camera4.Effect = "kept";
    auto nr2003 = f.loaded(nrItems);

    // Made again for NR2003: "Left" (camera 4) bottom left, "Right" (camera 3) bottom right.
    clickNode(*nr2003, 0);
    nr2003->setGame(model::eGame::gNR2003);
    const char* titles[] = {"Roof", "Front", "Rear", "Left", "Right"};
    const int shown[] = {0, 1, 2, 4, 3};
    for (int n = 0; n < 5; ++n) {
        ui::TfrmView* view = viewIn(*nr2003, ("pnlView" + std::to_string(n)).c_str());
        QCOMPARE(view->title(), QString::fromLatin1(titles[n]));
        QCOMPARE(child<QLabel>(view, "pnlBottom")->text(), QStringLiteral("camera %1").arg(shown[n]));
    }

    // Camera 3 of the GPL page ("Front Suspension", bottom left) onto the clipboard...
    f.actions.setActivePage(gpl.get());
    activate(*gpl);
    clickNode(*gpl, 0);
    ui::TfrmView* front = viewIn(*gpl, "pnlView3");
    QCOMPARE(front->title(), QStringLiteral("Front Suspension"));
    QTest::mouseClick(front->pictureBox(), Qt::LeftButton);
    QTest::keyClick(front, Qt::Key_C, Qt::ShiftModifier | Qt::ControlModifier);
    QVERIFY(f.clipboard.holdsCamera());
    QCOMPARE(gpl->selectedItem()->SelectedCamera, 3);

    // ...and onto "Left" of the NR2003 page: by index, from camera 3 to camera 4.
    f.actions.setActivePage(nr2003.get());
    activate(*nr2003);
    ui::TfrmView* left = viewIn(*nr2003, "pnlView3");
    QTest::mouseClick(left, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(nr2003->focusedView(), 4);
    QCOMPARE(left->backgroundRole(), QPalette::Highlight);
    QTest::keyClick(left, Qt::Key_V, Qt::ShiftModifier | Qt::ControlModifier);
    const model::TGPLCarCamera& pasted = nr2003->selectedItem()->Camera4;
    QCOMPARE(pasted.getImage().bytes(), source.getImage().bytes());
    QVERIFY(pasted.xPos == 1.25f && pasted.unknown2 == 7.5f);
    QCOMPARE(pasted.Caption, std::string("Front wing"));
    QCOMPARE(pasted.Effect, std::string("kept")); // a camera's script is not its to give
    QVERIFY(left->showsPicture() && nr2003->modified());

    // Properties open the focused camera, captioned after its view; the dialog takes no focus away.
    QString caption, x;
    TModal properties([&](QDialog* d) {
        caption = d->windowTitle();
        x = child<QLineEdit>(d, "edtX")->text();
        click(d, "btnCancel");
    });
    f.actions.actPropertiesCamera->trigger();
    SKV_VERIFY_MODAL(properties);
    QCOMPARE(caption, QStringLiteral("Camera Properties (Left)"));
    QCOMPARE(x, QStringLiteral("1.25"));
    QCOMPARE(nr2003->focusedView(), 4);
    SKV_VERIFY_PROMPTER(f.prompter);
}

void TestPage::dragPutsTheNodeBeforeItsTarget() {
    TFixture f;
    Items items = named({"A", "B", "C"});
    items.push_back(item("Spin", true));
    items.push_back(item("D"));
    auto page = f.loaded(items);
    directcontrol::TItemLists lists;
    connect(page.get(), &ui::TfrmPage::itemsChanged, [&] { lists.rebuild(page->identities()); });
    QAbstractItemModel* model = treeOf(*page)->model();
    const auto dragOf = [](const ui::TfrmPage& from, int row) {
        QAbstractItemModel* m = treeOf(from)->model();
        return std::unique_ptr<QMimeData>(m->mimeData({m->index(row, 0)}));
    };

    // The last node onto the first goes before it, never into it; and downwards, "D" before "C".
    QVERIFY(dragTo(*page, dragOf(*page, 4).get(), nodeCentre(*page, 0)));
    QCOMPARE(captions(*page), (QStringList{"D", "A", "B", "C", "Spin"}));
    QCOMPARE(captions(lists.carCameraSetList()), (QStringList{"D", "A", "B", "C"}));
    QCOMPARE(captions(lists.effectList()), QStringList{"Spin"});
    for (int row = 0; row < model->rowCount(); ++row)
        QCOMPARE(model->rowCount(model->index(row, 0)), 0);
    QVERIFY(page->modified());
    QVERIFY(dragTo(*page, dragOf(*page, 0).get(), nodeCentre(*page, 3)));
    QCOMPARE(captions(*page), (QStringList{"A", "B", "D", "C", "Spin"}));

    // Onto itself, onto empty space, from another page or from another program: nothing moves.
    dragTo(*page, dragOf(*page, 1).get(), nodeCentre(*page, 1));
    QVERIFY(!dragTo(*page, dragOf(*page, 1).get(), nodeCentre(*page, 4) + QPoint(0, 60)));
    auto other = f.loaded(named({"X", "Y"}));
    QVERIFY(!dragTo(*page, dragOf(*other, 1).get(), nodeCentre(*page, 0)));
    QMimeData text;
    text.setText(QStringLiteral("B"));
    QVERIFY(!dragTo(*page, &text, nodeCentre(*page, 0)));
    QCOMPARE(captions(*page), (QStringList{"A", "B", "D", "C", "Spin"}));
    QCOMPARE(captions(*other), (QStringList{"X", "Y"}));
    SKV_VERIFY_PROMPTER(f.prompter);
}

void TestPage::activationKeyStoredOnKeyRelease() {
    TFixture f;
    auto page = f.loaded(named({"A"}));
    clickNode(*page, 0);
    auto* hotkey = child<ui::THotKeyEdit>(page.get(), "hkActivate");
    hotkey->setFocus();

    // A combination with Alt is taken as the bare key, and stored when the key comes up.
    QTest::keyPress(hotkey, Qt::Key_K, Qt::ControlModifier | Qt::AltModifier);
    QVERIFY(!page->modified());
    QTest::keyRelease(hotkey, Qt::Key_K, Qt::ControlModifier | Qt::AltModifier);
    QCOMPARE(page->selectedItem()->ActivationKey, platform::makeShortcut('K'));
    QVERIFY(page->modified());

    // Without a selection a key release changes nothing, whatever the field holds.
    QTest::keyPress(hotkey, Qt::Key_J);
    model::TGPLCarCameraSet* a = page->selectedItem();
    clickNode(*page, 0, Qt::ControlModifier);
    QCOMPARE(sheetOf(*page), QStringLiteral("tabNone"));
    QVERIFY(page->save());
    page->keyReleased();
    QCOMPARE(a->ActivationKey, platform::makeShortcut('K'));
    QVERIFY(!page->modified());
    SKV_VERIFY_PROMPTER(f.prompter);
}

void TestPage::editorsAndCamFiles() {
    TFixture f;
    Items items = named({"Set"});
    items.push_back(item("Push in", true));
    items[1]->setEffect("X := X + 0.02;\r\nZOOM := ZOOM * 0.99;");
    auto page = f.loaded(items);

    // The effect's script, read-only; a double click on it opens the editor.
    clickNode(*page, 1);
    auto* script = child<QPlainTextEdit>(page.get(), "mmoEffect");
    QVERIFY(script->isVisible() && script->isReadOnly());
    TModal edit([](QDialog* d) {
        auto* text = child<QPlainTextEdit>(d, "mmoEffect");
        text->moveCursor(QTextCursor::End);
        QTest::keyClick(text, Qt::Key_Return);
        QTest::keyClicks(text, QStringLiteral("Y := 1;"));
        click(d, "btnOK");
    });
    QTest::mouseDClick(script->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
    SKV_VERIFY_MODAL(edit);
    QCOMPARE(page->selectedItem()->effect(),
             std::string("X := X + 0.02;\r\nZOOM := ZOOM * 0.99;\r\nY := 1;"));
    QCOMPARE(script->toPlainText(), QStringLiteral("X := X + 0.02;\nZOOM := ZOOM * 0.99;\nY := 1;"));
    QVERIFY(page->modified());

    // The set's author's comment: closing its window keeps what was typed.
    clickNode(*page, 0);
    TModal comment([](QDialog* d) {
        QTest::keyClicks(child<QPlainTextEdit>(d, "mmoComment"), QStringLiteral("By me"));
        d->close();
    });
    click(page.get(), "btnAuthorsComment");
    SKV_VERIFY_MODAL(comment);
    QCOMPARE(page->selectedItem()->Comment, std::string("By me"));

    // A camera file (header word 3, X 1.5 in record 3) in, shown, and out through the shared buffer.
    QByteArray cam(228, '\0');
    cam.replace(0, 4, "MACC");
    cam[4] = 3;
    cam[8] = char(216);
    const float x = 1.5f;
    std::memcpy(cam.data() + 12 + 3 * 36, &x, 4);
    writeBytes(f.path(QStringLiteral("in.cam")), cam);
    QVERIFY(page->save());
    f.prompter.cancelFile();
    f.prompter.chooseFile(f.path(QStringLiteral("in.cam")));
    f.prompter.chooseFile(f.path(QStringLiteral("out.cam")));
    f.actions.actImportGPLCamfile->trigger();
    QVERIFY(!page->modified());
    f.actions.actImportGPLCamfile->trigger();
    QCOMPARE(child<QLabel>(page->view(0), "lblX")->text(), QStringLiteral("1.5"));
    QVERIFY(page->modified());
    f.actions.actExportGPLCamfile->trigger();
    QCOMPARE(fileBytes(f.path(QStringLiteral("out.cam"))), cam);
    QCOMPARE(f.prompter.fileRequests().back().filter, QStringLiteral("GPL Camera File (*.cam)"));

    // A file that cannot be read is told, and the set stays as it was.
    f.prompter.chooseFile(f.path(QStringLiteral("missing.cam")));
    f.prompter.answer(eAnswer::Ok);
    f.actions.actImportGPLCamfile->trigger();
    QVERIFY(f.prompter.askedTexts().back().startsWith(QStringLiteral("Cannot open file ")));
    QCOMPARE(page->selectedItem()->Camera0.xPos, 1.5f);
    SKV_VERIFY_PROMPTER(f.prompter);
}

void TestPage::openedAndSavedUntouchedIsByteIdentical() {
    TFixture f;
    const QString file = f.save(everyKindOfItem());
    const QByteArray written = fileBytes(file);
    auto page = ui::openLibraryPage(file, f.services, model::eGame::gGPL, false);
    QVERIFY(page);
    f.show(*page);
    for (int row : {0, 1, 2, 1}) { // each shown: pictures painted, the script in its field
        clickNode(*page, row);
        QCoreApplication::processEvents();
    }
    QVERIFY(page->view(1)->pictureBox()->decoded());
    QVERIFY(!page->modified());
    QVERIFY(page->save());
    QVERIFY(fileBytes(file) == written);
    SKV_VERIFY_PROMPTER(f.prompter);
}

void TestPage::unreadableFileGivesItsReasonAndNoPage_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("told"); // after "Cannot open file " and the file's name; empty: opens
    const QByteArray record = recordOf(*item("A"));
    QByteArray wrongSignature = record;
    wrongSignature[0] = 'X';
    QTest::newRow("no such file") << QByteArray("none") << ": No such file or directory";
    QTest::newRow("a wrong signature") << wrongSignature << ": offset 0: ";
    QTest::newRow("cut inside a second record") << record + record.left(20) << ": offset ";
    QTest::newRow("empty: a page without items") << QByteArray() << QString();
}

void TestPage::unreadableFileGivesItsReasonAndNoPage() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, told);
    TFixture f;
    const QString file = f.path(QStringLiteral("broken.cmf"));
    if (bytes != "none") writeBytes(file, bytes);
    if (!told.isEmpty()) f.prompter.answer(eAnswer::Ok);
    const auto page = ui::openLibraryPage(file, f.services, model::eGame::gGPL, false);
    QCOMPARE(!page, !told.isEmpty());
    if (page) QVERIFY(captions(*page).isEmpty() && !page->modified());
    if (!told.isEmpty()) {
        QCOMPARE(f.prompter.asked().size(), std::size_t(1));
        QCOMPARE(f.prompter.asked()[0].kind, ui::eQuestion::Error);
        QVERIFY2(f.prompter.asked()[0].text.startsWith("Cannot open file " + file + told),
                 qPrintable(f.prompter.asked()[0].text));
    }
    // Reopened at start-up: the same, without a word.
    QCOMPARE(!ui::openLibraryPage(file, f.services, model::eGame::gGPL, true), !told.isEmpty());
    // Cancel to the overwrite question abandons the file, silently too.
    writeBytes(file, recordOf(*item("A")) + recordOf(*item("A")));
    f.prompter.answer(eAnswer::Cancel);
    QVERIFY(!ui::openLibraryPage(file, f.services, model::eGame::gGPL, false));
    QCOMPARE(f.prompter.askedTexts().back(),
             QStringLiteral("The Car Camera Set 'A' already exists, overwrite it?"));
    SKV_VERIFY_PROMPTER(f.prompter);
}

void TestPage::openingDecodesOnlyThePicturesShown() {
    TFixture f;
    const model::TJPEGImage picture = test::drawnPicture(0.5);
    Items items;
    for (int n = 0; n < 2000; ++n) {
        items.push_back(item("Set " + std::to_string(n), n == 99));
        for (std::size_t slot = 0; slot < 6; ++slot)
            items.back()->camera(slot).setImage(picture);
    }
    const QString file = f.save(items);
    items.clear();

    const std::uint64_t before = model::TJPEGImage::decodeCount();
    auto page = ui::openLibraryPage(file, f.services, model::eGame::gGPL, true);
    QVERIFY(page);
    QCOMPARE(model::TJPEGImage::decodeCount() - before, std::uint64_t(0));
    f.show(*page);
    QTRY_COMPARE(model::TJPEGImage::decodeCount() - before, std::uint64_t(5)); // the first set's views
    clickNode(*page, 1);
    QTRY_COMPARE(model::TJPEGImage::decodeCount() - before, std::uint64_t(10));
    treeOf(*page)->scrollTo(treeOf(*page)->model()->index(99, 0));
    clickNode(*page, 99); // an effect shows no pictures
    QTest::qWait(20);
    QCOMPARE(page->selectedItem()->Caption, std::string("Set 99"));
    QCOMPARE(model::TJPEGImage::decodeCount() - before, std::uint64_t(10));
    SKV_VERIFY_PROMPTER(f.prompter);
}

void TestPage::closingAsksAndAFailedSaveKeepsThePage() {
    TFixture f;
    auto page = f.page();
    page->newFile(QStringLiteral("Camsets0.cmf"));
    QVERIFY(page->addCameraSet(item("A")));
    QVERIFY(page->untitled() && page->modified());
    f.prompter.answer(eAnswer::Cancel);
    QVERIFY(!page->closeQuery());
    f.prompter.answer(eAnswer::No);
    QVERIFY(page->closeQuery());

    // Yes saves; an untitled page asks for a name first, and a file that cannot be made keeps it open.
    const QString unwritable = f.path(QStringLiteral("no such folder/lib.cmf"));
    f.prompter.answer(eAnswer::Yes);
    f.prompter.chooseFile(unwritable);
    f.prompter.answer(eAnswer::Ok);
    QVERIFY(!page->closeQuery());
    QVERIFY(f.prompter.askedTexts().back().startsWith(QStringLiteral("Cannot create file ") + unwritable));
    QVERIFY(page->modified() && page->untitled());
    QCOMPARE(page->fileName(), QStringLiteral("Camsets0.cmf"));
    const ui::TFileRequest& request = f.prompter.fileRequests().back();
    QCOMPARE(request.fileName, QStringLiteral("Camsets0.cmf"));
    QCOMPARE(request.filter, QStringLiteral("Camera Manager Format (*.cmf)"));
    QCOMPARE(request.defaultSuffix, QStringLiteral("cmf"));

    const QString chosen = f.path(QStringLiteral("lib.cmf"));
    f.prompter.answer(eAnswer::Yes);
    f.prompter.chooseFile(chosen);
    QVERIFY(page->closeQuery());
    QCOMPARE(page->fileName(), chosen);
    QVERIFY(!page->untitled() && !page->modified());
    QCOMPARE(model::loadLibraryFile(chosen.toStdString()).size(), std::size_t(1));
    QVERIFY(page->closeQuery()); // nothing to save: no question
    QCOMPARE(
        f.prompter.askedTexts().count(QStringLiteral("File Camsets0.cmf is changed do you want to save it?")),
        4);
    SKV_VERIFY_PROMPTER(f.prompter);
}

SKV_GUI_TEST_MAIN(TestPage)
#include "page_test.moc"

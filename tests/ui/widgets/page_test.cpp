// The library page driven as a user drives it: new, delete and in-place rename with their refusals,
// the clipboard (items and single cameras, between pages and games), the overwrite question, dragging
// in the tree, the activation key, the editors, the views per game and the game camera files.
#include "ui/Pagetest.h"

#include "directcontrol/Itemlists.h"
#include "model/Ansitext.h"
#include "model/Camerasetstream.h"
#include "ui/Hotkeyedit.h"
#include "ui/Picturebox.h"
#include "ui/Qtext.h"

#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QStackedWidget>

#include <cstring>

using namespace skv;
using test::TModal;
using ui::eAnswer;

namespace {

QStringList listed(const std::vector<const model::TGPLCarCameraSet*>& items) {
    QStringList out;
    for (const auto* item : items)
        out << ui::toQString(item->Caption);
    return out;
}

// A page whose items come from a file, so that it starts unmodified.
std::unique_ptr<ui::TfrmPage> loadedPage(test::TPageFixture& f, model::TCameraSetList items,
                                         model::eGame game = model::eGame::gGPL) {
    const QString file = f.path(QStringLiteral("page%1.cmf").arg(QRandomGenerator::global()->generate()));
    test::saveItems(file, items);
    auto page = std::make_unique<ui::TfrmPage>(f.services, game);
    if (!page->loadFromFile(file)) return nullptr;
    f.show(*page);
    return page;
}

model::TCameraSetList itemsNamed(std::initializer_list<const char*> captions) {
    model::TCameraSetList items;
    for (const char* caption : captions)
        items.push_back(test::item(caption));
    return items;
}

TModal::TDrive typeName(const QString& text, const char* type) {
    return [text, type](QDialog* d) {
        auto* edit = d->findChild<QLineEdit*>(QStringLiteral("edtName"));
        edit->selectAll();
        QTest::keyClicks(edit, text);
        QTest::mouseClick(d->findChild<QRadioButton*>(QString::fromLatin1(type)), Qt::LeftButton, {},
                          QPoint(6, 6));
        QTest::mouseClick(d->findChild<QPushButton*>(QStringLiteral("btnOK")), Qt::LeftButton);
    };
}

// Types the text key by key; QTest has keys for ASCII only, so other characters come as the text
// of a key the keyboard does not name, as an input method sends them.
void typeText(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(widget, c.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

void putOnClipboard(const QByteArray& format, const QByteArray& bytes) {
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(format), bytes);
    QGuiApplication::clipboard()->setMimeData(data);
}

QByteArray recordOf(const model::TGPLCarCameraSet& item) {
    const std::vector<std::uint8_t> record = model::cameraSetRecord(item);
    return {reinterpret_cast<const char*>(record.data()), static_cast<qsizetype>(record.size())};
}

// The view that stands in a panel of the set sheet.
ui::TfrmView* viewIn(const ui::TfrmPage& page, const char* panel) {
    return page.findChild<QWidget*>(QString::fromLatin1(panel))->findChild<ui::TfrmView*>();
}

void sendDrag(QWidget* viewport, QEvent::Type type, QPoint at, const QMimeData* data, bool& accepted) {
    if (type == QEvent::Drop) {
        QDropEvent drop(QPointF(at), Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &drop);
        accepted = drop.isAccepted();
    } else if (type == QEvent::DragEnter) {
        QDragEnterEvent enter(at, Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &enter);
        accepted = enter.isAccepted();
    } else {
        QDragMoveEvent move(at, Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &move);
        accepted = move.isAccepted();
    }
}

// Drags with data over the tree to a point and drops it there, as Qt delivers a drag; true when the
// tree took the drop.
bool dragTo(ui::TCameraSetTree* tree, const QMimeData* data, QPoint at) {
    bool entered = false, moved = false, dropped = false;
    sendDrag(tree->viewport(), QEvent::DragEnter, at, data, entered);
    sendDrag(tree->viewport(), QEvent::DragMove, at, data, moved);
    if (!moved) return false; // Qt delivers no drop where the move was refused
    sendDrag(tree->viewport(), QEvent::Drop, at, data, dropped);
    return entered && dropped;
}

QPoint nodeCentre(ui::TCameraSetTree* tree, int row) {
    return tree->visualRect(tree->model()->index(row, 0)).center();
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
    void copyCutAndPasteItems();
    void onlyAnItemRecordEnablesPaste_data();
    void onlyAnItemRecordEnablesPaste();
    void camerasCopiedAcrossGamesByIndex();
    void dragPutsTheNodeBeforeItsTarget();
    void activationKeyStoredOnKeyRelease();
    void editorsOfTheSelectedItem();
    void viewsFollowTheGame();
    void camFilesThroughTheSharedBuffer();
};

void TestPage::newItemsDeleteAndTheSheets() {
    test::TScriptedPrompter prompter;
    test::TPageFixture f;
    auto page = f.page();
    QCOMPARE(test::sheetOf(*page), QStringLiteral("tabNone"));
    QVERIFY(f.actions.actNewCamSet->isEnabled());
    QVERIFY(!f.actions.actDeleteCamSet->isEnabled());

    TModal first(typeName(QStringLiteral("  Broadcast "), "rbCarCameraSet"));
    f.actions.actNewCamSet->trigger();
    SKV_VERIFY_MODAL(first);
    QCOMPARE(test::captions(*page), QStringList{"Broadcast"});
    QCOMPARE(test::sheetOf(*page), QStringLiteral("tabCarCameraSet"));
    QVERIFY(page->modified());
    QVERIFY(f.actions.actDistributeCamSet->isEnabled());

    // A name that exists is told, and the dialog comes again with the name as it was typed.
    QString shownAgain;
    prompter.answer(eAnswer::Ok);
    TModal second({typeName(QStringLiteral("Broadcast"), "rbEffect"), [&](QDialog* d) {
                       shownAgain = d->findChild<QLineEdit*>(QStringLiteral("edtName"))->text();
                       typeName(QStringLiteral("Spin"), "rbEffect")(d);
                   }});
    f.actions.actNewCamSet->trigger();
    SKV_VERIFY_MODAL(second);
    QCOMPARE(shownAgain, QStringLiteral("Broadcast"));
    QCOMPARE(test::captions(*page), (QStringList{"Broadcast", "Spin"}));
    QVERIFY(page->selectedItem()->isEffect());
    QCOMPARE(test::sheetOf(*page), QStringLiteral("tabEffect"));
    QVERIFY(!f.actions.actDistributeCamSet->isEnabled());
    QVERIFY(f.actions.actDeleteCamSet->isEnabled());

    // Del on the tree asks first; after Yes the item that is left is shown.
    prompter.answer(eAnswer::No);
    prompter.answer(eAnswer::Yes);
    test::activate(*page); // the offscreen platform gives no window the focus back after a dialog
    test::treeOf(*page)->setFocus();
    QTest::keyClick(test::treeOf(*page), Qt::Key_Delete);
    QCOMPARE(test::captions(*page), (QStringList{"Broadcast", "Spin"}));
    QTest::keyClick(test::treeOf(*page), Qt::Key_Delete);
    QCOMPARE(test::captions(*page), QStringList{"Broadcast"});
    QCOMPARE(page->selectedItem()->Caption, std::string("Broadcast"));
    QCOMPARE(test::sheetOf(*page), QStringLiteral("tabCarCameraSet"));
    QCOMPARE(prompter.askedTexts(), (QStringList{"Name already exists!", "Delete current Camera Set ?",
                                                 "Delete current Camera Set ?"}));
    SKV_VERIFY_PROMPTER(prompter);
}

void TestPage::renameInPlace_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<QString>("told");
    const QStringList unchanged{"Spin", "Other"};
    QTest::newRow("own caption with blanks") << "  Spin  " << unchanged << QString();
    QTest::newRow("new caption, trimmed") << " Orbit " << QStringList{"Orbit", "Other"} << QString();
    QTest::newRow("caption of another item") << "Other" << unchanged << "Name already exists!";
    QTest::newRow("only blanks") << "   " << unchanged << "Name is empty!";
    QTest::newRow("a character 1252 lacks") << QStringLiteral("Spin \u0101") << unchanged
                                            << ui::messageToQString(model::EAnsiTextError(0x101).what());
}

void TestPage::renameInPlace() {
    QFETCH(QString, typed);
    QFETCH(QStringList, after);
    QFETCH(QString, told);
    test::TScriptedPrompter prompter;
    test::TPageFixture f;
    auto page = loadedPage(f, itemsNamed({"Spin", "Other"}));
    test::clickNode(*page, 0);
    if (!told.isEmpty()) prompter.answer(eAnswer::Ok);

    f.actions.actRenameCamSet->trigger();
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    QVERIFY(editor);
    QCOMPARE(editor->text(), QStringLiteral("Spin"));
    editor->selectAll();
    typeText(editor, typed);
    QTest::keyClick(editor, Qt::Key_Return);

    if (!told.isEmpty()) QTRY_COMPARE(prompter.askedTexts(), QStringList{told});
    QCoreApplication::processEvents();
    QCOMPARE(test::captions(*page), after);
    QCOMPARE(page->modified(), told.isEmpty()); // renaming to its own caption counts as a change
    SKV_VERIFY_PROMPTER(prompter);
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
    test::TScriptedPrompter prompter;
    test::TPageFixture f;
    model::TCameraSetList items = itemsNamed({"A", "B", "C"});
    items[1]->Camera0.xPos = 1;
    auto page = loadedPage(f, std::move(items));
    directcontrol::TItemLists lists;
    lists.rebuild(page->identities());
    test::clickNode(*page, 2);

    // "B" copied on another page.
    auto copied = test::item("B");
    copied->Camera0.xPos = 2;
    copied->SelectedCamera = -1;
    f.clipboard.put(*copied);
    prompter.answer(given);
    QTest::keyClick(test::treeOf(*page), Qt::Key_V, Qt::ControlModifier);

    QCOMPARE(prompter.askedTexts(), QStringList{"The Car Camera Set 'B' already exists, overwrite it?"});
    QCOMPARE(test::captions(*page), (QStringList{"A", "B", "C"})); // a replaced item keeps its place
    QCOMPARE(listed(lists.carCameraSetList()),
             replaces ? (QStringList{"A", "C"}) : (QStringList{"A", "B", "C"})); // the old B has gone
    lists.rebuild(page->identities());
    QCOMPARE(lists.carCameraSetList()[1]->Camera0.xPos, replaces ? 2.0f : 1.0f);
    QCOMPARE(page->selectedItem()->Caption, std::string(replaces ? "B" : "C"));
    QCOMPARE(page->modified(), given != eAnswer::Cancel);
    QCOMPARE(page->overwriteAll(), given == eAnswer::YesToAll);

    if (given == eAnswer::YesToAll) {
        // Until the next load, an item of the same caption is replaced without asking.
        copied->Camera0.xPos = 3;
        f.clipboard.put(*copied);
        QTest::keyClick(test::treeOf(*page), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(prompter.asked().size(), std::size_t(1));
        lists.rebuild(page->identities());
        QCOMPARE(lists.carCameraSetList()[1]->Camera0.xPos, 3.0f);
        const QString another = f.path(QStringLiteral("another.cmf"));
        test::saveItems(another, itemsNamed({"A"}));
        prompter.answer(eAnswer::No);
        QVERIFY(page->loadFromFile(another));
        QCOMPARE(prompter.asked().size(), std::size_t(2));
        QVERIFY(!page->overwriteAll());
    }
    SKV_VERIFY_PROMPTER(prompter);
}

void TestPage::copyCutAndPasteItems() {
    test::TScriptedPrompter prompter;
    test::TPageFixture f;
    auto page = loadedPage(f, itemsNamed({"A", "B"}));
    test::clickNode(*page, 0);
    QTest::keyClick(test::treeOf(*page), Qt::Key_C, Qt::ControlModifier);

    // The page's own item is marked as copied whole, which the next save writes; copying changes
    // nothing else.
    QVERIFY(f.clipboard.holdsItem());
    QVERIFY(f.actions.actPasteCamSet->isEnabled());
    QVERIFY(!f.actions.actPasteCamera->isEnabled());
    QCOMPARE(page->selectedItem()->SelectedCamera, -1);
    QVERIFY(!page->modified());
    QVERIFY(page->save());
    QCOMPARE(model::loadLibraryFile(page->fileName().toStdString()).front()->SelectedCamera, -1);

    // Cut takes B away without asking; Paste brings it back at the end.
    test::clickNode(*page, 1);
    QTest::keyClick(test::treeOf(*page), Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(test::captions(*page), QStringList{"A"});
    QTest::keyClick(test::treeOf(*page), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(test::captions(*page), (QStringList{"A", "B"}));
    QCOMPARE(page->selectedItem()->Caption, std::string("B"));
    QVERIFY(prompter.asked().empty());
    SKV_VERIFY_PROMPTER(prompter);
}

void TestPage::onlyAnItemRecordEnablesPaste_data() {
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("item");
    QTest::addColumn<bool>("camera");
    const QByteArray mime = ui::TItemClipboard::kMimeType;
    auto whole = test::item("Copied");
    whole->SelectedCamera = -1;
    auto camera = test::item("Copied");
    camera->SelectedCamera = 2;
    auto unmarked = test::item("Copied");
    auto outside = test::item("Copied");
    outside->SelectedCamera = 5; // no view shows camera 5
    const QByteArray record = recordOf(*whole);
    QTest::newRow("an item") << mime << record << true << false;
    QTest::newRow("one camera") << mime << recordOf(*camera) << false << true;
    QTest::newRow("text") << QByteArray("text/plain") << record << false << false;
    QTest::newRow("a record cut short") << mime << record.left(record.size() - 1) << false << false;
    QTest::newRow("bytes after the record") << mime << record + "x" << false << false;
    QTest::newRow("camera 0, the marker's default") << mime << recordOf(*unmarked) << false << true;
    QTest::newRow("a camera no view shows") << mime << recordOf(*outside) << false << false;
}

void TestPage::onlyAnItemRecordEnablesPaste() {
    QFETCH(QByteArray, format);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, item);
    QFETCH(bool, camera);
    test::TScriptedPrompter prompter;
    test::TPageFixture f;
    model::TCameraSetList items = itemsNamed({"A"});
    items[0]->Camera2.Caption = "mine";
    auto page = loadedPage(f, std::move(items));
    test::clickNode(*page, 0);
    QTest::mouseClick(page->view(2)->pictureBox(), Qt::LeftButton);
    QCOMPARE(page->focusedView(), 2);

    // From a clipboard that holds the other state, so that the change is seen; it arrives queued.
    auto opposite = test::item("Z");
    opposite->SelectedCamera = item ? 3 : -1;
    f.clipboard.put(*opposite);
    QCOMPARE(f.actions.actPasteCamSet->isEnabled(), !item);
    putOnClipboard(format, bytes);
    QTRY_COMPARE(f.actions.actPasteCamSet->isEnabled(), item);
    QCOMPARE(f.actions.actPasteCamera->isEnabled(), camera);

    // Whatever the actions say, only an item record is ever taken.
    const model::TGPLCarCameraSet* a = page->selectedItem();
    page->pasteCamera();
    page->pasteCameraSet();
    QCOMPARE(test::captions(*page).size(), item ? 2 : 1);
    QCOMPARE(page->modified(), item || camera);
    QCOMPARE(a->Camera2.Caption, std::string(camera ? "" : "mine"));
    SKV_VERIFY_PROMPTER(prompter);
}

void TestPage::camerasCopiedAcrossGamesByIndex() {
    test::TScriptedPrompter prompter;
    test::TPageFixture f;
    model::TCameraSetList gplItems = itemsNamed({"GPL set"});
    model::TGPLCarCamera& source = gplItems[0]->Camera3;
    source.setImage(test::drawnPicture(0.4));
    source.xPos = 1.25f;
    source.unknown2 = 7.5f;
    source.Caption = "Front wing";
    const std::vector<std::uint8_t> picture = source.getImage().bytes();
    auto gpl = loadedPage(f, std::move(gplItems));
    model::TCameraSetList nrItems = itemsNamed({"NR2003 set"});
    nrItems[0]->Camera4.Effect = "kept";
    nrItems[0]->Camera4.zPos = 9.0f;
    auto nr2003 = loadedPage(f, std::move(nrItems), model::eGame::gNR2003);

    // Camera 3 of the GPL page ("Front Suspension", bottom left) onto the clipboard.
    f.actions.setActivePage(gpl.get());
    test::activate(*gpl);
    test::clickNode(*gpl, 0);
    ui::TfrmView* front = viewIn(*gpl, "pnlView3");
    QCOMPARE(front->title(), QStringLiteral("Front Suspension"));
    QTest::mouseClick(front->pictureBox(), Qt::LeftButton);
    QCOMPARE(gpl->focusedView(), 3);
    QTest::keyClick(front, Qt::Key_C, Qt::ShiftModifier | Qt::ControlModifier);
    QVERIFY(f.clipboard.holdsCamera());
    QCOMPARE(gpl->selectedItem()->SelectedCamera, 3);

    // On the NR2003 page the bottom-left panel shows "Left", camera 4: pasted there by index.
    f.actions.setActivePage(nr2003.get());
    test::activate(*nr2003);
    test::clickNode(*nr2003, 0);
    ui::TfrmView* left = viewIn(*nr2003, "pnlView3");
    QCOMPARE(left->title(), QStringLiteral("Left"));
    QTest::mouseClick(left, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(nr2003->focusedView(), 4);
    QCOMPARE(left->backgroundRole(), QPalette::Highlight);
    QVERIFY(f.actions.actPasteCamera->isEnabled());
    QTest::keyClick(left, Qt::Key_V, Qt::ShiftModifier | Qt::ControlModifier);
    const model::TGPLCarCamera& pasted = nr2003->selectedItem()->Camera4;
    QCOMPARE(pasted.getImage().bytes(), picture);
    QCOMPARE(pasted.xPos, 1.25f);
    QCOMPARE(pasted.zPos, 0.0f);
    QCOMPARE(pasted.unknown2, 7.5f);
    QCOMPARE(pasted.Caption, std::string("Front wing"));
    QCOMPARE(pasted.Effect, std::string("kept")); // a camera's script is not its to give
    QVERIFY(left->showsPicture());
    QVERIFY(nr2003->modified());

    // Properties work on the focused camera, captioned after its view.
    QString caption, x;
    TModal properties([&](QDialog* d) {
        caption = d->windowTitle();
        x = d->findChild<QLineEdit*>(QStringLiteral("edtX"))->text();
        QTest::mouseClick(d->findChild<QPushButton*>(QStringLiteral("btnCancel")), Qt::LeftButton);
    });
    f.actions.actPropertiesCamera->trigger();
    SKV_VERIFY_MODAL(properties);
    QCOMPARE(caption, QStringLiteral("Camera Properties (Left)"));
    QCOMPARE(x, QStringLiteral("1.25"));
    QCOMPARE(nr2003->focusedView(), 4); // the dialog in front took no focus from the page
    SKV_VERIFY_PROMPTER(prompter);
}

void TestPage::dragPutsTheNodeBeforeItsTarget() {
    test::TScriptedPrompter prompter;
    test::TPageFixture f;
    model::TCameraSetList items = itemsNamed({"A", "B", "C"});
    items.push_back(test::item("Spin", true));
    items.push_back(test::item("D"));
    auto page = loadedPage(f, std::move(items));
    directcontrol::TItemLists lists;
    connect(page.get(), &ui::TfrmPage::itemsChanged, [&] { lists.rebuild(page->identities()); });
    ui::TCameraSetTree* tree = test::treeOf(*page);
    QAbstractItemModel* model = tree->model();
    const auto dragOf = [&](int row) {
        return std::unique_ptr<QMimeData>(model->mimeData({model->index(row, 0)}));
    };

    // The last node onto the first: it goes before it, never into it.
    QVERIFY(dragTo(tree, dragOf(4).get(), nodeCentre(tree, 0)));
    QCOMPARE(test::captions(*page), (QStringList{"D", "A", "B", "C", "Spin"}));
    QCOMPARE(listed(lists.carCameraSetList()), (QStringList{"D", "A", "B", "C"}));
    QCOMPARE(listed(lists.effectList()), QStringList{"Spin"});
    for (int row = 0; row < model->rowCount(); ++row)
        QCOMPARE(model->rowCount(model->index(row, 0)), 0);
    QVERIFY(page->modified());

    // Downwards: "D" before "C".
    QVERIFY(dragTo(tree, dragOf(0).get(), nodeCentre(tree, 3)));
    QCOMPARE(test::captions(*page), (QStringList{"A", "B", "D", "C", "Spin"}));

    // Onto itself, onto empty space, from another page or from another program: nothing moves.
    const QStringList order = test::captions(*page);
    dragTo(tree, dragOf(1).get(), nodeCentre(tree, 1));
    QVERIFY(!dragTo(tree, dragOf(1).get(), nodeCentre(tree, 4) + QPoint(0, 60)));
    auto other = loadedPage(f, itemsNamed({"X", "Y"}));
    std::unique_ptr<QMimeData> foreign(
        test::treeOf(*other)->model()->mimeData({test::treeOf(*other)->model()->index(1, 0)}));
    QVERIFY(!dragTo(tree, foreign.get(), nodeCentre(tree, 0)));
    QMimeData text;
    text.setText(QStringLiteral("B"));
    QVERIFY(!dragTo(tree, &text, nodeCentre(tree, 0)));
    QCOMPARE(test::captions(*page), order);
    QCOMPARE(test::captions(*other), (QStringList{"X", "Y"}));
    SKV_VERIFY_PROMPTER(prompter);
}

void TestPage::activationKeyStoredOnKeyRelease() {
    test::TScriptedPrompter prompter;
    test::TPageFixture f;
    model::TCameraSetList items = itemsNamed({"A"});
    items[0]->ActivationKey = platform::makeShortcut('Q');
    auto page = loadedPage(f, std::move(items));
    test::clickNode(*page, 0);
    auto* hotkey = page->findChild<ui::THotKeyEdit*>(QStringLiteral("hkActivate"));
    QCOMPARE(hotkey->shortcut(), platform::makeShortcut('Q'));

    // A combination with Alt is taken as the bare key, and stored when the key comes up.
    hotkey->setFocus();
    QTest::keyPress(hotkey, Qt::Key_K, Qt::ControlModifier | Qt::AltModifier);
    QVERIFY(!page->modified());
    QTest::keyRelease(hotkey, Qt::Key_K, Qt::ControlModifier | Qt::AltModifier);
    QCOMPARE(page->selectedItem()->ActivationKey, platform::makeShortcut('K'));
    QVERIFY(page->modified());
    QTest::keyClick(hotkey, Qt::Key_F5, Qt::ShiftModifier | Qt::ControlModifier);
    const platform::Shortcut stored =
        platform::makeShortcut(platform::vk::F1 + 4, platform::kShortcutShift | platform::kShortcutCtrl);
    QCOMPARE(page->selectedItem()->ActivationKey, stored);

    // Without a selection a key release changes nothing, whatever the field holds.
    QTest::keyPress(hotkey, Qt::Key_J);
    model::TGPLCarCameraSet* item = page->selectedItem();
    test::clickNode(*page, 0, Qt::ControlModifier);
    QVERIFY(!page->selectedItem());
    QCOMPARE(test::sheetOf(*page), QStringLiteral("tabNone"));
    QVERIFY(page->save());
    page->keyReleased();
    QCOMPARE(item->ActivationKey, stored);
    QVERIFY(!page->modified());
    SKV_VERIFY_PROMPTER(prompter);
}

void TestPage::editorsOfTheSelectedItem() {
    test::TScriptedPrompter prompter;
    test::TPageFixture f;
    model::TCameraSetList items = itemsNamed({"Set"});
    items.push_back(test::item("Push in", true));
    items[1]->setEffect("X := X + 0.02;\r\nZOOM := ZOOM * 0.99;");
    auto page = loadedPage(f, std::move(items));

    // The effect's script, read-only; a double click on it opens the editor.
    test::clickNode(*page, 1);
    auto* script = page->findChild<QPlainTextEdit*>(QStringLiteral("mmoEffect"));
    QVERIFY(script->isVisible());
    QVERIFY(script->isReadOnly());
    QCOMPARE(script->toPlainText(), QStringLiteral("X := X + 0.02;\nZOOM := ZOOM * 0.99;"));
    TModal edit([](QDialog* d) {
        auto* text = d->findChild<QPlainTextEdit*>(QStringLiteral("mmoEffect"));
        text->moveCursor(QTextCursor::End);
        QTest::keyClick(text, Qt::Key_Return);
        QTest::keyClicks(text, QStringLiteral("Y := 1;"));
        QTest::mouseClick(d->findChild<QPushButton*>(QStringLiteral("btnOK")), Qt::LeftButton);
    });
    QTest::mouseDClick(script->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
    SKV_VERIFY_MODAL(edit);
    QCOMPARE(page->selectedItem()->effect(),
             std::string("X := X + 0.02;\r\nZOOM := ZOOM * 0.99;\r\nY := 1;"));
    QCOMPARE(script->toPlainText(), QStringLiteral("X := X + 0.02;\nZOOM := ZOOM * 0.99;\nY := 1;"));
    QVERIFY(page->modified());

    // "&Edit" opens it too; Cancel stores nothing.
    QVERIFY(page->save());
    TModal cancel([](QDialog* d) {
        QTest::keyClicks(d->findChild<QPlainTextEdit*>(QStringLiteral("mmoEffect")), QStringLiteral("junk"));
        QTest::mouseClick(d->findChild<QPushButton*>(QStringLiteral("btnCancel")), Qt::LeftButton);
    });
    QTest::mouseClick(page->findChild<QPushButton*>(QStringLiteral("btnEdit")), Qt::LeftButton);
    SKV_VERIFY_MODAL(cancel);
    QVERIFY(!page->modified());

    // The set's author's comment: closing its window keeps what was typed.
    test::clickNode(*page, 0);
    QString caption;
    TModal comment([&](QDialog* d) {
        caption = d->windowTitle();
        QTest::keyClicks(d->findChild<QPlainTextEdit*>(QStringLiteral("mmoComment")),
                         QStringLiteral("By me"));
        d->close();
    });
    QTest::mouseClick(page->findChild<QPushButton*>(QStringLiteral("btnAuthorsComment")), Qt::LeftButton);
    SKV_VERIFY_MODAL(comment);
    QCOMPARE(caption, QStringLiteral("Authors Comment - Set"));
    QCOMPARE(page->selectedItem()->Comment, std::string("By me"));
    QVERIFY(page->modified());
    SKV_VERIFY_PROMPTER(prompter);
}

void TestPage::viewsFollowTheGame() {
    test::TScriptedPrompter prompter;
    test::TPageFixture f;
    model::TCameraSetList items = itemsNamed({"Set"});
    for (std::size_t slot = 0; slot < 5; ++slot)
        items[0]->camera(slot).Caption = "camera " + std::to_string(slot);
    auto page = loadedPage(f, std::move(items));
    struct TSlot {
        const char* panel;
        QString gpl, nr2003;
        int nr2003Camera;
    };
    const TSlot places[] = {{"pnlView0", "Roll Bar", "Roof", 0},
                            {"pnlView1", "Nose", "Front", 1},
                            {"pnlView2", "Gearbox", "Rear", 2},
                            {"pnlView3", "Front Suspension", "Left", 4},
                            {"pnlView4", "Rear Suspension", "Right", 3}};
    for (int n = 0; n < 5; ++n) {
        QCOMPARE(viewIn(*page, places[n].panel)->title(), places[n].gpl);
        QCOMPARE(viewIn(*page, places[n].panel)->camera(), &page->selectedItem()->camera(std::size_t(n)));
    }
    QTest::mouseClick(page->view(1), Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(page->focusedView(), 1);

    page->setGame(model::eGame::gNR2003);
    QCOMPARE(page->focusedView(), -1);
    QVERIFY(!f.actions.actPropertiesCamera->isEnabled());
    for (const TSlot& slot : places) {
        ui::TfrmView* view = viewIn(*page, slot.panel);
        QCOMPARE(view->title(), slot.nr2003);
        QCOMPARE(view->findChild<QLabel*>(QStringLiteral("pnlBottom"))->text(),
                 QStringLiteral("camera %1").arg(slot.nr2003Camera));
    }
    SKV_VERIFY_PROMPTER(prompter);
}

void TestPage::camFilesThroughTheSharedBuffer() {
    test::TScriptedPrompter prompter;
    test::TPageFixture f;
    auto page = loadedPage(f, itemsNamed({"Set"}));
    test::clickNode(*page, 0);

    // A camera file whose header word is 3 and whose record 3 (camera 0) holds an X of 1.5.
    QByteArray cam(228, '\0');
    cam.replace(0, 4, "MACC");
    cam[4] = 3;
    cam[8] = char(216);
    const float x = 1.5f;
    std::memcpy(cam.data() + 12 + 3 * 36, &x, 4);
    const QString in = f.path(QStringLiteral("in.cam")), out = f.path(QStringLiteral("out.cam"));
    QFile file(in);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(cam);
    file.close();

    prompter.cancelFile();
    f.actions.actImportGPLCamfile->trigger();
    QVERIFY(!page->modified());
    prompter.chooseFile(in);
    f.actions.actImportGPLCamfile->trigger();
    QCOMPARE(page->selectedItem()->Camera0.xPos, 1.5f);
    QCOMPARE(page->view(0)->findChild<QLabel*>(QStringLiteral("lblX"))->text(), QStringLiteral("1.5"));
    QVERIFY(page->modified());
    QCOMPARE(prompter.fileRequests().back().filter, QStringLiteral("GPL Camera File (*.cam)"));
    QCOMPARE(prompter.fileRequests().back().defaultSuffix, QStringLiteral("cam"));

    prompter.chooseFile(out);
    f.actions.actExportGPLCamfile->trigger();
    const std::vector<std::uint8_t> exported = test::fileBytes(out);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(exported.data()), qsizetype(exported.size())), cam);

    // A file that cannot be read is told, and the set stays as it was.
    prompter.chooseFile(f.path(QStringLiteral("missing.cam")));
    prompter.answer(eAnswer::Ok);
    f.actions.actImportGPLCamfile->trigger();
    QVERIFY(prompter.askedTexts().back().startsWith(QStringLiteral("Cannot open file ")));
    QCOMPARE(page->selectedItem()->Camera0.xPos, 1.5f);
    SKV_VERIFY_PROMPTER(prompter);
}

SKV_GUI_TEST_MAIN(TestPage)
#include "page_test.moc"

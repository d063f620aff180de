// The main window as the program starts it, under a language whose decimal separator is a comma: the
// first start and its messages, the settings read and written back, new, open, save and close, the
// tab-change step and the lists it feeds, reopening, the quit and a page that stops it, and the
// shortcuts that leave their keys to the fields that take text.
#include "support/Widgets.h"
#include "ui/Guitest.h"

#include "support/Programstart.h"

#include "engine/Inifile.h"
#include "model/Libraryfile.h"
#include "platform/fake/Fakeplatform.h"
#include "ui/Hotkeyedit.h"
#include "ui/Main.h"
#include "ui/Main_settings.h"
#include "ui/Options.h"
#include "ui/Page.h"
#include "ui/Page_actions.h"
#include "ui/Page_clipboard.h"
#include "ui/Program.h"
#include "ui/Qtext.h"
#include "ui/View.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QSlider>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include <clocale>
#include <cstdio>

using namespace skv;
using test::child;
using test::click;
using test::TModal;
using ui::eAnswer;

namespace {

// A program started as main() starts it, in a folder of its own, with its settings file there.
struct TStart : test::TProgramStart {
    QString path(const QString& file) const { return folder.filePath(file); }
    std::string setting(const char* section, const char* key) const {
        engine::TIniFile ini;
        ini.LoadFromFile(settings());
        return ini.ReadString(section, key, "<none>");
    }

    // Closes the window as the user does; true when it closed. The program goes when it did.
    bool quit() {
        const bool closed = program->main().close();
        if (closed) program.reset();
        return closed;
    }

    QString library(const char* name, std::initializer_list<const char*> sets, const char* effect = nullptr) {
        model::TCameraSetList items;
        for (const char* caption : sets) {
            items.push_back(std::make_unique<model::TGPLCarCameraSet>());
            items.back()->Caption = caption;
            items.back()->Camera0.xPos = 1.5f;
        }
        if (effect) {
            items.push_back(std::make_unique<model::TGPLCarCameraSet>());
            items.back()->Caption = effect;
            items.back()->Type = model::eCameraSetType::CstRollBarCam;
            items.back()->setEffect("X := X + 0.5;\r\n");
        }
        const QString file = path(QString::fromLatin1(name));
        model::saveLibraryFile(file.toStdString(), items);
        return file;
    }
};

QTabWidget* tabsOf(const ui::TfrmMain& window) {
    return child<QTabWidget>(window, "pgcMain");
}

// The user's ways in, besides a tool bar button: an item of a drop-down menu, a tab.
// Clicks the menu's button, then the action's item in the menu it drops down. A disabled item is not
// clicked: the menu is closed and the test fails.
void choose(const ui::TfrmMain& window, const char* button, const QAction* action) {
    auto* b = child<QToolButton>(window, button);
    QVERIFY2(b && b->menu(), button);
    QMenu* menu = b->menu();
    bool clicked = false;
    QTimer::singleShot(0, menu, [&] {
        if (!action->isEnabled()) {
            menu->close();
            return;
        }
        QTest::mouseClick(menu, Qt::LeftButton, {},
                          menu->actionGeometry(const_cast<QAction*>(action)).center());
        clicked = true;
    });
    QSignalSpy triggered(action, &QAction::triggered);
    QTest::mouseClick(b, Qt::LeftButton);
    QVERIFY2(clicked && triggered.size() == 1, qPrintable(action->objectName()));
    // The offscreen platform makes the menu the active window and leaves it so once it has closed,
    // where a window system gives the activation back to the window.
    QApplication::setActiveWindow(const_cast<ui::TfrmMain*>(&window));
}

void clickTab(const ui::TfrmMain& window, int index) {
    QTabBar* bar = tabsOf(window)->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    QCOMPARE(tabsOf(window)->currentIndex(), index);
}

QStringList tabCaptions(const ui::TfrmMain& window) {
    QStringList captions;
    for (int i = 0; i < tabsOf(window)->count(); ++i)
        captions << tabsOf(window)->tabText(i);
    return captions;
}

QStringList listed(const std::vector<const model::TGPLCarCameraSet*>& items) {
    QStringList captions;
    for (const auto* item : items)
        captions << ui::toQString(item->Caption);
    return captions;
}

QStringList listedSets(ui::TfrmMain& window) {
    return listed(window.itemLists().carCameraSetList());
}

// The nine actions the "Main" tab turns off.
std::vector<QAction*> setActions(const ui::TfrmMain& window) {
    const ui::TPageActions& a = window.pageActions();
    return {a.actNewCamSet,        a.actDeleteCamSet,     a.actCopyCamSet,
            a.actCutCamSet,        a.actPasteCamSet,      a.actRenameCamSet,
            a.actImportGPLCamfile, a.actExportGPLCamfile, a.actDistributeCamSet};
}

bool anyEnabled(const std::vector<QAction*>& actions) {
    return std::any_of(actions.begin(), actions.end(), [](QAction* a) { return a->isEnabled(); });
}

QTreeView* treeOf(const ui::TfrmPage& page) {
    return child<QTreeView>(page, "treCameraSets");
}

void selectRow(const ui::TfrmPage& page, int row) {
    QTreeView* tree = treeOf(page);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                      tree->visualRect(tree->model()->index(row, 0)).center());
}

} // namespace

class TestMain : public QObject {
    Q_OBJECT

private slots:
    void firstStartShowsBothMessagesOnce();
    void settingsAreAppliedAndWrittenBack();
    void newOpenSaveAsAndClose();
    void theListsFollowTheActivePage();
    void reopenInFileOrderSkippingWhatIsGone();
    void quitRecordsTheFilesAndAPageCanStopIt();
    void fieldsThatTakeTextKeepTheirKeys();
    void aDecimalCommaLanguageStillWritesPoints();
};

void TestMain::firstStartShowsBothMessagesOnce() {
    TStart s;
    bool keysHidden = false;
    s.prompter.answer(eAnswer::Ok);
    s.prompter.answer(eAnswer::Ok);
    TModal preferences([&](QDialog* d) {
        keysHidden = d->objectName() == QStringLiteral("dlgOptions") &&
                     !child<QTabWidget>(*d, "pgcOptions")->isTabVisible(1);
        d->reject();
    });
    ui::TfrmMain& window = s.start();
    SKV_VERIFY_MODAL(preferences);
    SKV_VERIFY_PROMPTER(s.prompter);
    QCOMPARE(s.prompter.askedTexts(), (QStringList{ui::gettingStartedText(), ui::nr2003NotesText()}));
    QVERIFY(keysHidden);
    const QString started = ui::gettingStartedText();
    QVERIFY(started.startsWith(
        "This is the first time you run BrightlapSkv V3.X, please read the following:\n\n"));
    QVERIFY(started.contains("the cars\\cars67 directory of GPL.") &&
            started.contains("movies immediatly but"));
    QVERIFY(started.endsWith("'Help/Getting Started Dialog' menu option.\n\nSuccess!!"));
    QCOMPARE(
        ui::nr2003NotesText(),
        QStringLiteral("Important NR2003 Notes !!!\n\nThe helpfile is made for GPL. It can be used for "
                       "NR2003 too but consider the following notes:\n\n- to prevent key conflicts: D/F "
                       "keys are now W/E, S key is now Q\n- the 'pitcam' of gpl is 'pitcam1' on NR2003 "
                       "(pitcam2 behaves normally)\n- the 'rollbar' cam is 'roof' cam\n- distribution of "
                       "cam files is done for make_a.cam and pacecar.cam instead of GPL cars\n"));

    // What a first start shows.
    QCOMPARE(window.windowTitle(), QStringLiteral("Brightlap Skyvane"));
    QCOMPARE(window.size(), QSize(598, 564));
    QCOMPARE(window.pos(), QPoint(100, 100));
    QCOMPARE(tabCaptions(window), QStringList{"Main"});
    QCOMPARE(child<QSlider>(window, "tbrSpeed")->value(), 50);
    QCOMPARE(child<QLabel>(window, "lblSpeedValue")->text(), QStringLiteral("50%"));
    QCOMPARE(child<QSlider>(window, "tbrSmooth")->value(), 94);
    QVERIFY(child<QCheckBox>(window, "chkHotkeyDirectControl")->isChecked());
    QCOMPARE(child<QComboBox>(window, "cbxGameSelector")->currentText(), QStringLiteral("GPL"));
    QCOMPARE(child<QLabel>(window, "pnlStatus")->text(), QStringLiteral("Not Attached"));
    QCOMPARE(child<QLabel>(window, "Label1")->text(), QStringLiteral("Skyvane"));
    QVERIFY(window.shown());

    // The actions as they start: caption, hint, shortcut, state.
    struct Row {
        const char* name;
        const char* caption;
        const char* hint;
        const char* shortcut;
        bool enabled;
    };
    const Row rows[] = {
        {"actNew", "&New", "New File", "", true},
        {"actOpen", "&Open", "Open File", "", true},
        {"actClose", "&Close", "Close File", "", true},
        {"actSave", "&Save", "Save File", "Ctrl+S", true},
        {"actSaveAs", "Save &As", "Save File As", "", true},
        {"actImportGPLCamfile", "Import GPL camfile", "Import GPL camfile", "", false},
        {"actExportGPLCamfile", "Export GPL camfile", "Export GPL camfile", "", false},
        {"actExit", "&Exit", "Exit", "", true},
        {"actNewCamSet", "&New", "New Camera Set", "", false},
        {"actDeleteCamSet", "&Delete", "Delete Camera Set", "Del", false},
        {"actRenameCamSet", "&Rename", "Rename Camera Set", "", false},
        {"actCopyCamSet", "&Copy", "Copy Camera Set", "Ctrl+C", false},
        {"actCutCamSet", "&Cut", "Cut Camera Set", "Ctrl+X", false},
        {"actPasteCamSet", "&Paste", "Paste Camera Set", "Ctrl+V", false},
        {"actDistributeCamSet", "&Distribute", "Distribute Camera Set", "", false},
        {"actCopyCamera", "&Copy", "Copy Camera", "Shift+Ctrl+C", false},
        {"actPasteCamera", "&Paste", "Paste Camera", "Shift+Ctrl+V", false},
        {"actPropertiesCamera", "&Properties", "Properties Camera", "", false},
        {"actPreferences", "&Preferences", "Preferences", "", true},
        {"actSavedPositions", "&Show Saved Positions", "", "", true},
        {"actHelp", "BrightlapSkv &Help", "Help", "F1", true},
        {"actGettingStarted", "&Getting Started Dialog", "Show Getting Started Dialog", "", true},
        {"actNR2003Notes", "NR2003 Notes", "", "", true},
        {"actAbout", "&About", "About", "", true},
    };
    for (const Row& row : rows) {
        const auto* action = child<QAction>(window, row.name);
        QVERIFY2(action, row.name);
        QCOMPARE(action->text(), QString::fromLatin1(row.caption));
        QCOMPARE(action->statusTip(), QString::fromLatin1(row.hint));
        QCOMPARE(action->shortcut(), QKeySequence(QString::fromLatin1(row.shortcut)));
        QVERIFY2(action->isEnabled() == row.enabled, row.name);
    }

    QVERIFY(s.quit());
    QCOMPARE(s.setting("General", "FirstRun"), std::string("0"));
    QCOMPARE(s.setting("General", "FirstNR2003"), std::string("0"));
    QCOMPARE(s.setting("MainForm", "Speed"), std::string("50"));
    QCOMPARE(s.setting("MainForm", "Smooth"), std::string("94"));
    QCOMPARE(s.setting("MainForm", "DirectControl"), std::string("1"));
    QCOMPARE(s.setting("Files", "GPL"),
             std::string("C:\\Sierra\\gpl\\gpl.exe")); // the preferences wrote theirs

    // Shown once: the next start asks nothing.
    s.start();
    SKV_VERIFY_PROMPTER(s.prompter);
    QCOMPARE(s.prompter.asked().size(), std::size_t(2));
}

void TestMain::settingsAreAppliedAndWrittenBack() {
    TStart s;
    // A "GameSelector" of 5 (in the section the first-run keys open) is NR2003; a window place on no screen
    // gives the first start's place.
    ui::TfrmMain& window =
        s.start("GameSelector=5\nGPLRunInWindow=1\n[MainForm]\nLeft=9000\nTop=9000\nSpeed=7\n"
                "Smooth=0\nDirectControl=0\nDefaultBankMode=1\n");
    QCOMPARE(window.pos(), QPoint(100, 100));
    auto* selector = child<QComboBox>(window, "cbxGameSelector");
    QCOMPARE(selector->currentIndex(), 1);
    QCOMPARE(window.actGPL->text(), QStringLiteral("Nascar Racing 2003"));
    QCOMPARE(child<QLabel>(window, "lblSmoothValue")->text(), QStringLiteral("0%"));
    QVERIFY(!child<QCheckBox>(window, "chkHotkeyDirectControl")->isChecked());
    QVERIFY(child<QCheckBox>(window, "chkDefaultBankMode")->isChecked() &&
            child<QCheckBox>(window, "chkGPLInWindow")->isChecked());

    // The selector retitles the views of every open page and the game's launcher.
    click(window, "btnNew");
    QCOMPARE(window.activePage()->view(0)->title(), QStringLiteral("Roof"));
    QTest::keyClick(selector, Qt::Key_Up);
    QCOMPARE(window.activePage()->view(0)->title(), QStringLiteral("Roll Bar"));
    QCOMPARE(window.actGPL->text(), QStringLiteral("Grand Prix Legends"));
    QTest::keyClick(selector, Qt::Key_Down);
    window.move(140, 120);
    QVERIFY(s.quit());
    const char* const written[][3] = {
        {"General", "GameSelector", "1"},     {"General", "GPLRunInWindow", "1"},
        {"MainForm", "Left", "140"},          {"MainForm", "Top", "120"},
        {"MainForm", "Speed", "7"},           {"MainForm", "DefaultBankMode", "1"},
        {"MainForm", "DefaultLookMode", "0"}, {"MainForm", "DirectControl", "0"},
    };
    for (const auto& [section, key, value] : written)
        QCOMPARE(s.setting(section, key), std::string(value));
}

void TestMain::newOpenSaveAsAndClose() {
    TStart s;
    ui::TfrmMain& window = s.start("");
    const QString library = s.library("Ovals.cmf", {"Broadcast"});

    // New pages count on, and closing does not count back.
    click(window, "btnNew");
    QCOMPARE(window.activePage()->fileName(), QStringLiteral("Camsets0.cmf"));
    QVERIFY(window.activePage()->untitled() && window.pageActions().actNewCamSet->isEnabled());
    choose(window, "btnFile", window.actClose);
    choose(window, "btnFile", window.actNew);
    QCOMPARE(tabCaptions(window), (QStringList{"Main", "Camsets1.cmf"}));
    QCOMPARE(window.newFileCounter(), 2);

    // The library dialogs start in the program's folder and take *.cmf.
    s.prompter.chooseFile(library);
    choose(window, "btnFile", window.actOpen);
    QCOMPARE(tabCaptions(window), (QStringList{"Main", "Camsets1.cmf", "Ovals.cmf"}));
    QCOMPARE(tabsOf(window)->currentIndex(), 2);
    const ui::TFileRequest& request = s.prompter.fileRequests().back();
    QCOMPARE(request.folder, s.folder.path());
    QCOMPARE(request.filter, QStringLiteral("Camera Manager Format (*.cmf)"));
    QCOMPARE(request.defaultSuffix, QStringLiteral("cmf"));

    // Save of an untitled page asks for a name, and the tab takes it; so does Save As.
    clickTab(window, 1);
    s.prompter.chooseFile(s.path(QStringLiteral("Road.cmf")));
    QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier);
    s.prompter.chooseFile(s.path(QStringLiteral("Road two.cmf")));
    choose(window, "btnFile", window.actSaveAs);
    QCOMPARE(tabCaptions(window), (QStringList{"Main", "Road two.cmf", "Ovals.cmf"}));
    QVERIFY(QFileInfo::exists(s.path(QStringLiteral("Road two.cmf"))));

    // A file that cannot be read says why and opens no tab.
    test::writeBytes(s.path(QStringLiteral("Broken.cmf")), QByteArray("not a library"));
    s.prompter.chooseFile(s.path(QStringLiteral("Broken.cmf")));
    s.prompter.answer(eAnswer::Ok);
    click(window, "btnOpen");
    QCOMPARE(tabsOf(window)->count(), 3);
    QVERIFY(s.prompter.askedTexts().back().startsWith("Cannot open file "));

    // On "Main" the page's file actions do nothing.
    clickTab(window, 0);
    choose(window, "btnFile", window.actClose);
    click(window, "btnSave");
    QCOMPARE(tabsOf(window)->count(), 3);
    SKV_VERIFY_PROMPTER(s.prompter);
}

void TestMain::theListsFollowTheActivePage() {
    TStart s;
    ui::TfrmMain& window = s.start("");
    s.prompter.chooseFile(s.library("Ovals.cmf", {"Broadcast", "Low"}, "Orbit"));
    click(window, "btnOpen");
    QCOMPARE(listedSets(window), (QStringList{"Broadcast", "Low"}));
    QCOMPARE(listed(window.itemLists().effectList()), QStringList{"Orbit"});
    QVERIFY(window.pageActions().actDeleteCamSet->isEnabled());

    // On "Main" the set actions are off and the lists keep the last page's items.
    clickTab(window, 0);
    QVERIFY(!anyEnabled(setActions(window)));
    QCOMPARE(listedSets(window), (QStringList{"Broadcast", "Low"}));

    // Going over to another program runs the step: the page's new item joins the lists.
    clickTab(window, 1);
    QVERIFY(anyEnabled(setActions(window)));
    TModal name([](QDialog* d) {
        child<QLineEdit>(*d, "edtName")->setText(QStringLiteral("Chase"));
        d->accept();
    });
    click(window, "btnNewCamSet");
    SKV_VERIFY_MODAL(name);
    QCOMPARE(listedSets(window).size(), 2);
    emit qApp->applicationStateChanged(Qt::ApplicationInactive);
    QCOMPARE(listedSets(window), (QStringList{"Broadcast", "Low", "Chase"}));

    // The page closed and the game in front: both lists are empty.
    s.prompter.answer(eAnswer::No);
    choose(window, "btnFile", window.actClose);
    emit qApp->applicationStateChanged(Qt::ApplicationInactive);
    QVERIFY(listedSets(window).isEmpty() && window.itemLists().effectList().empty());
    QVERIFY(!anyEnabled(setActions(window)));
    SKV_VERIFY_PROMPTER(s.prompter);
}

void TestMain::reopenInFileOrderSkippingWhatIsGone() {
    TStart s;
    const QString first = s.library("Second key.cmf", {"From the first line"});
    const QString last = s.library("First key.cmf", {"From the last line"});
    test::writeBytes(s.path(QStringLiteral("Broken.cmf")), QByteArray("not a library"));
    const std::string text = "[Open Cmf Files]\nfile2=" + first.toStdString() +
                             "\nlibrary=" + s.path(QStringLiteral("Gone.cmf")).toStdString() +
                             "\nfile3=" + s.path(QStringLiteral("Broken.cmf")).toStdString() +
                             "\nfile1=" + last.toStdString() + "\n";
    ui::TfrmMain& window = s.start(text);
    QCOMPARE(tabCaptions(window), (QStringList{"Main", "Second key.cmf", "First key.cmf"}));
    QCOMPARE(tabsOf(window)->currentIndex(), 0);
    QCOMPARE(listedSets(window), QStringList{"From the last line"});
    QVERIFY(!anyEnabled(setActions(window)));

    // A page behind its tab lays out no views until the user goes to it; then it shows its first
    // set as an opened page does, in the views of the game chosen meanwhile.
    ui::TfrmPage& page = *window.pages().front();
    QVERIFY(!page.findChild<ui::TfrmView*>());
    QTest::keyClick(child<QComboBox>(window, "cbxGameSelector"), Qt::Key_Down);
    clickTab(window, 1);
    QCOMPARE(child<QStackedWidget>(page, "pgcItem")->currentWidget()->objectName(),
             QStringLiteral("tabCarCameraSet"));
    QCOMPARE(page.view(0)->title(), QStringLiteral("Roof"));
    QVERIFY(page.view(0)->isVisible());
    QCOMPARE(child<QLabel>(*page.view(0), "lblX")->text(), QStringLiteral("1.5"));
    QVERIFY(window.pageActions().actDistributeCamSet->isEnabled());

    // The language's decimal comma is refused in the properties; the program's point is taken.
    s.prompter.answer(eAnswer::Ok);
    TModal properties([](QDialog* d) {
        auto* x = child<QLineEdit>(*d, "edtX");
        for (const char* typed : {"2,25", "2.25"}) {
            x->selectAll();
            QTest::keyClicks(x, QString::fromLatin1(typed));
            d->accept();
        }
    });
    QVERIFY(page.view(0)->editProperties());
    SKV_VERIFY_MODAL(properties);
    QCOMPARE(page.selectedItem()->Camera0.xPos, 2.25f);
    QCOMPARE(child<QLabel>(*page.view(0), "lblX")->text(), QStringLiteral("2.25"));
    QCOMPARE(s.prompter.askedTexts(), QStringList{"'2,25' is not a valid floating point value"});
    SKV_VERIFY_PROMPTER(s.prompter);
}

void TestMain::quitRecordsTheFilesAndAPageCanStopIt() {
    TStart s;
    ui::TfrmMain& window = s.start("");
    const QString ovals = s.library("Ovals.cmf", {"Broadcast"});
    s.prompter.chooseFile(ovals);
    click(window, "btnOpen");
    click(window, "btnNew");
    click(window, "btnNew");
    window.activePage()->addCameraSet(std::make_unique<model::TGPLCarCameraSet>()); // changed, so it asks

    // The files are recorded first; the changed page answers Cancel and the window stays.
    s.prompter.answer(eAnswer::Cancel);
    QVERIFY(!s.quit());
    QVERIFY(window.isVisible());
    QCOMPARE(s.setting("Open Cmf Files", "file1"), ovals.toStdString());
    QCOMPARE(s.setting("Open Cmf Files", "file2"), std::string("Camsets0.cmf"));
    QCOMPARE(s.setting("Open Cmf Files", "file3"), std::string("Camsets1.cmf"));
    QCOMPARE(tabCaptions(window), (QStringList{"Main", "Camsets1.cmf"}));

    // Saved under a name while being asked, the page is recorded under that name.
    const QString saved = s.path(QStringLiteral("Saved at quit.cmf"));
    s.prompter.answer(eAnswer::Yes);
    s.prompter.chooseFile(saved);
    QVERIFY(s.quit());
    QCOMPARE(s.setting("Open Cmf Files", "file1"), saved.toStdString());
    QCOMPARE(s.setting("Open Cmf Files", "file2"), std::string("<none>"));
    QVERIFY(QFileInfo::exists(saved));
    SKV_VERIFY_PROMPTER(s.prompter);
}

// Del, Ctrl+C/X/V and Shift+Ctrl+C/V belong to the field with the focus when it takes text; on the
// tree they are the page's.
void TestMain::fieldsThatTakeTextKeepTheirKeys() {
    TStart s;
    ui::TfrmMain& window = s.start("");
    s.prompter.chooseFile(s.library("Ovals.cmf", {"Spin", "Low"}, "Orbit"));
    click(window, "btnOpen");
    QVERIFY(QTest::qWaitForWindowActive(&window));
    ui::TfrmPage& page = *window.activePage();
    const auto items = [&] { return treeOf(page)->model()->rowCount(); };
    const ui::TItemClipboard& clipboard = *window.findChild<ui::TItemClipboard*>();
    const auto keys = [](QWidget* field) {
        for (const auto& [key, modifiers] : {std::pair{Qt::Key_Delete, Qt::KeyboardModifiers()},
                                             {Qt::Key_C, Qt::ShiftModifier | Qt::ControlModifier},
                                             {Qt::Key_V, Qt::ShiftModifier | Qt::ControlModifier}})
            QTest::keyClick(field, key, modifiers);
    };

    // The rename editor (F2 on the tree): the text is cut and pasted back, the items stay.
    selectRow(page, 0);
    QTest::keyClick(treeOf(page), Qt::Key_F2);
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    QVERIFY(editor);
    editor->selectAll();
    QTest::keyClick(editor, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(editor->text(), QString());
    QTest::keyClick(editor, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(editor, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(editor, Qt::Key_Home);
    keys(editor);
    QTest::keyClick(editor, Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents(); // the editor hands its text over queued
    QCOMPARE(ui::toQString(page.selectedItem()->Caption), QStringLiteral("pinSpin"));
    QCOMPARE(items(), 3);
    QVERIFY(!clipboard.holdsItem());

    // The activation key field takes the combinations themselves.
    auto* hotKey = child<ui::THotKeyEdit>(page, "hkActivate");
    hotKey->setFocus();
    QTest::keyClick(hotKey, Qt::Key_Delete);
    QCOMPARE(hotKey->text(), QStringLiteral("Delete"));
    QTest::keyClick(hotKey, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(page.selectedItem()->ActivationKey, platform::makeShortcut('X', platform::kShortcutCtrl));
    QCOMPARE(items(), 3);

    // The effect's script: Ctrl+C copies the text, Del removes nothing.
    selectRow(page, 2);
    auto* script = child<QPlainTextEdit>(page, "mmoEffect");
    script->setFocus();
    script->selectAll();
    keys(script);
    QTest::keyClick(script, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("X := X + 0.5;\n"));
    QCOMPARE(items(), 3);
    QVERIFY(!clipboard.holdsItem());

    // On the tree the keys are the page's: Ctrl+C copies the item, Del asks to delete it.
    treeOf(page)->setFocus();
    QTest::keyClick(treeOf(page), Qt::Key_C, Qt::ControlModifier);
    QVERIFY(clipboard.holdsItem());
    s.prompter.answer(eAnswer::No);
    QTest::keyClick(treeOf(page), Qt::Key_Delete);
    QCOMPARE(s.prompter.askedTexts(), QStringList{"Delete current Camera Set ?"});

    // A key release anywhere in the window stores what the field holds.
    selectRow(page, 1);
    hotKey->setShortcut(platform::makeShortcut('L', 0));
    QTest::keyRelease(treeOf(page), Qt::Key_Shift);
    QCOMPARE(page.selectedItem()->ActivationKey, platform::makeShortcut('L', 0));
    SKV_VERIFY_PROMPTER(s.prompter);
}

// The language's own decimal comma is nowhere in what the program writes; the views and the
// properties under it are read in the reopen walk.
void TestMain::aDecimalCommaLanguageStillWritesPoints() {
    QVERIFY2(QLocale::system().decimalPoint() == QStringLiteral(","),
             "the tests run under de_DE.UTF-8, which scripts/deps.sh generates");
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", 2.5);
    QCOMPARE(QString::fromLatin1(text), QStringLiteral("2.5"));
    QCOMPARE(QLocale().toString(2.5), QStringLiteral("2.5"));
}

// The whole program runs under a language that writes numbers with a decimal comma.
int main(int argc, char** argv) {
    qputenv("LC_ALL", "de_DE.UTF-8");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    skv::ui::TApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    TestMain test;
    return QTest::qExec(&test, argc, argv);
}

#include "main_test.moc"

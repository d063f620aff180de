// The window's actions, made in one place, and the three tool bars that carry them: the drop-down
// menus, the buttons for files, items and cameras, and the launchers.
#include "ui/Main.h"

#include "ui/Application.h"
#include "ui/Icons.h"
#include "ui/Page.h"
#include "ui/Page_actions.h"

#include <QAction>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

namespace skv::ui {

namespace {

struct TActionRow {
    QAction* TfrmMain::*member;
    const char* name;
    const char* caption;
    const char* hint;
    const char* shortcut; // in QKeySequence's portable form
    void (*run)(TfrmMain&);
};

// An action without a window to show yet stays disabled rather than do nothing.
const TActionRow kActions[] = {
    {&TfrmMain::actNew, "actNew", "&New", "New File", "", [](TfrmMain& w) { w.newFile(); }},
    {&TfrmMain::actOpen, "actOpen", "&Open", "Open File", "", [](TfrmMain& w) { w.openFile(); }},
    {&TfrmMain::actClose, "actClose", "&Close", "Close File", "", [](TfrmMain& w) { w.closeFile(); }},
    {&TfrmMain::actSave, "actSave", "&Save", "Save File", "Ctrl+S", [](TfrmMain& w) { w.saveFile(); }},
    {&TfrmMain::actSaveAs, "actSaveAs", "Save &As", "Save File As", "", [](TfrmMain& w) { w.saveFileAs(); }},
    {&TfrmMain::actExit, "actExit", "&Exit", "Exit", "", [](TfrmMain& w) { w.close(); }},
    {&TfrmMain::actPreferences, "actPreferences", "&Preferences", "Preferences", "",
     [](TfrmMain& w) { w.showPreferences(); }},
    {&TfrmMain::actSavedPositions, "actSavedPositions", "&Show Saved Positions", "", "",
     [](TfrmMain& w) { w.showSavedPositions(); }},
    {&TfrmMain::actHelp, "actHelp", "BrightlapSkv &Help", "Help", "F1", [](TfrmMain& w) { w.showHelp(); }},
    {&TfrmMain::actGettingStarted, "actGettingStarted", "&Getting Started Dialog",
     "Show Getting Started Dialog", "", [](TfrmMain& w) { w.showGettingStarted(); }},
    {&TfrmMain::actNR2003Notes, "actNR2003Notes", "NR2003 Notes", "", "",
     [](TfrmMain& w) { w.showNR2003Notes(); }},
    {&TfrmMain::actAbout, "actAbout", "&About", "About", "", [](TfrmMain& w) { w.showAbout(); }},
    // The category "Application": the games and the tools, started from the third tool bar.
    {&TfrmMain::actGPL, "actGPL", "Grand Prix Legends", "", "", [](TfrmMain& w) { w.launchGame(); }},
    {&TfrmMain::actVideoCapture, "actVideoCapture", "Video Capture", "", "",
     [](TfrmMain& w) { w.launchTool(TfrmMain::eTool::VideoCapture); }},
    {&TfrmMain::actImageCapture, "actImageCapture", "Image Capture", "", "",
     [](TfrmMain& w) { w.launchTool(TfrmMain::eTool::ImageCapture); }},
    {&TfrmMain::actMovieEditor, "actMovieEditor", "Movie Editor", "", "",
     [](TfrmMain& w) { w.launchTool(TfrmMain::eTool::MovieEditor); }},
    {&TfrmMain::actReplayAnalyser, "actReplayAnalyser", "Replay Analyser", "", "",
     [](TfrmMain& w) { w.launchTool(TfrmMain::eTool::ReplayAnalyser); }},
    {&TfrmMain::actCameraEditor, "actCameraEditor", "Camera Editor", "", "", nullptr},
};

// The drop-down menus of the first tool bar; nullptr is a separator.
struct TMenuRow {
    const char* button;
    const char* menu;
    const char* caption;
    std::initializer_list<const char*> actions;
};

const TMenuRow kMenus[] = {
    {"btnFile",
     "mnuFile",
     "&File",
     {"actNew", "actOpen", "actClose", nullptr, "actSave", "actSaveAs", nullptr, "actImportGPLCamfile",
      "actExportGPLCamfile", nullptr, "actExit"}},
    {"btnSet",
     "mnuSet",
     "&Set",
     {"actNewCamSet", "actDeleteCamSet", "actRenameCamSet", nullptr, "actCopyCamSet", "actCutCamSet",
      "actPasteCamSet", nullptr, "actDistributeCamSet"}},
    {"btnCamera",
     "mnuCamera",
     "&Camera",
     {"actCopyCamera", "actPasteCamera", nullptr, "actPropertiesCamera"}},
    {"btnExtra", "mnuExtra", "&Extra", {"actSavedPositions", "actPreferences"}},
    {"btnHelp", "mnuHelp", "&Help", {"actHelp", nullptr, "actGettingStarted", "actNR2003Notes", "actAbout"}},
};

// The second tool bar's buttons with their icons, in groups.
struct TButtonRow {
    const char* action;
    eToolIcon icon;
};

const std::initializer_list<TButtonRow> kButtonGroups[] = {
    {{"actNew", eToolIcon::NewFile}, {"actOpen", eToolIcon::OpenFile}, {"actSave", eToolIcon::SaveFile}},
    {{"actNewCamSet", eToolIcon::NewSet},
     {"actDeleteCamSet", eToolIcon::DeleteSet},
     {"actCutCamSet", eToolIcon::CutSet},
     {"actCopyCamSet", eToolIcon::CopySet},
     {"actPasteCamSet", eToolIcon::PasteSet}},
    {{"actCopyCamera", eToolIcon::CopyCamera}, {"actPasteCamera", eToolIcon::PasteCamera}},
};

const char* const kLaunchers[] = {"actGPL", "actVideoCapture", "actImageCapture", "actMovieEditor",
                                  "actReplayAnalyser"};

QToolBar* fixedToolBar(const char* name, QMainWindow* window) {
    auto* bar = new QToolBar(window);
    bar->setObjectName(QString::fromLatin1(name));
    bar->setMovable(false);
    bar->setFloatable(false);
    return bar;
}

// "btn" and what follows "act": the button of actNewCamSet is btnNewCamSet.
QString buttonName(const QAction* action) {
    return QStringLiteral("btn") + action->objectName().mid(3);
}

} // namespace

void TfrmMain::makeActions() {
    for (const TActionRow& row : kActions) {
        auto* action = new QAction(QString::fromLatin1(row.caption), this);
        action->setObjectName(QString::fromLatin1(row.name));
        if (*row.hint) {
            action->setToolTip(QString::fromLatin1(row.hint));
            action->setStatusTip(QString::fromLatin1(row.hint));
        }
        action->setShortcut(QKeySequence(QString::fromLatin1(row.shortcut), QKeySequence::PortableText));
        action->setEnabled(row.run != nullptr);
        if (const auto run = row.run)
            connect(action, &QAction::triggered, this, guarded([this, run] { run(*this); }));
        this->*row.member = action;
        addAction(action);
    }
    // The page's actions answer their shortcuts from anywhere in the window.
    for (QAction* action : PageActions->all())
        addAction(action);
}

void TfrmMain::makeToolBars() {
    const auto find = [this](const char* name) { return findChild<QAction*>(QString::fromLatin1(name)); };

    QToolBar* menus = fixedToolBar("tbrMenus", this);
    for (const TMenuRow& row : kMenus) {
        auto* menu = new QMenu(this);
        menu->setObjectName(QString::fromLatin1(row.menu));
        for (const char* name : row.actions) {
            if (name)
                menu->addAction(find(name));
            else
                menu->addSeparator();
        }
        auto* button = new QToolButton(menus);
        button->setObjectName(QString::fromLatin1(row.button));
        button->setText(QString::fromLatin1(row.caption));
        button->setMenu(menu);
        button->setPopupMode(QToolButton::InstantPopup);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        menus->addWidget(button);
    }
    addToolBar(menus);

    QToolBar* buttons = fixedToolBar("tbrButtons", this);
    for (const auto& group : kButtonGroups) {
        if (!buttons->actions().isEmpty()) buttons->addSeparator();
        for (const TButtonRow& row : group) {
            QAction* action = find(row.action);
            action->setIcon(toolIcon(row.icon));
            buttons->addAction(action);
            buttons->widgetForAction(action)->setObjectName(buttonName(action));
        }
    }
    addToolBar(buttons);

    addToolBarBreak();
    QToolBar* launchers = fixedToolBar("tbrApplications", this);
    launchers->setToolButtonStyle(Qt::ToolButtonTextOnly);
    for (const char* name : kLaunchers) {
        QAction* action = find(name);
        launchers->addAction(action);
        launchers->widgetForAction(action)->setObjectName(buttonName(action));
    }
    addToolBar(launchers);
}

} // namespace skv::ui

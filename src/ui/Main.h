// The program's one window: its menus and tool bars, the "Main" tab and one tab per open library, the
// status bar, the actions on the active page, the settings it keeps, and the steps of start-up and quit.
#pragma once

#include "directcontrol/Hotkeys.h"
#include "directcontrol/Itemlists.h"
#include "model/Camfile.h"
#include "model/Distribute.h"
#include "ui/Main_settings.h"

#include <QMainWindow>

#include <memory>
#include <string>
#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QSlider;
class QTabWidget;
class QToolBar;

namespace skv::directcontrol {
class TDirectControlStack;
}
namespace skv::model {
class TGamePaths;
}
namespace skv::platform {
class Platform;
}

namespace skv::ui {

class TdlgAbout;
class TdlgDistributeCarCamSet;
class TdlgName;
class TdlgOptions;
class TdlgProperties;
class TfrmComment;
class TfrmEffect;
class TfrmPage;
class TfrmSavedPositions;
class TItemClipboard;
class TLibraryPrefetch;
class TPageActions;
class TUrlLauncher;
struct TPageServices;

// The dialogs the window uses, made after it at start-up.
struct TMainDialogs {
    TdlgName& name;
    TdlgOptions& options;
    TdlgProperties& properties;
    TdlgAbout& about;
    TfrmEffect& effect;
    TdlgDistributeCarCamSet& distribution;
    TfrmComment& comment;
    TfrmSavedPositions& savedPositions;
};

class TfrmMain : public QMainWindow, private directcontrol::HotKeyHost {
    Q_OBJECT
public:
    // The window's client area, which the user cannot resize.
    static constexpr int kClientWidth = 598, kClientHeight = 564;

    // Reads "MainForm" and "General" from settingsFile and applies them; the file dialogs start in
    // programFolder, where the help file lies too. Direct control runs over the backend given (the
    // system's own when none is), finding the games through paths, which outlives the window.
    TfrmMain(std::string settingsFile, QString programFolder, const model::TGamePaths& paths,
             std::unique_ptr<platform::Platform> platform = nullptr, QWidget* parent = nullptr);
    // Writes "MainForm" and "General" back from the controls and flags.
    ~TfrmMain() override;

    // The dialogs made after the window; until they are handed over no page can be made.
    void useDialogs(const TMainDialogs& dialogs);

    // The library pages in tab order, and the one of the active tab (none on "Main").
    std::vector<TfrmPage*> pages() const;
    TfrmPage* activePage() const;
    model::eGame game() const;
    TPageActions& pageActions() const { return *PageActions; }

    // The active page's items for direct control, rebuilt by the tab-change step.
    directcontrol::TItemLists& itemLists();
    directcontrol::TDirectControlStack& directControl() { return *Stack; }
    // A game was started from the window: the input source is switched again, as the check box
    // and the shown flag now say.
    void gameLaunched();
    model::TCamFileBuffer& camFileBuffer() { return CamFileBuffer; }

    // The window's own actions; the page's are in pageActions().
    QAction* actNew = nullptr;
    QAction* actOpen = nullptr;
    QAction* actClose = nullptr;
    QAction* actSave = nullptr;
    QAction* actSaveAs = nullptr;
    QAction* actExit = nullptr;
    QAction* actPreferences = nullptr;
    QAction* actSavedPositions = nullptr;
    QAction* actHelp = nullptr;
    QAction* actGettingStarted = nullptr;
    QAction* actNR2003Notes = nullptr;
    QAction* actAbout = nullptr;
    // The launchers of the category "Application".
    QAction* actGPL = nullptr;
    QAction* actVideoCapture = nullptr;
    QAction* actImageCapture = nullptr;
    QAction* actMovieEditor = nullptr;
    QAction* actReplayAnalyser = nullptr;
    QAction* actCameraEditor = nullptr;

    int newFileCounter() const { return NewFileCounter; }
    // From the end of the first show until the window closes.
    bool shown() const { return Shown; }
    const QString& helpFile() const { return HelpFile; }
    // The one panel of the status bar.
    void setStatusText(const QString& text);

    // The tool applications, in the order of their launch buttons.
    enum class eTool { VideoCapture, ImageCapture, MovieEditor, ReplayAnalyser };
    // Starts the selected game (GPL with its window option); raises with words when it cannot.
    void launchGame();
    // Starts the tool, or offers the preferences when its path is empty.
    void launchTool(eTool tool);
    // Opens the link label's target in the default browser; nothing without a target.
    void openLink();

public slots:
    void newFile();
    void openFile();
    void closeFile();
    void saveFile();
    void saveFileAs();
    void showPreferences();
    void showHelp();
    void showGettingStarted();
    void showNR2003Notes();
    void showSavedPositions();
    void showAbout();

signals:
    // The first show has run its steps: the first-run messages, the game selector, the reopened files.
    void started();

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    QMenu* createPopupMenu() override { return nullptr; }

private:
    // What the hot keys ask of the window and tell it (Main_control.cpp).
    bool directControlEnabled() const override;
    bool applicationActive() const override;
    bool keyDown(int virtualKey) const override;
    void speedPositionChanged(int position) override;
    void smoothPositionChanged(int position) override;

    void connectDirectControl();
    void startDirectControl();
    void setMode();
    void statusArrived(const std::string& text);
    void showDirectControlProblem();
    void stopDirectControl();

    void makeActions();
    void connectLaunchers();
    void makeToolBars();
    QWidget* makeMainTab();
    QWidget* makeDirectControlGroup(QWidget* parent);
    QWidget* makeGplOptionGroup(QWidget* parent);
    QWidget* makeGameSelectorGroup(QWidget* parent);

    void applySettings();
    TMainSettings currentSettings() const;
    void placeWindow(int left, int top);

    void firstShown();
    void reopenFiles();
    void tabChanged();
    void gameSelectorChanged();
    bool closePages();
    void writeOpenFiles(const std::vector<std::string>& files);

    std::unique_ptr<TfrmPage> makePage();
    void addPage(std::unique_ptr<TfrmPage> page);
    void activateTab(int index);
    void removePage(TfrmPage* page);
    void showFileName(TfrmPage* page);
    bool typesText(const QWidget* widget) const;
    bool isPageShortcut(const QKeyEvent& key) const;

    std::string SettingsFile;
    QString ProgramFolder;
    TMainSettings Settings; // as read; the flags change as the first show uses them
    // The files to reopen, being read from the window's making until its first show.
    std::unique_ptr<TLibraryPrefetch> Prefetch;
    QString HelpFile;
    int NewFileCounter = 0;
    bool WasShown = false;
    bool Shown = false;

    TItemClipboard* Clipboard = nullptr;
    TPageActions* PageActions = nullptr;
    model::TCamFileBuffer CamFileBuffer;
    std::unique_ptr<TPageServices> Services;
    TdlgOptions* Options = nullptr;
    TfrmSavedPositions* SavedPositions = nullptr;
    std::unique_ptr<directcontrol::TDirectControlStack> Stack;
    std::string InputProblem;    // why the input source could not be made, if it could not
    QString LinkProblem;         // why the game cannot be reached, until it is
    bool MovingBarByKey = false; // a hot key moves a track bar: the thread has the value already
    TdlgAbout* About = nullptr;
    TUrlLauncher* UrlLauncher = nullptr;

    QTabWidget* Tabs = nullptr;
    QLabel* Status = nullptr;
    QLabel* LinkLabel = nullptr;
    QCheckBox* DirectControl = nullptr;
    QLabel* DirectControlProblem = nullptr;
    QSlider* Speed = nullptr;
    QSlider* Smooth = nullptr;
    QCheckBox* LookMode = nullptr;
    QCheckBox* BankMode = nullptr;
    QCheckBox* GplInWindow = nullptr;
    QComboBox* GameSelector = nullptr;
};

// The getting-started message and the NR2003 notes, exactly as the window shows them.
QString gettingStartedText();
QString nr2003NotesText();

} // namespace skv::ui

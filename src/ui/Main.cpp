#include "ui/Main.h"

#include "directcontrol/Directcontrol_stack.h"
#include "directcontrol/Directcontrol_status.h"
#include "ui/Application.h"
#include "ui/Libraryprefetch.h"
#include "ui/Options.h"
#include "ui/Page.h"
#include "ui/Page_actions.h"
#include "ui/Page_clipboard.h"
#include "ui/Qtext.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSlider>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextEdit>

namespace skv::ui {

TfrmMain::TfrmMain(std::string settingsFile, QString programFolder, const model::TGamePaths& paths,
                   std::unique_ptr<platform::Platform> platform, QWidget* parent)
    : QMainWindow(parent), SettingsFile(std::move(settingsFile)), ProgramFolder(std::move(programFolder)),
      HelpFile(ProgramFolder + QStringLiteral("/help/index.html")),
      Stack(std::make_unique<directcontrol::TDirectControlStack>(
          platform ? std::move(platform) : platform::createPlatform(), paths,
          static_cast<directcontrol::HotKeyHost&>(*this))) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QString::fromLatin1(TApplication::kTitle));
    setFixedSize(kClientWidth, kClientHeight);
    std::string problem;
    Settings = readMainSettings(SettingsFile, &problem);
    // The files to reopen are read while the widgets are made. Not where a first-start message comes
    // first: the user may take a while over it, and the files are read as they stand after it.
    if (!Settings.firstRun && !Settings.firstNR2003 && !Settings.openCmfFiles.empty())
        Prefetch = std::make_unique<TLibraryPrefetch>(Settings.openCmfFiles);

    Clipboard = new TItemClipboard(this);
    PageActions = new TPageActions(*Clipboard, this);
    makeActions();
    makeToolBars();

    Tabs = new QTabWidget(this);
    Tabs->setObjectName(QStringLiteral("pgcMain"));
    Tabs->addTab(makeMainTab(), QStringLiteral("Main"));
    setCentralWidget(Tabs);
    connect(Tabs, &QTabWidget::currentChanged, this, &TfrmMain::tabChanged);

    statusBar()->setObjectName(QStringLiteral("stbMain"));
    statusBar()->setSizeGripEnabled(false);
    // The whole width: the status line of direct control runs to some ninety characters.
    Status = new QLabel(QString::fromLatin1(directcontrol::kNotAttachedText), statusBar());
    Status->setObjectName(QStringLiteral("pnlStatus"));
    statusBar()->addWidget(Status, 1);

    applySettings();
    if (!problem.empty()) statusBar()->showMessage(messageToQString(problem));
    connect(GameSelector, &QComboBox::currentIndexChanged, this, guarded([this] { gameSelectorChanged(); }));
    connectDirectControl();
    connectLaunchers();
}

TfrmMain::~TfrmMain() {
    // Nothing of direct control may call into the window while it goes.
    stopDirectControl();
    try {
        writeMainSettings(SettingsFile, currentSettings());
    } catch (...) {
        TApplication::showException(std::current_exception());
    }
    // The pages go while what they use (the services, the clipboard, the actions) still stands.
    for (TfrmPage* page : pages())
        delete page;
}

void TfrmMain::useDialogs(const TMainDialogs& dialogs) {
    Options = &dialogs.options;
    SavedPositions = &dialogs.savedPositions;
    About = &dialogs.about;
    Services = std::make_unique<TPageServices>(
        TPageServices{dialogs.name, dialogs.properties, dialogs.effect, dialogs.comment, dialogs.distribution,
                      CamFileBuffer, *Clipboard, *PageActions, ProgramFolder, ProgramFolder});
    LinkLabel->setText(messageToQString(Options->bestLink().title));
}

void TfrmMain::applySettings() {
    placeWindow(Settings.left, Settings.top);
    DirectControl->setChecked(Settings.directControl);
    Speed->setValue(Settings.speed);
    Smooth->setValue(Settings.smooth);
    LookMode->setChecked(Settings.defaultLookMode);
    BankMode->setChecked(Settings.defaultBankMode);
    GameSelector->setCurrentIndex(Settings.gameSelector);
    GplInWindow->setChecked(Settings.gplRunInWindow);
}

// At the stored place, unless that is on no screen any more (a monitor taken away): then where a
// first start puts it.
void TfrmMain::placeWindow(int left, int top) {
    const TMainSettings defaults;
    const QPoint corner(left, top);
    if (!QGuiApplication::screenAt(corner + QPoint(20, 20))) return move(defaults.left, defaults.top);
    move(corner);
}

TMainSettings TfrmMain::currentSettings() const {
    TMainSettings s = Settings;
    s.left = x();
    s.top = y();
    s.directControl = DirectControl->isChecked();
    s.speed = Speed->value();
    s.smooth = Smooth->value();
    s.defaultLookMode = LookMode->isChecked();
    s.defaultBankMode = BankMode->isChecked();
    s.gameSelector = GameSelector->currentIndex() == 0 ? 0 : 1;
    s.gplRunInWindow = GplInWindow->isChecked();
    return s;
}

std::vector<TfrmPage*> TfrmMain::pages() const {
    std::vector<TfrmPage*> found;
    for (int i = 0; i < Tabs->count(); ++i)
        if (auto* page = qobject_cast<TfrmPage*>(Tabs->widget(i))) found.push_back(page);
    return found;
}

TfrmPage* TfrmMain::activePage() const {
    return qobject_cast<TfrmPage*>(Tabs->currentWidget());
}

model::eGame TfrmMain::game() const {
    return GameSelector->currentIndex() == 1 ? model::eGame::gNR2003 : model::eGame::gGPL;
}

void TfrmMain::setStatusText(const QString& text) {
    Status->setText(text);
}

// On a page, the lists take its items and its actions show its states; on "Main" the actions go
// dark and the lists keep the last page's items, so that direct control can go on switching them.
void TfrmMain::tabChanged() {
    TfrmPage* page = activePage();
    if (page) itemLists().rebuild(page->identities());
    PageActions->setActivePage(page);
}

void TfrmMain::gameSelectorChanged() {
    const bool nr2003 = game() == model::eGame::gNR2003;
    // Detached at once: the status bar does not wait for the thread's word.
    Stack->selectGame(nr2003);
    setStatusText(QString::fromLatin1(directcontrol::kNotAttachedText));
    LinkProblem.clear();
    showDirectControlProblem();
    actGPL->setText(QString::fromLatin1(nr2003 ? "Nascar Racing 2003" : "Grand Prix Legends"));
    for (TfrmPage* page : pages())
        page->setGame(game());
}

void TfrmMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (WasShown) return;
    WasShown = true;
    // Once the window stands on the screen, so that the first messages come up over it.
    QMetaObject::invokeMethod(this, guarded([this] { firstShown(); }), Qt::QueuedConnection);
}

void TfrmMain::firstShown() {
    if (Settings.firstRun) {
        showGettingStarted();
        Settings.firstRun = false;
    }
    if (Settings.firstNR2003) {
        showNR2003Notes();
        Settings.firstNR2003 = false;
    }
    Shown = true;
    setMode();
    startDirectControl();
    gameSelectorChanged();
    reopenFiles();
    // The user going over to another program (the game, most often) takes the active page's items along.
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state != Qt::ApplicationActive) tabChanged();
    });
    emit started();
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    if (!closePages()) return event->ignore();
    Shown = false;
    stopDirectControl();
    event->accept();
}

// The open files are recorded before any page is asked; a page that agrees closes with its tab, and
// the first that refuses stops the quit.
bool TfrmMain::closePages() {
    std::vector<std::string> files;
    for (TfrmPage* page : pages())
        files.push_back(pathFromQString(page->fileName()));
    writeOpenFiles(files);
    const std::vector<std::string> recorded = files;
    bool agreed = true;
    std::size_t n = 0;
    for (TfrmPage* page : pages()) {
        agreed = page->closeQuery();
        if (!agreed) break;
        // A page saved under a new name while being asked is reopened under that name.
        files[n++] = pathFromQString(page->fileName());
        removePage(page);
    }
    if (files != recorded) writeOpenFiles(files);
    return agreed;
}

void TfrmMain::writeOpenFiles(const std::vector<std::string>& files) {
    guarded([&] { writeOpenCmfFiles(SettingsFile, files); })();
}

void TfrmMain::keyReleaseEvent(QKeyEvent* event) {
    if (TfrmPage* page = activePage()) page->keyReleased();
    QMainWindow::keyReleaseEvent(event);
}

bool TfrmMain::typesText(const QWidget* widget) const {
    return qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QPlainTextEdit*>(widget) ||
           qobject_cast<const QTextEdit*>(widget) || qobject_cast<const QAbstractSpinBox*>(widget);
}

bool TfrmMain::isPageShortcut(const QKeyEvent& key) const {
    const QKeySequence pressed(key.keyCombination());
    for (QAction* action : PageActions->all())
        if (!action->shortcut().isEmpty() && action->shortcut().matches(pressed) == QKeySequence::ExactMatch)
            return true;
    return false;
}

bool TfrmMain::event(QEvent* event) {
    // The page's shortcuts (Del, Ctrl+C, ...) are the keys of a field that takes text, the in-place
    // editor among them: taken here, the key reaches the field instead of an action.
    if (event->type() == QEvent::ShortcutOverride && typesText(QApplication::focusWidget()) &&
        isPageShortcut(*static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QMainWindow::event(event);
}

} // namespace skv::ui

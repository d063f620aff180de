#include "ui/Options.h"

#include "directcontrol/Hotkeys.h"
#include "ui/Application.h"
#include "ui/Filefilter.h"
#include "ui/Hotkeyedit.h"
#include "ui/Prompts.h"
#include "ui/Qtext.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <cstring>
#include <utility>

namespace skv::ui {

namespace {

constexpr const char* kExeFilter = "*.exe|*.exe";
constexpr int kGplRow = 0, kNr2003Row = 1;

struct TPathRow {
    const char* label;
    const char* field;
    const char* browse;
    const char* preset; // the file name Browse offers
    const char* note;   // red: what the path is needed for
    const char* hint;   // grey: the kind of program meant
    std::string TOptionsFiles::*path;
};

// In the order of TOptionsFiles.
constexpr std::array<TPathRow, 6> kPathRows = {{
    {"GPL Application (gpl.exe):", "edtGPLPath", "btnBrowseGPL", "gpl.exe", "required when using GPL",
     nullptr, &TOptionsFiles::gplPath},
    {"NR2003 Application (nr2003.exe):", "edtNR2003Path", "btnBrowseNR2003", "nr2003.exe",
     "required when using NR2003", nullptr, &TOptionsFiles::nr2003Path},
    {"Video Capture:", "edtVideoCapturePath", "btnBrowseVideoCapture", "", nullptr,
     "for example a screen recorder that films the game's window", &TOptionsFiles::videoCapturePath},
    {"Image Capture:", "edtImageCapturePath", "btnBrowseImageCapture", "", nullptr,
     "for example a screenshot tool that saves single frames", &TOptionsFiles::imageCapturePath},
    {"Movie Editor:", "edtMovieEditorPath", "btnBrowseMovieEditor", "", nullptr,
     "for example a video editor that cuts the recorded clips", &TOptionsFiles::movieEditorPath},
    {"Replay Analyser:", "edtReplayAnalyserPath", "btnBrowseReplayAnalyser", "", nullptr,
     "for example a tool that lists the laps and incidents of a replay", &TOptionsFiles::replayAnalyserPath},
}};

// The labels of the "Keys" page, each with the hot-key fields of its row.
struct TKeyRow {
    const char* label;
    const char* first;
    const char* second;
};

constexpr TKeyRow kKeyRows[] = {
    {"Escape", "hkEscape", nullptr},
    {"Single Step", "hkSingleStep1", nullptr},
    {"Single Step", "hkSingleStep2", nullptr},
    {"Step", "hkStep", nullptr},
    {"Next/Prev Set", "hkNextSet", "hkPrevSet"},
    {"Next/Prv Effect", "hkNextEffect", "hkPrevEffect"},
    {"Toggle Look", "hkLookMode", nullptr},
    {"Toggle Bank", "hkBankMode", nullptr},
    {"Smooth", "hkSmoothDown", "hkSmoothUp"},
    {"Effect RollBar", "hkEffectRollBar", nullptr},
    {"Effect PitCam", "hkEffectPitCam", nullptr},
    {"Mouse RollBar", "hkMouseRollBar", nullptr},
    {"Mouse PitCam", "hkMousePitCam", nullptr},
    {"Reset", "hkReset", nullptr},
    {"Static", "hkStatic", nullptr},
    {"Save RollBar", "hkSaveRollBarCam", nullptr},
    {"Save PitCam", "hkSavePitCam", nullptr},
    {"Speed", "hkSpeedDown", "hkSpeedUp"},
};

// Shown on the page but no row of the handler's table: stepping uses the keypad 6 and "\" keys.
constexpr const char* kStepControl = "hkStep";
constexpr platform::Shortcut kStepShortcut = platform::vk::Right;

// The only fields the user may change; nothing reads them, as the table is fixed.
bool isSpeedOrSmooth(const char* control) {
    for (const char* name : {"hkSmoothDown", "hkSmoothUp", "hkSpeedDown", "hkSpeedUp"})
        if (std::strcmp(name, control) == 0) return true;
    return false;
}

platform::Shortcut tableShortcut(const char* control) {
    if (std::strcmp(control, kStepControl) == 0) return kStepShortcut;
    for (const directcontrol::HotKeyRow& row : directcontrol::kHotKeyTable)
        if (std::strcmp(row.control, control) == 0) return row.shortcut;
    return 0;
}

QLabel* coloured(const char* text, const QString& name, Qt::GlobalColor colour, QWidget* parent) {
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setObjectName(name);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}

// One row of the "Directories" page: the label with its note or hint, the field, the Browse button.
struct TPathWidgets {
    QLineEdit* field;
    QPushButton* browse;
};

TPathWidgets addPathRow(QGridLayout* grid, int row, const TPathRow& entry) {
    QWidget* page = grid->parentWidget();
    const QString field = QString::fromLatin1(entry.field);
    const QString stem = field.mid(3); // "GPLPath"
    auto* label = new QLabel(QString::fromLatin1(entry.label), page);
    label->setObjectName(QStringLiteral("lbl") + stem);
    auto* edit = new QLineEdit(page);
    edit->setObjectName(field);
    edit->setMinimumWidth(380);
    label->setBuddy(edit);
    auto* browse = new QPushButton(QStringLiteral("Browse"), page);
    browse->setObjectName(QString::fromLatin1(entry.browse));
    browse->setAutoDefault(false);

    auto* caption = new QHBoxLayout;
    caption->setSpacing(8);
    caption->addWidget(label);
    if (entry.note)
        caption->addWidget(
            coloured(entry.note, QStringLiteral("lbl") + stem + QStringLiteral("Note"), Qt::red, page));
    if (entry.hint)
        caption->addWidget(
            coloured(entry.hint, QStringLiteral("lbl") + stem + QStringLiteral("Hint"), Qt::darkGray, page));
    caption->addStretch(1);

    const int top = row * 3;
    grid->addLayout(caption, top, 0, 1, 3);
    grid->addWidget(edit, top + 1, 0, 1, 2);
    grid->addWidget(browse, top + 1, 2);
    grid->setRowMinimumHeight(top + 2, 8);
    return {edit, browse};
}

} // namespace

TdlgOptions::TdlgOptions(std::string settingsFile, IGameProgramsListener& listener,
                         const model::TGamePaths& paths, QWidget* parent)
    : QDialog(parent), SettingsFile(std::move(settingsFile)), Listener(listener), Paths(paths) {
    setObjectName(QStringLiteral("dlgOptions"));
    setWindowTitle(QStringLiteral("Preferences"));

    Pages = new QTabWidget(this);
    Pages->setObjectName(QStringLiteral("pgcOptions"));
    // Filled once added: the tab widget shows the first page it is given, which lays out at once
    // whatever the page holds by then, long before the dialog is opened.
    auto* directories = new QWidget;
    Pages->addTab(directories, QStringLiteral("Directories"));
    fillDirectoriesPage(directories);
    // The hot keys are fixed: the page that shows them stays hidden, and its fields are made only
    // if it is shown.
    Keys = new TPageMadeWhenShown([this] { fillKeysPage(); });
    Pages->addTab(Keys, QStringLiteral("Keys"));
    Pages->setTabVisible(1, false);

    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("btnClose"));
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &TdlgOptions::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Pages);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    const TOptionsSettings settings = readOptionsSettings(SettingsFile);
    Link = settings.link;
    for (std::size_t i = 0; i < kPathRows.size(); ++i)
        Fields[i]->setText(pathToQString(settings.files.*kPathRows[i].path));
    // Told only now, with the paths read: from here on every edit of a game path is told.
    for (int row : {kGplRow, kNr2003Row})
        connect(Fields[row], &QLineEdit::textChanged, this, &TdlgOptions::gamePathEdited);
    Listener.gameProgramsChanged(gamePrograms());
    Listener.refreshReferenceCamFiles(gamePrograms());
    // The game's path is what a new user comes here for first: the dialog opens with the cursor in it.
    Fields[kGplRow]->setFocus();
}

void TdlgOptions::fillDirectoriesPage(QWidget* page) {
    page->setObjectName(QStringLiteral("tabDirectories"));
    auto* grid = new QGridLayout(page);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(2);
    for (std::size_t i = 0; i < kPathRows.size(); ++i) {
        const TPathWidgets row = addPathRow(grid, static_cast<int>(i), kPathRows[i]);
        const QString preset = QString::fromLatin1(kPathRows[i].preset);
        connect(row.browse, &QPushButton::clicked, this,
                guarded([this, field = row.field, preset] { browse(field, preset); }));
        Fields[i] = row.field;
    }
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(static_cast<int>(kPathRows.size()) * 3, 1);
}

void TdlgOptions::fillKeysPage() {
    QWidget* page = Keys;
    auto* grid = new QGridLayout(page);
    const TShortcutRules speedRules{.refuseWithoutModifier = true, .refuseShiftAlone = true};
    constexpr int kRowsPerColumn = 9;
    int index = 0;
    for (const TKeyRow& row : kKeyRows) {
        const int r = index % kRowsPerColumn;
        const int c = (index / kRowsPerColumn) * 4;
        auto* label = new QLabel(QString::fromLatin1(row.label), page);
        label->setObjectName(QStringLiteral("lblKey%1").arg(index + 1));
        grid->addWidget(label, r, c);
        int column = c + 1;
        for (const char* control : {row.first, row.second}) {
            if (!control) continue;
            auto* field = new THotKeyEdit(page);
            field->setObjectName(QString::fromLatin1(control));
            field->setShortcut(tableShortcut(control));
            field->setEnabled(isSpeedOrSmooth(control));
            field->setRules(speedRules);
            field->setFixedWidth(120);
            if (column == c + 1) label->setBuddy(field);
            grid->addWidget(field, r, column++);
        }
        ++index;
    }
    grid->setColumnMinimumWidth(3, 16);
    grid->setRowStretch(kRowsPerColumn, 1);
}

THotKeyEdit* TdlgOptions::hotKeyField(const char* control) const {
    Keys->make();
    return findChild<THotKeyEdit*>(QString::fromLatin1(control));
}

TPageMadeWhenShown::TPageMadeWhenShown(std::function<void()> make, QWidget* parent)
    : QWidget(parent), Make(std::move(make)) {
    setObjectName(QStringLiteral("tabKeys"));
}

void TPageMadeWhenShown::make() {
    if (const std::function<void()> fill = std::exchange(Make, nullptr)) fill();
}

void TPageMadeWhenShown::setVisible(bool visible) {
    if (visible) make();
    QWidget::setVisible(visible);
}

TOptionsFiles TdlgOptions::files() const {
    TOptionsFiles files;
    for (std::size_t i = 0; i < kPathRows.size(); ++i)
        files.*kPathRows[i].path = pathFromQString(Fields[i]->text());
    return files;
}

TGamePrograms TdlgOptions::gamePrograms() const {
    return {pathFromQString(Fields[kGplRow]->text()), pathFromQString(Fields[kNr2003Row]->text())};
}

void TdlgOptions::writeSettings() const {
    writeOptionsFiles(SettingsFile, files());
}

void TdlgOptions::done(int result) {
    QDialog::done(result);
    Listener.refreshReferenceCamFiles(gamePrograms());
}

void TdlgOptions::browse(QLineEdit* field, const QString& presetName) {
    TFileRequest request;
    request.caption = QStringLiteral("Open");
    // The field's text is where the dialog starts, found on disk as the games' paths are.
    request.folder = pathToQString(Paths.resolve(pathFromQString(field->text())).string());
    request.fileName = presetName;
    request.filter = QString::fromStdString(qtFileFilter(kExeFilter));
    request.defaultSuffix = QStringLiteral("exe");
    request.mustExist = true;
    if (const std::optional<QString> chosen = prompter().openFileName(this, request)) field->setText(*chosen);
}

void TdlgOptions::gamePathEdited() {
    Listener.gameProgramsChanged(gamePrograms());
}

} // namespace skv::ui

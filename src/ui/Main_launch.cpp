// The games and tool applications started from the third tool bar, the link label and the logo
// that open the maker's page, and the about box.
#include "ui/Main.h"

#include "model/Gamepaths.h"
#include "ui/About.h"
#include "ui/Application.h"
#include "ui/Launch.h"
#include "ui/Options.h"
#include "ui/Prompts.h"
#include "ui/Qtext.h"

#include <QAction>
#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>

namespace skv::ui {

namespace {

struct TToolRow {
    std::string TOptionsFiles::*path;
    const char* missing;
};

// In the order of eTool.
const TToolRow kTools[] = {
    {&TOptionsFiles::videoCapturePath,
     "There is no video capture application specified. Open the preferences dialog now ?"},
    {&TOptionsFiles::imageCapturePath,
     "There is no image capture application specified. Open the preferences dialog now ?"},
    {&TOptionsFiles::movieEditorPath,
     "There is no movie editor specified. Open the preferences dialog now ?"},
    {&TOptionsFiles::replayAnalyserPath,
     "There is no replay analyser specified. Open the preferences dialog now ?"},
};

// Runs click when the left button is released over the watched widget.
class TClickFilter final : public QObject {
public:
    TClickFilter(QObject* parent, std::function<void()> click) : QObject(parent), Click(std::move(click)) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::MouseButtonRelease) return false;
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const auto* widget = qobject_cast<QWidget*>(watched);
        if (mouse->button() != Qt::LeftButton || !widget ||
            !widget->rect().contains(mouse->position().toPoint()))
            return false;
        Click();
        return true;
    }

private:
    std::function<void()> Click;
};

} // namespace

void TfrmMain::connectLaunchers() {
    UrlLauncher = new TUrlLauncher(this);
    UrlLauncher->setObjectName(QStringLiteral("urlLauncher"));
    auto* clicks = new TClickFilter(this, guarded([this] { openLink(); }));
    for (const char* name : {"Label1", "imgLogo"}) {
        if (auto* widget = findChild<QWidget*>(QString::fromLatin1(name))) {
            widget->installEventFilter(clicks);
            widget->setCursor(Qt::PointingHandCursor);
        }
    }
}

void TfrmMain::launchGame() {
    if (!Options) return;
    const TOptionsFiles files = Options->files();
    // NR2003 takes no parameters; its window mode is set in its own video configuration.
    if (game() == model::eGame::gNR2003)
        launcher().launch({files.nr2003Path, "", ""});
    else
        launcher().launch({files.gplPath, gplParameterText(GplInWindow->isChecked()), ""});
    gameLaunched(); // the input source follows the game that now runs
}

void TfrmMain::launchTool(eTool tool) {
    if (!Options) return;
    const TToolRow& row = kTools[static_cast<int>(tool)];
    const std::string path = Options->files().*row.path;
    if (path.empty()) {
        if (confirmYesNo(this, QString::fromLatin1(row.missing))) showPreferences();
        return;
    }
    launcher().launch({path, "", model::extractFilePath(path)});
}

void TfrmMain::openLink() {
    if (!Options || Options->bestLink().target.empty()) return;
    UrlLauncher->Url = messageToQString(Options->bestLink().target);
    UrlLauncher->Execute();
}

void TfrmMain::showAbout() {
    if (About) About->exec();
}

} // namespace skv::ui

// What the window tells the user: the getting-started message (followed by the preferences, so that
// the game paths come first), the NR2003 notes, the help window, and the preferences themselves.
#include "ui/Main.h"

#include "ui/Help.h"
#include "ui/Options.h"
#include "ui/Prompts.h"

#include <QFileInfo>
#include <QStringList>

namespace skv::ui {

QString gettingStartedText() {
    const QStringList paragraphs = {
        QStringLiteral("This is the first time you run BrightlapSkv V3.X, please read the following:"),
        QStringLiteral(
            "The BrightlapSkv was originally intended to organize car camera sets in one library and "
            "to easily distribute them as .cam files to the cars\\cars67 directory of GPL."),
        QStringLiteral("In version 2.0 the direct control feature is introduced. With this feature it is "
                       "possible to switch camera sets during replay without the need to distribute .cam "
                       "files."),
        QStringLiteral(
            "In version 3.0 the direct control is extended with camera control by mouse and effect."),
        QStringLiteral(
            "After you press OK, you first have to enter the GPL path first, then BrightlapSkv is "
            "started. Then open the file \"default.cmf\" in the program's folder (File/Open): it "
            "holds 3 car camera sets and a list of effects to begin with. Please first read the "
            "helpfile, at least the Direct Control and related chapters Mouse Control and Effects. "
            "Don't start creating movies immediatly but first make yourself familiar with all the "
            "controls. It needs some training but you will be able to fly around in a well "
            "controlled way when you give it some time."),
        QStringLiteral("This dialog can be reshown from the 'Help/Getting Started Dialog' menu option."),
        QStringLiteral("Success!!"),
    };
    return paragraphs.join(QStringLiteral("\n\n"));
}

QString nr2003NotesText() {
    const QStringList lines = {
        QStringLiteral("Important NR2003 Notes !!!"),
        QString(),
        QStringLiteral(
            "The helpfile is made for GPL. It can be used for NR2003 too but consider the following "
            "notes:"),
        QString(),
        QStringLiteral("- to prevent key conflicts: D/F keys are now W/E, S key is now Q"),
        QStringLiteral("- the 'pitcam' of gpl is 'pitcam1' on NR2003 (pitcam2 behaves normally)"),
        QStringLiteral("- the 'rollbar' cam is 'roof' cam"),
        QStringLiteral(
            "- distribution of cam files is done for make_a.cam and pacecar.cam instead of GPL cars"),
    };
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

void TfrmMain::showGettingStarted() {
    showInformation(this, gettingStartedText());
    showPreferences();
}

void TfrmMain::showNR2003Notes() {
    showInformation(this, nr2003NotesText());
}

void TfrmMain::showPreferences() {
    if (Options) Options->exec();
}

// The help window is made at the first use and kept; without the help's pages, the user is told
// where they should be.
void TfrmMain::showHelp() {
    if (!QFileInfo::exists(HelpFile)) {
        showInformation(this,
                        QStringLiteral("The help file ") + HelpFile + QStringLiteral(" cannot be opened."));
        return;
    }
    auto* help = findChild<TfrmHelp*>(QStringLiteral("frmHelp"), Qt::FindDirectChildrenOnly);
    if (!help) help = new TfrmHelp(QFileInfo(HelpFile).absolutePath(), this);
    help->show();
    help->raise();
    help->activateWindow();
}

} // namespace skv::ui

#include "ui/Program.h"

#include "directcontrol/Directcontrol_stack.h"
#include "platform/platform.h"
#include "ui/About.h"
#include "ui/Application.h"
#include "ui/Comment.h"
#include "ui/Distribution.h"
#include "ui/Effect.h"
#include "ui/Main.h"
#include "ui/Name.h"
#include "ui/Options.h"
#include "ui/Properties.h"
#include "ui/Qtext.h"
#include "ui/Savedpositions.h"

namespace skv::ui {

TProgram::TProgram(TProgramSetup setup, const model::TGamePaths& paths)
    : Setup(std::move(setup)), GamePrograms(paths, pathFromQString(Setup.programFolder)) {
    Main =
        std::make_unique<TfrmMain>(Setup.settingsFile, Setup.programFolder, paths, std::move(Setup.platform));
    Name = new TdlgName(Main.get());
    Options = new TdlgOptions(Setup.settingsFile, GamePrograms, paths, Main.get());
    Properties = new TdlgProperties(Main.get());
    About = new TdlgAbout(Main.get());
    Effect = new TfrmEffect(Main.get());
    Distribution = new TdlgDistributeCarCamSet(*Options, paths, Main.get());
    Comment = new TfrmComment(Main.get());
    SavedPositions = new TfrmSavedPositions(Main->directControl().savedPositions(), Main.get());
    Main->useDialogs(
        {*Name, *Options, *Properties, *About, *Effect, *Distribution, *Comment, *SavedPositions});
    // The game link finds the games' reference camera files where the preferences say they are.
    GamePrograms.follow(&Main->directControl().link());
}

TProgram::~TProgram() {
    GamePrograms.follow(nullptr);
    guarded([this] { Options->writeSettings(); })();
    Main.reset();
}

} // namespace skv::ui

#include "ui/Program.h"

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

namespace skv::ui {

TProgram::TProgram(TProgramSetup setup, const model::TGamePaths& paths)
    : Setup(std::move(setup)), GamePrograms(paths, pathFromQString(Setup.programFolder)) {
    Main = std::make_unique<TfrmMain>(Setup.settingsFile, Setup.programFolder);
    Name = new TdlgName(Main.get());
    Options = new TdlgOptions(Setup.settingsFile, GamePrograms, paths, Main.get());
    Properties = new TdlgProperties(Main.get());
    About = new TdlgAbout(Main.get());
    Effect = new TfrmEffect(Main.get());
    Distribution = new TdlgDistributeCarCamSet(*Options, paths, Main.get());
    Comment = new TfrmComment(Main.get());
    Main->useDialogs({*Name, *Options, *Properties, *About, *Effect, *Distribution, *Comment});
}

TProgram::~TProgram() {
    guarded([this] { Options->writeSettings(); })();
    Main.reset();
}

} // namespace skv::ui

// Skyvane: starts the application, makes its windows in their start-up order and runs them. Until
// the main window exists, the preferences dialog is the window the program shows.
#include "model/Gamepaths.h"
#include "ui/Application.h"
#include "ui/Comment.h"
#include "ui/Distribution.h"
#include "ui/Effect.h"
#include "ui/Name.h"
#include "ui/Options.h"
#include "ui/Options_link.h"
#include "ui/Properties.h"
#include "ui/Qtext.h"
#include "ui/Settingsfile.h"

#include <filesystem>

int main(int argc, char** argv) {
    skv::ui::TApplication app(argc, argv);
    const std::string program = skv::ui::pathFromQString(QCoreApplication::applicationFilePath());
    const std::string settingsFile = skv::ui::settingsFileOf(program);

    const skv::model::TGamePaths paths;
    skv::ui::TGameProgramsLink gamePrograms(paths, std::filesystem::path(program).parent_path());

    skv::ui::TdlgName name;
    skv::ui::TdlgOptions options(settingsFile, gamePrograms, paths);
    skv::ui::TdlgProperties properties;
    skv::ui::TfrmEffect effect;
    skv::ui::TdlgDistributeCarCamSet distribution(options, paths);
    skv::ui::TfrmComment comment;

    options.exec();
    try {
        options.writeSettings();
    } catch (...) {
        skv::ui::TApplication::showException(std::current_exception());
        return 1;
    }
    return 0;
}

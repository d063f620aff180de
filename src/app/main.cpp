// Skyvane: starts the application with its windows and runs them until the main window closes.
#include "ui/Main.h"
#include "model/Gamepaths.h"
#include "ui/Application.h"
#include "ui/Datafolder.h"
#include "ui/Program.h"
#include "ui/Qtext.h"
#include "ui/Settingsfile.h"

#include <QDir>
#include <QStandardPaths>

int main(int argc, char** argv) {
    skv::ui::TApplication app(argc, argv);
    // The shipped files lie beside the program, or in share/skyvane when it is installed.
    const std::filesystem::path programFolder =
        skv::ui::pathFromQString(QCoreApplication::applicationDirPath());
    const QString dataFolder = skv::ui::pathToQString(skv::ui::findDataFolder(programFolder).string());
    // Beside a program in a folder of its own, else in the user's configuration folder.
    const QString config =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/skyvane");
    const std::string settingsFile =
        skv::ui::chooseSettingsFile(skv::ui::pathFromQString(QCoreApplication::applicationFilePath()),
                                    skv::ui::pathFromQString(config), skv::ui::runsInstalled(programFolder));

    const skv::model::TGamePaths paths;
    skv::ui::TProgram program({settingsFile, dataFolder, skv::platform::createPlatform()}, paths);
    program.main().show();
    return skv::ui::TApplication::exec();
}

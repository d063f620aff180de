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
    // Beside the program, or in the user's configuration folder where the program's is read-only.
    const QString config =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/skyvane");
    const std::string settingsFile = skv::ui::chooseSettingsFile(
        skv::ui::pathFromQString(QCoreApplication::applicationFilePath()), skv::ui::pathFromQString(config));

    const skv::model::TGamePaths paths;
    // The shipped files lie beside the program, or in share/skyvane when it is installed.
    const QString dataFolder = skv::ui::pathToQString(
        skv::ui::findDataFolder(skv::ui::pathFromQString(QCoreApplication::applicationDirPath())).string());
    skv::ui::TProgram program({settingsFile, dataFolder, skv::platform::createPlatform()}, paths);
    program.main().show();
    return skv::ui::TApplication::exec();
}

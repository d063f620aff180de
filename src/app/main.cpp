// Skyvane: starts the application with its windows and runs them until the main window closes.
#include "ui/Main.h"
#include "model/Gamepaths.h"
#include "ui/Application.h"
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
    skv::ui::TProgram program(
        {settingsFile, QCoreApplication::applicationDirPath(), skv::platform::createPlatform()}, paths);
    program.main().show();
    return skv::ui::TApplication::exec();
}

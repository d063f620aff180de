// The whole program started in a folder of its own on the scripted backend, past its first-run
// questions, as the widget tests of the main window start it.
#pragma once

#include "platform/fake/Fakeplatform.h"
#include "ui/Guitest.h"
#include "ui/Main.h"
#include "ui/Program.h"

#include <QSignalSpy>
#include <QTemporaryDir>

#include <fstream>
#include <memory>
#include <string>

namespace skv::test {

struct TProgramStart {
    TScriptedPrompter prompter;
    QTemporaryDir folder;
    model::TGamePaths paths{[](const std::string&) { return std::nullopt; }};
    std::unique_ptr<ui::TProgram> program;

    std::string settings() const { return folder.filePath(QStringLiteral("skyvane.INI")).toStdString(); }
    // The settings file: the first-run questions answered, then the given text.
    void writeSettings(const std::string& text = {}) const {
        std::ofstream(settings()) << "[General]\nFirstRun=0\nFirstNR2003=0\n" << text;
    }
    // Shows the window and waits until its first show has run.
    ui::TfrmMain& start() {
        program = std::make_unique<ui::TProgram>(
            ui::TProgramSetup{settings(), folder.path(), std::make_unique<platform::FakePlatform>()}, paths);
        ui::TfrmMain& window = program->main();
        QSignalSpy started(&window, &ui::TfrmMain::started);
        window.show();
        if (!started.wait(5000)) qWarning("the window did not start");
        QApplication::setActiveWindow(&window);
        return window;
    }
    ui::TfrmMain& start(const std::string& settingsText) {
        writeSettings(settingsText);
        return start();
    }
};

} // namespace skv::test

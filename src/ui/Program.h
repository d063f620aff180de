// The program's windows, made once at start-up in their order and kept until exit: the main window,
// then the dialogs it uses, with what they share (the settings file, the game paths).
#pragma once

#include "model/Gamepaths.h"
#include "platform/platform.h"
#include "ui/Options_link.h"

#include <QString>

#include <memory>
#include <string>

namespace skv::ui {

class TdlgAbout;
class TdlgDistributeCarCamSet;
class TdlgName;
class TdlgOptions;
class TdlgProperties;
class TfrmComment;
class TfrmEffect;
class TfrmMain;
class TfrmSavedPositions;

struct TProgramSetup {
    std::string settingsFile;
    QString programFolder; // where the file dialogs start and the reference camera files lie
    // The backend direct control runs over; the system's own when none is given.
    std::unique_ptr<platform::Platform> platform;
};

class TProgram {
public:
    // paths finds the games' paths on disk; it must outlive the program.
    TProgram(TProgramSetup setup, const model::TGamePaths& paths);
    // The preferences write their part of the settings, then the main window goes with its pages and
    // dialogs, writing its own part.
    ~TProgram();
    TProgram(const TProgram&) = delete;
    TProgram& operator=(const TProgram&) = delete;

    TfrmMain& main() const { return *Main; }
    TdlgOptions& options() const { return *Options; }
    TfrmSavedPositions& savedPositions() const { return *SavedPositions; }
    TGameProgramsLink& gamePrograms() { return GamePrograms; }

private:
    TProgramSetup Setup;
    TGameProgramsLink GamePrograms;
    std::unique_ptr<TfrmMain> Main;
    // Owned by the main window, so that each comes up over it.
    TdlgName* Name = nullptr;
    TdlgOptions* Options = nullptr;
    TdlgProperties* Properties = nullptr;
    TdlgAbout* About = nullptr;
    TfrmEffect* Effect = nullptr;
    TdlgDistributeCarCamSet* Distribution = nullptr;
    TfrmComment* Comment = nullptr;
    TfrmSavedPositions* SavedPositions = nullptr;
};

} // namespace skv::ui

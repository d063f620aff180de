// What the preferences dialog tells the rest of the program about the two game paths, without
// knowing who listens: the paths changed (the game link must use them), and the reference camera
// files must be refreshed (at start-up and whenever the dialog closes).
#pragma once

#include "directcontrol/Directcontrol_referencecams.h"
#include "model/Gamepaths.h"

#include <filesystem>
#include <string>

namespace skv::directcontrol {
class TGameLink;
}

namespace skv::ui {

// The configured executables of the two games, as the preferences hold them.
struct TGamePrograms {
    std::string gpl;
    std::string nr2003;

    bool operator==(const TGamePrograms&) const = default;
};

class IGameProgramsListener {
public:
    virtual ~IGameProgramsListener() = default;
    // Either path was edited (also at start-up, with the paths read from the settings).
    virtual void gameProgramsChanged(const TGamePrograms& programs) = 0;
    // Copy the program's reference camera files into the games as the paths now stand.
    virtual void refreshReferenceCamFiles(const TGamePrograms& programs) = 0;
};

// The program's own listener: refreshes the reference files from the program's folder, and hands the
// paths to a game link once one is followed.
class TGameProgramsLink final : public IGameProgramsListener {
public:
    TGameProgramsLink(const model::TGamePaths& paths, std::filesystem::path programFolder)
        : Paths(paths), ProgramFolder(std::move(programFolder)) {}

    // From now on every change reaches link (which must outlive this, or be unfollowed with nullptr);
    // it is given the paths as they stand at once.
    void follow(directcontrol::TGameLink* link);

    void gameProgramsChanged(const TGamePrograms& programs) override;
    void refreshReferenceCamFiles(const TGamePrograms& programs) override;

    const TGamePrograms& programs() const { return Programs; }
    const directcontrol::ReferenceRefresh& lastRefresh() const { return LastRefresh; }

private:
    const model::TGamePaths& Paths;
    std::filesystem::path ProgramFolder;
    directcontrol::TGameLink* Link = nullptr;
    TGamePrograms Programs;
    directcontrol::ReferenceRefresh LastRefresh;
};

} // namespace skv::ui

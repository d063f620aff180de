#include "ui/Options_link.h"

#include "directcontrol/Directcontrol_gamelink.h"

namespace skv::ui {

void TGameProgramsLink::follow(directcontrol::TGameLink* link) {
    Link = link;
    if (Link) Link->setGamePrograms(Programs.gpl, Programs.nr2003);
}

void TGameProgramsLink::gameProgramsChanged(const TGamePrograms& programs) {
    Programs = programs;
    if (Link) Link->setGamePrograms(Programs.gpl, Programs.nr2003);
}

void TGameProgramsLink::refreshReferenceCamFiles(const TGamePrograms& programs) {
    LastRefresh =
        directcontrol::refreshReferenceCamFiles(Paths, ProgramFolder, programs.gpl, programs.nr2003);
}

} // namespace skv::ui

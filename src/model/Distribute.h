// Distribution: writing a car camera set over the camera files of chosen cars in a game's installation,
// so that the game uses it the next time it loads the cars. Dialog-free; the GUI answers the questions.
#pragma once

#include "model/Camfile.h"
#include "model/Gamepaths.h"
#include "model/Gplcarcameraset.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace skv::model {

enum class eGame : std::uint8_t { gGPL, gNR2003 };

// The game the main window's selector names: "NR2003" is NR2003, any other text GPL.
eGame gameOfSelector(std::string_view selector);

struct TDistributionTarget {
    eGame game;
    const char* checkBox; // name of the dialog's check box
    const char* caption;
    const char* file; // below the game's car folder
};

// In the order in which the files are written.
inline constexpr std::array<TDistributionTarget, 9> kDistributionTargets = {{
    {eGame::gGPL, "chkLotus", "Lotus", "lotus\\lotus.cam"},
    {eGame::gGPL, "chkFerrari", "Ferrari", "ferrari\\ferrari.cam"},
    {eGame::gGPL, "chkEagle", "Eagle", "eagle\\eagle.cam"},
    {eGame::gGPL, "chkBrabham", "Brabham", "brabham\\brabham.cam"},
    {eGame::gGPL, "chkCooper", "Cooper", "coventry\\coventry.cam"},
    {eGame::gGPL, "chkBrm", "BRM", "brm\\brm.cam"},
    {eGame::gGPL, "chkHonda", "Honda", "murasama\\murasama.cam"},
    {eGame::gNR2003, "chkNormalCar", "Normal car", "make_a.cam"},
    {eGame::gNR2003, "chkPacecar", "Pacecar", "pacecar.cam"},
}};

// The order in which the dialog shows its check boxes, as indexes into kDistributionTargets.
inline constexpr std::array<std::size_t, 9> kDistributionDialogOrder = {0, 6, 4, 1, 2, 3, 5, 7, 8};

// Check state of each target, indexed like kDistributionTargets; all checked at start-up.
using TDistributionChecks = std::array<bool, kDistributionTargets.size()>;
inline constexpr TDistributionChecks kAllTargetsChecked = {true, true, true, true, true,
                                                           true, true, true, true};

inline constexpr const char* kDistributeCaption = "Distribute Car Camera Set";
inline constexpr const char* kDistributeGplText = "Classic way of changing car camera sets in GPL. "
                                                  "Distribute the .cam files of the current selected camera "
                                                  "set to the selected cars in the GPL cars67 directory.";
inline constexpr const char* kDistributeNr2003Text =
    "Same as above for NR2003.  Distribute the .cam files of the current selected camera set to the selected "
    "cars in the NR2003 series\\cup directory.";

// The car folder of a game below the folder of its program: "cars\cars67\" or "series\cup\".
const char* carFolderOf(eGame game);
// "The cars67 directory of GPL is not found, ..." and the overwrite question, per game.
std::string folderNotFoundMessage(eGame game);
std::string overwriteQuestion(eGame game);

// What the GUI answers while a set is distributed.
class IDistributionQuestions {
public:
    virtual ~IDistributionQuestions() = default;
    // Shows the message (OK only), then the preferences dialog modally; returns the game's program
    // path as it stands when the preferences close.
    virtual std::string folderNotFound(const std::string& message) = 0;
    // Asks the question with Yes and No; true for Yes.
    virtual bool confirm(const std::string& question) = 0;
};

struct TDistributionResult {
    enum class eOutcome : std::uint8_t {
        doWritten,       // the question was answered Yes; every checked file was written
        doFolderMissing, // the car folder was still missing after the preferences closed
        doDeclined,      // the question was answered No
    };
    eOutcome outcome = eOutcome::doWritten;
    std::vector<std::filesystem::path> written; // in the order written
};

class TCamSetDistribution {
public:
    TCamSetDistribution(TCamFileBuffer& camFileBuffer, const TGamePaths& paths,
                        IDistributionQuestions& questions)
        : CamFileBuffer(camFileBuffer), Paths(paths), Questions(questions) {}

    // Writes set over the checked cars of game (the other game's checks are ignored), in table order,
    // through the shared camera file buffer. When the car folder is missing the GUI is told and the
    // folder is found again from the program path the preferences leave; if it is still missing,
    // nothing is asked or written. The first car file that cannot be created throws EFCreateError
    // ("Cannot create file %s (reason)"); the cars before it stay written. Car folders are never created.
    TDistributionResult distribute(const TGPLCarCameraSet& set, eGame game, const std::string& programPath,
                                   const TDistributionChecks& checks);

private:
    TCamFileBuffer& CamFileBuffer;
    const TGamePaths& Paths;
    IDistributionQuestions& Questions;
};

} // namespace skv::model

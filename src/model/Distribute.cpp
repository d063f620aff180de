#include "model/Distribute.h"

namespace skv::model {

namespace {

namespace fs = std::filesystem;

bool folderExists(const fs::path& folder) {
    std::error_code ec;
    return fs::is_directory(folder, ec);
}

} // namespace

eGame gameOfSelector(std::string_view selector) {
    return selector == "NR2003" ? eGame::gNR2003 : eGame::gGPL;
}

const char* carFolderOf(eGame game) {
    return game == eGame::gNR2003 ? "series\\cup\\" : "cars\\cars67\\";
}

std::string folderNotFoundMessage(eGame game) {
    if (game == eGame::gNR2003)
        return "The seriescup directory of NR2003 is not found, check the NR2003 pathname in the Preferences "
               "dialog !";
    return "The cars67 directory of GPL is not found, check the GPL pathname in the Preferences dialog !";
}

std::string overwriteQuestion(eGame game) {
    if (game == eGame::gNR2003)
        return "The *.cam files of each selected car will be overwritten in the seriescup of NR2003, "
               "continue?";
    return "The *.cam files of each selected car will be overwritten in the cars67 of GPL, continue?";
}

TDistributionResult TCamSetDistribution::distribute(const TGPLCarCameraSet& set, eGame game,
                                                    const std::string& programPath,
                                                    const TDistributionChecks& checks) {
    using eOutcome = TDistributionResult::eOutcome;
    TDistributionResult result;
    const std::string carFolder = carFolderOf(game);

    std::string path = programPath;
    if (!folderExists(Paths.resolveBelow(path, carFolder))) {
        // Going on with the old path would only fail on the first car: look again with the new one.
        path = Questions.folderNotFound(folderNotFoundMessage(game));
        if (!folderExists(Paths.resolveBelow(path, carFolder))) {
            result.outcome = eOutcome::doFolderMissing;
            return result;
        }
    }
    if (!Questions.confirm(overwriteQuestion(game))) {
        result.outcome = eOutcome::doDeclined;
        return result;
    }

    for (std::size_t i = 0; i < kDistributionTargets.size(); ++i) {
        const TDistributionTarget& target = kDistributionTargets[i];
        if (target.game != game || !checks[i]) continue;
        const fs::path file = Paths.resolveBelow(path, carFolder + target.file);
        CamFileBuffer.exportCamFile(set, file);
        result.written.push_back(file);
    }
    return result;
}

} // namespace skv::model

// Keeps the games' reference camera files in the state the game link's search relies on: the
// program's own "pacecar.cam" in every NR2003 series folder, its "brabham.cam" where GPL has none.
#pragma once

#include "model/Gamepaths.h"

#include <filesystem>
#include <string>

namespace skv::directcontrol {

constexpr const char* kGplReferenceName = "brabham.cam";
constexpr const char* kNr2003ReferenceName = "pacecar.cam";

struct ReferenceRefresh {
    int nr2003Copies = 0;   // series folders that received "pacecar.cam"
    bool gplCopied = false; // GPL had no reference file and received one
};

// programFolder holds the program's two reference files; the game programs are the configured
// executables (an empty one is skipped). Copy failures, missing sources and missing folders are
// passed over: what could be copied is copied.
ReferenceRefresh refreshReferenceCamFiles(const model::TGamePaths& paths,
                                          const std::filesystem::path& programFolder,
                                          const std::string& gplProgram, const std::string& nr2003Program);

} // namespace skv::directcontrol

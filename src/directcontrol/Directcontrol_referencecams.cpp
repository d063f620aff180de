#include "directcontrol/Directcontrol_referencecams.h"

#include "directcontrol/Directcontrol_gamelink.h"

#include <system_error>

namespace skv::directcontrol {

namespace fs = std::filesystem;

namespace {

bool copyOver(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    return fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec) && !ec;
}

int refreshNr2003(const model::TGamePaths& paths, const fs::path& source, const std::string& program) {
    if (program.empty() || !fs::is_regular_file(source)) return 0;
    std::error_code ec;
    const fs::path series = paths.resolveBelow(program, "series");
    int copies = 0;
    // Stepped with error codes: a folder that vanishes half way ends the walk, it throws nothing.
    for (fs::directory_iterator it(series, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::directory_entry& entry = *it;
        if (!entry.is_directory(ec)) continue;
        // Through the resolver, so a "PACECAR.CAM" that the game would load is the one replaced.
        const std::string relative =
            "series\\" + entry.path().filename().string() + "\\" + kNr2003ReferenceName;
        if (copyOver(source, paths.resolveBelow(program, relative))) ++copies;
    }
    return copies;
}

bool refreshGpl(const model::TGamePaths& paths, const fs::path& source, const std::string& program) {
    if (program.empty()) return false;
    const fs::path target = paths.resolveBelow(program, gameConstants(false).referenceFile);
    std::error_code ec;
    // Never over a file the user has: the key is read back from whatever GPL loads.
    if (fs::exists(target, ec) || !fs::is_directory(target.parent_path(), ec)) return false;
    return fs::is_regular_file(source, ec) && copyOver(source, target);
}

} // namespace

ReferenceRefresh refreshReferenceCamFiles(const model::TGamePaths& paths, const fs::path& programFolder,
                                          const std::string& gplProgram, const std::string& nr2003Program) {
    ReferenceRefresh result;
    result.nr2003Copies = refreshNr2003(paths, programFolder / kNr2003ReferenceName, nr2003Program);
    result.gplCopied = refreshGpl(paths, programFolder / kGplReferenceName, gplProgram);
    return result;
}

} // namespace skv::directcontrol

#include "ui/Datafolder.h"

namespace skv::ui {

std::filesystem::path findDataFolder(const std::filesystem::path& programFolder) {
    std::error_code error;
    const auto holdsLibrary = [&](const std::filesystem::path& folder) {
        return std::filesystem::is_regular_file(folder / "default.cmf", error);
    };
    if (holdsLibrary(programFolder)) return programFolder;
    const std::filesystem::path installed = (programFolder / ".." / "share" / "skyvane").lexically_normal();
    if (holdsLibrary(installed)) return installed;
    return programFolder;
}

bool runsInstalled(const std::filesystem::path& programFolder) {
    return findDataFolder(programFolder) != programFolder;
}

} // namespace skv::ui

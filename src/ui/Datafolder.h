// Where the program finds the files it ships (the default library, the reference camera files, the
// help): beside its executable in a build or a folder copy, or in share/skyvane when it is installed
// with its executable in bin.
#pragma once

#include <filesystem>

namespace skv::ui {

// programFolder is the executable's folder. Beside it when it holds the default library, else the
// installed folder ../share/skyvane when that does, else programFolder itself.
std::filesystem::path findDataFolder(const std::filesystem::path& programFolder);

// Whether the program runs installed: its shipped files are found in the installed folder, not
// beside it.
bool runsInstalled(const std::filesystem::path& programFolder);

} // namespace skv::ui

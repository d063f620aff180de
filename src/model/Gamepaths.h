// Paths inside the games' installations: the folder of a program path, joining the games' relative
// paths, and finding a path written the Windows way on this machine's disk (inside Wine's prefix).
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace skv::model {

// The folder part of a program path: everything up to and including the last "\", "/" or ":";
// empty when there is none ("C:\Sierra\gpl\gpl.exe" gives "C:\Sierra\gpl\").
std::string extractFilePath(std::string_view path);

// folder followed by relative, every "\" or "/" of relative written as this platform's separator
// ("cars\cars67\lotus\lotus.cam" below "C:\Sierra\gpl\"). The folder is taken as it is.
std::string joinGamePath(std::string_view folder, std::string_view relative);

// Finds game paths on disk. A path may be written the Windows way ("C:\Sierra\gpl\gpl.exe") or the
// way of this platform. Where paths are not the Windows kind, a drive path lies inside the Wine
// prefix ($WINEPREFIX, else ~/.wine): drive C is its "drive_c", any other drive its "dosdevices"
// entry. Each component is matched against the disk without regard to case, because the games'
// folders come from Windows installers; a component that does not exist is used as written, and so
// is everything below it. Nothing is created.
class TGamePaths {
public:
    // Reads one environment variable; nullopt when it is not set.
    using EnvironmentLookup = std::function<std::optional<std::string>(const std::string& name)>;

    // Looks variables up in the process environment.
    TGamePaths();
    explicit TGamePaths(EnvironmentLookup lookup);

    // The Wine prefix drive paths resolve into; empty when neither WINEPREFIX nor HOME is set.
    std::filesystem::path winePrefix() const;

    // The disk path of a game path (see the class comment).
    std::filesystem::path resolve(std::string_view gamePath) const;

    // The disk path of relative (a path of the games, "series\cup\") below the folder of programPath.
    std::filesystem::path resolveBelow(std::string_view programPath, std::string_view relative) const;

private:
    EnvironmentLookup Lookup;

    std::filesystem::path driveRoot(char driveLetter) const;
};

// The environment of this process, for TGamePaths.
std::optional<std::string> processEnvironment(const std::string& name);

} // namespace skv::model

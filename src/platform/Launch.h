// Starting the games and the tool applications: the command that starts a program (through Wine where
// a Windows program is to run on Linux), and starting it as a child of this process, so that a game
// started here may be read and written even where the kernel lets a process read only its descendants.
#pragma once

#include "platform/platform.h"

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace skv::platform {

// What is to be started, with paths as they lie on this machine's disk.
struct LaunchRequest {
    std::string program;
    std::string parameters;    // one command-line text, as Windows hands it to a program
    std::string workingFolder; // empty: the folder this program runs in
};

struct LaunchCommand {
    // POSIX: the file to run, found on PATH when it has no "/", and its whole argument vector.
    std::string file;
    std::vector<std::string> arguments;
    // Windows: the command line, program first.
    std::string commandLine;
    std::string workingFolder;
    bool throughWine = false;
    // The Wine prefix the program lies in (WINEPREFIX for the child); empty for Wine's default.
    std::string winePrefix;

    friend bool operator==(const LaunchCommand&, const LaunchCommand&) = default;
};

class ELaunchError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Whether the program is a Windows one by its name (".exe", case ignored).
bool isWindowsProgram(std::string_view program);

// Whether folder is a Wine prefix: it holds the folder "drive_c" and the file "system.reg".
bool isWinePrefix(const std::filesystem::path& folder);
// The nearest folder above path that is a Wine prefix; empty when there is none.
std::filesystem::path winePrefixHolding(const std::filesystem::path& path);

// A Windows command-line text split into arguments by the rules Windows programs parse it with
// (blanks separate, double quotes group and vanish, backslashes escape only before a quote).
std::vector<std::string> splitWindowsArguments(std::string_view text);

// The command for request: on Windows hosts a command line; elsewhere a Windows program runs as
// "wine PROGRAM ARGUMENTS" in the prefix that holds it, any other program directly.
LaunchCommand buildLaunchCommand(const LaunchRequest& request, bool windowsHost);
LaunchCommand buildLaunchCommand(const LaunchRequest& request);

// Starts the command as a child of this process and returns at once with its process id; the child
// is waited for in the background. Raises ELaunchError, in words the user can act on, when it cannot
// be started (no Wine for a Windows program, no such program, no permission).
ProcessId launch(const LaunchCommand& command);

// The default browser's command as the system records it, where it does ("C:\B\b.exe" -nohome "%1");
// empty where the desktop opens addresses in a way of its own.
std::optional<std::string> defaultBrowserTemplate();

// The command line that opens url with a browser's command: the template cut before "%1" in double
// quotes, or else before a bare %1, then a blank and the address.
std::string browserCommandLine(std::string_view commandTemplate, std::string_view url);

} // namespace skv::platform

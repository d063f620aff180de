#include "platform/Launch.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <thread>

extern char** environ;

namespace skv::platform {

namespace {

// This process's environment, with WINEPREFIX set to prefix when one is given.
std::vector<std::string> childEnvironment(const std::string& prefix) {
    std::vector<std::string> variables;
    for (char** v = environ; v && *v; ++v)
        if (prefix.empty() || std::strncmp(*v, "WINEPREFIX=", 11) != 0) variables.emplace_back(*v);
    if (!prefix.empty()) variables.push_back("WINEPREFIX=" + prefix);
    return variables;
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
    std::vector<char*> list;
    for (std::string& t : texts)
        list.push_back(t.data());
    list.push_back(nullptr);
    return list;
}

std::string cannotStart(const LaunchCommand& command, int error) {
    const std::string program = command.throughWine ? command.arguments.at(1) : command.file;
    if (command.throughWine && error == ENOENT)
        return "\"" + program +
               "\" is a Windows program, and Wine, which runs Windows programs here, is not installed "
               "(on Debian: apt install wine).";
    return "Cannot start \"" + program + "\": " + std::strerror(error) + ".";
}

} // namespace

ProcessId launch(const LaunchCommand& command) {
    if (command.file.empty() || command.arguments.empty())
        throw ELaunchError("There is no program to start.");
    std::error_code ec;
    if (!command.workingFolder.empty() && !std::filesystem::is_directory(command.workingFolder, ec))
        throw ELaunchError("Cannot start \"" + command.file + "\": its folder \"" + command.workingFolder +
                           "\" does not exist.");

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!command.workingFolder.empty())
        posix_spawn_file_actions_addchdir_np(&actions, command.workingFolder.c_str());
    // The child starts with no signal blocked and the default handlers, whatever this process set up.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::vector<std::string> arguments = command.arguments;
    std::vector<std::string> environment = childEnvironment(command.winePrefix);
    std::vector<char*> argv = pointers(arguments);
    std::vector<char*> envp = pointers(environment);
    pid_t pid = 0;
    const int error =
        posix_spawnp(&pid, command.file.c_str(), &actions, &attributes, argv.data(), envp.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) throw ELaunchError(cannotStart(command, error));

    // The child stays ours (a descendant may be read where others may not) and is reaped when it ends.
    std::thread([pid] {
        while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return ProcessId(pid);
}

std::optional<std::string> defaultBrowserTemplate() {
    return std::nullopt; // the desktop's own default browser is asked through the user interface
}

} // namespace skv::platform

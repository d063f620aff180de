#include "platform/Launch.h"
#include "platform/win32/Win32platform.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace skv::platform {

namespace {

// The default value of a key under the classes root; empty when it cannot be read.
std::string classesRootValue(const std::string& key) {
    char value[260] = {};
    LONG size = sizeof value;
    if (RegQueryValueA(HKEY_CLASSES_ROOT, key.c_str(), value, &size) != ERROR_SUCCESS) return {};
    return std::string(value);
}

} // namespace

ProcessId launch(const LaunchCommand& command) {
    if (command.commandLine.empty()) throw ELaunchError("There is no program to start.");
    std::string line = command.commandLine; // CreateProcess may write into it
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    const char* folder = command.workingFolder.empty() ? nullptr : command.workingFolder.c_str();
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder, &startup, &info))
        throw ELaunchError("Cannot start " + command.commandLine + ": " + systemMessage(GetLastError()) +
                           ".");
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return ProcessId(info.dwProcessId);
}

std::optional<std::string> defaultBrowserTemplate() {
    const std::string type = classesRootValue(".htm");
    if (type.empty()) return std::nullopt;
    std::string command = classesRootValue(type + "\\shell\\open\\command");
    if (command.empty()) return std::nullopt;
    return command;
}

} // namespace skv::platform

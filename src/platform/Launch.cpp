#include "platform/Launch.h"

#include <algorithm>
#include <system_error>

namespace skv::platform {

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
constexpr bool kWindowsHost = true;
#else
constexpr bool kWindowsHost = false;
#endif

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

} // namespace

bool isWindowsProgram(std::string_view program) {
    constexpr std::string_view suffix = ".exe";
    if (program.size() <= suffix.size()) return false;
    return std::ranges::equal(program.substr(program.size() - suffix.size()), suffix,
                              [](char a, char b) { return lowerAscii(a) == b; });
}

bool isWinePrefix(const fs::path& folder) {
    std::error_code ec;
    return fs::is_directory(folder / "drive_c", ec) && fs::is_regular_file(folder / "system.reg", ec);
}

fs::path winePrefixHolding(const fs::path& path) {
    std::error_code ec;
    fs::path at = fs::absolute(path, ec);
    if (ec) return {};
    for (fs::path folder = at.parent_path(); !folder.empty(); folder = folder.parent_path()) {
        if (isWinePrefix(folder)) return folder;
        if (folder == folder.root_path()) break;
    }
    return {};
}

std::vector<std::string> splitWindowsArguments(std::string_view text) {
    std::vector<std::string> arguments;
    std::size_t i = 0;
    while (true) {
        while (i < text.size() && isBlank(text[i]))
            ++i;
        if (i == text.size()) return arguments;
        std::string argument;
        bool quoted = false;
        while (i < text.size() && (quoted || !isBlank(text[i]))) {
            if (text[i] == '\\') {
                std::size_t slashes = 0;
                while (i < text.size() && text[i] == '\\') {
                    ++slashes;
                    ++i;
                }
                const bool beforeQuote = i < text.size() && text[i] == '"';
                argument.append(beforeQuote ? slashes / 2 : slashes, '\\');
                if (beforeQuote && slashes % 2 == 1) {
                    argument.push_back('"');
                    ++i;
                }
                continue;
            }
            if (text[i] == '"') {
                // Inside quotes, a doubled quote is one quote character and the group goes on.
                if (quoted && i + 1 < text.size() && text[i + 1] == '"') {
                    argument.push_back('"');
                    i += 2;
                    continue;
                }
                quoted = !quoted;
                ++i;
                continue;
            }
            argument.push_back(text[i++]);
        }
        arguments.push_back(std::move(argument));
    }
}

LaunchCommand buildLaunchCommand(const LaunchRequest& request, bool windowsHost) {
    LaunchCommand command;
    command.workingFolder = request.workingFolder;
    if (windowsHost) {
        command.commandLine = "\"" + request.program + "\"";
        if (!request.parameters.empty()) command.commandLine += " " + request.parameters;
        return command;
    }
    std::vector<std::string> parameters = splitWindowsArguments(request.parameters);
    if (isWindowsProgram(request.program)) {
        command.throughWine = true;
        command.file = "wine";
        command.arguments = {"wine", request.program};
        command.winePrefix = winePrefixHolding(request.program).string();
    } else {
        command.file = request.program;
        command.arguments = {request.program};
    }
    command.arguments.insert(command.arguments.end(), parameters.begin(), parameters.end());
    return command;
}

LaunchCommand buildLaunchCommand(const LaunchRequest& request) {
    return buildLaunchCommand(request, kWindowsHost);
}

std::string browserCommandLine(std::string_view commandTemplate, std::string_view url) {
    std::size_t cut = commandTemplate.find("\"%1\"");
    if (cut == std::string_view::npos) cut = commandTemplate.find("%1");
    std::string line(commandTemplate.substr(0, cut));
    line += ' ';
    line += url;
    return line;
}

} // namespace skv::platform

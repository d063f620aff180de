#include "model/Gamepaths.h"

#include <algorithm>
#include <cstdlib>
#include <system_error>
#include <vector>

namespace skv::model {

namespace fs = std::filesystem;

namespace {

constexpr bool kWindowsPaths = fs::path::preferred_separator == '\\';

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

bool isDriveLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Windows folds case for every letter; the installers' folder names are plain ASCII, and folding
// only ASCII keeps two differently accented names apart rather than guessing at an encoding.
bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

std::vector<std::string_view> splitComponents(std::string_view path) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= path.size(); ++i) {
        if (i < path.size() && !isSeparator(path[i])) continue;
        if (i > start) parts.push_back(path.substr(start, i - start));
        start = i + 1;
    }
    return parts;
}

// The entry of folder whose name is name but for case: the exact name when it exists, else the first
// case-blind match in name order (so that the choice does not depend on the directory's order).
std::optional<std::string> findEntry(const fs::path& folder, std::string_view name) {
    const fs::path dir = folder.empty() ? fs::path(".") : folder;
    std::error_code ec;
    if (fs::exists(fs::symlink_status(dir / std::string(name), ec))) return std::string(name);
    std::optional<std::string> best;
    fs::directory_iterator it(dir, ec);
    if (ec) return std::nullopt;
    for (const fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec) break;
        std::string candidate = it->path().filename().string();
        if (!equalsIgnoringCase(candidate, name)) continue;
        if (!best || candidate < *best) best = std::move(candidate);
    }
    return best;
}

} // namespace

std::string extractFilePath(std::string_view path) {
    const std::size_t last = path.find_last_of("\\/:");
    if (last == std::string_view::npos) return {};
    return std::string(path.substr(0, last + 1));
}

std::string joinGamePath(std::string_view folder, std::string_view relative) {
    std::string joined(folder);
    joined.reserve(folder.size() + relative.size());
    for (char c : relative)
        joined.push_back(isSeparator(c) ? static_cast<char>(fs::path::preferred_separator) : c);
    return joined;
}

std::optional<std::string> processEnvironment(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    if (value == nullptr) return std::nullopt;
    return std::string(value);
}

TGamePaths::TGamePaths() : TGamePaths(processEnvironment) {}

TGamePaths::TGamePaths(EnvironmentLookup lookup) : Lookup(std::move(lookup)) {}

fs::path TGamePaths::winePrefix() const {
    if (auto prefix = Lookup("WINEPREFIX"); prefix && !prefix->empty()) return fs::path(*prefix);
    if (auto home = Lookup("HOME"); home && !home->empty()) return fs::path(*home) / ".wine";
    return {};
}

fs::path TGamePaths::driveRoot(char driveLetter) const {
    const fs::path prefix = winePrefix();
    if (prefix.empty()) return fs::path(std::string{driveLetter, ':'});
    const char drive = lowerAscii(driveLetter);
    if (drive == 'c') return prefix / "drive_c";
    return prefix / "dosdevices" / std::string{drive, ':'};
}

fs::path TGamePaths::resolve(std::string_view gamePath) const {
    if constexpr (kWindowsPaths) return fs::path(std::string(gamePath));

    fs::path result;
    std::string_view rest = gamePath;
    if (rest.size() >= 2 && isDriveLetter(rest[0]) && rest[1] == ':') {
        result = driveRoot(rest[0]);
        rest.remove_prefix(2);
    } else if (!rest.empty() && rest[0] == '\\') {
        result = driveRoot('C'); // rooted on the current drive, which is C for the games under Wine
    } else if (!rest.empty() && rest[0] == '/') {
        result = "/";
    }

    std::error_code ec;
    bool onDisk = result.empty() || fs::is_directory(result, ec);
    for (std::string_view part : splitComponents(rest)) {
        std::optional<std::string> found = onDisk ? findEntry(result, part) : std::nullopt;
        onDisk = found.has_value();
        result /= found ? *found : std::string(part);
    }
    return result;
}

fs::path TGamePaths::resolveBelow(std::string_view programPath, std::string_view relative) const {
    return resolve(joinGamePath(extractFilePath(programPath), relative));
}

} // namespace skv::model

#include "Commands.h"

#include "Tooltext.h"

#include <filesystem>
#include <stdexcept>

namespace skv::tool {

void printError(std::ostream& err, const std::string& message) {
    err << "skyvane-tool: " << escapeText(message) << '\n';
}

bool asksForHelp(const std::vector<std::string>& words) {
    for (const std::string& w : words) {
        if (w == "--") return false;
        if (w == "--help" || w == "-h") return true;
    }
    return false;
}

void refuseToReplace(const std::string& fileName, bool force) {
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(fileName, ec);
    if (force || status.type() == std::filesystem::file_type::not_found) return;
    throw std::runtime_error(fileName + " exists; give --force to replace it");
}

} // namespace skv::tool

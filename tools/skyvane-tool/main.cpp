// skyvane-tool: the command-line companion of Skyvane.
#include "Commands.h"

#include <algorithm>
#include <iostream>
#include <string_view>

namespace skv::tool {

namespace {

std::vector<CommandGroup>& registry() {
    static std::vector<CommandGroup> groups;
    return groups;
}

} // namespace

bool registerCommandGroup(const CommandGroup& group) {
    auto& groups = registry();
    groups.push_back(group);
    std::sort(groups.begin(), groups.end(),
              [](const CommandGroup& a, const CommandGroup& b) { return std::string_view(a.name) < b.name; });
    return true;
}

const std::vector<CommandGroup>& commandGroups() {
    return registry();
}

} // namespace skv::tool

namespace {

void printUsage(std::ostream& out) {
    out << "usage: skyvane-tool COMMAND ...\n"
           "\n"
           "Works on Skyvane's library (.cmf) and camera (.cam) files from the shell.\n"
           "Each command also takes --help; skyvane-tool --version prints the version.\n"
           "\n";
    for (const auto& group : skv::tool::commandGroups())
        out << group.usage;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> words(argv + 1, argv + argc);
    if (words.empty()) {
        printUsage(std::cerr);
        return 2;
    }
    if (words[0] == "--help" || words[0] == "-h") {
        printUsage(std::cout);
        return 0;
    }
    if (words[0] == "--version") {
        std::cout << "skyvane-tool " << SKV_VERSION << '\n';
        return 0;
    }
    for (const auto& group : skv::tool::commandGroups())
        if (words[0] == group.name) return group.run({words.begin() + 1, words.end()}, std::cout, std::cerr);
    skv::tool::printError(std::cerr, (words[0].starts_with("-") ? "unknown option " : "unknown command ") +
                                         words[0] + " (skyvane-tool --help lists the commands)");
    return 2;
}

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
           "\n";
    for (const auto& group : skv::tool::commandGroups())
        out << group.usage;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> words(argv + 1, argv + argc);
    if (!words.empty() && (words[0] == "--help" || words[0] == "-h")) {
        printUsage(std::cout);
        return 0;
    }
    for (const auto& group : skv::tool::commandGroups())
        if (!words.empty() && words[0] == group.name)
            return group.run({words.begin() + 1, words.end()}, std::cout, std::cerr);
    printUsage(std::cerr);
    return 2;
}

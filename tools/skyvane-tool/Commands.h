// The command table of skyvane-tool: each command group lives in its own file (Cmd_<group>.cpp) and
// registers itself, so groups are added without touching the others.
#pragma once

#include <exception>
#include <ostream>
#include <string>
#include <vector>

namespace skv::tool {

struct CommandGroup {
    const char* name;  // first word on the command line, e.g. "cmf"
    const char* usage; // lines shown by --help, each "skyvane-tool <name> ..."
    // args are the words after the group name; returns the exit code.
    int (*run)(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
};

// Called from a static initialiser in each group's file.
bool registerCommandGroup(const CommandGroup& group);
const std::vector<CommandGroup>& commandGroups();

// The frame of a command whose words parse into arguments: parse(words, err) gives an optional
// argument record (saying why not in err); without one the usage goes to err with exit code 2, and an
// exception thrown by run(args) is reported with exit code 1.
template <class Parse, class Run>
int parseAndRun(const std::vector<std::string>& words, std::ostream& err, const char* usage, Parse parse,
                Run run) {
    const auto args = parse(words, err);
    if (!args) {
        err << usage;
        return 2;
    }
    try {
        return run(*args);
    } catch (const std::exception& e) {
        err << "skyvane-tool: " << e.what() << '\n';
        return 1;
    }
}

} // namespace skv::tool

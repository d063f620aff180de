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

// One line on err: "skyvane-tool: " and the message, with control and invalid bytes escaped, since
// messages quote names and texts from files.
void printError(std::ostream& err, const std::string& message);

// True when the words ask for the command's help ("--help" or "-h" before any "--").
bool asksForHelp(const std::vector<std::string>& words);

// Raises std::runtime_error when fileName exists (a dangling link counts) and force is false: the
// rule of every command that writes a file of its own.
void refuseToReplace(const std::string& fileName, bool force);

// The frame of a command whose words parse into arguments: "--help" prints the usage on out (exit 0);
// parse(words, err) gives an optional argument record (saying why not in err); without one the usage
// goes to err with exit code 2, and an exception thrown by run(args) is reported with exit code 1.
template <class Parse, class Run>
int parseAndRun(const std::vector<std::string>& words, std::ostream& out, std::ostream& err,
                const char* usage, Parse parse, Run run) {
    if (asksForHelp(words)) {
        out << usage;
        return 0;
    }
    const auto args = parse(words, err);
    if (!args) {
        err << usage;
        return 2;
    }
    try {
        return run(*args);
    } catch (const std::exception& e) {
        printError(err, e.what());
        return 1;
    }
}

} // namespace skv::tool

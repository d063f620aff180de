// The command table of skyvane-tool: each command group lives in its own file (Cmd_<group>.cpp) and
// registers itself, so groups are added without touching the others.
#pragma once

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

} // namespace skv::tool

// The words of one command split into file names and options, with the usage errors every command
// words the same way ("unknown option --x", "--caption needs a value", "--force given twice").
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace skv::tool {

struct OptionRule {
    const char* name; // "--caption"
    bool takesValue;
};

struct ParsedWords {
    std::vector<std::string> operands;
    std::map<std::string, std::string> options; // a flag maps to ""

    bool has(const std::string& name) const { return options.count(name) != 0; }
    const std::string* value(const std::string& name) const;
};

// Splits words; "--" ends the options. A wrong word is explained on err as "skyvane-tool COMMAND: ..."
// and gives nothing; so does a count of operands outside [minOperands, maxOperands].
std::optional<ParsedWords> parseWords(const std::vector<std::string>& words,
                                      const std::vector<OptionRule>& rules, const char* command,
                                      std::size_t minOperands, std::size_t maxOperands, std::ostream& err);

// A whole number in [min, max]; otherwise err says so, naming the limits.
std::optional<std::int64_t> parseWholeNumber(const std::string& text, std::int64_t min, std::int64_t max,
                                             const std::string& what, std::ostream& err);

} // namespace skv::tool

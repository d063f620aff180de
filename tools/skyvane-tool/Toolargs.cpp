#include "Toolargs.h"

#include "Tooltext.h"

#include <charconv>

namespace skv::tool {

const std::string* ParsedWords::value(const std::string& name) const {
    const auto it = options.find(name);
    return it == options.end() ? nullptr : &it->second;
}

namespace {

const OptionRule* findRule(const std::vector<OptionRule>& rules, const std::string& word) {
    for (const OptionRule& rule : rules)
        if (word == rule.name) return &rule;
    return nullptr;
}

} // namespace

std::optional<ParsedWords> parseWords(const std::vector<std::string>& words,
                                      const std::vector<OptionRule>& rules, const char* command,
                                      std::size_t minOperands, std::size_t maxOperands, std::ostream& err) {
    ParsedWords parsed;
    const std::string prefix = std::string("skyvane-tool ") + command + ": ";
    bool optionsEnd = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& w = words[i];
        if (optionsEnd || !w.starts_with("-") || w == "-") {
            parsed.operands.push_back(w);
            continue;
        }
        if (w == "--") {
            optionsEnd = true;
            continue;
        }
        const OptionRule* rule = findRule(rules, w);
        if (!rule) {
            err << prefix << "unknown option " << escapeText(w) << '\n';
            return std::nullopt;
        }
        if (parsed.has(w)) {
            err << prefix << w << " given twice\n";
            return std::nullopt;
        }
        if (rule->takesValue && i + 1 == words.size()) {
            err << prefix << w << " needs a value\n";
            return std::nullopt;
        }
        parsed.options[w] = rule->takesValue ? words[++i] : std::string();
    }
    if (parsed.operands.size() < minOperands) {
        err << prefix << "too few arguments\n";
        return std::nullopt;
    }
    if (parsed.operands.size() > maxOperands) {
        err << prefix << "unexpected argument " << escapeText(parsed.operands[maxOperands]) << '\n';
        return std::nullopt;
    }
    return parsed;
}

std::optional<std::int64_t> parseWholeNumber(const std::string& text, std::int64_t min, std::int64_t max,
                                             const std::string& what, std::ostream& err) {
    std::int64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    const bool whole = ec != std::errc::invalid_argument && end == text.data() + text.size() && !text.empty();
    if (whole && ec == std::errc() && value >= min && value <= max) return value;
    err << what << " needs a whole number from " << min << " to " << max << ", not \"" << escapeText(text)
        << "\"\n";
    return std::nullopt;
}

} // namespace skv::tool

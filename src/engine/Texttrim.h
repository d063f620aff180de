// Trimming of the blanks and tabs around a text, as names and number texts are read.
#pragma once

#include <string>
#include <string_view>

namespace skv::engine {

// The text without its leading and trailing blanks (spaces and tabs, as std::isblank).
inline std::string TrimBlanks(std::string_view S) {
    const auto first = S.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return std::string(S.substr(first, S.find_last_not_of(" \t") - first + 1));
}

} // namespace skv::engine

#include "ui/Filefilter.h"

#include <vector>

namespace skv::ui {

namespace {

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t stop = text.find(separator, start);
        parts.push_back(text.substr(start, stop - start));
        if (stop == std::string_view::npos) return parts;
        start = stop + 1;
    }
}

// "*.jpg;*.jpeg;" gives "*.jpg *.jpeg".
std::string qtPatterns(std::string_view patterns) {
    std::string out;
    for (std::string_view pattern : split(patterns, ';')) {
        if (pattern.empty()) continue;
        if (!out.empty()) out += ' ';
        out += pattern;
    }
    return out;
}

// The description without the bracketed patterns at its end (and the blank before them); a
// description that ends otherwise stays as it is.
std::string_view withoutTrailingPatterns(std::string_view description, const std::string& patterns) {
    if (description.empty() || description.back() != ')') return description;
    const std::size_t open = description.rfind('(');
    if (open == std::string_view::npos) return description;
    const std::string_view group = description.substr(open + 1, description.size() - open - 2);
    if (qtPatterns(group) != patterns) return description;
    std::string_view head = description.substr(0, open);
    while (!head.empty() && head.back() == ' ')
        head.remove_suffix(1);
    return head;
}

} // namespace

std::string qtFileFilter(std::string_view filter) {
    const std::vector<std::string_view> parts = split(filter, '|');
    std::string out;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        if (!out.empty()) out += ";;";
        const std::string patterns = qtPatterns(parts[i + 1]);
        out += withoutTrailingPatterns(parts[i], patterns);
        out += " (" + patterns + ")";
    }
    return out;
}

} // namespace skv::ui

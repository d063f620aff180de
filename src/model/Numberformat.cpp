#include "model/Numberformat.h"

#include "stream/Numbertext.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace skv::model {

namespace {

bool equalsIgnoringCase(std::string_view text, std::string_view upper) {
    if (text.size() != upper.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(text[i])) != upper[i]) return false;
    return true;
}

} // namespace

std::string formatCameraValue(double value) {
    // Fixed from 0.0001 up to below 1000.
    return stream::formatGeneral(value, {3, -4});
}

std::optional<float> parseCameraValue(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return std::nullopt;
    text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    bool negative = false;
    if (text.front() == '+' || text.front() == '-') {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // What formatCameraValue writes for them reads back.
    if (equalsIgnoringCase(text, "NAN")) return std::numeric_limits<float>::quiet_NaN();
    if (equalsIgnoringCase(text, "INF"))
        return negative ? -std::numeric_limits<float>::infinity() : std::numeric_limits<float>::infinity();
    // from_chars would also take other forms of these and hexadecimal numbers: a decimal number
    // starts with a digit or the separator.
    if (text.empty() || !(std::isdigit(static_cast<unsigned char>(text.front())) || text.front() == '.'))
        return std::nullopt;
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, std::chars_format::general);
    if (error != std::errc() || stop != end) return std::nullopt;
    if (std::fabs(value) > std::numeric_limits<float>::max()) return std::nullopt;
    return static_cast<float>(negative ? -value : value);
}

} // namespace skv::model

#include "model/Numberformat.h"

#include <charconv>
#include <cmath>
#include <string>

namespace skv::model {

namespace {

constexpr int kSignificantDigits = 3;

// std::to_chars, unlike printf, ignores the C locale: the text has a "." whatever the user's
// language.
std::string toChars(double value, std::chars_format format, int precision) {
    char buffer[64]; // a double in scientific notation, or below 1000 in fixed, at this precision
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, format, precision);
    return std::string(buffer, result.ptr);
}

void stripTrailingZeros(std::string& text) {
    if (text.find('.') == std::string::npos) return;
    while (!text.empty() && text.back() == '0')
        text.pop_back();
    if (!text.empty() && text.back() == '.') text.pop_back();
}

} // namespace

std::string formatCameraValue(double value) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    if (value == 0) return "0";

    // Round once to 3 significant digits; the exponent of the rounded value picks the notation,
    // so 999.6 becomes "1E3" rather than "1000".
    const std::string sci = toChars(value, std::chars_format::scientific, kSignificantDigits - 1);
    const std::size_t e = sci.find('e');
    int exponent = 0;
    std::from_chars(sci.data() + e + (sci[e + 1] == '+' ? 2 : 1), sci.data() + sci.size(), exponent);
    std::string mantissa = sci.substr(0, e);

    if (exponent >= -4 && exponent < 3) {
        std::string text = toChars(value, std::chars_format::fixed, kSignificantDigits - 1 - exponent);
        stripTrailingZeros(text);
        return text;
    }
    stripTrailingZeros(mantissa);
    return mantissa + "E" + std::to_string(exponent);
}

} // namespace skv::model

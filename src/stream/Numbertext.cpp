#include "stream/Numbertext.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <system_error>

namespace skv::stream {

std::string toChars(double value, std::chars_format format, int precision) {
    char buffer[512]; // 309 integer digits, the point and 100 decimals fit
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, format, precision);
    if (result.ec != std::errc()) throw std::length_error("number text longer than its buffer");
    return std::string(buffer, result.ptr);
}

void stripTrailingZeros(std::string& text) {
    if (text.find('.') == std::string::npos) return;
    while (!text.empty() && text.back() == '0')
        text.pop_back();
    if (!text.empty() && text.back() == '.') text.pop_back();
}

std::string formatGeneral(double value, const GeneralFormat& format) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    if (value == 0) return "0";

    // Round once; the exponent of the rounded value picks the notation, so that with 3 digits 999.6
    // becomes "1E3" rather than "1000". The fixed text rounds at the same decimal place.
    const std::string sci = toChars(value, std::chars_format::scientific, format.digits - 1);
    const std::size_t e = sci.find('e');
    const int exponent = std::atoi(sci.c_str() + e + 1);
    std::string text;
    if (exponent >= format.minFixedExponent && exponent < format.digits) {
        text = toChars(value, std::chars_format::fixed, format.digits - 1 - exponent);
        stripTrailingZeros(text);
    } else {
        text = sci.substr(0, e);
        stripTrailingZeros(text);
        text += "E" + std::to_string(exponent);
    }
    std::replace(text.begin(), text.end(), '.', format.separator);
    return text;
}

} // namespace skv::stream

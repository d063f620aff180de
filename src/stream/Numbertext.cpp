#include "stream/Numbertext.h"

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

} // namespace skv::stream

#include "model/Numberformat.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace skv::model {

namespace {

constexpr int kSignificantDigits = 3;

void stripTrailingZeros(std::string& text) {
    if (text.find('.') == std::string::npos) return;
    while (!text.empty() && text.back() == '0') text.pop_back();
    if (!text.empty() && text.back() == '.') text.pop_back();
}

} // namespace

std::string formatCameraValue(double value) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    if (value == 0) return "0";

    // Round once to 3 significant digits; the exponent of the rounded value picks the notation,
    // so 999.6 becomes "1E3" rather than "1000".
    char sci[64];
    std::snprintf(sci, sizeof sci, "%.*e", kSignificantDigits - 1, value);
    char* e = std::strchr(sci, 'e');
    const int exponent = std::atoi(e + 1);
    std::string mantissa(sci, static_cast<std::size_t>(e - sci));

    if (exponent >= -4 && exponent < 3) {
        char fixed[64];
        std::snprintf(fixed, sizeof fixed, "%.*f", kSignificantDigits - 1 - exponent, value);
        std::string text = fixed;
        stripTrailingZeros(text);
        return text;
    }
    stripTrailingZeros(mantissa);
    return mantissa + "E" + std::to_string(exponent);
}

} // namespace skv::model

#include "model/Numberformat.h"

#include "stream/Numbertext.h"

#include <charconv>
#include <cmath>
#include <string>

namespace skv::model {

namespace {

constexpr int kSignificantDigits = 3;

using stream::stripTrailingZeros;
using stream::toChars;

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

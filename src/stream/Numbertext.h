// Number texts that never follow the C locale: std::to_chars writes "." whatever the user's
// language, where printf would write the locale's separator once a GUI has set it.
#pragma once

#include <charconv>
#include <string>

namespace skv::stream {

// The printf-shaped text of value ("%.*e", "%.*f", "%.*g" for the three formats) with "." as the
// separator. Precision up to 100; a fixed text of any double at that precision fits.
std::string toChars(double value, std::chars_format format, int precision);

// "1.500" -> "1.5", "2.000" -> "2"; a text without "." is left alone.
void stripTrailingZeros(std::string& text);

// The general number format shared by the camera values shown to the user, the saved positions and
// the engine's number texts, which differ only in these settings.
struct GeneralFormat {
    int digits;           // significant digits, 1 to 17
    int minFixedExponent; // the smallest power of ten still written in fixed notation
    char separator = '.';
};

// The value rounded once to format.digits significant digits, trailing zeros dropped. The exponent
// of the rounded value picks the notation: fixed from minFixedExponent up to below digits, else
// mantissa, "E" and the exponent ("1.23E-5", "1E3"). Zero is "0"; "NAN", "INF", "-INF".
std::string formatGeneral(double value, const GeneralFormat& format);

} // namespace skv::stream

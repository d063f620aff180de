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

} // namespace skv::stream

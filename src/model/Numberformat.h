// The one number format of every camera value shown to the user: 3 significant digits, "." separator.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace skv::model {

// 0.35 -> "0.35", 3.6666 -> "3.67", 1234.5 -> "1.23E3", 0.00001234 -> "1.23E-5", 0 -> "0".
std::string formatCameraValue(double value);

// A camera value typed by the user: a decimal number with "." as separator, an optional sign and
// exponent, blanks around it allowed ("1.5", " -2e-3 ", "+.5"), or "NAN", "INF" and "-INF" as
// formatCameraValue shows those. Nothing when the text is no such number, or when the number does
// not fit a 32-bit float (a camera value is one).
std::optional<float> parseCameraValue(std::string_view text);

// Radians to the degrees that views show.
constexpr double kDegreesPerRadian = 57.29577951308232;

} // namespace skv::model

// The one number format of every camera value shown to the user: 3 significant digits, "." separator.
#pragma once

#include <string>

namespace skv::model {

// 0.35 -> "0.35", 3.6666 -> "3.67", 1234.5 -> "1.23E3", 0.00001234 -> "1.23E-5", 0 -> "0".
std::string formatCameraValue(double value);

// Radians to the degrees that views show.
constexpr double kDegreesPerRadian = 57.29577951308232;

} // namespace skv::model

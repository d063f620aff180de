#include "directcontrol/Savedpositions.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <system_error>

namespace skv::directcontrol {

namespace {

constexpr int kSignificantDigits = 15;

// std::to_chars never looks at the locale, so the separator is always ".".
std::string toChars(double value, std::chars_format format, int precision) {
    char buffer[400]; // fixed notation of the largest double with 15 digits after the point fits
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, format, precision);
    if (result.ec != std::errc()) return "NAN";
    return std::string(buffer, result.ptr);
}

void stripTrailingZeros(std::string& text) {
    if (text.find('.') == std::string::npos) return;
    while (text.back() == '0')
        text.pop_back();
    if (text.back() == '.') text.pop_back();
}

} // namespace

std::string formatPositionValue(double value) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    if (value == 0) return "0";

    // Round once to 15 significant digits; the exponent of the rounded value picks the notation:
    // fixed while the integer part has at most 15 digits and the value is not below 0.00001.
    const std::string sci = toChars(value, std::chars_format::scientific, kSignificantDigits - 1);
    const std::size_t e = sci.find('e');
    const int exponent = std::atoi(sci.c_str() + e + 1);
    if (exponent >= -5 && exponent < kSignificantDigits) {
        std::string fixed = toChars(value, std::chars_format::fixed, kSignificantDigits - 1 - exponent);
        stripTrailingZeros(fixed);
        return fixed;
    }
    std::string mantissa = sci.substr(0, e);
    stripTrailingZeros(mantissa);
    return mantissa + "E" + std::to_string(exponent);
}

std::vector<std::string> positionBlock(std::uint32_t number, const std::string& name,
                                       const model::CarCameraValues& values) {
    std::vector<std::string> lines;
    lines.push_back("[Position" + std::to_string(number) + "]");
    if (!name.empty()) lines.push_back("Name=" + name);
    const std::pair<const char*, float> fields[] = {
        {"X=", values.xPos},      {"Y=", values.yPos},    {"Z=", values.zPos},         {"Yaw=", values.yaw},
        {"Pitch=", values.pitch}, {"Bank=", values.bank}, {"Zoom=", values.zoomAngle},
    };
    for (const auto& [key, value] : fields)
        lines.push_back(key + formatPositionValue(value));
    lines.emplace_back();
    return lines;
}

std::vector<std::string> TPositionLog::add(const std::string& name, const model::CarCameraValues& values) {
    std::vector<std::string> block = positionBlock(counter_++, name, values);
    lines_.insert(lines_.end(), block.begin(), block.end());
    return block;
}

std::string TPositionLog::text() const {
    std::string text;
    for (const std::string& line : lines_)
        text += line + "\n";
    return text;
}

void TSavedPositions::addRollBarPosition(const std::string& name, const model::CarCameraValues& values) {
    add(Camera::RollBar, rollBar_, name, values);
}

void TSavedPositions::addPitCamPosition(const std::string& name, const model::CarCameraValues& values) {
    add(Camera::PitCam, pitCam_, name, values);
}

void TSavedPositions::add(Camera camera, TPositionLog& log, const std::string& name,
                          const model::CarCameraValues& values) {
    const std::vector<std::string> block = log.add(name, values);
    if (appended_) appended_(camera, block);
}

} // namespace skv::directcontrol

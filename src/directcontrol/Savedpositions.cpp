#include "directcontrol/Savedpositions.h"

#include "stream/Numbertext.h"

namespace skv::directcontrol {

std::string formatPositionValue(double value) {
    // Fixed while the integer part has at most 15 digits and the value is not below 0.00001.
    return stream::formatGeneral(value, {15, -5});
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

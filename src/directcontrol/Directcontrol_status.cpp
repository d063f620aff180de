#include "directcontrol/Directcontrol_status.h"

namespace skv::directcontrol {

const char* controlModeName(ControlMode mode) {
    switch (mode) {
    case ControlMode::Static:
        return "Static";
    case ControlMode::MouseRollBar:
        return "MouseRollBar";
    case ControlMode::MousePitCam:
        return "MousePitCam";
    case ControlMode::EffectRollBar:
        return "EffectRollBar";
    case ControlMode::EffectPitCam:
        return "EffectPitCam";
    }
    return "Static";
}

void fillDefaultNames(StatusFields& fields) {
    if (fields.setName.empty()) fields.setName = kDefaultSetName;
    if (fields.effectName.empty()) fields.effectName = kNoEffectName;
}

std::string statusText(const StatusFields& fields) {
    StatusFields f = fields;
    fillDefaultNames(f);
    return std::string("Mode=") + controlModeName(f.mode) + " / Set=" + f.setName +
           " / Effect=" + f.effectName + " / Speed=" + std::to_string(f.speedPosition) +
           " / Smooth=" + std::to_string(f.smoothPosition) +
           " / Single Step=" + (f.singleStep ? "on" : "off");
}

std::string effectErrorText(const std::string& error) {
    std::string text =
        std::string("Mode=") + controlModeName(ControlMode::Static) + " / Effect error: " + error;
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    if (text.size() > kStatusLineMaxChars) text.replace(kStatusLineMaxChars - 3, std::string::npos, "...");
    return text;
}

} // namespace skv::directcontrol

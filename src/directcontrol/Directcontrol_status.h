// The one-line status the control thread shows in the game window and in the main window.
#pragma once

#include "directcontrol/Directcontrol_mode.h"

#include <string>

namespace skv::directcontrol {

constexpr const char* kNotAttachedText = "Not Attached";
constexpr const char* kDefaultSetName = "<default>";
constexpr const char* kNoEffectName = "<none>";

// The status line drawn into the game window: a black band with white text, in window coordinates.
struct StatusBand {
    static constexpr int left = 15, top = 8, right = 640, bottom = 20;
    static constexpr unsigned background = 0x000000, textColour = 0xFFFFFF;
};

struct StatusFields {
    ControlMode mode = ControlMode::Static;
    std::string setName;    // empty names become "<default>" ...
    std::string effectName; // ... and "<none>"; callers keep the replaced names
    int speedPosition = 0;
    int smoothPosition = 0;
    bool singleStep = false;
};

// Replaces empty names by their placeholders, as the status line stores them from then on.
void fillDefaultNames(StatusFields& fields);

// "Mode=... / Set=... / Effect=... / Speed=... / Smooth=... / Single Step=on|off".
std::string statusText(const StatusFields& fields);

} // namespace skv::directcontrol

// The one-line status the control thread shows in the game window and in the main window.
#pragma once

#include "directcontrol/Directcontrol_mode.h"

#include <cstddef>
#include <string>

namespace skv::directcontrol {

constexpr const char* kNotAttachedText = "Not Attached";
constexpr const char* kDefaultSetName = "<default>";
constexpr const char* kNoEffectName = "<none>";

struct StatusFields {
    ControlMode mode = ControlMode::Static;
    std::string setName;    // empty names become "<default>" ...
    std::string effectName; // ... and "<none>"; callers keep the replaced names
    int speedPosition = 0;
    int smoothPosition = 0;
    bool singleStep = false;
};

// The band (platform::StatusBand) is 625 pixels wide; at the default fonts' 6 to 7 pixels a character this
// many fit.
constexpr std::size_t kStatusLineMaxChars = 96;

// Replaces empty names by their placeholders, as the status line stores them from then on.
void fillDefaultNames(StatusFields& fields);

// "Mode=... / Set=... / Effect=... / Speed=... / Smooth=... / Single Step=on|off".
std::string statusText(const StatusFields& fields);

// After an effect failed: "Mode=Static / Effect error: " and the error, on one line, cut to fit the
// band (an engine error quotes the whole script).
std::string effectErrorText(const std::string& error);

} // namespace skv::directcontrol

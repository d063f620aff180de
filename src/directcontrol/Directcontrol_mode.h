// The camera modes of the control thread. Their names are the words the status line shows.
#pragma once

#include <cstdint>

namespace skv::directcontrol {

enum class ControlMode : std::uint8_t {
    Static = 0,        // write the current records once, then wait
    MouseRollBar = 1,  // fly the roll-bar (roof) camera with the mouse and held keys
    MousePitCam = 2,   // fly the pit camera
    EffectRollBar = 3, // an effect script moves the roll-bar camera
    EffectPitCam = 4,  // an effect script moves the pit camera
};

const char* controlModeName(ControlMode mode);

// Whether a mode writes the pit-camera record (otherwise the car-camera blocks).
inline bool movesPitCam(ControlMode mode) {
    return mode == ControlMode::MousePitCam || mode == ControlMode::EffectPitCam;
}

// Whether the thread keeps stepping in a mode, rather than writing once and waiting.
inline bool isMoving(ControlMode mode) {
    return mode != ControlMode::Static;
}

} // namespace skv::directcontrol

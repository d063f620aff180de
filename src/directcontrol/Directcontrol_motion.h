// Mouse and key control of one camera record: the per-step motion of the two mouse modes, and the
// mapping of the speed and smoothing track bars. Pure functions, so the control thread and the tests
// share one definition.
#pragma once

#include "model/Carcameravalues.h"

#include <cstdint>

namespace skv::directcontrol {

// Which camera the mouse moves; the two differ in their key and mouse factors.
enum class MotionTarget : std::uint8_t { RollBar, PitCam };

// The keys that steer, read at each step (true = held down).
struct HeldKeys {
    bool period = false, comma = false;           // speed up / down
    bool keypadMinus = false, keypadPlus = false; // zoom out / in
    bool up = false, down = false, left = false, right = false;
    bool d = false, f = false, w = false, e = false; // bank
};

// Everything one motion step reads besides the camera, the rates and the speed.
struct MotionInput {
    int cursorX = 0, cursorY = 0;          // screen pixels
    int screenWidth = 0, screenHeight = 0; // taken at mode entry
    HeldKeys keys;
    bool leftButtonDown = false, rightButtonDown = false;
    bool lookMode = false, bankMode = false;
    bool isNR2003 = false;
};

// The smoothed per-step changes a mouse mode carries from step to step.
struct MotionRates {
    float yawRate = 0, pitchRate = 0, bankRate = 0;
    float xRate = 0, yRate = 0, zRate = 0, zoomRate = 0;
};

// Zoom angle limits of the mouse modes (radians); the upper one is pi in single precision.
constexpr float kMinZoomAngle = 0.01f;
constexpr float kMaxZoomAngle = 3.14159265358979323846f;

// Cursor offset from the screen centre along one axis (pixel position within 0..extent), with the
// dead zone taken out: 0 near the centre, growing to 1 at the low edge and -1 at the high edge.
double axisValue(int position, int extent);

// One step of mouse motion on camera c. `speed` may be changed by the held speed keys; `smooth` is the
// smoothing weight in percent (0 = follow at once). The rates carry the low-pass state between steps.
void moveCamera(MotionTarget target, const MotionInput& in, float& speed, float smooth, MotionRates& rates,
                model::CarCameraValues& c);

// Track-bar positions (0..100; outside values are clamped) to the key speed factor (0..0.2) and the
// smoothing weight (0..98.04 percent).
float speedFromPosition(int position);
float smoothFromPosition(int position);

} // namespace skv::directcontrol

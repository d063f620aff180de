#include "directcontrol/Directcontrol_motion.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace skv::directcontrol {

namespace {

constexpr double kDeadZone = 0.06;
constexpr double kMaxSpeed = 0.2;
constexpr double kMinKeySpeed = 0.01;
constexpr double kSpeedKeyStep = 0.1;

// The factors in which the roll-bar and the pit camera differ.
struct TargetFactors {
    double zoomStep;     // keypad minus / plus
    double heightStep;   // mouse buttons
    double lookForward;  // up / down arrows in look mode
    double mouseForward; // mouse vertical outside look mode
    double sideways;     // left / right arrows
    bool readsWE;        // W / E bank keys
    bool readsDFForGPLOnly;
    bool floorsHeight; // zPos never below 0
};

constexpr TargetFactors kRollBar{0.15, 0.5, 1.0, 1.0 / 6.0, 1.0, true, true, true};
constexpr TargetFactors kPitCam{0.1, 2.0, 10.0, 4.0, 10.0, false, false, false};

// First-order low-pass: the new rate leans towards the target by (100 - smooth) percent.
float smoothed(double target, float rate, double smooth) {
    return static_cast<float>((target * (100.0 - smooth) + double(rate) * smooth) * 0.01);
}

void applySpeedKeys(const HeldKeys& keys, float& speed) {
    double s = speed;
    if (keys.period) s = std::min(s + kSpeedKeyStep, kMaxSpeed);
    if (keys.comma) s = std::max(s - kSpeedKeyStep, kMinKeySpeed);
    speed = static_cast<float>(s);
}

void addTo(float& value, float rate) {
    value = static_cast<float>(double(value) + double(rate));
}

} // namespace

double axisValue(int position, int extent) {
    if (extent <= 0) return 0.0;
    const double m0 = 2.0 * position / extent - 1.0;
    double t = std::abs(m0) - kDeadZone;
    if (t < 0) return 0.0;
    // A cursor on a second monitor lies outside the primary screen; keep the axis within its range.
    t = std::min(t / (1.0 - kDeadZone), 1.0);
    return m0 < 0 ? t : -t;
}

void moveCamera(MotionTarget target, const MotionInput& in, float& speed, float smooth, MotionRates& rates,
                model::CarCameraValues& c) {
    const TargetFactors& f = target == MotionTarget::RollBar ? kRollBar : kPitCam;
    const HeldKeys& keys = in.keys;
    const double mx = axisValue(in.cursorX, in.screenWidth);
    const double my = axisValue(in.cursorY, in.screenHeight);

    applySpeedKeys(keys, speed);
    const double sp = speed;
    const double s = smooth;

    double dx = 0, dy = 0, dz = 0, dPitch = 0, dBank = 0, dZoom = 0, fwd = 0;

    if (keys.keypadMinus) dZoom += f.zoomStep * sp;
    if (keys.keypadPlus) dZoom -= f.zoomStep * sp;
    rates.zoomRate = smoothed(dZoom, rates.zoomRate, s);
    addTo(c.zoomAngle, rates.zoomRate);
    if (c.zoomAngle > kMaxZoomAngle)
        c.zoomAngle = kMaxZoomAngle;
    else if (c.zoomAngle < kMinZoomAngle)
        c.zoomAngle = kMinZoomAngle;

    // Turning slows down as the view narrows.
    const double k = double(c.zoomAngle) * 2.0 / std::numbers::pi;

    // Up / Down move forward in look mode and pitch otherwise.
    const double upDown = double(keys.up) - double(keys.down);
    if (in.lookMode)
        fwd += upDown * f.lookForward * sp;
    else
        dPitch += upDown * 0.1 * sp;

    if (in.rightButtonDown) dz += f.heightStep * sp;
    if (in.leftButtonDown) dz -= f.heightStep * sp;

    const bool readsDF = !f.readsDFForGPLOnly || !in.isNR2003;
    if (readsDF && keys.d) dBank += 0.05 * sp;
    if (readsDF && keys.f) dBank -= 0.05 * sp;
    if (f.readsWE && keys.w) dBank += 0.05 * sp;
    if (f.readsWE && keys.e) dBank -= 0.05 * sp;

    if (in.lookMode)
        dPitch = -0.05 * my;
    else
        fwd += f.mouseForward * my;

    dPitch *= k;
    const double dYaw = 0.2 * mx * k;
    if (in.bankMode) dBank = -mx * std::numbers::pi / 2.0;

    rates.yawRate = smoothed(dYaw, rates.yawRate, s);
    addTo(c.yaw, rates.yawRate);

    // In bank mode the bank itself eases towards the target; otherwise the keys drive a bank rate.
    if (in.bankMode) {
        c.bank = smoothed(dBank, c.bank, s);
    } else {
        rates.bankRate = smoothed(dBank, rates.bankRate, s);
        c.bank = static_cast<float>(double(c.bank) - double(rates.bankRate));
    }

    rates.pitchRate = smoothed(dPitch, rates.pitchRate, s);
    addTo(c.pitch, rates.pitchRate);

    const double yaw = c.yaw;
    dx += std::cos(yaw) * fwd;
    dy += std::sin(yaw) * fwd;
    if (keys.left) {
        dx -= std::sin(yaw) * f.sideways * sp;
        dy += std::cos(yaw) * f.sideways * sp;
    }
    if (keys.right) {
        dx += std::sin(yaw) * f.sideways * sp;
        dy -= std::cos(yaw) * f.sideways * sp;
    }

    rates.xRate = smoothed(dx, rates.xRate, s);
    rates.yRate = smoothed(dy, rates.yRate, s);
    rates.zRate = smoothed(dz, rates.zRate, s);
    addTo(c.xPos, rates.xRate);
    addTo(c.yPos, rates.yRate);
    addTo(c.zPos, rates.zRate);

    if (f.floorsHeight && c.zPos < 0) c.zPos = 0;
}

float speedFromPosition(int position) {
    return static_cast<float>(std::clamp(position, 0, 100) * 0.01 * 0.2);
}

float smoothFromPosition(int position) {
    return static_cast<float>(std::clamp(position, 0, 100) * (1.0 / 102.0) * 100.0);
}

} // namespace skv::directcontrol

#include "directcontrol/Directcontrol_motion.h"
#include "directcontrol/Directcontrol_status.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace skv::directcontrol;
using skv::model::CarCameraValues;

namespace {

constexpr int kWidth = 1000, kHeight = 800;

MotionInput centred() {
    MotionInput in;
    in.screenWidth = kWidth;
    in.screenHeight = kHeight;
    in.cursorX = kWidth / 2;
    in.cursorY = kHeight / 2;
    return in;
}

CarCameraValues camera(float zoom = 1.0f) {
    CarCameraValues c;
    c.zPos = 1.0f;
    c.zoomAngle = zoom;
    return c;
}

// Runs one step and returns the camera afterwards.
CarCameraValues stepOnce(MotionTarget target, const MotionInput& in, float speed = 0.1f, float smooth = 0,
                         CarCameraValues c = camera()) {
    MotionRates rates;
    moveCamera(target, in, speed, smooth, rates, c);
    return c;
}

} // namespace

TEST(MouseMotion, WorkedExampleLeftTopCornerTurnsAndFlies) {
    MotionInput in = centred();
    in.cursorX = 0;
    in.cursorY = 0;
    CarCameraValues c = camera();
    MotionRates rates;
    float speed = 0.1f;
    const double dYaw = 0.2 * 2.0 / std::numbers::pi;
    ASSERT_NEAR(dYaw, 0.127324, 1e-6);
    double x = 0, y = 0;
    for (int n = 1; n <= 10; ++n) {
        moveCamera(MotionTarget::RollBar, in, speed, 0, rates, c);
        EXPECT_NEAR(c.yaw, n * dYaw, 1e-5) << n;
        x += std::cos(double(c.yaw)) / 6.0;
        y += std::sin(double(c.yaw)) / 6.0;
        EXPECT_NEAR(c.xPos, x, 1e-5) << n;
        EXPECT_NEAR(c.yPos, y, 1e-5) << n;
    }
    EXPECT_EQ(c.zoomAngle, 1.0f);
    EXPECT_EQ(c.pitch, 0.0f);
    EXPECT_EQ(c.bank, 0.0f);
    EXPECT_EQ(speed, 0.1f);
}

TEST(MouseMotion, AxisValueDeadZoneAndRange) {
    const struct {
        int position, extent;
        double expected;
    } cases[] = {
        {0, 1000, 1.0},
        {1000, 1000, -1.0},
        {500, 1000, 0.0},
        {530, 1000, 0.0},
        {470, 1000, 0.0},
        {531, 1000, -0.002 / 0.94},
        {469, 1000, 0.002 / 0.94},
        {250, 1000, 0.44 / 0.94},
        {-700, 1000, 1.0},
        {2500, 1000, -1.0}, // a cursor on another monitor stays within the range
        {10, 0, 0.0},
        {10, -5, 0.0}, // no screen size yet: no motion, no division by zero
    };
    for (const auto& c : cases)
        EXPECT_NEAR(axisValue(c.position, c.extent), c.expected, 1e-12) << c.position;
}

TEST(MouseMotion, CursorInDeadZoneBuildsNoYawAndCentreLetsRatesDecay) {
    MotionInput in = centred();
    in.cursorX = kWidth / 2 + 29; // inside 6% of the half-width
    in.cursorY = kHeight / 2 - 23;
    const CarCameraValues still = stepOnce(MotionTarget::RollBar, in, 0.1f, 92.16f);
    EXPECT_EQ(still, camera());

    in = centred();
    CarCameraValues c = camera();
    MotionRates rates{0.2f, 0.1f, 0.05f, 1.0f, -1.0f, 0.5f, 0.01f};
    float speed = 0.1f;
    for (int i = 0; i < 600; ++i)
        moveCamera(MotionTarget::RollBar, in, speed, 92.16f, rates, c);
    const CarCameraValues settled = c;
    moveCamera(MotionTarget::RollBar, in, speed, 92.16f, rates, c);
    EXPECT_EQ(c, settled);
    EXPECT_NEAR(rates.yawRate, 0.0, 1e-12);
    EXPECT_NEAR(rates.xRate, 0.0, 1e-12);
}

TEST(MouseMotion, TrackBarMapping) {
    const struct {
        int position;
        float speed, smooth;
    } cases[] = {
        {0, 0.0f, 0.0f},         {50, 0.1f, 49.019608f}, {94, 0.188f, 92.156863f},
        {100, 0.2f, 98.039216f}, {-3, 0.0f, 0.0f},       {140, 0.2f, 98.039216f},
    };
    for (const auto& c : cases) {
        EXPECT_FLOAT_EQ(speedFromPosition(c.position), c.speed) << c.position;
        EXPECT_FLOAT_EQ(smoothFromPosition(c.position), c.smooth) << c.position;
    }
}

TEST(MouseMotion, HeldSpeedKeysCapAndFloorTheSpeed) {
    const struct {
        bool period, comma;
        float start;
        int steps;
        float expected;
    } cases[] = {
        {true, false, 0.1f, 5, 0.2f},  {true, false, 0.05f, 1, 0.15f}, {false, true, 0.2f, 5, 0.01f},
        {false, true, 0.0f, 1, 0.01f}, {false, true, 0.15f, 1, 0.05f}, {true, true, 0.2f, 1, 0.1f},
    };
    for (const auto& c : cases) {
        MotionInput in = centred();
        in.keys.period = c.period;
        in.keys.comma = c.comma;
        float speed = c.start;
        MotionRates rates;
        CarCameraValues cam = camera();
        for (int i = 0; i < c.steps; ++i)
            moveCamera(MotionTarget::RollBar, in, speed, 0, rates, cam);
        EXPECT_FLOAT_EQ(speed, c.expected) << c.start << " " << c.steps;
    }
}

TEST(MouseMotion, ZoomStaysWithinLimits) {
    for (MotionTarget target : {MotionTarget::RollBar, MotionTarget::PitCam}) {
        MotionInput in = centred();
        in.keys.keypadMinus = true;
        CarCameraValues c = camera(3.0f);
        MotionRates rates;
        float speed = 0.2f;
        for (int i = 0; i < 50; ++i)
            moveCamera(target, in, speed, 50, rates, c);
        EXPECT_EQ(c.zoomAngle, kMaxZoomAngle);

        in.keys = {};
        in.keys.keypadPlus = true;
        for (int i = 0; i < 500; ++i)
            moveCamera(target, in, speed, 50, rates, c);
        EXPECT_EQ(c.zoomAngle, kMinZoomAngle);
    }
    // Records that were never filled (all zero) and wild values from the game are pulled into range.
    EXPECT_EQ(stepOnce(MotionTarget::RollBar, centred(), 0.1f, 0, camera(0.0f)).zoomAngle, kMinZoomAngle);
    EXPECT_EQ(stepOnce(MotionTarget::PitCam, centred(), 0.1f, 0, camera(5.0f)).zoomAngle, kMaxZoomAngle);
}

TEST(MouseMotion, HeightFloorOnlyForRollBar) {
    MotionInput in = centred();
    in.leftButtonDown = true;
    CarCameraValues roll = camera(), pit = camera();
    MotionRates r1, r2;
    float s1 = 0.2f, s2 = 0.2f;
    for (int i = 0; i < 20; ++i) {
        moveCamera(MotionTarget::RollBar, in, s1, 0, r1, roll);
        moveCamera(MotionTarget::PitCam, in, s2, 0, r2, pit);
    }
    EXPECT_EQ(roll.zPos, 0.0f);
    EXPECT_FLOAT_EQ(pit.zPos, 1.0f - 20 * 2.0f * 0.2f);
}

TEST(MouseMotion, BankKeysPerGameAndCamera) {
    // Sign of the bank change after one step: D and W bank one way, F and E the other.
    const struct {
        MotionTarget target;
        bool nr2003;
        int d, f, w, e;
    } cases[] = {
        {MotionTarget::RollBar, false, -1, 1, -1, 1},
        {MotionTarget::RollBar, true, 0, 0, -1, 1},
        {MotionTarget::PitCam, false, -1, 1, 0, 0},
        {MotionTarget::PitCam, true, -1, 1, 0, 0},
    };
    for (const auto& c : cases) {
        const int expected[4] = {c.d, c.f, c.w, c.e};
        for (int key = 0; key < 4; ++key) {
            MotionInput in = centred();
            in.isNR2003 = c.nr2003;
            bool* keys[4] = {&in.keys.d, &in.keys.f, &in.keys.w, &in.keys.e};
            *keys[key] = true;
            const float bank = stepOnce(c.target, in, 0.2f).bank;
            EXPECT_FLOAT_EQ(bank, expected[key] * 0.05f * 0.2f)
                << "target " << int(c.target) << " nr2003 " << c.nr2003 << " key "
                << "DFWE"[key];
        }
    }
}

TEST(MouseMotion, BankModeEasesBankTowardsCursorTarget) {
    MotionInput in = centred();
    in.bankMode = true;
    in.cursorX = 0;   // mx = 1, target bank -pi/2
    in.keys.d = true; // replaced by the bank-mode target
    CarCameraValues c = camera();
    MotionRates rates;
    rates.bankRate = 0.3f;
    float speed = 0.1f;
    moveCamera(MotionTarget::RollBar, in, speed, 50, rates, c);
    EXPECT_FLOAT_EQ(c.bank, float(-std::numbers::pi / 4));
    moveCamera(MotionTarget::RollBar, in, speed, 50, rates, c);
    EXPECT_FLOAT_EQ(c.bank, float(-3 * std::numbers::pi / 8));
    EXPECT_EQ(rates.bankRate, 0.3f);
}

TEST(MouseMotion, FactorsOfRollBarAndPitCamera) {
    // One input at a time, speed 0.1, no smoothing, yaw 0, zoom 1: the change of one value.
    const struct {
        const char* input;
        void (*press)(MotionInput&);
        float CarCameraValues::*value;
        double rollBar, pitCam;
    } cases[] = {
        {"left arrow", [](MotionInput& in) { in.keys.left = true; }, &CarCameraValues::yPos, 0.1, 1.0},
        {"look up", [](MotionInput& in) { in.lookMode = in.keys.up = true; }, &CarCameraValues::xPos, 0.1,
         1.0},
        {"mouse up", [](MotionInput& in) { in.cursorY = 0; }, &CarCameraValues::xPos, 1.0 / 6.0, 4.0},
        {"right button", [](MotionInput& in) { in.rightButtonDown = true; }, &CarCameraValues::zPos, 0.05,
         0.2},
        {"zoom out", [](MotionInput& in) { in.keys.keypadMinus = true; }, &CarCameraValues::zoomAngle, 0.015,
         0.01},
        {"pitch up", [](MotionInput& in) { in.keys.up = true; }, &CarCameraValues::pitch,
         0.01 * 2 / std::numbers::pi, 0.01 * 2 / std::numbers::pi},
        {"look, mouse up",
         [](MotionInput& in) {
             in.lookMode = true;
             in.cursorY = 0;
         },
         &CarCameraValues::pitch, -0.05 * 2 / std::numbers::pi, -0.05 * 2 / std::numbers::pi},
    };
    for (const auto& c : cases) {
        MotionInput in = centred();
        c.press(in);
        const CarCameraValues before = camera();
        for (MotionTarget target : {MotionTarget::RollBar, MotionTarget::PitCam}) {
            const CarCameraValues after = stepOnce(target, in);
            const double expected = target == MotionTarget::RollBar ? c.rollBar : c.pitCam;
            EXPECT_NEAR(after.*c.value - before.*c.value, expected, 1e-6)
                << "input " << c.input << " target " << int(target);
        }
    }
}

// The names the thread hands over are read whole in its own tests; here, the placeholders for none.
TEST(StatusLine, PlaceholdersAndModeNames) {
    StatusFields f;
    f.mode = ControlMode::MouseRollBar;
    f.speedPosition = 50;
    f.smoothPosition = 94;
    EXPECT_EQ(statusText(f),
              "Mode=MouseRollBar / Set=<default> / Effect=<none> / Speed=50 / Smooth=94 / Single Step=off");
    const char* names[] = {"Static", "MouseRollBar", "MousePitCam", "EffectRollBar", "EffectPitCam"};
    for (int m = 0; m < 5; ++m)
        EXPECT_STREQ(controlModeName(ControlMode(m)), names[m]);
}

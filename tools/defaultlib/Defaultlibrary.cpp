#include "Defaultlibrary.h"

#include "Carpicture.h"

#include <algorithm>
#include <cstdint>
#include <numbers>
#include <string>

namespace skv::defaultlib {

namespace {

using namespace skv::model;

constexpr float kPi = std::numbers::pi_v<float>;
constexpr std::uint16_t kCtrl = 0x4000;

struct CameraPlan {
    float x, y, z, yaw, pitch, bank, zoom;
};

// Slots in the set's own order: roll bar, nose, gearbox, front suspension, rear suspension, and the
// sixth camera the game keeps but the views do not show. Positions in metres in the car's frame
// (x forward, y to the left, z up from the ground), angles in radians (see Carpicture.h).
struct SetPlan {
    const char* caption;
    const char* comment;
    std::uint16_t key;
    CameraPlan cameras[kCamerasPerSet];
};

const SetPlan kSets[] = {
    {"TV Onboard",
     "Cameras where a television crew would fix them: above the driver's head looking down the car, on "
     "the nose looking back at the driver, behind the gearbox at the cars that follow, and low on both "
     "sides beside the wheels. Ctrl+1 during a replay.",
     kCtrl | '1',
     {
         {-0.85f, 0.00f, 1.05f, 0.00f, -0.12f, 0.00f, 0.95f},  // above and behind the helmet
         {2.05f, 0.00f, 0.52f, kPi, -0.10f, 0.00f, 0.80f},     // nose, looking back at the driver
         {-2.05f, 0.00f, 0.55f, kPi, -0.03f, 0.00f, 1.00f},    // gearbox, looking back
         {0.40f, -0.28f, 0.56f, -0.22f, -0.08f, 0.00f, 1.10f}, // right side, at the front wheel
         {-0.45f, 0.30f, 0.68f, 2.95f, -0.10f, 0.00f, 1.10f},  // left side, back at the rear wheel
         {-6.00f, 0.00f, 2.20f, 0.00f, -0.22f, 0.00f, 0.85f},  // chase view above and behind
     }},
    {"Low Chase",
     "Cameras off the car, low and wide, for a sense of speed: a chase view from behind, the track "
     "rushing under the nose and the gearbox, and wheel-height views of the car from its front and rear "
     "corners. Ctrl+2 during a replay.",
     kCtrl | '2',
     {
         {-6.50f, 0.00f, 1.30f, 0.00f, -0.10f, 0.00f, 1.05f},   // chase, 6.5 m behind
         {2.45f, 0.00f, 0.18f, 0.00f, 0.02f, 0.00f, 1.30f},     // skimming the track ahead
         {-2.30f, 0.00f, 0.22f, kPi, 0.03f, 0.00f, 1.30f},      // skimming the track behind
         {3.00f, -1.60f, 0.30f, 2.65f, -0.03f, 0.00f, 1.20f},   // front right corner, facing the car
         {-3.10f, 1.70f, 0.30f, -0.50f, -0.02f, 0.00f, 1.20f},  // rear left corner, facing the car
         {0.00f, -3.20f, 0.60f, kPi / 2, -0.05f, 0.00f, 1.10f}, // beside the car, facing it
     }},
    {"Wide Cockpit",
     "The driver's view and views around the cockpit with a wide angle: the eye point, the cowl ahead "
     "of the screen, a mirror view back over the engine, and steep views down on a front and a rear "
     "wheel. Ctrl+3 during a replay.",
     kCtrl | '3',
     {
         {-0.18f, 0.00f, 0.80f, 0.00f, -0.06f, 0.00f, 1.45f},  // the driver's eyes
         {0.45f, -0.22f, 0.64f, 0.00f, -0.14f, 0.00f, 1.35f},  // on the cowl, over the nose
         {-0.50f, 0.00f, 1.00f, kPi, -0.20f, 0.00f, 1.40f},    // mirror view over the engine
         {0.70f, -0.38f, 0.80f, -0.30f, -0.50f, 0.00f, 1.25f}, // down on the right front wheel
         {-0.70f, 0.38f, 0.85f, 2.80f, -0.50f, 0.00f, 1.30f},  // down on the left rear wheel
         {0.20f, 0.00f, 3.00f, 0.00f, -1.30f, 0.00f, 1.10f},   // straight down from above
     }},
};

struct EffectPlan {
    const char* caption;
    const char* comment; // what the effect does and where its numbers come from
    const char* script;
};

// FRAMES counts the steps since the effect started, about 37 a second, so 370 steps are ten seconds.
// The scripts that start from the camera as it stands remember its values at the first step.
const EffectPlan kEffects[] = {
    {"Orbit",
     "Circles the car once in 20 seconds (740 steps), 6 m out and 1.5 m up, always facing it. 6 is the "
     "radius, 740 the time of one turn; PITCH aims at the middle of the car, 1.1 m below the camera.",
     "a := FRAMES * 2 * PI / 740;\r\nX := -6 * COS(a);\r\nY := -6 * SIN(a);\r\nZ := 1.5;\r\nYAW := a;\r\n"
     "PITCH := -ATAN(1.1 / 6);\r\nBANK := 0;\r\nZOOM := 0.9;"},
    {"Dolly Zoom",
     "Moves back from 3 m to 12 m behind the car in ten seconds (370 steps) while the zoom narrows, so "
     "the car keeps its size and the background grows. The zoom keeps a 4.1 m wide view at the car: "
     "2 * ATAN(2.05 / distance).",
     "d := 3 + 9 * MIN(FRAMES, 370) / 370;\r\nX := -d;\r\nY := 0;\r\nZ := 1;\r\nYAW := 0;\r\n"
     "PITCH := -ATAN(0.6 / d);\r\nBANK := 0;\r\nZOOM := 2 * ATAN(2.05 / d);"},
    {"Crane Up",
     "Rises from 1 m to 8 m, 5 m behind the car, in ten seconds (370 steps), tilting down so that the "
     "car stays in the middle of the picture: PITCH aims at 0.4 m above the ground.",
     "h := 1 + 7 * MIN(FRAMES, 370) / 370;\r\nX := -5;\r\nY := 0;\r\nZ := h;\r\nYAW := 0;\r\n"
     "PITCH := -ATAN((h - 0.4) / 5);\r\nBANK := 0;\r\nZOOM := 1;"},
    {"Slow Pan",
     "Keeps the camera where it stands and turns it a quarter turn to the right in 15 seconds (555 "
     "steps), easing in and out, then holds.",
     "IF FRAMES = 1 THEN yaw0 := YAW;\r\ns := MIN(FRAMES, 555) / 555;\r\n"
     "YAW := yaw0 - PI / 2 * s * s * (3 - 2 * s);"},
    {"Fly-By",
     "Passes the car from 30 m ahead to 30 m behind in eight seconds (296 steps), 4 m to its right "
     "and 1.2 m up, turning to follow it: facing the car from 4 m to its right is YAW = PI / 2 + ATAN(X / "
     "4).",
     "p := MIN(FRAMES, 296) / 296;\r\nX := 30 - 60 * p;\r\nY := -4;\r\nZ := 1.2;\r\n"
     "YAW := PI / 2 + ATAN(X / 4);\r\nPITCH := -0.1;\r\nBANK := 0;\r\nZOOM := 0.8;"},
    {"Zoom Pulse",
     "Breathes the zoom 15% in and out around where it stood, once every four seconds (148 steps); "
     "the camera does not move.",
     "IF FRAMES = 1 THEN zoom0 := ZOOM;\r\nZOOM := zoom0 * (1 + 0.15 * SIN(FRAMES * 2 * PI / 148));"},
    {"Gentle Shake",
     "A hand-held look: the camera shakes by at most 3 cm and half a degree around where it stood, "
     "from sines whose periods never line up, so the motion does not repeat visibly.",
     "IF FRAMES = 1 THEN\r\nBEGIN\r\n  x0 := X; z0 := Z; pitch0 := PITCH; bank0 := BANK;\r\nEND;\r\n"
     "X := x0 + 0.02 * SIN(FRAMES * 0.37) + 0.01 * SIN(FRAMES * 1.13);\r\n"
     "Z := z0 + 0.015 * SIN(FRAMES * 0.71 + 1);\r\nPITCH := pitch0 + 0.006 * SIN(FRAMES * 0.91);\r\n"
     "BANK := bank0 + 0.008 * SIN(FRAMES * 0.53);"},
    {"Push-In",
     "Moves in from 8 m to 3 m behind the car at roof height in six seconds (222 steps), easing in "
     "and out with s * s * (3 - 2 * s), then holds.",
     "s := MIN(FRAMES, 222) / 222;\r\nX := -8 + 5 * s * s * (3 - 2 * s);\r\nY := 0;\r\nZ := 1.3;\r\n"
     "YAW := 0;\r\nPITCH := -0.12;\r\nBANK := 0;\r\nZOOM := 0.9;"},
    {"Pull-Back Reveal",
     "Starts close on the driver, 1.4 m ahead of the helmet and looking back, and pulls away to 15 m "
     "ahead and 5 m up in twelve seconds (444 steps) while the zoom widens from 0.5 to 1.1, revealing "
     "the car and the track. PITCH aims at the helmet, 0.7 m up.",
     "s := MIN(FRAMES, 444) / 444;\r\ne := s * s * (3 - 2 * s);\r\nX := 1.2 + 13.8 * e;\r\nY := 0;\r\n"
     "Z := 0.9 + 4.1 * e;\r\nYAW := PI;\r\nPITCH := -ATAN((Z - 0.7) / (X + 0.2));\r\nBANK := 0;\r\n"
     "ZOOM := 0.5 + 0.6 * e;"},
    {"Pendulum",
     "Swings from side to side behind the car like a pendulum hung 5 m up, 4 m long, half a radian "
     "each way, once every six seconds (222 steps); it banks with the swing and keeps facing the car.",
     "a := 0.5 * SIN(FRAMES * 2 * PI / 222);\r\nX := -4;\r\nY := 4 * SIN(a);\r\nZ := 5 - 4 * COS(a);\r\n"
     "YAW := -ATAN(Y / 4);\r\nPITCH := -ATAN((Z - 0.4) / 4);\r\nBANK := a / 2;\r\nZOOM := 1;"},
    {"Tracking Shot",
     "Runs alongside the car at wheel height, 3 m to its left, drifting from its rear wheels to its "
     "nose in ten seconds (370 steps) while facing it side on.",
     "s := MIN(FRAMES, 370) / 370;\r\nX := -2 + 4 * s;\r\nY := 3;\r\nZ := 0.5;\r\nYAW := -PI / 2;\r\n"
     "PITCH := 0;\r\nBANK := 0;\r\nZOOM := 1.2;"},
    {"Spiral Up",
     "Rises from 1 m to 10 m in a spiral around the car, one turn every ten seconds (370 steps) for "
     "twenty seconds, the radius growing from 5 m to 10 m, always facing the car and tilting down "
     "towards it.",
     "s := MIN(FRAMES, 740) / 740;\r\na := FRAMES * 2 * PI / 370;\r\nr := 5 + 5 * s;\r\n"
     "X := -r * COS(a);\r\nY := -r * SIN(a);\r\nZ := 1 + 9 * s;\r\nYAW := a;\r\n"
     "PITCH := -ATAN((Z - 0.4) / r);\r\nBANK := 0;\r\nZOOM := 1;"},
};

std::unique_ptr<TGPLCarCameraSet> makeSet(const SetPlan& plan) {
    auto set = std::make_unique<TGPLCarCameraSet>();
    set->Caption = plan.caption;
    set->Comment = plan.comment;
    set->ActivationKey = plan.key;
    for (std::size_t slot = 0; slot < kCamerasPerSet; ++slot) {
        const CameraPlan& c = plan.cameras[slot];
        TGPLCarCamera& camera = set->camera(slot);
        camera.values() = CarCameraValues{c.x, c.y, c.z, c.yaw, c.pitch, c.bank, c.zoom, 0.0f, 0.0f};
        // The views show the first five; the sixth is carried into the game without a picture.
        if (slot >= kGplSlotTitles.size()) continue;
        camera.Caption = kGplSlotTitles[slot];
        camera.setImage(drawCameraPicture(camera.values()));
    }
    return set;
}

// The note's first sentence as comment lines heading the script, so that whoever opens the script
// reads what it does without looking for the item's comment.
std::string headedScript(const EffectPlan& plan) {
    constexpr std::size_t kWidth = 78;
    std::string note = plan.comment;
    if (const std::size_t end = note.find(". "); end != std::string::npos) note.resize(end + 1);
    std::string script, line = "//";
    for (std::size_t at = 0; at < note.size();) {
        const std::size_t space = std::min(note.find(' ', at), note.size());
        const std::string word = note.substr(at, space - at);
        if (line.size() + 1 + word.size() > kWidth) {
            script += line + "\r\n";
            line = "//";
        }
        line += ' ' + word;
        at = space + 1;
    }
    return script + line + "\r\n" + plan.script;
}

std::unique_ptr<TGPLCarCameraSet> makeEffect(const EffectPlan& plan, const CarCameraValues& start) {
    auto item = std::make_unique<TGPLCarCameraSet>();
    item->Type = eCameraSetType::CstRollBarCam;
    item->Caption = plan.caption;
    item->Comment = plan.comment;
    item->Camera0.values() = start;
    item->Camera0.Caption = kGplSlotTitles[0];
    item->setEffect(headedScript(plan));
    return item;
}

} // namespace

TCameraSetList makeDefaultLibrary() {
    TCameraSetList items;
    for (const SetPlan& plan : kSets)
        items.push_back(makeSet(plan));
    // An effect item's camera is the roll-bar camera it starts from: that of the first set.
    const CarCameraValues start = items.front()->Camera0.values();
    for (const EffectPlan& plan : kEffects)
        items.push_back(makeEffect(plan, start));
    return items;
}

} // namespace skv::defaultlib

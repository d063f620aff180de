#include "Samplelibrary.h"

#include <algorithm>
#include <cmath>

namespace skv::tool {

namespace {

using namespace skv::model;

// A schematic view from the camera: sky, a horizon tilted by the bank, grass and a grey track whose
// width follows the zoom. Enough to tell the cameras apart in a view.
TJPEGImage drawView(const CarCameraValues& v, int hue) {
    constexpr int kWidth = 160;
    constexpr int kHeight = 120;
    RgbImage img;
    img.width = kWidth;
    img.height = kHeight;
    img.pixels.resize(std::size_t(kWidth) * kHeight * 3);
    const double horizon = kHeight * (0.45 + 0.8 * std::sin(v.pitch));
    const double tilt = std::tan(v.bank);
    const double trackHalf = 20.0 + 30.0 * std::clamp(v.zoomAngle, 0.2f, 1.5f);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            std::uint8_t* p = &img.pixels[(std::size_t(y) * kWidth + std::size_t(x)) * 3];
            const double dx = x - kWidth / 2.0;
            const double line = horizon + tilt * dx;
            if (y < line) {
                const double t = y / line;
                p[0] = std::uint8_t(90 + 60 * t);
                p[1] = std::uint8_t(140 + 60 * t);
                p[2] = std::uint8_t(230 - 20 * t);
                continue;
            }
            const double depth = (y - line) / (kHeight - line + 1.0);
            const bool onTrack = std::abs(dx) < trackHalf * depth + 2;
            p[0] = std::uint8_t(onTrack ? 110 : 40 + hue);
            p[1] = std::uint8_t(onTrack ? 110 : 120 + hue / 2);
            p[2] = std::uint8_t(onTrack ? 115 : 40);
        }
    return TJPEGImage::encode(img, 80);
}

CarCameraValues camera(float x, float y, float z, float yaw, float pitch, float zoom) {
    CarCameraValues v;
    v.xPos = x;
    v.yPos = y;
    v.zPos = z;
    v.yaw = yaw;
    v.pitch = pitch;
    v.zoomAngle = zoom;
    return v;
}

struct SetPlan {
    const char* caption;
    const char* comment;
    std::uint16_t key;
    float height; // how far above the car the roll-bar camera sits
    float spread; // how far the suspension cameras stand out
    float zoom;
};

std::unique_ptr<TGPLCarCameraSet> makeSet(const SetPlan& plan, int hue) {
    auto set = std::make_unique<TGPLCarCameraSet>();
    set->Caption = plan.caption;
    set->Comment = plan.comment;
    set->ActivationKey = plan.key;
    const CarCameraValues slots[kCamerasPerSet] = {
        camera(0.0f, -0.4f, plan.height, 0.0f, -0.05f, plan.zoom),        // roll bar
        camera(0.0f, 1.6f, 0.35f, 0.0f, -0.02f, plan.zoom * 1.1f),        // nose
        camera(0.0f, -1.9f, 0.45f, 3.14159f, -0.03f, plan.zoom),          // gearbox
        camera(plan.spread, 1.0f, 0.25f, -0.35f, 0.0f, plan.zoom * 0.9f), // front suspension
        camera(-plan.spread, -1.2f, 0.3f, 0.3f, 0.0f, plan.zoom * 0.9f),  // rear suspension
        camera(0.0f, 0.0f, 1.0f, 0.0f, 0.0f, plan.zoom),                  // stored, never shown
    };
    for (std::size_t slot = 0; slot < kCamerasPerSet; ++slot) {
        TGPLCarCamera& cam = set->camera(slot);
        cam.values() = slots[slot];
        cam.unknown1 = 1.0f; // a carried value, set so that the sample shows it passing through
        if (slot < kGplSlotTitles.size()) {
            cam.Caption = kGplSlotTitles[slot];
            cam.setImage(drawView(cam.values(), hue));
        }
    }
    return set;
}

std::unique_ptr<TGPLCarCameraSet> makeEffect(const char* caption, const char* comment, std::uint16_t key,
                                             const char* script) {
    auto set = std::make_unique<TGPLCarCameraSet>();
    set->Type = eCameraSetType::CstRollBarCam;
    set->Caption = caption;
    set->Comment = comment;
    set->ActivationKey = key;
    set->Camera0.values() = camera(0.0f, -0.4f, 1.1f, 0.0f, -0.05f, 0.9f);
    set->setEffect(script);
    return set;
}

} // namespace

TCameraSetList makeSampleLibrary() {
    constexpr std::uint16_t kCtrl = 0x4000;
    const SetPlan plans[] = {
        {"Broadcast", "Cameras close to the car, as a television crew would place them.", kCtrl | '1', 0.9f,
         0.8f, 0.9f},
        {"Low and wide", "Low cameras with a wide angle: speed near the ground.", kCtrl | '2', 0.6f, 1.1f,
         1.3f},
        {"Long lens", "High, narrow views for slow motion.", kCtrl | '3', 1.4f, 0.9f, 0.45f},
    };
    TCameraSetList items;
    int hue = 0;
    for (const auto& plan : plans)
        items.push_back(makeSet(plan, hue += 25));
    items.push_back(
        makeEffect("Slow rise", "Lifts the roof camera a little every step.", kCtrl | 'R', "Z := Z + 0.01;"));
    items.push_back(makeEffect("Drift back", "Moves back and turns slowly; stops after ten seconds.",
                               kCtrl | 'D',
                               "BEGIN\r\n  IF FRAMES < 370 THEN\r\n  BEGIN\r\n    Y := Y - 0.02;\r\n"
                               "    YAW := YAW + 0.001;\r\n  END;\r\nEND"));
    return items;
}

} // namespace skv::tool

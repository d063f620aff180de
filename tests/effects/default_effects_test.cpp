// Every effect of the shipped default library, played as direct control plays it, from the roll-bar
// camera its item carries: it passes the editor's check, runs without an error, moves the camera,
// and keeps it in a range a film-maker can use.
#include "effects/Effectplayer.h"
#include "model/Libraryfile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>

using namespace skv::effects;
using namespace skv::model;

namespace {

constexpr double kNoLimit = 1e9;

struct EffectBounds {
    const char* caption;
    int steps;    // how long to play it: past the end of its motion
    double reach; // farthest the camera may get from the car, horizontally, in metres
    double zLow, zHigh;
    double drift; // farthest it may get from where it started
    double aimZ;  // a point this high above the car's origin stays in the picture (0: not checked)
};

const EffectBounds kBounds[] = {
    {"Orbit", 800, 6.01, 1.4, 1.6, kNoLimit, 0.4},
    {"Dolly Zoom", 400, 12.01, 0.9, 1.1, kNoLimit, 0.4},
    {"Crane Up", 400, 5.01, 0.9, 8.01, kNoLimit, 0.4},
    {"Slow Pan", 600, kNoLimit, 0.0, 10.0, 0.0, 0},
    {"Fly-By", 320, 30.3, 1.1, 1.3, kNoLimit, 0.4},
    {"Zoom Pulse", 300, kNoLimit, 0.0, 10.0, 0.0, 0},
    {"Gentle Shake", 1000, kNoLimit, 0.0, 10.0, 0.05, 0},
    {"Push-In", 250, 8.01, 1.2, 1.4, kNoLimit, 0.4},
    {"Pull-Back Reveal", 480, 15.01, 0.8, 5.01, kNoLimit, 0.7},
    {"Pendulum", 450, 4.5, 1.0, 1.6, kNoLimit, 0.4},
    {"Tracking Shot", 400, 3.7, 0.4, 0.6, kNoLimit, 0.4},
    {"Spiral Up", 800, 10.01, 0.9, 10.01, kNoLimit, 0.4},
};

// Whether a camera at v sees the point aimZ above the car's origin: within half the zoom angle to the
// side and within the picture's 3:4 share of it up and down. A camera looks along (cos yaw, sin yaw).
bool seesTheCar(const CarCameraValues& v, double aimZ) {
    const double dx = -v.xPos, dy = -v.yPos, dz = aimZ - v.zPos;
    const double heading = std::atan2(dy, dx); // the yaw that faces the car
    const double side = std::remainder(heading - v.yaw, 2 * M_PI);
    const double elevation = std::atan2(dz, std::hypot(dx, dy));
    const double halfWidth = v.zoomAngle / 2, halfHeight = std::atan(std::tan(halfWidth) * 0.75);
    return std::abs(side) < halfWidth && std::abs(elevation - v.pitch) < halfHeight;
}

TEST(DefaultEffects, EachStaysInItsRangeFromStartToEnd) {
    const TCameraSetList items = loadLibraryFile(SKV_SAMPLE_LIBRARY);
    std::set<std::string> shipped;
    for (const auto& item : items)
        if (item->isEffect()) shipped.insert(item->Caption);
    std::set<std::string> covered;
    for (const EffectBounds& b : kBounds)
        covered.insert(b.caption);
    EXPECT_EQ(shipped, covered) << "every shipped effect needs a row here, every row an effect";
    EXPECT_GE(shipped.size(), 10u);

    for (const EffectBounds& b : kBounds) {
        SCOPED_TRACE(b.caption);
        const auto found = std::find_if(items.begin(), items.end(), [&](const auto& i) {
            return i->isEffect() && i->Caption == b.caption;
        });
        if (found == items.end()) continue;
        const TGPLCarCameraSet& item = **found;
        EXPECT_FALSE(item.Comment.empty());
        // The script opens with the comment's first words, for whoever reads it in the editor.
        const std::string& script = item.effect();
        ASSERT_EQ(script.rfind("// ", 0), 0u);
        const std::string heading = script.substr(3, script.find_first_of("\r\n") - 3);
        EXPECT_EQ(item.Comment.rfind(heading, 0), 0u) << heading;

        TEffectPlayer player;
        EXPECT_EQ(player.check(item.effect()), "");
        player.load(item.effect());
        const CarCameraValues start = item.Camera0.values();
        CarCameraValues camera = start;
        player.seed(1, camera);
        bool moved = false;
        int blind = 0;
        for (int frame = 1; frame <= b.steps; ++frame) {
            CarCameraValues next = camera;
            ASSERT_NO_THROW(player.step(frame, next, EffectBudget::fromNow())) << "frame " << frame;
            for (std::size_t i = 0; i < kValuesPerCamera; ++i)
                ASSERT_TRUE(std::isfinite(valueAt(next, i))) << "frame " << frame << " value " << i;
            EXPECT_EQ(next.unknown1, start.unknown1);
            moved = moved || !(next == camera);
            camera = next;
            const double reach = std::hypot(camera.xPos, camera.yPos);
            const double drift =
                std::hypot(camera.xPos - start.xPos, camera.yPos - start.yPos, camera.zPos - start.zPos);
            EXPECT_LE(reach, b.reach) << "frame " << frame;
            EXPECT_GE(camera.zPos, b.zLow) << "frame " << frame;
            EXPECT_LE(camera.zPos, b.zHigh) << "frame " << frame;
            EXPECT_LE(drift, b.drift) << "frame " << frame;
            EXPECT_GT(camera.zoomAngle, 0.2f) << "frame " << frame;
            EXPECT_LT(camera.zoomAngle, 2.0f) << "frame " << frame;
            EXPECT_LT(std::abs(camera.pitch), 1.5f) << "frame " << frame;
            EXPECT_LT(std::abs(camera.bank), 0.5f) << "frame " << frame;
            if (b.aimZ > 0 && !seesTheCar(camera, b.aimZ)) ++blind;
        }
        EXPECT_TRUE(moved);
        EXPECT_EQ(blind, 0) << "steps on which the car is out of the picture";
        // The editor's preview keeps its player for the next run only when a reset undoes all.
        EXPECT_TRUE(player.reset()) << "the script left something in the player's context";
    }
}

} // namespace

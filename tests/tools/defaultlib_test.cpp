// The default library: its sets are complete and tell their cameras apart, and every picture is drawn
// from its camera's own values.
#include "Carpicture.h"
#include "model/Libraryfile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

using namespace skv::model;
using skv::defaultlib::renderCameraView;

namespace {

TEST(DefaultLibrary, ThreeCompleteSetsWithTheirOwnKeysAndPictures) {
    const TCameraSetList items = loadLibraryFile(SKV_SAMPLE_LIBRARY);
    std::set<std::uint16_t> keys;
    std::set<std::string> pictures;
    std::set<std::vector<float>> cameras;
    int sets = 0;
    for (const auto& item : items) {
        if (item->isEffect()) continue;
        ++sets;
        SCOPED_TRACE(item->Caption);
        EXPECT_FALSE(item->Comment.empty());
        EXPECT_NE(item->ActivationKey, 0);
        keys.insert(item->ActivationKey);
        for (std::size_t slot = 0; slot < kCamerasPerSet; ++slot) {
            const TGPLCarCamera& c = item->camera(slot);
            std::vector<float> values;
            for (std::size_t i = 0; i < kValuesPerCamera; ++i) {
                EXPECT_TRUE(std::isfinite(valueAt(c, i)));
                values.push_back(valueAt(c, i));
            }
            cameras.insert(values);
            EXPECT_LT(std::hypot(c.xPos, c.yPos), 8.0f) << "slot " << slot;
            EXPECT_GT(c.zPos, 0.1f) << "slot " << slot;
            EXPECT_GT(c.zoomAngle, 0.5f) << "slot " << slot;
            EXPECT_LT(c.zoomAngle, 1.6f) << "slot " << slot;
            if (slot == 5) continue; // never shown, so it has no picture
            ASSERT_FALSE(c.getImage().empty()) << "slot " << slot;
            const RgbImage shown = c.getImage().decode();
            EXPECT_EQ(shown.width * 3, shown.height * 4) << "slot " << slot;
            pictures.insert({c.getImage().bytes().begin(), c.getImage().bytes().end()});
        }
    }
    EXPECT_EQ(sets, 3);
    EXPECT_EQ(keys.size(), 3u);
    EXPECT_EQ(cameras.size(), 18u) << "two cameras have the same values";
    EXPECT_EQ(pictures.size(), 15u) << "two pictures are the same";
}

// The car's body, lit or in shade, is the only red away from the kerbs.
bool red(const std::uint8_t* p) {
    return p[0] > 80 && p[0] > 2 * p[1] && p[0] > 2 * p[2];
}

bool redAtCentre(const CarCameraValues& camera) {
    const RgbImage img = renderCameraView(camera, 64, 48);
    return red(&img.pixels[(24 * 64 + 32) * 3]);
}

bool sky(const RgbImage& img, int x, int y) {
    const std::uint8_t* p = &img.pixels[(std::size_t(y) * std::size_t(img.width) + std::size_t(x)) * 3];
    return p[2] > 200 && p[2] > p[0] + 30;
}

TEST(CarPicture, DrawsWhatTheCameraFaces) {
    // From 6 m behind at body height, looking forward: the car fills the middle.
    CarCameraValues behind{-6, 0, 0.35f, 0, 0, 0, 1.0f, 0, 0};
    EXPECT_TRUE(redAtCentre(behind));
    // Turned round, the same camera looks down the empty track behind.
    CarCameraValues away = behind;
    away.yaw = static_cast<float>(M_PI);
    EXPECT_FALSE(redAtCentre(away));
    // From 6 m to the right, yaw a quarter turn to the left faces the car; to the right, away from it.
    CarCameraValues side{0, -6, 0.35f, static_cast<float>(M_PI / 2), 0, 0, 1.0f, 0, 0};
    EXPECT_TRUE(redAtCentre(side));
    side.yaw = -side.yaw;
    EXPECT_FALSE(redAtCentre(side));
    // Pitched up, the middle is sky; pitched down from above, it is the car again.
    CarCameraValues up = behind;
    up.pitch = 1.0f;
    EXPECT_TRUE(sky(renderCameraView(up, 64, 48), 32, 24));
    CarCameraValues above{0, 0, 8, 0, static_cast<float>(-M_PI / 2 + 0.01), 0, 1.0f, 0, 0};
    EXPECT_TRUE(redAtCentre(above));
}

TEST(CarPicture, ZoomAndBankChangeThePicture) {
    // A narrow zoom from far behind still fills the middle with the car; a wide one shows more
    // around it, so the red share of the picture shrinks.
    const auto redShare = [](const CarCameraValues& c) {
        const RgbImage img = renderCameraView(c, 64, 48);
        int count = 0;
        for (std::size_t i = 0; i < img.pixels.size(); i += 3)
            count += red(&img.pixels[i]);
        return count;
    };
    CarCameraValues narrow{-20, 0, 1.0f, 0, -0.03f, 0, 0.2f, 0, 0};
    CarCameraValues wide = narrow;
    wide.zoomAngle = 1.2f;
    EXPECT_GT(redShare(narrow), 4 * redShare(wide));
    // Banking tilts the horizon: a row just above it is sky from edge to edge when level, and
    // ground at one edge only when banked.
    CarCameraValues level{-6, 0, 1.0f, 0, 0, 0, 1.0f, 0, 0};
    CarCameraValues banked = level;
    banked.bank = 0.4f;
    const RgbImage a = renderCameraView(level, 64, 48), b = renderCameraView(banked, 64, 48);
    EXPECT_TRUE(sky(a, 1, 20) && sky(a, 62, 20));
    EXPECT_NE(sky(b, 1, 20), sky(b, 62, 20));
    // Out-of-range values still give a full picture rather than a crash or a blank.
    CarCameraValues odd{1e6f, -1e6f, -5, 100, 50, -20, 0, 0, 0};
    EXPECT_EQ(renderCameraView(odd, 32, 24).pixels.size(), 32u * 24 * 3);
}

} // namespace

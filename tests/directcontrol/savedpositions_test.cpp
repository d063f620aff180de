#include "directcontrol/Savedpositions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace skv::directcontrol;
using skv::model::CarCameraValues;

TEST(SavedPositionFormat, FifteenSignificantDigitsWithAPoint) {
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {0.1f, "0.100000001490116"},
        {1.5, "1.5"},
        {0, "0"},
        {-2, "-2"},
        {-123.456f, "-123.456001281738"},
        {1e20f, "1.00000002004088E20"},
        {1e-6f, "9.99999997475243E-7"},
        {0.00001, "0.00001"},
        {123456789012345.0, "123456789012345"},
        {999999999999999.9, "1E15"}, // rounding to 15 digits carries into a 16th
        {std::numeric_limits<double>::quiet_NaN(), "NAN"},
        {-std::numeric_limits<double>::infinity(), "-INF"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(formatPositionValue(c.value), c.text) << c.value;
}

TEST(SavedPositions, BlocksCountPerBoxAndNameOnlyWhenGiven) {
    CarCameraValues v;
    v.xPos = 1.5f;
    v.yPos = -2;
    v.zPos = 0.1f;
    v.yaw = 3;
    v.pitch = 0;
    v.bank = -0.5f;
    v.zoomAngle = 1;
    v.unknown1 = 77; // carried values are never written
    v.unknown2 = 88;

    TSavedPositions positions;
    std::vector<std::pair<TSavedPositions::Camera, std::size_t>> told;
    positions.setAppendedCallback([&](TSavedPositions::Camera camera, const std::vector<std::string>& block) {
        told.emplace_back(camera, block.size());
    });
    positions.addRollBarPosition("", v);
    positions.addPitCamPosition("", v);
    positions.addRollBarPosition("Turn 3", v);

    EXPECT_EQ(positions.rollBar().text(), "[Position0]\nX=1.5\nY=-2\nZ=0.100000001490116\nYaw=3\nPitch=0\n"
                                          "Bank=-0.5\nZoom=1\n\n"
                                          "[Position1]\nName=Turn 3\nX=1.5\nY=-2\nZ=0.100000001490116\n"
                                          "Yaw=3\nPitch=0\nBank=-0.5\nZoom=1\n\n");
    EXPECT_EQ(positions.pitCam().lines().front(), "[Position0]");
    EXPECT_EQ(positions.rollBar().counter(), 2u);
    EXPECT_EQ(positions.pitCam().counter(), 1u);
    using C = TSavedPositions::Camera;
    const std::vector<std::pair<C, std::size_t>> expected = {
        {C::RollBar, 9}, {C::PitCam, 9}, {C::RollBar, 10}};
    EXPECT_EQ(told, expected);
}

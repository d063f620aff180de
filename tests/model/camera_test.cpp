#include "model/Gplcarcameraset.h"
#include "model/Numberformat.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>

using namespace skv::model;

TEST(NumberFormat, ExamplesAndNotationBoundaries) {
    const std::pair<double, const char*> cases[] = {
        {0.35, "0.35"},
        {3.6666, "3.67"},
        {38.46, "38.5"},
        {-0.05, "-0.05"},
        {1234.5, "1.23E3"},
        {0.00001234, "1.23E-5"},
        {0.0, "0"},
        {-0.0, "0"},
        {999.4, "999"},
        {999.6, "1E3"},
        {0.0001, "0.0001"},
        {0.00009996, "0.0001"},
        {0.0000999, "9.99E-5"},
        {1e20, "1E20"},
        {-2.5e-7, "-2.5E-7"},
        {100, "100"},
        {1, "1"},
    };
    for (const auto& [value, text] : cases)
        EXPECT_EQ(formatCameraValue(value), text) << value;
}

TEST(NumberFormat, PointWhateverTheCLocale) {
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8"))
        GTEST_SKIP() << "no de_DE.UTF-8 locale here to try a \",\" decimal separator with";
    const std::string texts[] = {formatCameraValue(0.35), formatCameraValue(1234.5),
                                 formatCameraValue(-2.5e-7)};
    std::setlocale(LC_NUMERIC, "C");
    EXPECT_EQ(texts[0], "0.35");
    EXPECT_EQ(texts[1], "1.23E3");
    EXPECT_EQ(texts[2], "-2.5E-7");
}

TEST(NumberFormat, TypedValuesParseAsTheFormatWritesThem) {
    const std::pair<const char*, float> accepted[] = {
        {"0.672", 0.672f}, {" -2e-3 ", -2e-3f}, {"+.5", 0.5f}, {"1.23E3", 1230.0f}, {"7", 7.0f},
        {"1.", 1.0f},      {"\t3.5", 3.5f},     {"-0", -0.0f}, {"3.4e38", 3.4e38f},
    };
    for (const auto& [text, value] : accepted) {
        const std::optional<float> parsed = parseCameraValue(text);
        ASSERT_TRUE(parsed) << text;
        EXPECT_EQ(*parsed, value) << text;
    }
    // What the format shows for them reads back as well.
    EXPECT_TRUE(std::isnan(*parseCameraValue("NAN")));
    EXPECT_EQ(*parseCameraValue("-INF"), -std::numeric_limits<float>::infinity());
    for (const char* refused : {"", "  ", "abc", "1,5", "1.5x", "--1", "0x10", "infinity", "nan(1)", "1 2",
                                "1e39", "-1e300", "1e999", "."})
        EXPECT_FALSE(parseCameraValue(refused)) << refused;
}

TEST(CarCamera, InfoOfNewCameraAndDegrees) {
    TGPLCarCamera cam;
    EXPECT_EQ(cam.getInfo(), "XPos=0\nYPos=0\nZPos=0\nYaw=0\nPitch=0\nBank=0\nZoomAngle=0");
    cam.yaw = 0.6719f;
    cam.xPos = 1234.5f;
    EXPECT_EQ(cam.getInfo(), "XPos=1.23E3\nYPos=0\nZPos=0\nYaw=38.5\nPitch=0\nBank=0\nZoomAngle=0");
    EXPECT_EQ(cam.yaw, 0.6719f);
}

TEST(CarCamera, AssignmentCopiesPictureAndCaptionButKeepsEffect) {
    TGPLCarCamera a, b;
    a.setImage(TJPEGImage({0xFF, 0xD8, 0x01}));
    a.Caption = "Nose";
    a.Effect = "X := 1";
    a.unknown2 = 7;
    b.Effect = "keep";
    b = a;
    EXPECT_EQ(b.getImage().bytes(), a.getImage().bytes());
    EXPECT_NE(&b.getImage(), &a.getImage());
    EXPECT_EQ(b.Caption, "Nose");
    EXPECT_EQ(b.unknown2, 7.0f);
    EXPECT_EQ(b.Effect, "keep");
    a.removeImage();
    EXPECT_TRUE(a.getImage().empty());
    EXPECT_FALSE(b.getImage().empty());
}

TEST(CarCameraSet, EffectItemUsesCameraZeroOnly) {
    CarCameraBlock block{};
    for (std::size_t r = 0; r < block.size(); ++r)
        block[r].yPos = float(r + 10);
    TGPLCarCameraSet fx;
    fx.Type = eCameraSetType::CstRollBarCam;
    fx.setValues(block);
    EXPECT_EQ(fx.Camera0.yPos, 13.0f);
    for (std::size_t s = 1; s < 6; ++s)
        EXPECT_EQ(fx.camera(s).yPos, 0.0f);

    CarCameraBlock out{};
    for (auto& rec : out)
        rec.zPos = -1;
    fx.Camera0.zPos = 5;
    fx.getValues(out);
    for (std::size_t r = 0; r < 6; ++r)
        EXPECT_EQ(out[r].zPos, r == 3 ? 5.0f : -1.0f) << r;
}

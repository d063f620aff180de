#include "model/Jpegimage.h"

#include "Tempfolder.h"

#include <gtest/gtest.h>

using namespace skv::model;

namespace {

RgbImage gradient(int w, int h) {
    RgbImage img;
    img.width = w;
    img.height = h;
    img.pixels.resize(static_cast<std::size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            auto* p = &img.pixels[(static_cast<std::size_t>(y) * w + x) * 3];
            p[0] = static_cast<std::uint8_t>(x * 255 / (w - 1));
            p[1] = static_cast<std::uint8_t>(y * 255 / (h - 1));
            p[2] = 128;
        }
    return img;
}

std::string errorOf(const TJPEGImage& img) {
    try {
        img.decode();
    } catch (const JpegError& e) {
        return e.what();
    }
    return "";
}

} // namespace

TEST(JpegImage, EncodedPictureDecodesCloseToTheOriginal) {
    const RgbImage src = gradient(40, 24);
    const TJPEGImage jpeg = TJPEGImage::encode(src, 95);
    ASSERT_FALSE(jpeg.empty());
    EXPECT_EQ(jpeg.bytes()[0], 0xFF);
    EXPECT_EQ(jpeg.bytes()[1], 0xD8);
    const RgbImage out = jpeg.decode();
    ASSERT_EQ(out.width, 40);
    ASSERT_EQ(out.height, 24);
    ASSERT_EQ(out.pixels.size(), src.pixels.size());
    int worst = 0;
    for (std::size_t i = 0; i < src.pixels.size(); ++i)
        worst = std::max(worst, std::abs(int(out.pixels[i]) - int(src.pixels[i])));
    EXPECT_LT(worst, 24); // lossy, but the same picture
}

TEST(JpegImage, BrokenPicturesRaiseWithTheDecoderCode) {
    const std::vector<std::uint8_t> good = TJPEGImage::encode(gradient(32, 32)).bytes();

    std::vector<std::uint8_t> notJpeg = {'G', 'I', 'F', '8', '9', 'a', 0, 0};
    std::vector<std::uint8_t> truncated(good.begin(), good.begin() + static_cast<long>(good.size() / 2));
    std::vector<std::uint8_t> headerOnly(good.begin(), good.begin() + 2);
    std::vector<std::uint8_t> scrambled = good;
    for (std::size_t i = scrambled.size() / 2; i < scrambled.size() - 2; i += 3)
        scrambled[i] = 0xFF;

    for (const auto& bytes : {notJpeg, truncated, headerOnly, scrambled}) {
        const std::string msg = errorOf(TJPEGImage(bytes));
        EXPECT_EQ(msg.rfind("JPEG error #", 0), 0u) << msg;
        EXPECT_GT(msg.size(), std::string("JPEG error #").size());
    }
    EXPECT_FALSE(errorOf(TJPEGImage()).empty());
}

TEST(JpegImage, HugeDimensionsAreRefusedBeforeAllocating) {
    std::vector<std::uint8_t> bytes = TJPEGImage::encode(gradient(16, 16)).bytes();
    // Patch the frame header (FFC0: length, precision, height, width) to 60000 x 60000.
    std::size_t sof = 2;
    while (sof + 9 < bytes.size() && !(bytes[sof] == 0xFF && bytes[sof + 1] == 0xC0))
        ++sof;
    ASSERT_LT(sof + 9, bytes.size());
    for (std::size_t i : {sof + 5, sof + 7}) {
        bytes[i] = 60000 >> 8;
        bytes[i + 1] = 60000 & 0xFF;
    }
    const std::string msg = errorOf(TJPEGImage(bytes));
    EXPECT_NE(msg.find("too large"), std::string::npos) << msg;
}

TEST(JpegImage, LoadFromFileKeepsBytesAndRejectsOtherFiles) {
    const skv::test::TempFolder dir;
    const TJPEGImage made = TJPEGImage::encode(gradient(8, 8));
    const auto write = [&](const std::string& name, const std::vector<std::uint8_t>& b) {
        return dir.write(name, std::string(b.begin(), b.end())).string();
    };
    TJPEGImage loaded;
    loaded.loadFromFile(write("good.jpg", made.bytes()));
    EXPECT_EQ(loaded, made);

    TJPEGImage other(made.bytes());
    EXPECT_THROW(other.loadFromFile(write("text.jpg", {'h', 'e', 'l', 'l', 'o'})), JpegError);
    EXPECT_THROW(other.loadFromFile((dir.path() / "missing.jpg").string()), JpegError);
    EXPECT_EQ(other, made); // a failed load keeps the old picture
}

TEST(JpegImage, EncodeRefusesMismatchedBuffers) {
    RgbImage bad = gradient(4, 4);
    bad.pixels.pop_back();
    EXPECT_THROW(TJPEGImage::encode(bad), JpegError);
    EXPECT_THROW(TJPEGImage::encode(RgbImage{}), JpegError);
}

// Pictures from library files: decoding either gives an image within the size limits or raises a
// JPEG error; a decoded image encodes again to a picture of the same size.
#include "Fuzzcheck.h"

#include "model/Jpegimage.h"

#include <cstddef>
#include <cstdint>

using namespace skv::model;

namespace {

// Re-encoding is checked on small pictures only, so that the run spends its time in the decoder.
constexpr long kMaxReencodedPixels = 256 * 256;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const TJPEGImage picture(std::vector<std::uint8_t>(data, data + size));
    RgbImage image;
    try {
        image = picture.decode();
    } catch (const JpegError&) {
        return 0;
    }
    FUZZ_CHECK(image.width > 0 && image.height > 0);
    FUZZ_CHECK(image.width <= 16384 && image.height <= 16384);
    FUZZ_CHECK(image.pixels.size() == static_cast<std::size_t>(image.width) * image.height * 3);
    if (static_cast<long>(image.width) * image.height > kMaxReencodedPixels) return 0;

    const RgbImage again = TJPEGImage::encode(image).decode();
    FUZZ_CHECK(again.width == image.width && again.height == image.height);
    return 0;
}

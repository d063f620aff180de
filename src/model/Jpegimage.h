// A camera's picture: the bytes of a JPEG file kept exactly as loaded, decoded only on demand.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace skv::model {

// Raised when a picture cannot be read: "JPEG error #N" (the decoder's message code) or a file error.
class JpegError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A decoded picture, 8-bit RGB, rows top to bottom without padding.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels; // width * height * 3
};

class TJPEGImage {
public:
    TJPEGImage() = default;
    explicit TJPEGImage(std::vector<std::uint8_t> jpegBytes) : bytes_(std::move(jpegBytes)) {}

    bool empty() const { return bytes_.empty(); }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

    // Takes the bytes of a JPEG file as they are; nothing is decoded here.
    void loadFromBytes(std::vector<std::uint8_t> jpegBytes) { bytes_ = std::move(jpegBytes); }
    // Reads a JPEG file; raises JpegError when the file cannot be read or is not a JPEG.
    void loadFromFile(const std::string& fileName);
    void clear() { bytes_.clear(); }

    // Decodes the picture; raises JpegError ("JPEG error #N") when the bytes are not a readable JPEG.
    RgbImage decode() const;
    // How many decodes this process has started, so that a caller can tell which pictures were decoded.
    static std::uint64_t decodeCount();

    // Encodes an RGB image as a baseline JPEG (for pictures the program makes itself).
    static TJPEGImage encode(const RgbImage& image, int quality = 85);

    friend bool operator==(const TJPEGImage&, const TJPEGImage&) = default;

private:
    std::vector<std::uint8_t> bytes_;
};

} // namespace skv::model

#include "model/Jpegimage.h"

#include <atomic>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

namespace skv::model {

namespace {

// libjpeg reports a fatal error by calling error_exit, which must not return. We jump back to the
// trapped call below; the jump only ever crosses libjpeg's C frames and the small trapped functions,
// which hold no object with a destructor, so no C++ object is skipped.
struct ErrorTrap {
    jpeg_error_mgr mgr; // first, so that cinfo->err can be cast back to the trap
    std::jmp_buf jump;
    int code;
};

void trapError(j_common_ptr cinfo) {
    auto* trap = reinterpret_cast<ErrorTrap*>(cinfo->err);
    trap->code = cinfo->err->msg_code;
    std::longjmp(trap->jump, 1);
}

// Warnings mean corrupt data (a truncated scan, a bad Huffman code): a damaged picture is an error
// here, so that the user learns the file is broken instead of seeing garbage. Trace messages are ignored.
void trapMessage(j_common_ptr cinfo, int level) {
    if (level < 0) trapError(cinfo);
}

void installTrap(ErrorTrap& trap) {
    jpeg_std_error(&trap.mgr);
    trap.mgr.error_exit = trapError;
    trap.mgr.emit_message = trapMessage;
    trap.code = 0;
}

[[noreturn]] void raiseJpegError(int code) {
    throw JpegError("JPEG error #" + std::to_string(code));
}

// Pictures are screen shots of a game view; anything beyond this is a broken or hostile file, and the
// check keeps a forged header from sizing a huge pixel buffer.
constexpr unsigned long kMaxSide = 16384;
constexpr unsigned long long kMaxPixels = 64ull * 1024 * 1024;

std::atomic<std::uint64_t> decodesStarted{0};

// The trapped steps: each returns false when libjpeg raised an error (its code is in the trap).

bool trappedReadHeader(jpeg_decompress_struct* cinfo, ErrorTrap* trap, const unsigned char* data,
                       unsigned long size) {
    if (setjmp(trap->jump)) return false;
    jpeg_create_decompress(cinfo);
    jpeg_mem_src(cinfo, data, size);
    jpeg_read_header(cinfo, TRUE);
    return true;
}

bool trappedDecode(jpeg_decompress_struct* cinfo, ErrorTrap* trap, unsigned char* out, std::size_t stride) {
    if (setjmp(trap->jump)) return false;
    cinfo->out_color_space = JCS_RGB;
    jpeg_start_decompress(cinfo);
    while (cinfo->output_scanline < cinfo->output_height) {
        JSAMPROW row = out + static_cast<std::size_t>(cinfo->output_scanline) * stride;
        jpeg_read_scanlines(cinfo, &row, 1);
    }
    jpeg_finish_decompress(cinfo);
    return true;
}

bool trappedEncode(jpeg_compress_struct* cinfo, ErrorTrap* trap, const unsigned char* pixels, int width,
                   int height, int quality, unsigned char** outBuffer, unsigned long* outSize) {
    if (setjmp(trap->jump)) return false;
    jpeg_create_compress(cinfo);
    jpeg_mem_dest(cinfo, outBuffer, outSize);
    cinfo->image_width = static_cast<JDIMENSION>(width);
    cinfo->image_height = static_cast<JDIMENSION>(height);
    cinfo->input_components = 3;
    cinfo->in_color_space = JCS_RGB;
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, quality, TRUE);
    jpeg_start_compress(cinfo, TRUE);
    const std::size_t stride = static_cast<std::size_t>(width) * 3;
    while (cinfo->next_scanline < cinfo->image_height) {
        // libjpeg's row type is not const, but it only reads the rows it is given.
        JSAMPROW row =
            const_cast<unsigned char*>(pixels) + static_cast<std::size_t>(cinfo->next_scanline) * stride;
        jpeg_write_scanlines(cinfo, &row, 1);
    }
    jpeg_finish_compress(cinfo);
    return true;
}

// Owns a decompressor from the first trapped call on; destroying one that was never created is safe
// because the struct starts zeroed.
struct Decompressor {
    ErrorTrap trap{};
    jpeg_decompress_struct cinfo{};
    Decompressor() {
        installTrap(trap);
        cinfo.err = &trap.mgr;
    }
    ~Decompressor() { jpeg_destroy_decompress(&cinfo); }
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;

    void readHeader(const std::vector<std::uint8_t>& bytes) {
        if (bytes.empty()) throw JpegError("JPEG error: the picture is empty");
        if (!trappedReadHeader(&cinfo, &trap, bytes.data(), static_cast<unsigned long>(bytes.size())))
            raiseJpegError(trap.code);
    }
};

struct Compressor {
    ErrorTrap trap{};
    jpeg_compress_struct cinfo{};
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    Compressor() {
        installTrap(trap);
        cinfo.err = &trap.mgr;
    }
    ~Compressor() {
        jpeg_destroy_compress(&cinfo);
        std::free(buffer); // jpeg_mem_dest allocates with malloc
    }
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;
};

} // namespace

void TJPEGImage::loadFromFile(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    if (!in) throw JpegError("Cannot open file \"" + fileName + "\"");
    std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) throw JpegError("Cannot read file \"" + fileName + "\"");
    // Only the header is checked: the picture is decoded when someone looks at it.
    Decompressor d;
    d.readHeader(bytes);
    bytes_ = std::move(bytes);
}

std::uint64_t TJPEGImage::decodeCount() {
    return decodesStarted.load(std::memory_order_relaxed);
}

RgbImage TJPEGImage::decode() const {
    decodesStarted.fetch_add(1, std::memory_order_relaxed);
    Decompressor d;
    d.readHeader(bytes_);
    const unsigned long width = d.cinfo.image_width;
    const unsigned long height = d.cinfo.image_height;
    if (width > kMaxSide || height > kMaxSide || 1ull * width * height > kMaxPixels)
        throw JpegError("JPEG error: picture of " + std::to_string(width) + "x" + std::to_string(height) +
                        " pixels is too large");
    RgbImage image;
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    const std::size_t stride = static_cast<std::size_t>(width) * 3;
    image.pixels.resize(stride * height);
    if (!trappedDecode(&d.cinfo, &d.trap, image.pixels.data(), stride)) raiseJpegError(d.trap.code);
    return image;
}

TJPEGImage TJPEGImage::encode(const RgbImage& image, int quality) {
    if (image.width <= 0 || image.height <= 0 || static_cast<unsigned long>(image.width) > kMaxSide ||
        static_cast<unsigned long>(image.height) > kMaxSide)
        throw JpegError("JPEG error: cannot encode a picture of " + std::to_string(image.width) + "x" +
                        std::to_string(image.height) + " pixels");
    if (image.pixels.size() != static_cast<std::size_t>(image.width) * image.height * 3)
        throw JpegError("JPEG error: pixel buffer does not match the picture size");
    Compressor c;
    if (!trappedEncode(&c.cinfo, &c.trap, image.pixels.data(), image.width, image.height, quality, &c.buffer,
                       &c.size))
        raiseJpegError(c.trap.code);
    return TJPEGImage(std::vector<std::uint8_t>(c.buffer, c.buffer + c.size));
}

} // namespace skv::model

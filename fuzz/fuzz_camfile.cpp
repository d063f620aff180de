// Game camera files from anywhere, through the real file import: a file of fewer than 228 bytes is
// refused and changes nothing; any other file imports, and exporting gives back its first 228 bytes
// with only the magic and the length field set.
#include "Fuzzcheck.h"

#include "model/Camfile.h"
#include "model/Fileerror.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <unistd.h>

using namespace skv::model;
namespace fs = std::filesystem;

namespace {

// The files live in memory where the system offers that: millions of runs rewrite them.
fs::path scratchFile(const char* suffix) {
    std::error_code ec;
    const fs::path dir = fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
    return dir / ("skv-fuzz-camfile-" + std::to_string(::getpid()) + suffix);
}

const fs::path& inputFile() {
    static const fs::path path = scratchFile(".cam");
    return path;
}

const fs::path& outputFile() {
    static const fs::path path = scratchFile("-export.cam");
    return path;
}

void removeScratchFiles() {
    std::error_code ec;
    fs::remove(inputFile(), ec);
    fs::remove(outputFile(), ec);
}

void writeFile(const fs::path& path, const std::uint8_t* data, std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    FUZZ_CHECK(out.good());
}

std::vector<std::uint8_t> readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Imports into a set of the given kind, then exports; checks what the buffer and the file hold.
void importAndExport(const std::uint8_t* data, std::size_t size, eCameraSetType type) {
    TCamFileBuffer buffer;
    TGPLCarCameraSet set;
    set.Type = type;
    try {
        buffer.importCamFile(set, inputFile());
    } catch (const EFReadError&) {
        FUZZ_CHECK(size < kCamFileSize);
        FUZZ_CHECK(buffer.bytes() == TCamFileBuffer::Bytes{});
        CarCameraBlock values{};
        set.getValues(values);
        FUZZ_CHECK(values == CarCameraBlock{});
        return;
    }
    FUZZ_CHECK(size >= kCamFileSize);
    FUZZ_CHECK(std::memcmp(buffer.bytes().data(), data, kCamFileSize) == 0);

    buffer.exportCamFile(set, outputFile());
    std::vector<std::uint8_t> expected(data, data + kCamFileSize);
    std::memcpy(expected.data(), "MACC", 4);
    const std::uint8_t length[4] = {kCameraBlockSize, 0, 0, 0};
    std::memcpy(expected.data() + kCamFileLengthOffset, length, 4);
    FUZZ_CHECK(readFile(outputFile()) == expected);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool cleanup = std::atexit(removeScratchFiles) == 0;
    (void)cleanup;
    writeFile(inputFile(), data, size);
    importAndExport(data, size, eCameraSetType::CstCarCamSet);
    importAndExport(data, size, eCameraSetType::CstRollBarCam);
    return 0;
}

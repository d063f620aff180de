#include "model/Camfile.h"

#include "model/Atomicfile.h"
#include "model/Fileerror.h"
#include "stream/Littleendian.h"

#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace skv::model {

using stream::le::readU32;
using stream::le::writeU32;

namespace {

constexpr std::size_t kRecordSize = 36;
static_assert(kRecordSize * kCamerasPerSet == kCameraBlockSize);

std::span<std::uint8_t, kCameraBlockSize> recordBytes(TCamFileBuffer::Bytes& buffer) {
    return std::span<std::uint8_t, kCamFileSize>(buffer).subspan<kCamFileRecordsOffset, kCameraBlockSize>();
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// Reads at most buffer.size() bytes; returns how many the file held.
std::size_t readPrefix(const std::filesystem::path& fileName, TCamFileBuffer::Bytes& buffer) {
    if (const std::string why = notReadableReason(fileName); !why.empty())
        throw EFOpenError(fileName.string(), why);
    const std::unique_ptr<std::FILE, FileCloser> in(std::fopen(fileName.string().c_str(), "rb"));
    if (!in) throw EFOpenError(fileName.string(), std::strerror(errno));
    const std::size_t size = std::fread(buffer.data(), 1, buffer.size(), in.get());
    if (std::ferror(in.get()))
        throw EFReadError("Cannot read file " + fileName.string() + " (" + std::strerror(errno) + ")");
    return size;
}

} // namespace

CarCameraBlock decodeCameraBlock(std::span<const std::uint8_t, kCameraBlockSize> bytes) {
    CarCameraBlock block{};
    const std::uint8_t* p = bytes.data();
    for (CarCameraValues& record : block)
        for (std::size_t i = 0; i < kValuesPerCamera; ++i, p += 4)
            valueAt(record, i) = std::bit_cast<float>(readU32(p));
    return block;
}

void encodeCameraBlock(const CarCameraBlock& block, std::span<std::uint8_t, kCameraBlockSize> bytes) {
    std::uint8_t* p = bytes.data();
    for (const CarCameraValues& record : block)
        for (std::size_t i = 0; i < kValuesPerCamera; ++i, p += 4)
            writeU32(p, std::bit_cast<std::uint32_t>(valueAt(record, i)));
}

std::uint32_t TCamFileBuffer::headerWord() const {
    return readU32(Buffer.data() + kCamFileHeaderWordOffset);
}

void TCamFileBuffer::importCamFile(TGPLCarCameraSet& set, const std::filesystem::path& fileName) {
    Bytes read{};
    const std::size_t size = readPrefix(fileName, read);
    if (size < kCamFileSize)
        throw EFReadError("The file " + fileName.string() + " is not a camera file: it holds " +
                          std::to_string(size) + " bytes, a camera file holds " +
                          std::to_string(kCamFileSize));
    Buffer = read;
    set.setValues(decodeCameraBlock(recordBytes(Buffer)));
}

void TCamFileBuffer::exportCamFile(const TGPLCarCameraSet& set, const std::filesystem::path& fileName) {
    CarCameraBlock records = decodeCameraBlock(recordBytes(Buffer));
    set.getValues(records);
    encodeCameraBlock(records, recordBytes(Buffer));
    std::memcpy(Buffer.data(), "MACC", 4);
    writeU32(Buffer.data() + kCamFileLengthOffset, kCamFileRecordsLength);
    // Written as the library is, so that a failed write leaves the game's old file whole.
    try {
        writeFileAtomically(fileName.string(), Buffer);
    } catch (const FileCreateError& e) {
        throw EFCreateError(fileName.string(), e.reason());
    }
}

} // namespace skv::model

#include "model/Camfile.h"

#include "model/Fileerror.h"
#include "stream/Littleendian.h"

#include <bit>
#include <cstring>
#include <fstream>

namespace skv::model {

using stream::le::readU32;
using stream::le::writeU32;

namespace {

constexpr std::size_t kRecordSize = 36;
static_assert(kRecordSize * kCamerasPerSet == kCameraBlockSize);

std::span<std::uint8_t, kCameraBlockSize> recordBytes(TCamFileBuffer::Bytes& buffer) {
    return std::span<std::uint8_t, kCamFileSize>(buffer).subspan<kCamFileRecordsOffset, kCameraBlockSize>();
}

// Reads at most buffer.size() bytes; returns how many the file held.
std::size_t readPrefix(const std::filesystem::path& fileName, TCamFileBuffer::Bytes& buffer) {
    std::error_code ec;
    if (std::filesystem::is_directory(fileName, ec)) throw EFOpenError(fileName.string());
    std::ifstream in(fileName, std::ios::binary);
    if (!in) throw EFOpenError(fileName.string());
    in.read(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(buffer.size()));
    if (in.bad()) throw EFReadError("Cannot read file " + fileName.string());
    return static_cast<std::size_t>(in.gcount());
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
    std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
    if (!out) throw EFCreateError(fileName.string());

    CarCameraBlock records = decodeCameraBlock(recordBytes(Buffer));
    set.getValues(records);
    encodeCameraBlock(records, recordBytes(Buffer));
    std::memcpy(Buffer.data(), "MACC", 4);
    writeU32(Buffer.data() + kCamFileLengthOffset, kCamFileRecordsLength);

    out.write(reinterpret_cast<const char*>(Buffer.data()), static_cast<std::streamsize>(Buffer.size()));
    out.close();
    if (!out) throw EFWriteError("Cannot write file " + fileName.string());
}

} // namespace skv::model

// The games' camera file (".cam"): "MACC", a header word, 216, and six camera records, 228 bytes.
// The buffer is shared by import and export, so an export carries the header word of the last import.
#pragma once

#include "model/Carcameravalues.h"
#include "model/Gplcarcameraset.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>

namespace skv::model {

constexpr std::size_t kCamFileSize = 228;
constexpr std::size_t kCamFileHeaderWordOffset = 4;
constexpr std::size_t kCamFileLengthOffset = 8;
constexpr std::size_t kCamFileRecordsOffset = 12;
constexpr std::size_t kCameraBlockSize = 216;
constexpr std::uint32_t kCamFileRecordsLength = kCameraBlockSize;

// Six records as the games store them (in files and in their memory), little-endian.
CarCameraBlock decodeCameraBlock(std::span<const std::uint8_t, kCameraBlockSize> bytes);
void encodeCameraBlock(const CarCameraBlock& block, std::span<std::uint8_t, kCameraBlockSize> bytes);

class TCamFileBuffer {
public:
    using Bytes = std::array<std::uint8_t, kCamFileSize>;

    // All zero: what an export writes around the records until the first import.
    TCamFileBuffer() = default;

    // Reads the first 228 bytes of the file into the buffer and hands its six records to set.setValues.
    // Magic, header word and length are not checked. A file that cannot be opened throws EFOpenError
    // with the system's reason;
    // a file shorter than 228 bytes is no camera file and throws EFReadError naming it and its size;
    // either way the set and the buffer are unchanged.
    void importCamFile(TGPLCarCameraSet& set, const std::filesystem::path& fileName);

    // Writes the buffer with the set's records (set.getValues), "MACC" at 0 and 216 at 8, in the
    // file's place once complete (as writeFileAtomically does); the header word stays that of the
    // last import. A file that cannot be created throws EFCreateError with the path and the reason,
    // any other failure FileWriteError (an EFWriteError); the old file stays as it was.
    void exportCamFile(const TGPLCarCameraSet& set, const std::filesystem::path& fileName);

    const Bytes& bytes() const { return Buffer; }
    std::uint32_t headerWord() const;

private:
    Bytes Buffer{};
};

} // namespace skv::model

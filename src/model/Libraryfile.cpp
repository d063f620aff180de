#include "model/Libraryfile.h"

#include "model/Camerasetstream.h"
#include "model/Fileerror.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace skv::model {

using namespace skv::stream;

namespace {

std::vector<const TGPLCarCameraSet*> pointersOf(const TCameraSetList& items) {
    std::vector<const TGPLCarCameraSet*> out;
    out.reserve(items.size());
    for (const auto& item : items)
        out.push_back(item.get());
    return out;
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// Every library starts with a record header, which fits in far fewer bytes than this.
constexpr std::size_t kFirstChunk = 65536;

// Refuses a file whose first bytes are no record header, before the rest of it is read: a large
// file of something else costs no memory. The error is the one the whole reading would give.
void checkFirstRecord(const std::string& fileName, std::span<const std::uint8_t> first) {
    try {
        TStreamReader reader(first);
        reader.readRecordHeader();
    } catch (const StreamError& e) {
        throw LibraryFileError(fileName, e.what());
    }
}

std::vector<std::uint8_t> readWholeFile(const std::string& fileName) {
    if (const std::string why = notReadableReason(fileName); !why.empty())
        throw LibraryFileError(fileName, why);
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(fileName.c_str(), "rb"));
    if (!file) throw LibraryFileError(fileName, std::strerror(errno));
    std::vector<std::uint8_t> bytes(kFirstChunk);
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file.get()));
    if (bytes.size() == kFirstChunk) {
        checkFirstRecord(fileName, bytes);
        // The rest is sized by what the system says the file holds, then grows with what is really read.
        const long at = std::ftell(file.get());
        if (at >= 0 && std::fseek(file.get(), 0, SEEK_END) == 0) {
            const long size = std::ftell(file.get());
            if (size > at) bytes.reserve(static_cast<std::size_t>(size));
            std::fseek(file.get(), at, SEEK_SET);
        }
        for (char chunk[65536]; !std::ferror(file.get());) {
            const std::size_t n = std::fread(chunk, 1, sizeof chunk, file.get());
            if (n == 0) break;
            bytes.insert(bytes.end(), chunk, chunk + n);
        }
    }
    if (std::ferror(file.get()))
        throw LibraryFileError(fileName, std::string("cannot read: ") + std::strerror(errno));
    return bytes;
}

} // namespace

LibraryFileError::LibraryFileError(const std::string& fileName, const std::string& message)
    : std::runtime_error(fileName + ": " + message), fileName_(fileName) {}

TCameraSetList readLibrary(std::span<const std::uint8_t> bytes) {
    TCameraSetList items;
    TStreamReader reader(bytes);
    while (!reader.atEnd())
        items.push_back(readCameraSet(reader));
    return items;
}

std::vector<std::uint8_t> writeLibrary(std::span<const TGPLCarCameraSet* const> items) {
    std::vector<std::uint8_t> bytes;
    TStreamWriter writer(bytes);
    for (const TGPLCarCameraSet* item : items)
        writeCameraSet(writer, *item);
    return bytes;
}

TCameraSetList loadLibraryFile(const std::string& fileName) {
    const std::vector<std::uint8_t> bytes = readWholeFile(fileName);
    try {
        return readLibrary(bytes);
    } catch (const StreamError& e) {
        throw LibraryFileError(fileName, e.what());
    }
}

void saveLibraryFile(const std::string& fileName, std::span<const TGPLCarCameraSet* const> items,
                     const TRawWrite& rawWrite) {
    // Streamed into the file, so that the pictures are not first copied into one large buffer.
    const auto produce = [items](TByteSink& sink) {
        TStreamWriter writer(sink);
        for (const TGPLCarCameraSet* item : items)
            writeCameraSet(writer, *item);
        writer.flush();
    };
    writeFileAtomically(fileName, produce, rawWrite);
}

void saveLibraryFile(const std::string& fileName, const TCameraSetList& items, const TRawWrite& rawWrite) {
    const auto pointers = pointersOf(items);
    saveLibraryFile(fileName, pointers, rawWrite);
}

} // namespace skv::model

// Library files far larger than what they hold, or claiming more than they hold: each is refused
// with the offset of its fault, and reading it costs no memory in proportion to the claim.
#include "model/Jpegimage.h"
#include "model/Libraryfile.h"
#include "model/Tempfolder.h"
#include "support/Memoryuse.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>

using namespace skv::model;

namespace {

constexpr std::size_t kMiB = std::size_t{1} << 20;

void putU32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + std::size_t(i)] = std::uint8_t(value >> (8 * i));
}

} // namespace

TEST(LibraryLimits, HugeAndOverclaimingFilesAreRefusedWithoutTheirClaimedMemory) {
    skv::test::TempFolder folder;
    // A gigabyte of garbage; sparse, so that it costs no disk.
    const auto garbage = folder.write("garbage.cmf", "This is no library at all");
    std::filesystem::resize_file(garbage, std::uintmax_t{1} << 30);

    // An item whose picture is claimed 4 GiB long: by the binary value's length, and by the
    // picture's own length field inside it.
    const std::vector<std::uint8_t> marker = {0xFF, 0xD8, 0x5A, 0xA5, 0x3C, 0xC3};
    TGPLCarCameraSet set;
    set.Camera0.setImage(TJPEGImage(marker));
    const TGPLCarCameraSet* items[] = {&set};
    std::vector<std::uint8_t> bytes = writeLibrary(items);
    const std::size_t picture =
        std::size_t(std::search(bytes.begin(), bytes.end(), marker.begin(), marker.end()) - bytes.begin());
    ASSERT_LT(picture, bytes.size());
    std::vector<std::uint8_t> outer = bytes, inner = bytes;
    putU32(outer, picture - 8, 0xFFFFFFFFu);
    putU32(inner, picture - 4, 0xFFFFFFF0u);

    const struct {
        std::filesystem::path file;
        std::string error; // the end of the message
    } cases[] = {
        {garbage, "offset 0: wrong record signature"},
        {folder.write("outer.cmf", outer), "file ends inside binary data (4294967295 bytes needed, " +
                                               std::to_string(bytes.size() - picture + 4) + " left)"},
        {folder.write("inner.cmf", inner), "picture length 4294967280 does not match its 6 bytes"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(skv::testing::resetPeakResident());
        const std::size_t before = skv::testing::peakResidentBytes();
        try {
            loadLibraryFile(c.file.string());
            ADD_FAILURE() << c.file << " was read";
        } catch (const LibraryFileError& e) {
            const std::string what = e.what();
            EXPECT_TRUE(what.size() >= c.error.size() &&
                        what.compare(what.size() - c.error.size(), c.error.size(), c.error) == 0)
                << what;
        }
        EXPECT_LT(skv::testing::peakResidentBytes() - before, 64 * kMiB) << c.file;
    }
}

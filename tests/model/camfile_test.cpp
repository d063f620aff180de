#include "model/Camfile.h"
#include "model/Fileerror.h"

#include "Tempfolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace skv::model;
using skv::test::readFile;
using skv::test::TempFolder;

namespace {

std::string le32(std::uint32_t v) {
    return {char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char((v >> 24) & 0xFF)};
}

// A camera file with the given magic, header word and length field; record bytes from a fixed pattern.
std::string camFile(const std::string& magic, std::uint32_t headerWord, std::uint32_t length = 216) {
    std::string bytes = magic + le32(headerWord) + le32(length);
    std::uint32_t seed = 12345;
    while (bytes.size() < 228) {
        seed = seed * 1103515245u + 12345u;
        bytes.push_back(char(seed >> 16));
    }
    return bytes;
}

// Record r holds xPos = r + 1 (1.0f is 00 00 80 3F: the bytes are written out, not computed).
std::string numberedRecords() {
    const char* xPos[6] = {"\x00\x00\x80\x3F", "\x00\x00\x00\x40", "\x00\x00\x40\x40",
                           "\x00\x00\x80\x40", "\x00\x00\xA0\x40", "\x00\x00\xC0\x40"};
    std::string bytes = std::string("MACC") + le32(0) + le32(216);
    for (const char* x : xPos)
        bytes += std::string(x, 4) + std::string(32, '\0');
    return bytes;
}

class CamFile : public ::testing::Test {
protected:
    TempFolder tmp;
    TCamFileBuffer buffer;
    TGPLCarCameraSet set;
};

} // namespace

TEST_F(CamFile, ExportRightAfterStartWritesZeroHeaderAndOnlyTheSetsValues) {
    set.Camera0.xPos = 1.0f;      // record 3
    set.Camera5.unknown2 = -2.0f; // record 2, last value
    buffer.exportCamFile(set, tmp.path() / "new.cam");

    std::string expected = std::string("MACC") + le32(0) + le32(216) + std::string(216, '\0');
    expected.replace(12 + 3 * 36, 4, "\x00\x00\x80\x3F", 4);
    expected.replace(12 + 2 * 36 + 32, 4, "\x00\x00\x00\xC0", 4);
    EXPECT_EQ(readFile(tmp.path() / "new.cam"), expected);
}

// A longer file is read for its first 228 bytes.
TEST_F(CamFile, ImportThenExportIsByteIdentical) {
    const std::string original = camFile("MACC", 0x01020304);
    buffer.importCamFile(set, tmp.write("in.cam", original + std::string(500, '\x7F')));
    buffer.exportCamFile(set, tmp.path() / "out.cam");
    EXPECT_EQ(readFile(tmp.path() / "out.cam"), original);

    // The records come from the set, not from the buffer: a buffer that last read other records
    // writes the same file for a set that took the values over.
    TGPLCarCameraSet copy;
    CarCameraBlock block{};
    set.getValues(block);
    copy.setValues(block);
    TCamFileBuffer other;
    TGPLCarCameraSet scratch;
    other.importCamFile(
        scratch, tmp.write("zero.cam", "MACC" + le32(0x01020304) + le32(216) + std::string(216, '\0')));
    other.exportCamFile(copy, tmp.path() / "copy.cam");
    EXPECT_EQ(readFile(tmp.path() / "copy.cam"), original);
}

TEST_F(CamFile, RecordsTravelByTheSlotTableBothWays) {
    buffer.importCamFile(set, tmp.write("n.cam", numberedRecords()));
    const float expected[6] = {4, 1, 2, 5, 6, 3}; // slot n holds record kRecordOfSlot[n] + 1
    for (std::size_t slot = 0; slot < 6; ++slot)
        EXPECT_EQ(set.camera(slot).xPos, expected[slot]) << slot;

    set.Camera5.xPos = 0.5f; // 00 00 00 3F, written back as record 2
    buffer.exportCamFile(set, tmp.path() / "out.cam");
    std::string want = numberedRecords();
    want.replace(12 + 2 * 36, 4, "\x00\x00\x00\x3F", 4);
    EXPECT_EQ(readFile(tmp.path() / "out.cam"), want);
}

TEST_F(CamFile, HeaderWordOfLastImportCarriedIntoEveryExport) {
    TGPLCarCameraSet a, b;
    buffer.importCamFile(a, tmp.write("three.cam", camFile("MACC", 3)));
    buffer.exportCamFile(b, tmp.path() / "1.cam");
    buffer.exportCamFile(a, tmp.path() / "2.cam");
    EXPECT_EQ(readFile(tmp.path() / "1.cam").substr(4, 4), le32(3));
    EXPECT_EQ(readFile(tmp.path() / "2.cam").substr(4, 4), le32(3));

    // Magic and length are not checked on import, and are written correctly on export.
    buffer.importCamFile(a, tmp.write("odd.cam", camFile("XYZW", 9, 7)));
    buffer.exportCamFile(b, tmp.path() / "3.cam");
    EXPECT_EQ(readFile(tmp.path() / "3.cam").substr(0, 12), "MACC" + le32(9) + le32(216));
}

TEST_F(CamFile, ShortFileRefusedLeavingSetAndBufferUnchanged) {
    buffer.importCamFile(set, tmp.write("good.cam", camFile("MACC", 3)));
    const auto before = buffer.bytes();
    const float x0 = set.Camera0.xPos, z5 = set.Camera5.zPos;

    for (std::size_t size : {std::size_t(0), std::size_t(12), std::size_t(227)}) {
        const auto path = tmp.write("short.cam", std::string(size, '\x41'));
        try {
            buffer.importCamFile(set, path);
            ADD_FAILURE() << "a " << size << "-byte file was accepted";
        } catch (const EFReadError& e) {
            const std::string message = e.what();
            EXPECT_NE(message.find(path.string()), std::string::npos) << message;
            EXPECT_NE(message.find(" " + std::to_string(size) + " bytes"), std::string::npos) << message;
        }
        EXPECT_EQ(buffer.bytes(), before);
        EXPECT_EQ(set.Camera0.xPos, x0);
        EXPECT_EQ(set.Camera5.zPos, z5);
    }
}

TEST_F(CamFile, MissingFileAndUncreatableFileReportThePath) {
    const auto missing = tmp.path() / "none.cam";
    EXPECT_THROW(
        try { buffer.importCamFile(set, missing); } catch (const EFOpenError& e) {
            EXPECT_EQ(std::string(e.what()),
                      "Cannot open file " + missing.string() + " (No such file or directory)");
            throw;
        },
        EFOpenError);
    EXPECT_THROW(buffer.importCamFile(set, tmp.path()), EFOpenError);

    const auto nowhere = tmp.path() / "no-folder" / "x.cam";
    EXPECT_THROW(
        try { buffer.exportCamFile(set, nowhere); } catch (const EFCreateError& e) {
            EXPECT_EQ(std::string(e.what()),
                      "Cannot create file " + nowhere.string() + " (No such file or directory)");
            throw;
        },
        EFCreateError);
    EXPECT_FALSE(std::filesystem::exists(tmp.path() / "no-folder"));
}

TEST_F(CamFile, EffectItemExportsRecord3AndKeepsTheOtherRecordsOfTheBuffer) {
    TGPLCarCameraSet carSet, effect;
    effect.Type = eCameraSetType::CstRollBarCam;
    effect.Camera0.xPos = 0.5f;
    effect.Camera1.xPos = 99.0f; // not part of an effect item's record
    buffer.importCamFile(carSet, tmp.write("n.cam", numberedRecords()));
    buffer.exportCamFile(effect, tmp.path() / "e.cam");
    std::string want = numberedRecords();
    want.replace(12 + 3 * 36, 4, "\x00\x00\x00\x3F", 4);
    EXPECT_EQ(readFile(tmp.path() / "e.cam"), want);
}

// The export is the library's safe save, whose handling of links and other kinds of files the
// library's tests check; a game reading its camera file through a pipe would otherwise find a
// plain file there.
TEST_F(CamFile, ExportRefusesAPipe) {
    const auto pipe = tmp.path() / "pipe.cam";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_THROW(buffer.exportCamFile(set, pipe), EFWriteError);
    EXPECT_TRUE(std::filesystem::is_fifo(pipe));
}

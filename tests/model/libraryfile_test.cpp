#include "model/Camerasetstream.h"
#include "model/Libraryfile.h"

#include "Tempfolder.h"

#include <gtest/gtest.h>

#include <bit>
#include <filesystem>

using namespace skv::model;
using namespace skv::stream;
namespace fs = std::filesystem;

namespace {

// Builds expected record bytes readably.
struct Bytes {
    std::vector<std::uint8_t> b;
    Bytes& raw(std::string_view s) {
        b.insert(b.end(), s.begin(), s.end());
        return *this;
    }
    Bytes& u8(std::initializer_list<int> v) {
        for (int x : v)
            b.push_back(std::uint8_t(x));
        return *this;
    }
    Bytes& sstr(std::string_view s) {
        b.push_back(std::uint8_t(s.size()));
        return raw(s);
    }
    Bytes& header(std::string_view cls = "TGPLCarCameraSet") { return raw("TPF0").sstr(cls).u8({0}); }
    Bytes& version() { return sstr("Version").u8({0x02, 0x01}); }
    Bytes& end() { return u8({0, 0}); }
};

std::vector<std::uint8_t> recordOf(const TGPLCarCameraSet& set) {
    std::vector<std::uint8_t> out;
    TStreamWriter w(out);
    writeCameraSet(w, set);
    return out;
}

std::unique_ptr<TGPLCarCameraSet> readOne(const std::vector<std::uint8_t>& bytes) {
    auto items = readLibrary(bytes);
    EXPECT_EQ(items.size(), 1u);
    return items.empty() ? nullptr : std::move(items.front());
}

std::vector<std::uint8_t> fakeJpeg(std::size_t n, std::uint8_t seed) {
    std::vector<std::uint8_t> b(n);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = std::uint8_t(seed + i * 31);
    return b;
}

void expectSameItem(const TGPLCarCameraSet& a, const TGPLCarCameraSet& b) {
    EXPECT_EQ(a.Name, b.Name);
    EXPECT_EQ(a.Type, b.Type);
    EXPECT_EQ(a.Version, b.Version);
    EXPECT_EQ(a.Caption, b.Caption);
    EXPECT_EQ(a.Comment, b.Comment);
    EXPECT_EQ(a.ActivationKey, b.ActivationKey);
    EXPECT_EQ(a.SelectedCamera, b.SelectedCamera);
    for (std::size_t s = 0; s < kCamerasPerSet; ++s) {
        const auto& ca = a.camera(s);
        const auto& cb = b.camera(s);
        for (std::size_t i = 0; i < kValuesPerCamera; ++i)
            EXPECT_EQ(std::bit_cast<std::uint32_t>(valueAt(ca.values(), i)),
                      std::bit_cast<std::uint32_t>(valueAt(cb.values(), i)))
                << "slot " << s << " value " << i;
        EXPECT_EQ(ca.Caption, cb.Caption);
        EXPECT_EQ(ca.Effect, cb.Effect);
        EXPECT_EQ(ca.getImage().bytes(), cb.getImage().bytes());
    }
}

struct TempDir : skv::test::TempFolder {
    std::string file(const std::string& name) const { return (path() / name).string(); }
};

using skv::test::readBytes;

} // namespace

TEST(LibraryRecord, NewSetNamedTestIsTheDocumentedRecord) {
    TGPLCarCameraSet set;
    set.Caption = "Test";
    const auto expected = Bytes().header().version().sstr("Caption").u8({0x06}).sstr("Test").end().b;
    EXPECT_EQ(recordOf(set), expected);
    expectSameItem(*readOne(expected), set);
}

TEST(LibraryRecord, EachPropertyIsWrittenOnlyWhenNotDefault) {
    TGPLCarCameraSet set;
    set.Type = eCameraSetType::CstRollBarCam;
    set.Caption = std::string(300, 'c');
    set.Comment = "note";
    set.ActivationKey = 16449; // Ctrl+A
    set.SelectedCamera = -1;
    set.Camera0.setImage(TJPEGImage({0xFF, 0xD8, 0xFF, 0xD9}));
    set.Camera0.xPos = 1.0f;
    set.Camera0.yPos = -0.0f; // counts as 0
    set.Camera0.Caption = "Roof";
    set.Camera0.Effect = "X := X + 0.1;";
    set.Camera3.unknown2 = 2.0f;

    const auto expected = Bytes()
                              .header()
                              .sstr("Type")
                              .u8({0x07})
                              .sstr("CstRollBarCam")
                              .version()
                              .sstr("Caption")
                              .u8({0x0C, 0x2C, 0x01, 0, 0})
                              .raw(std::string(300, 'c'))
                              .sstr("Comment")
                              .u8({0x06})
                              .sstr("note")
                              .sstr("ActivationKey")
                              .u8({0x03, 0x41, 0x40})
                              .sstr("Camera0.Image.Data")
                              .u8({0x0A, 8, 0, 0, 0, 4, 0, 0, 0, 0xFF, 0xD8, 0xFF, 0xD9})
                              .sstr("Camera0.xPos")
                              .u8({0x05, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F})
                              .sstr("Camera0.Caption")
                              .u8({0x06})
                              .sstr("Roof")
                              .sstr("Camera0.Effect")
                              .u8({0x06})
                              .sstr("X := X + 0.1;")
                              .sstr("Camera3.unknown2")
                              .u8({0x05, 0, 0, 0, 0, 0, 0, 0, 0x80, 0x00, 0x40})
                              .sstr("SelectedCamera")
                              .u8({0x02, 0xFF})
                              .end()
                              .b;
    EXPECT_EQ(recordOf(set), expected);
    set.Camera0.yPos = 0.0f; // the omitted -0.0 reads back as 0
    expectSameItem(*readOne(expected), set);

    set.ActivationKey = 0x8041; // Alt+A needs 32 bits
    const auto withAlt = recordOf(set);
    const auto key = Bytes().sstr("ActivationKey").u8({0x04, 0x41, 0x80, 0, 0}).b;
    EXPECT_NE(std::search(withAlt.begin(), withAlt.end(), key.begin(), key.end()), withAlt.end());
    EXPECT_EQ(readOne(withAlt)->ActivationKey, 0x8041);
}

TEST(LibraryRecord, VersionIsAlwaysWrittenSoThatZeroSurvives) {
    for (const std::int32_t version : {0, 1, -7, 70000}) {
        TGPLCarCameraSet set;
        set.Version = version;
        EXPECT_EQ(readOne(recordOf(set))->Version, version);
    }
    TGPLCarCameraSet zero;
    zero.Version = 0;
    EXPECT_EQ(recordOf(zero), Bytes().header().sstr("Version").u8({0x02, 0x00}).end().b);
}

TEST(LibraryRecord, PropertiesInAnyOrderAndIntegerFloats) {
    const auto bytes = Bytes()
                           .header()
                           .sstr("Camera5.zoomAngle")
                           .u8({0x02, 0xFD})
                           .sstr("Camera1.yaw")
                           .u8({0x04, 0x40, 0x42, 0x0F, 0x00})
                           .sstr("Caption")
                           .u8({0x06})
                           .sstr("late")
                           .sstr("Type")
                           .u8({0x07})
                           .sstr("CstCarCamSet")
                           .sstr("Camera2.bank")
                           .u8({0x03, 0x00, 0x01})
                           .end()
                           .b;
    const auto set = readOne(bytes);
    EXPECT_EQ(set->Version, 1); // absent: the constructor's value
    EXPECT_EQ(set->Caption, "late");
    EXPECT_EQ(set->Camera5.zoomAngle, -3.0f);
    EXPECT_EQ(set->Camera1.yaw, 1000000.0f);
    EXPECT_EQ(set->Camera2.bank, 256.0f);
    EXPECT_EQ(set->Type, eCameraSetType::CstCarCamSet);
}

TEST(LibraryRecord, ClipboardFormIsExactlyOneRecord) {
    TGPLCarCameraSet set;
    set.Caption = "Copied";
    set.SelectedCamera = -1;
    const std::vector<std::uint8_t> record = cameraSetRecord(set);
    EXPECT_EQ(record, recordOf(set));
    expectSameItem(*readSingleCameraSet(record), set);

    std::vector<std::uint8_t> two = record;
    two.insert(two.end(), record.begin(), record.end());
    std::vector<std::uint8_t> cut(record.begin(), record.end() - 1);
    for (const auto& bytes : {two, cut, std::vector<std::uint8_t>{}}) {
        try {
            readSingleCameraSet(bytes);
            ADD_FAILURE() << "read " << bytes.size() << " bytes as one item";
        } catch (const StreamError& e) {
            EXPECT_LE(e.offset(), bytes.size());
        }
    }
}

TEST(LibraryFile, SaveAndLoadKeepItemsOrderBitsAndPictures) {
    TCameraSetList items;
    const std::uint32_t odd[] = {0x00000001, 0x7F7FFFFF, 0x7FC12345, 0xFF800000, 0x3DCCCCCD, 0x807FFFFF};
    for (int n = 0; n < 3; ++n) {
        auto set = std::make_unique<TGPLCarCameraSet>();
        set->Caption = "Set " + std::to_string(n);
        set->Comment = n == 1 ? std::string(1000, '\xE9') : "";
        for (std::size_t s = 0; s < kCamerasPerSet; ++s) {
            auto& cam = set->camera(s);
            for (std::size_t i = 0; i < kValuesPerCamera; ++i)
                valueAt(cam.values(), i) =
                    std::bit_cast<float>(odd[(s + i + std::size_t(n)) % std::size(odd)]);
            if (s < 5) cam.setImage(TJPEGImage(fakeJpeg(100 + s * 7, std::uint8_t(n))));
            cam.Caption = "cam" + std::to_string(s);
        }
        items.push_back(std::move(set));
    }
    items[2]->Type = eCameraSetType::CstRollBarCam;
    items[2]->setEffect("BEGIN X := X + 1; END");

    TempDir dir;
    const std::string name = dir.file("lib.cmf");
    saveLibraryFile(name, items);
    const auto loaded = loadLibraryFile(name);
    ASSERT_EQ(loaded.size(), items.size());
    for (std::size_t i = 0; i < items.size(); ++i)
        expectSameItem(*loaded[i], *items[i]);

    // Writing what was read gives the same file, byte for byte.
    const std::string copy = dir.file("copy.cmf");
    saveLibraryFile(copy, loaded);
    EXPECT_EQ(readBytes(copy), readBytes(name));
    EXPECT_EQ(dir.entries(), 2u); // no temporary file left behind
}

TEST(LibraryFile, EmptyLibraryIsAnEmptyFile) {
    TempDir dir;
    const std::string name = dir.file("empty.cmf");
    saveLibraryFile(name, TCameraSetList{});
    EXPECT_EQ(fs::file_size(name), 0u);
    EXPECT_TRUE(loadLibraryFile(name).empty());
}

TEST(LibraryFile, MalformedFilesFailWithFileAndOffset) {
    const auto good = Bytes().header().version().end().b; // 27 bytes
    const auto withGood = [&](Bytes b) {
        std::vector<std::uint8_t> all = good;
        all.insert(all.end(), b.b.begin(), b.b.end());
        return all;
    };
    struct Case {
        const char* label;
        std::vector<std::uint8_t> bytes;
        std::size_t offset;
        const char* problem;
    };
    const std::size_t g = good.size();
    const Case cases[] = {
        {"signature", withGood(Bytes().raw("TPF1").sstr("TGPLCarCameraSet").u8({0}).end()), g,
         "wrong record signature"},
        {"class", withGood(Bytes().header("TButton").end()), g + 4, "unknown class \"TButton\""},
        {"path", withGood(Bytes().header().sstr("Camera6.xPos").u8({0x02, 1}).end()), g + 22,
         "unknown property path \"Camera6.xPos\""},
        {"camera path", withGood(Bytes().header().sstr("Camera1.Colour").u8({0x02, 1}).end()), g + 22,
         "unknown property path \"Camera1.Colour\""},
        {"ends in record", std::vector<std::uint8_t>(good.begin(), good.end() - 1), g - 1,
         "file ends inside the end of the record"},
        {"ends in header", withGood(Bytes().raw("TPF0").u8({16}).raw("TGPLCar")), g + 5,
         "file ends inside the class name"},
        {"ends in path", withGood(Bytes().header().u8({7}).raw("Vers")), g + 23,
         "file ends inside a property name"},
        {"length past end",
         withGood(Bytes().header().sstr("Camera0.Image.Data").u8({0x0A, 0x00, 0x00, 0x00, 0x40, 1, 2})),
         g + 22 + 19 + 5, "file ends inside binary data"},
        {"long string past end",
         withGood(Bytes().header().sstr("Comment").u8({0x0C, 0xFF, 0xFF, 0xFF, 0x7F})), g + 22 + 8 + 5,
         "file ends inside a long string"},
        {"value type", withGood(Bytes().header().sstr("Caption").u8({0x11, 0}).end()), g + 22 + 8,
         "unknown value type 0x11"},
        {"string for float", withGood(Bytes().header().sstr("Camera2.yaw").u8({0x06, 1, '1'}).end()),
         g + 22 + 12, "property \"Camera2.yaw\" expects a number"},
        {"int for string", withGood(Bytes().header().sstr("Caption").u8({0x02, 1}).end()), g + 22 + 8,
         "property \"Caption\" expects a string"},
        {"float for int",
         withGood(Bytes().header().sstr("Version").u8({0x05, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}).end()),
         g + 22 + 8, "property \"Version\" expects an integer"},
        {"type ident", withGood(Bytes().header().sstr("Type").u8({0x07}).sstr("CstPitCam").end()), g + 22 + 5,
         "unknown item type \"CstPitCam\""},
        {"key range", withGood(Bytes().header().sstr("ActivationKey").u8({0x02, 0xFF}).end()), g + 22 + 14,
         "value -1 of property \"ActivationKey\" is out of range"},
        {"picture length",
         withGood(Bytes().header().sstr("Camera4.Image.Data").u8({0x0A, 5, 0, 0, 0, 9, 0, 0, 0, 1}).end()),
         g + 22 + 19, "picture length 9 does not match its 1 bytes"},
        {"children", withGood(Bytes().header().u8({0, 1})), g + 23, "child components are not supported"},
    };
    TempDir dir;
    for (const auto& c : cases) {
        const std::string name = dir.file(std::string(c.label) + ".cmf");
        dir.write(std::string(c.label) + ".cmf", c.bytes);
        try {
            loadLibraryFile(name);
            ADD_FAILURE() << c.label << ": no error";
        } catch (const LibraryFileError& e) {
            const std::string expected = name + ": offset " + std::to_string(c.offset) + ": " + c.problem;
            EXPECT_EQ(std::string(e.what()).substr(0, expected.size()), expected) << c.label;
        }
    }
    EXPECT_THROW(loadLibraryFile(dir.file("missing.cmf")), LibraryFileError);
}

TEST(LibraryFile, SaveThatCannotStartOrReplaceLeavesNothingBehind) {
    TempDir dir;
    TCameraSetList items;
    items.push_back(std::make_unique<TGPLCarCameraSet>());
    // A folder that does not exist refuses the temporary file: the framework's message.
    try {
        saveLibraryFile(dir.file("no/such/folder.cmf"), items);
        ADD_FAILURE() << "no error";
    } catch (const FileWriteError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Cannot create file " + dir.file("no/such/folder.cmf"), 0), 0u);
    }
    // A target that cannot be replaced (a folder) fails at the rename and leaves nothing behind.
    fs::create_directory(dir.file("folder.cmf"));
    EXPECT_THROW(saveLibraryFile(dir.file("folder.cmf"), items), FileWriteError);
    EXPECT_EQ(dir.entries(), 1u);
}

TEST(LibraryFile, StreamedSaveWritesTheBytesOfTheInMemoryWriter) {
    // Pictures on both sides of the size that bypasses the writer's buffer, enough small ones to fill
    // that buffer several times, and a long string; the file must equal the record bytes in memory.
    TCameraSetList items;
    const std::size_t sizes[] = {1, 16383, 16384, 16385, 70000, 3000};
    for (std::size_t n = 0; n < 40; ++n) {
        auto set = std::make_unique<TGPLCarCameraSet>();
        set->Caption = "Set " + std::to_string(n);
        if (n == 7) set->Comment = std::string(20000, 'c');
        for (std::size_t s = 0; s < 5; ++s)
            set->camera(s).setImage(TJPEGImage(fakeJpeg(sizes[(n + s) % std::size(sizes)], std::uint8_t(n))));
        set->Camera2.yaw = float(n) + 0.5f;
        items.push_back(std::move(set));
    }
    std::vector<const TGPLCarCameraSet*> pointers;
    for (const auto& item : items)
        pointers.push_back(item.get());

    TempDir dir;
    const std::string name = dir.file("streamed.cmf");
    saveLibraryFile(name, items);
    EXPECT_TRUE(readBytes(name) == writeLibrary(pointers));
}

TEST(LibraryFile, RecordThatCannotBeWrittenHalfwayKeepsTheOldFile) {
    TempDir dir;
    const std::string name = dir.file("keep.cmf");
    TCameraSetList items;
    items.push_back(std::make_unique<TGPLCarCameraSet>());
    items[0]->Camera0.setImage(TJPEGImage(fakeJpeg(100000, 3)));
    saveLibraryFile(name, items);
    const auto before = readBytes(name);

    // The second item's name does not fit a record, which is found only after the first item (and its
    // picture) went to the temporary file.
    items.push_back(std::make_unique<TGPLCarCameraSet>());
    items[1]->Name = std::string(300, 'n');
    EXPECT_THROW(saveLibraryFile(name, items), std::length_error);
    EXPECT_EQ(readBytes(name), before);
    EXPECT_EQ(dir.entries(), 1u);
}

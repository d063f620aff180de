// Saving a library while the system misbehaves: the save either completes or raises, and on failure
// the library on disk is the old one and no temporary file is left beside it.
#include "Tempfolder.h"

#include "model/Libraryfile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>

#include <unistd.h>

using namespace skv::model;
namespace fs = std::filesystem;
using skv::test::readFile;

namespace {

TCameraSetList itemsCaptioned(const std::string& caption) {
    TCameraSetList items;
    for (int i = 0; i < 3; ++i) {
        auto set = std::make_unique<TGPLCarCameraSet>();
        set->Caption = caption + " " + std::to_string(i);
        set->Camera1.setImage(TJPEGImage(std::vector<std::uint8_t>(20000, std::uint8_t(i))));
        items.push_back(std::move(set));
    }
    return items;
}

} // namespace

TEST(LibrarySaveFaults, WritersThatStallOrAreInterrupted) {
    struct Case {
        const char* name;
        std::function<ssize_t(int, const void*, std::size_t, int call)> write;
        bool succeeds;
    };
    const Case cases[] = {
        // A system that never makes progress must end in an error, not in an endless loop.
        {"no progress", [](int, const void*, std::size_t, int) -> ssize_t { return 0; }, false},
        {"no progress after a while",
         [](int fd, const void* d, std::size_t n, int call) -> ssize_t {
             return call < 3 ? ::write(fd, d, n) : 0;
         },
         false},
        {"one byte at a time",
         [](int fd, const void* d, std::size_t, int) -> ssize_t { return ::write(fd, d, 1); }, true},
        {"interrupted now and then",
         [](int fd, const void* d, std::size_t n, int call) -> ssize_t {
             if (call % 2 == 0) {
                 errno = EINTR;
                 return -1;
             }
             return ::write(fd, d, n);
         },
         true},
        {"disk full at once",
         [](int, const void*, std::size_t, int) -> ssize_t {
             errno = ENOSPC;
             return -1;
         },
         false},
        {"disk full part way",
         [](int fd, const void* d, std::size_t n, int call) -> ssize_t {
             if (call < 2) return ::write(fd, d, std::min<std::size_t>(n, 10));
             errno = ENOSPC;
             return -1;
         },
         false},
    };
    for (const Case& c : cases) {
        skv::test::TempFolder dir;
        const fs::path file = dir.path() / "library.cmf";
        saveLibraryFile(file.string(), itemsCaptioned("old"));
        const std::string before = readFile(file);

        int calls = 0;
        const TRawWrite writer = [&](int fd, const void* data, std::size_t size) {
            return c.write(fd, data, size, calls++);
        };
        const TCameraSetList items = itemsCaptioned("new");
        if (c.succeeds) {
            saveLibraryFile(file.string(), items, writer);
            EXPECT_EQ(loadLibraryFile(file.string())[2]->Caption, "new 2") << c.name;
        } else {
            EXPECT_THROW(saveLibraryFile(file.string(), items, writer), FileWriteError) << c.name;
            EXPECT_EQ(readFile(file), before) << c.name;
        }
        EXPECT_EQ(dir.entries(), 1u) << c.name;
    }
}

TEST(LibrarySaveFaults, FolderThatVanishesDuringTheSave) {
    // Half way through the folder is moved away (another program, or a drive that goes offline);
    // perhaps another folder of the same name takes its place.
    for (const bool replaced : {false, true}) {
        skv::test::TempFolder dir;
        const fs::path folder = dir.mkdir("cameras");
        const fs::path file = folder / "library.cmf";
        saveLibraryFile(file.string(), itemsCaptioned("old"));
        const std::string before = readFile(file);

        const fs::path moved = dir.path() / "moved";
        bool gone = false;
        const TRawWrite writer = [&](int fd, const void* data, std::size_t size) -> ssize_t {
            if (!gone) {
                fs::rename(folder, moved);
                if (replaced) fs::create_directory(folder);
                gone = true;
            }
            return ::write(fd, data, size);
        };
        EXPECT_THROW(saveLibraryFile(file.string(), itemsCaptioned("new"), writer), FileWriteError)
            << replaced;
        EXPECT_EQ(fs::exists(folder), replaced) << "the save must not make the folder again";
        if (replaced) {
            EXPECT_EQ(dir.entries("cameras"), 0u) << "nothing lands in a folder that was not the one named";
        }
        EXPECT_EQ(readFile(moved / "library.cmf"), before) << "the old library survives where it went";
        EXPECT_EQ(dir.entries("moved"), 1u) << "the temporary file is removed where it went";
    }
}

// Another program changes the library while it is open here: the items stay as they were loaded,
// and a save puts them back whole, replacing the file rather than writing into it, so a reader
// that has the old file open reads it to its end unchanged.
TEST(LibrarySaveFaults, FileChangedOnDiskWhileOpen) {
    skv::test::TempFolder dir;
    const fs::path file = dir.path() / "library.cmf";
    saveLibraryFile(file.string(), itemsCaptioned("ours"));
    const std::string ours = readFile(file);
    const TCameraSetList open = loadLibraryFile(file.string());

    // Overwritten in place with garbage, then replaced with other items.
    std::ofstream(file, std::ios::binary) << std::string(100, 'x');
    ASSERT_THROW(loadLibraryFile(file.string()), LibraryFileError);
    saveLibraryFile(file.string(), itemsCaptioned("theirs"));
    const std::string theirs = readFile(file);
    ASSERT_EQ(open.size(), 3u);
    EXPECT_EQ(open[2]->Caption, "ours 2");

    std::ifstream reader(file, std::ios::binary); // opened before our save, read after it
    saveLibraryFile(file.string(), open);
    EXPECT_EQ(readFile(file), ours);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(reader), std::istreambuf_iterator<char>()), theirs);
    EXPECT_EQ(dir.entries(), 1u);
}

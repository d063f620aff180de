// What a library save may replace: a symbolic link keeps pointing at the library it names, a file that
// is not a regular one is refused and left as it was, and a replaced file keeps its permissions.
#include "Tempfolder.h"

#include "model/Libraryfile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

using namespace skv::model;
namespace fs = std::filesystem;
using skv::test::readFile;

namespace {

TCameraSetList oneItem(const std::string& caption) {
    TCameraSetList items;
    items.push_back(std::make_unique<TGPLCarCameraSet>());
    items[0]->Caption = caption;
    return items;
}

std::string savedCaption(const fs::path& file) {
    return loadLibraryFile(file.string()).at(0)->Caption;
}

// A socket file bound at path; the descriptor stays open for the test's life.
int bindSocket(const fs::path& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string name = path.string();
    if (fd < 0 || name.size() >= sizeof address.sun_path) return -1;
    name.copy(address.sun_path, name.size());
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) return -1;
    return fd;
}

} // namespace

TEST(LibrarySaveTargets, LinksStayLinksAndTheirTargetIsReplaced) {
    skv::test::TempFolder dir;
    const fs::path real = dir.mkdir("synced") / "library.cmf";
    saveLibraryFile(real.string(), oneItem("old"));
    fs::create_symlink("synced/library.cmf", dir.path() / "relative.cmf");
    fs::create_symlink(dir.path() / "relative.cmf", dir.path() / "chained.cmf");
    fs::create_symlink("synced/new.cmf", dir.path() / "dangling.cmf");

    for (const char* link : {"relative.cmf", "chained.cmf"}) {
        saveLibraryFile((dir.path() / link).string(), oneItem(link));
        EXPECT_TRUE(fs::is_symlink(dir.path() / link)) << link;
        EXPECT_EQ(savedCaption(real), link);
    }
    EXPECT_EQ(fs::read_symlink(dir.path() / "chained.cmf"), dir.path() / "relative.cmf");

    // A link to a file not there yet: the file is made where the link points.
    saveLibraryFile((dir.path() / "dangling.cmf").string(), oneItem("made"));
    EXPECT_TRUE(fs::is_symlink(dir.path() / "dangling.cmf"));
    EXPECT_EQ(savedCaption(dir.path() / "synced/new.cmf"), "made");

    // No temporary file is left in either folder.
    EXPECT_EQ(dir.entries("synced"), 2u);
    EXPECT_EQ(dir.entries(), 4u);

    fs::create_symlink("loop-b.cmf", dir.path() / "loop-a.cmf");
    fs::create_symlink("loop-a.cmf", dir.path() / "loop-b.cmf");
    EXPECT_THROW(saveLibraryFile((dir.path() / "loop-a.cmf").string(), oneItem("x")), FileWriteError);
}

TEST(LibrarySaveTargets, WhatIsNoRegularFileIsRefusedAndLeftAlone) {
    skv::test::TempFolder dir;
    struct Case {
        const char* name;
        std::function<bool(const fs::path&)> make; // false when this system does not let the test make it
        const char* kind;
    };
    const Case cases[] = {
        {"pipe", [](const fs::path& p) { return ::mkfifo(p.c_str(), 0600) == 0; }, "a named pipe"},
        {"socket", [](const fs::path& p) { return bindSocket(p) >= 0; }, "a socket"},
        {"folder", [](const fs::path& p) { return fs::create_directory(p); }, "a folder"},
        // A device of its own (the null device's numbers), so that a fault cannot harm the system's.
        {"device", [](const fs::path& p) { return ::mknod(p.c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0; },
         "a device"},
    };
    for (const Case& c : cases) {
        const fs::path target = dir.path() / c.name;
        if (!c.make(target)) {
            std::cout << "[ note ] " << c.name << " cannot be made here; not tried\n";
            continue;
        }
        const auto before = fs::status(target).type();
        try {
            saveLibraryFile(target.string(), oneItem("x"));
            ADD_FAILURE() << c.name << " was replaced";
        } catch (const FileWriteError& e) {
            EXPECT_EQ(std::string(e.what()),
                      "Cannot replace file " + target.string() + " (" + c.kind + ", not a regular file)");
        }
        EXPECT_EQ(fs::status(target).type(), before) << c.name;
        // Through a link as well.
        const fs::path link = dir.path() / (std::string(c.name) + "-link.cmf");
        fs::create_symlink(target, link);
        EXPECT_THROW(saveLibraryFile(link.string(), oneItem("x")), FileWriteError) << c.name;
        EXPECT_EQ(fs::status(target).type(), before) << c.name;
        EXPECT_TRUE(fs::is_symlink(link)) << c.name;
    }
}

TEST(LibrarySaveTargets, ReplacedFileKeepsItsPermissions) {
    skv::test::TempFolder dir;
    const fs::path file = dir.path() / "library.cmf";
    for (const fs::perms perms : {fs::perms(0640), fs::perms(0604), fs::perms(0700)}) {
        saveLibraryFile(file.string(), oneItem("old"));
        fs::permissions(file, perms);
        saveLibraryFile(file.string(), oneItem("new"));
        EXPECT_EQ(fs::status(file).permissions(), perms) << int(perms);
        EXPECT_EQ(savedCaption(file), "new");
        fs::remove(file);
    }
}

// The file group on a temporary folder, and the name functions on texts.
#include "engine/bldfuncs/Bldfuncs.h"
#include "engine/exfuncs_test_support.h"
#include "model/Tempfolder.h"

#include <fcntl.h>
#include <filesystem>
#include <fstream>

namespace skv::engine {
namespace {

namespace fs = std::filesystem;
using testing::CallByName;

class BuildInFile : public ::testing::Test {
protected:
    void TearDown() override { fs::current_path(OldDir); }
    std::string P(const std::string& Name) const { return (Dir / Name).string(); }
    Variant Call(const char* Name, std::vector<Variant> Args) { return CallByName(R, Name, std::move(Args)); }

    TEPRegFuncs R;
    skv::test::TempFolder Folder;
    const fs::path Dir = Folder.path();
    const fs::path OldDir = fs::current_path();
};

TEST_F(BuildInFile, NameFunctions) {
    const std::vector<std::tuple<const char*, std::vector<Variant>, const char*>> cases = {
        {"ChangeFileExt", {"/a/b.txt", ".cam"}, "/a/b.cam"},
        {"ChangeFileExt", {"/a.d/b", ".cam"}, "/a.d/b.cam"},
        {"ExtractFileExt", {"/a.d/b"}, ""},
        {"ExtractFileExt", {"C:\\x\\y.tar.gz"}, ".gz"},
        {"ExtractFileName", {"C:\\x\\y.cam"}, "y.cam"},
        {"ExtractFileName", {"/x/y/"}, ""},
        {"ExtractFilePath", {"/x/y.cam"}, "/x/"},
        {"ExtractFilePath", {"C:y.cam"}, "C:"},
        {"ExtractFileDir", {"/x/y.cam"}, "/x"},
        {"ExtractFileDir", {"/y.cam"}, "/"},
        {"ExtractFileDir", {"C:\\y.cam"}, "C:\\"},
        {"ExtractFileDrive", {"C:\\y.cam"}, "C:"},
        {"ExtractFileDrive", {"\\\\server\\share\\dir\\f"}, "\\\\server\\share"},
        {"ExtractFileDrive", {"/usr/x"}, ""},
        {"IncludeTrailingBackslash", {"/x"}, "/x/"},
        {"IncludeTrailingBackslash", {"/x/"}, "/x/"},
        {"ExcludeTrailingBackslash", {"/x/"}, "/x"},
        {"ExtractRelativePath", {"/a/b/base.txt", "/a/c/d/f.txt"}, "../c/d/f.txt"},
        {"ExtractRelativePath", {"/a/b/", "/a/b/f.txt"}, "f.txt"},
        {"ExpandFileName", {"/a/./b/../c"}, "/a/c"},
        {"AnsiUpperCaseFileName", {"abc.cam"}, "ABC.CAM"},
        {"AnsiLowerCaseFileName", {"ABC.CAM"}, "abc.cam"},
    };
    for (const auto& [name, args, expected] : cases)
        EXPECT_EQ(Call(name, args).ToString(), expected) << name << "(" << args[0].ToString() << ")";
    EXPECT_EQ(Call("IsPathDelimiter", {"a/b", 2}).ToInteger(), 1);
    EXPECT_EQ(Call("IsPathDelimiter", {"a/b", 3}).ToInteger(), 0);
    EXPECT_EQ(Call("IsPathDelimiter", {"a/b", 9}).ToInteger(), 0);
    EXPECT_LT(Call("AnsiCompareFileName", {"A", "a"}).ToInteger(), 0); // case counts in file names here
}

TEST_F(BuildInFile, DirectoriesAndFiles) {
    EXPECT_EQ(Call("ForceDirectories", {P("x/y/z")}).ToInteger(), 1);
    EXPECT_EQ(Call("DirectoryExists", {P("x/y/z")}).ToInteger(), 1);
    EXPECT_EQ(Call("CreateDir", {P("x")}).ToInteger(), 0); // exists already
    EXPECT_EQ(Call("RemoveDir", {P("x")}).ToInteger(), 0); // not empty
    EXPECT_EQ(Call("RemoveDir", {P("x/y/z")}).ToInteger(), 1);
    std::ofstream(P("f.txt")) << "hello";
    EXPECT_EQ(Call("FileExists", {P("f.txt")}).ToInteger(), 1);
    EXPECT_EQ(Call("FileExists", {P("x")}).ToInteger(), 0);
    EXPECT_EQ(Call("DeleteFile", {P("x")}).ToInteger(), 0); // a folder is no file
    EXPECT_EQ(Call("FileGetAttr", {P("x")}).ToInteger() & 0x10, 0x10);
    EXPECT_EQ(Call("FileGetAttr", {P("f.txt")}).ToInteger() & 0x10, 0);
    EXPECT_EQ(Call("FileGetAttr", {P("none")}).ToInteger(), -1);
    EXPECT_EQ(Call("FileSearch", {"f.txt", "/nonexistent;" + Dir.string()}).ToString(), P("f.txt"));
    EXPECT_EQ(Call("FileSearch", {"g.txt", Dir.string()}).ToString(), "");
    std::ofstream(P("g.txt")) << "other";
    EXPECT_EQ(Call("RenameFile", {P("f.txt"), P("g.txt")}).ToInteger(), 0); // keeps an existing target
    EXPECT_EQ(Call("RenameFile", {P("f.txt"), P("h.txt")}).ToInteger(), 1);
    EXPECT_EQ(Call("DeleteFile", {P("h.txt")}).ToInteger(), 1);
    EXPECT_EQ(Call("FileExists", {P("h.txt")}).ToInteger(), 0);
    EXPECT_NE(Call("FileAge", {P("g.txt")}).ToInteger(), -1);
    EXPECT_EQ(Call("FileAge", {P("none")}).ToInteger(), -1);

    EXPECT_EQ(Call("SetCurrentDir", {Dir.string()}).ToInteger(), 1);
    EXPECT_EQ(fs::path(Call("GetCurrentDir", {}).ToString()), fs::canonical(Dir));
    EXPECT_EQ(Call("GetDir", {0}).ToString(), Call("GetCurrentDir", {}).ToString());
    EXPECT_EQ(Call("ExpandFileName", {"g.txt"}).ToString(), (fs::canonical(Dir) / "g.txt").string());
    Call("ChDir", {P("x")});
    EXPECT_EQ(fs::current_path(), fs::canonical(P("x")));
    EXPECT_THROW(Call("ChDir", {P("none")}), EInOutError);
    EXPECT_EQ(Call("SetCurrentDir", {P("none")}).ToInteger(), 0);
    EXPECT_GT(Call("DiskSize", {0}).ToReal(), 0);
    EXPECT_LE(Call("DiskFree", {0}).ToReal(), Call("DiskSize", {0}).ToReal());
    EXPECT_EQ(Call("DiskSize", {3}).ToReal(), -1);
}

TEST_F(BuildInFile, HandlesReadWriteSeekAndStamps) {
    std::ofstream(P("data.bin")) << "0123456789";
    const std::int32_t h = Call("FileOpen", {P("data.bin"), 2}).ToInteger();
    ASSERT_GE(h, 0);
    const std::int32_t buf = Call("AllocMem", {16}).ToInteger();
    EXPECT_EQ(Call("FileSeek", {h, 3, 0}).ToInteger(), 3);
    EXPECT_EQ(Call("FileRead", {h, buf, 4}).ToInteger(), 4);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(R.Context().Memory.Resolve(buf, 4)), 4), "3456");
    EXPECT_EQ(Call("FileSeek", {h, 0, 2}).ToInteger(), 10);
    Call("FillChar", {buf, 2, static_cast<std::int32_t>('Z')});
    EXPECT_EQ(Call("FileWrite", {h, buf, 2}).ToInteger(), 2);
    EXPECT_ENGINE_ERROR(Call("FileRead", {h, buf + 8, 9}), EMathParserError,
                        std::string(_msgInvalidMemory) + ": " + std::to_string(buf + 8));
    EXPECT_EQ(Call("FileWrite", {h, buf + 16, 0}).ToInteger(), 0); // no bytes, just past the block's end

    const std::int32_t stamp = (23655 << 16) | 28836; // 2026-03-07 14:05:08
    EXPECT_EQ(Call("FileSetDate", {h, stamp}).ToInteger(), 0);
    EXPECT_EQ(Call("FileGetDate", {h}).ToInteger(), stamp);
    Call("FileClose", {h});
    EXPECT_EQ(Call("FileAge", {P("data.bin")}).ToInteger(), stamp);
    std::ifstream in(P("data.bin"));
    std::string text;
    in >> text;
    EXPECT_EQ(text, "0123456789ZZ");
    Call("FreeMem", {buf, 16});

    // Closed handles and handles the engine did not give out are refused.
    EXPECT_EQ(Call("FileSeek", {h, 0, 0}).ToInteger(), -1);
    EXPECT_EQ(Call("FileGetDate", {1}).ToInteger(), -1); // standard output
    EXPECT_EQ(Call("FileOpen", {P("none"), 0}).ToInteger(), -1);
    const std::int32_t readOnly = Call("FileOpen", {P("data.bin"), 0}).ToInteger();
    const std::int32_t one = Call("AllocMem", {1}).ToInteger();
    EXPECT_EQ(Call("FileWrite", {readOnly, one, 1}).ToInteger(), -1); // opened for reading only
    EXPECT_EQ(Call("FileRead", {readOnly, one, 1}).ToInteger(), 1);
    Call("FileClose", {readOnly});
    Call("FreeMem", {one, 1});
    Call("FileClose", {2}); // leaves standard error open
    EXPECT_NE(::fcntl(2, F_GETFD), -1);

    // A script that opens without closing runs out of handles, not the program of descriptors.
    std::vector<std::int32_t> open;
    for (std::int32_t got = 0; open.size() < 1000 && got != -1;) {
        got = Call("FileOpen", {P("data.bin"), 0}).ToInteger();
        if (got != -1) open.push_back(got);
    }
    EXPECT_EQ(open.size(), 64u);
    Call("FileClose", {open.back()});
    open.back() = Call("FileOpen", {P("data.bin"), 0}).ToInteger();
    EXPECT_NE(open.back(), -1); // a closed one makes room
    for (const std::int32_t handle : open)
        Call("FileClose", {handle});
}

} // namespace
} // namespace skv::engine

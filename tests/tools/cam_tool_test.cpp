// skyvane-tool's camera file commands on the shipped reference camera files and on files made here.
#include "model/Camfile.h"
#include "model/Libraryfile.h"

#include "Toolrun.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <bit>

using namespace skv::model;
namespace fs = std::filesystem;
using skv::test::readFile;
using skv::test::ToolRun;

namespace {

using CamTool = skv::test::ToolTest;

std::string quoted(const std::string& s) {
    return "'" + s + "'";
}

const std::string kReferenceCams[] = {std::string(SKV_RUNTIME_DIR) + "/brabham.cam",
                                      std::string(SKV_RUNTIME_DIR) + "/pacecar.cam"};

} // namespace

// Each reference file, and one whose header holds a word the library does not keep: imported, the
// set holds the file's values (also as the JSON form prints them, which writes nothing); exported,
// the file comes back, from a zero header.
TEST_F(CamTool, ImportThenExportGivesTheCameraFileBack) {
    std::string odd = readFile(kReferenceCams[0]);
    odd[4] = 7;
    folder.write("odd.cam", odd);
    odd[4] = 0;
    const struct {
        std::string cam, exported;
    } cases[] = {{kReferenceCams[0], readFile(kReferenceCams[0])},
                 {kReferenceCams[1], readFile(kReferenceCams[1])},
                 {file("odd.cam"), odd}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cam);
        TCamFileBuffer buffer;
        TGPLCarCameraSet direct;
        buffer.importCamFile(direct, c.cam);

        const std::size_t before = entries();
        const ToolRun json = run("cam import --json " + quoted(c.cam));
        ASSERT_EQ(json.exitCode, 0) << json.err;
        const auto printed = nlohmann::json::parse(json.out);
        ASSERT_EQ(printed.size(), 1u);
        EXPECT_EQ(printed[0]["caption"], fs::path(c.cam).stem().string()); // no --caption: the file's name
        EXPECT_EQ(printed[0]["type"], "CstCarCamSet");
        ASSERT_EQ(printed[0]["cameras"].size(), kCamerasPerSet);
        for (std::size_t slot = 0; slot < kCamerasPerSet; ++slot)
            EXPECT_EQ(printed[0]["cameras"][slot]["values"]["zPos"].get<float>(), direct.camera(slot).zPos);
        EXPECT_EQ(entries(), before);

        const std::string lib = file(fs::path(c.cam).stem().string() + ".cmf");
        const ToolRun imported =
            run("cam import " + quoted(c.cam) + " " + quoted(lib) + " --caption 'My car'");
        ASSERT_EQ(imported.exitCode, 0) << imported.err;
        const auto items = loadLibraryFile(lib);
        ASSERT_EQ(items.size(), 1u);
        EXPECT_EQ(items[0]->Caption, "My car");
        EXPECT_FALSE(items[0]->isEffect());
        for (std::size_t slot = 0; slot < kCamerasPerSet; ++slot)
            for (std::size_t i = 0; i < kValuesPerCamera; ++i)
                EXPECT_EQ(std::bit_cast<std::uint32_t>(valueAt(items[0]->camera(slot).values(), i)),
                          std::bit_cast<std::uint32_t>(valueAt(direct.camera(slot).values(), i)))
                    << "slot " << slot;

        const ToolRun exported =
            run("cam export " + quoted(lib) + " 'My car' " + quoted(file("out.cam")) + " --force");
        ASSERT_EQ(exported.exitCode, 0) << exported.err;
        EXPECT_TRUE(readFile(file("out.cam")) == c.exported);
    }
}

TEST_F(CamTool, FailuresGiveOneLineAndWriteNothing) {
    TCameraSetList items;
    items.push_back(std::make_unique<TGPLCarCameraSet>());
    items[0]->Caption = "Car";
    items.push_back(std::make_unique<TGPLCarCameraSet>());
    items[1]->Caption = "Rise";
    items[1]->Type = eCameraSetType::CstRollBarCam;
    saveLibraryFile(file("lib.cmf"), items);
    folder.write("short.cam", std::string(100, 'M'));
    folder.write("keep.cam", "old");

    const std::string lib = quoted(file("lib.cmf"));
    struct Case {
        std::string args;
        std::string message; // the line on standard error, without "skyvane-tool: " and the newline
    };
    const Case cases[] = {
        {"cam export " + lib + " car " + quoted(file("out.cam")),
         file("lib.cmf") + ": no item has the caption \"car\""},
        {"cam export " + lib + " Rise " + quoted(file("out.cam")),
         file("lib.cmf") + ": \"Rise\" is an effect; only a car camera set makes a camera file"},
        {"cam export " + lib + " Nope " + quoted(file("keep.cam")),
         file("lib.cmf") + ": no item has the caption \"Nope\""},
        {"cam export " + quoted(file("missing.cmf")) + " Car " + quoted(file("out.cam")),
         file("missing.cmf") + ": No such file or directory"},
        {"cam import " + quoted(file("missing.cam")) + " " + quoted(file("out.cmf")),
         "Cannot open file " + file("missing.cam") + " (No such file or directory)"},
        {"cam import " + quoted(file("short.cam")) + " " + quoted(file("out.cmf")) + " --caption S",
         "The file " + file("short.cam") +
             " is not a camera file: it holds 100 bytes, a camera file holds 228"},
    };
    for (const auto& c : cases) {
        const ToolRun r = run(c.args);
        EXPECT_EQ(r.exitCode, 1) << c.args;
        EXPECT_EQ(r.err, "skyvane-tool: " + c.message + "\n");
        EXPECT_EQ(r.out, "");
    }
    EXPECT_FALSE(fs::exists(file("out.cam")));
    EXPECT_FALSE(fs::exists(file("out.cmf")));
    EXPECT_EQ(readFile(file("keep.cam")), "old");

    const std::string usageErrors[] = {"cam import " + lib, "cam import a b c",
                                       "cam import a.cam b.cmf --colour red", "cam import a.cam --json b.cmf",
                                       "cam export " + lib + " Car"};
    for (const std::string& args : usageErrors) {
        const ToolRun r = run(args);
        EXPECT_EQ(r.exitCode, 2) << args;
        EXPECT_NE(r.err.find("usage: skyvane-tool cam import"), std::string::npos) << args;
    }
}

TEST_F(CamTool, ImportAddsToALibraryAndReplacesOnlyWhenAsked) {
    fs::copy_file(SKV_SAMPLE_LIBRARY, file("lib.cmf"));
    const std::string cam = quoted(kReferenceCams[0]), lib = quoted(file("lib.cmf"));
    const auto captions = [&] {
        std::vector<std::string> out;
        for (const auto& item : loadLibraryFile(file("lib.cmf")))
            out.push_back(item->Caption);
        return out;
    };
    const std::vector<std::string> before = captions();

    ASSERT_EQ(
        run("cam import " + cam + " " + lib + " --caption 'Brabham BT20 \u2013 Gurney \u00e9'").exitCode, 0);
    std::vector<std::string> expected = before;
    expected.push_back("Brabham BT20 \x96 Gurney \xE9"); // the library's texts are code page 1252
    EXPECT_EQ(captions(), expected);

    // The same caption again is refused and leaves the library as it was.
    const std::string bytes = readFile(file("lib.cmf"));
    const ToolRun again = run("cam import " + cam + " " + lib + " --caption 'TV Onboard'");
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_EQ(again.err,
              "skyvane-tool: " + file("lib.cmf") +
                  " already has an item \"TV Onboard\"; give --replace to replace it, or --caption NAME\n");
    EXPECT_TRUE(readFile(file("lib.cmf")) == bytes);

    // --replace takes the place of that set and keeps the order.
    ASSERT_EQ(run("cam import " + cam + " " + lib + " --caption 'TV Onboard' --replace").exitCode, 0);
    EXPECT_EQ(captions(), expected);
    EXPECT_EQ(loadLibraryFile(file("lib.cmf"))[0]->ActivationKey, 0);

    // A character the library cannot hold is refused, naming it.
    const ToolRun snow = run("cam import " + cam + " " + lib + " --caption 'snow \u2603'");
    EXPECT_EQ(snow.exitCode, 1);
    EXPECT_NE(snow.err.find("--caption: The character \"\u2603\" (U+2603)"), std::string::npos) << snow.err;
    EXPECT_EQ(captions(), expected);
}

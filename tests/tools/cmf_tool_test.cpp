// Runs the built skyvane-tool on libraries made here and checks what it prints and writes.
#include "model/Libraryfile.h"

#include "Toolrun.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <bit>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>

#include <unistd.h>

using namespace skv::model;
namespace fs = std::filesystem;

namespace {

using CmfTool = skv::test::ToolTest;
using skv::test::readText;
using skv::test::ToolRun;

TCameraSetList sampleItems() {
    TCameraSetList items;
    auto set = std::make_unique<TGPLCarCameraSet>();
    set->Caption = "Caf\xE9 \x80";
    set->Comment = "line\none \"quoted\"";
    set->ActivationKey = 0x8041;
    set->SelectedCamera = -1;
    set->Camera0.xPos = 0.1f;
    set->Camera0.yPos = std::numeric_limits<float>::denorm_min();
    set->Camera0.zPos = std::numeric_limits<float>::max();
    set->Camera0.yaw = -1.5f;
    set->Camera0.unknown2 = 1e-7f;
    set->Camera1.bank = std::numeric_limits<float>::infinity();
    set->Camera2.setImage(TJPEGImage(std::vector<std::uint8_t>(1234, 0x55)));
    set->Camera2.Caption = "Gearbox";
    items.push_back(std::move(set));
    auto fx = std::make_unique<TGPLCarCameraSet>();
    fx->Type = eCameraSetType::CstRollBarCam;
    fx->Caption = "Rise";
    fx->setEffect("Z := Z + 0.01;");
    items.push_back(std::move(fx));
    return items;
}

} // namespace

TEST_F(CmfTool, DumpPrintsEveryItemAsJson) {
    saveLibraryFile(file("lib.cmf"), sampleItems());
    const ToolRun r = run("cmf dump '" + file("lib.cmf") + "'");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const auto json = nlohmann::json::parse(r.out);
    ASSERT_TRUE(json.is_array());
    ASSERT_EQ(json.size(), 2u);

    const auto& set = json[0];
    EXPECT_EQ(set["caption"], "Caf\u00E9 \u20AC");
    EXPECT_EQ(set["type"], "CstCarCamSet");
    EXPECT_EQ(set["version"], 1);
    EXPECT_EQ(set["comment"], "line\none \"quoted\"");
    EXPECT_EQ(set["activationKey"], 0x8041);
    EXPECT_EQ(set["selectedCamera"], -1);
    ASSERT_EQ(set["cameras"].size(), 6u);
    for (const auto& cam : set["cameras"]) {
        EXPECT_EQ(cam.size(), 4u);
        EXPECT_EQ(cam["values"].size(), 9u);
    }
    EXPECT_EQ(set["cameras"][2]["imageBytes"], 1234);
    EXPECT_EQ(set["cameras"][2]["caption"], "Gearbox");
    EXPECT_EQ(set["cameras"][0]["imageBytes"], 0);
    EXPECT_EQ(set["cameras"][1]["values"][5], "inf");

    // The shortest texts that read back to the same floats.
    EXPECT_NE(r.out.find("[0.1, 1e-45, 3.4028235e+38, -1.5, 0, 0, 0, 0, 1e-07]"), std::string::npos) << r.out;

    const auto& fx = json[1];
    EXPECT_EQ(fx["type"], "CstRollBarCam");
    EXPECT_EQ(fx["cameras"][0]["effect"], "Z := Z + 0.01;");
    EXPECT_EQ(fx["comment"], "");
}

TEST_F(CmfTool, CopyRewritesTheSameBytes) {
    saveLibraryFile(file("in.cmf"), sampleItems());
    const ToolRun r = run("cmf copy '" + file("in.cmf") + "' '" + file("out.cmf") + "'");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(readText(file("out.cmf")) == readText(file("in.cmf")));
}

TEST_F(CmfTool, BadFileGivesOneLineNamingFileAndOffsetAndWritesNothing) {
    std::string bytes = readText(SKV_SAMPLE_LIBRARY);
    ASSERT_GT(bytes.size(), 100u);
    bytes[bytes.size() / 2] ^= 0x5A; // somewhere in a picture or a property
    bytes.resize(bytes.size() - 3);  // and cut short in any case
    std::ofstream(file("bad.cmf"), std::ios::binary) << bytes;

    for (const std::string& args : {"cmf dump '" + file("bad.cmf") + "'",
                                    "cmf copy '" + file("bad.cmf") + "' '" + file("out.cmf") + "'",
                                    "cmf dump '" + file("missing.cmf") + "'"}) {
        const ToolRun r = run(args);
        EXPECT_EQ(r.exitCode, 1) << args;
        EXPECT_EQ(r.out, "") << args;
        ASSERT_FALSE(r.err.empty());
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
        EXPECT_NE(r.err.find(dir.string()), std::string::npos) << r.err;
        if (args.find("missing") == std::string::npos) {
            EXPECT_NE(r.err.find(": offset "), std::string::npos) << r.err;
        }
    }
    EXPECT_FALSE(fs::exists(file("out.cmf")));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 1); // only bad.cmf
}

TEST_F(CmfTool, ShippedSampleIsWhatTheGeneratorMakes) {
    const fs::path shipped = SKV_SAMPLE_LIBRARY;
    const ToolRun r = run("cmf make-sample '" + file("fresh.cmf") + "'");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(readText(file("fresh.cmf")) == readText(shipped)) << "regenerate data/default.cmf";

    const auto items = loadLibraryFile(shipped.string());
    int sets = 0, effects = 0;
    for (const auto& item : items) {
        (item->isEffect() ? effects : sets)++;
        EXPECT_FALSE(item->Caption.empty());
        if (item->isEffect()) {
            EXPECT_FALSE(item->effect().empty());
        }
        for (std::size_t s = 0; s < 5 && !item->isEffect(); ++s) {
            const RgbImage img = item->camera(s).getImage().decode();
            EXPECT_GT(img.width, 0);
        }
    }
    EXPECT_GE(sets, 3);
    EXPECT_GE(effects, 1);
}

TEST_F(CmfTool, UnknownCommandsShowUsage) {
    const ToolRun help = run("--help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("cmf dump FILE"), std::string::npos);
    EXPECT_EQ(run("cmf frobnicate x").exitCode, 2);
    EXPECT_EQ(run("nosuchgroup").exitCode, 2);
}

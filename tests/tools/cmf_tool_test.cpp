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

#include <sys/stat.h>
#include <unistd.h>

using namespace skv::model;
namespace fs = std::filesystem;

namespace {

using CmfTool = skv::test::ToolTest;
using skv::test::readFile;
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
    set->Name = "Set1";
    set->Camera1.bank = std::numeric_limits<float>::infinity();
    set->Camera1.pitch = std::bit_cast<float>(0x7FC00123u); // a NaN with a payload of its own
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
    EXPECT_EQ(set["activationKeyText"], "Alt+A");
    EXPECT_EQ(set["name"], "Set1");
    EXPECT_EQ(set["selectedCamera"], -1);
    ASSERT_EQ(set["cameras"].size(), 6u);
    for (const auto& cam : set["cameras"]) {
        EXPECT_EQ(cam.size(), 4u);
        EXPECT_EQ(cam["values"].size(), 9u);
    }
    EXPECT_EQ(set["cameras"][2]["pictureBytes"], 1234);
    EXPECT_EQ(set["cameras"][2]["caption"], "Gearbox");
    EXPECT_EQ(set["cameras"][0]["pictureBytes"], 0);
    EXPECT_EQ(set["cameras"][1]["values"]["bank"], "inf");
    EXPECT_EQ(set["cameras"][1]["values"]["pitch"], "nan:0x7FC00123");

    // The shortest texts that read back to the same floats.
    EXPECT_NE(r.out.find(R"({"xPos": 0.1, "yPos": 1e-45, "zPos": 3.4028235e+38, "yaw": -1.5, "pitch": 0, )"
                         R"("bank": 0, "zoomAngle": 0, "unknown1": 0, "unknown2": 1e-07})"),
              std::string::npos)
        << r.out;

    const auto& fx = json[1];
    EXPECT_EQ(fx["type"], "CstRollBarCam");
    EXPECT_EQ(fx["cameras"][0]["effect"], "Z := Z + 0.01;");
    EXPECT_EQ(fx["comment"], "");
}

TEST_F(CmfTool, BadFileGivesOneLineNamingFileAndOffsetAndWritesNothing) {
    std::string bytes = readFile(SKV_SAMPLE_LIBRARY);
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
    EXPECT_EQ(entries(), 1u); // only bad.cmf
}

TEST_F(CmfTool, DumpThenBuildGivesTheSameBytes) {
    saveLibraryFile(file("sample.cmf"), sampleItems());
    std::vector<fs::path> libraries = {file("sample.cmf"), SKV_SAMPLE_LIBRARY};
    for (const auto& entry :
         fs::directory_iterator(fs::path(SKV_DATA_DIR) / "../fuzz/corpus/fuzz_libraryfile"))
        libraries.push_back(entry.path());
    ASSERT_GT(libraries.size(), 4u);
    int n = 0;
    for (const fs::path& library : libraries) {
        const std::string json = file("lib" + std::to_string(++n) + ".json");
        const std::string pictures = file("pictures" + std::to_string(n));
        const ToolRun dumped = run("cmf dump '" + library.string() + "' --pictures '" + pictures + "'");
        ASSERT_EQ(dumped.exitCode, 0) << library << dumped.err;
        std::ofstream(json, std::ios::binary) << dumped.out;
        const std::string built = file("built" + std::to_string(n) + ".cmf");
        const ToolRun r = run("cmf build '" + json + "' '" + built + "'");
        ASSERT_EQ(r.exitCode, 0) << library << r.err;
        EXPECT_TRUE(readFile(built) == readFile(library)) << library;
    }
}

TEST_F(CmfTool, BuildRefusesWhatMakesNoLibraryAndWritesNothing) {
    const std::string camera = R"({"values": {"xPos": 1}})";
    struct Case {
        std::string json;
        std::string message; // after "FILE: JSON: "
    };
    const Case cases[] = {
        {R"([{"caption": "A", "colour": 1}])", "item 1, unknown key \"colour\""},
        {R"([{"caption": 5}])", "item 1, \"caption\" must be a text"},
        {R"([{"caption": "snow \u2603"}])", "item 1, \"caption\": The character"},
        {R"([{"activationKey": 65536}])", "item 1, \"activationKey\" must be a whole number from 0 to 65535"},
        {R"([{"activationKey": 16449, "activationKeyText": "Ctrl+B"}])",
         "item 1, \"activationKeyText\" does not match \"activationKey\" 16449 (Ctrl+A)"},
        {R"([{"type": "Camera"}])", "item 1, \"type\" must be \"CstCarCamSet\" or \"CstRollBarCam\""},
        {R"([{"cameras": [)" + camera + "]}]", "item 1, \"cameras\" must be an array of 6 cameras"},
        {R"([{"cameras": [{}, {}, {"values": {"xPos": 1e39}}, {}, {}, {}]}])",
         "item 1, camera 2, values: \"xPos\" must be a number within the 32-bit range"},
        {R"([{"cameras": [{"values": {"yaw": "nan:0x3F800000"}}, {}, {}, {}, {}, {}]}])",
         "item 1, camera 0, values: \"yaw\" must be a number"},
        {R"([{"cameras": [{}, {"pictureBytes": 10}, {}, {}, {}, {}]}])",
         "item 1, camera 1, a picture of 10 bytes that the dump does not hold (dump with --pictures DIR)"},
        {R"([{"caption": "A"}] x)", "[json.exception.parse_error.101] parse error at line 1, column 20"},
        {R"({"caption": "A"})", "an array of items expected"},
        {R"([{"caption": "A", "caption": "B"}])", "key \"caption\" given twice"},
    };
    for (const Case& c : cases) {
        std::ofstream(file("in.json"), std::ios::binary) << c.json;
        const ToolRun r = run("cmf build '" + file("in.json") + "' '" + file("out.cmf") + "'");
        EXPECT_EQ(r.exitCode, 1) << c.json;
        const std::string prefix = "skyvane-tool: " + file("in.json") + ": JSON: " + c.message;
        EXPECT_EQ(r.err.substr(0, prefix.size()), prefix) << c.json;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
        EXPECT_FALSE(fs::exists(file("out.cmf"))) << c.json;
    }
    // What a dump leaves out takes the value of a new item.
    std::ofstream(file("in.json"), std::ios::binary)
        << R"([{"caption": "A", "cameras": [{"values": {"zPos": -0.5, "bank": "-inf"}}, {}, {}, {}, {}, {}]}])";
    ASSERT_EQ(run("cmf build '" + file("in.json") + "' '" + file("out.cmf") + "'").exitCode, 0);
    const auto items = loadLibraryFile(file("out.cmf"));
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0]->Version, 1);
    EXPECT_EQ(items[0]->Camera0.zPos, -0.5f);
    EXPECT_EQ(items[0]->Camera0.bank, -std::numeric_limits<float>::infinity());
}

TEST_F(CmfTool, WritingCommandsReplaceAFileOnlyWithForce) {
    saveLibraryFile(file("lib.cmf"), sampleItems());
    std::ofstream(file("lib.json"), std::ios::binary)
        << run("cmf dump '" + file("lib.cmf") + "' --pictures '" + file("kept") + "'").out;
    const std::string lib = "'" + file("lib.cmf") + "'";
    const std::string target = file("target");
    const std::string commands[] = {
        "cmf copy " + lib + " '" + target + "'",
        "cmf build '" + file("lib.json") + "' '" + target + "'",
        "cam export " + lib + " 'Caf\u00E9 \u20AC' '" + target + "'",
        "cmf picture get " + lib + " 'Caf\u00E9 \u20AC' 2 '" + target + "'",
        "effect " + lib + " Rise --frames 2 -o '" + target + "'",
        "cmf dump " + lib + " --pictures '" + dir.string() + "/pics'",
    };
    for (const std::string& command : commands) {
        fs::remove_all(dir / "pics");
        fs::create_directory(dir / "pics");
        std::ofstream(target) << "keep";
        std::ofstream(dir / "pics/item1-camera2.jpg") << "keep";
        const ToolRun refused = run(command);
        EXPECT_EQ(refused.exitCode, 1) << command;
        EXPECT_NE(refused.err.find(" exists; give --force to replace it\n"), std::string::npos)
            << refused.err;
        EXPECT_EQ(readFile(target), "keep") << command;
        EXPECT_EQ(readFile(dir / "pics/item1-camera2.jpg"), "keep") << command;
        EXPECT_EQ(refused.out, "") << command;

        const ToolRun forced = run(command + " --force");
        EXPECT_EQ(forced.exitCode, 0) << command << forced.err;
        const bool intoTarget = command.find("--pictures") == std::string::npos;
        EXPECT_NE(readFile(intoTarget ? fs::path(target) : dir / "pics/item1-camera2.jpg"), "keep")
            << command;
    }
    // A copy writes the same bytes again.
    ASSERT_EQ(run(commands[0] + " --force").exitCode, 0);
    EXPECT_TRUE(readFile(target) == readFile(file("lib.cmf")));
}

TEST_F(CmfTool, ListAndPicturesOfOneCamera) {
    TCameraSetList items = sampleItems();
    items[1]->Caption = "Rise\tand\x1B[2Jfall";
    items[1]->ActivationKey = 0x6000 | 0x21; // Shift+Ctrl+Page Up
    saveLibraryFile(file("lib.cmf"), items);
    const ToolRun listed = run("cmf list '" + file("lib.cmf") + "'");
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_EQ(listed.out, "Car Camera Set\tCaf\u00E9 \u20AC\tAlt+A\n"
                          "Effect\tRise\\x09and\\x1B[2Jfall\tShift+Ctrl+Page Up\n");

    const TCameraSetList shipped = loadLibraryFile(SKV_SAMPLE_LIBRARY);
    const auto& picture = shipped[0]->Camera0.getImage().bytes();
    const std::string jpeg(picture.begin(), picture.end());
    std::ofstream(file("in.jpg"), std::ios::binary) << jpeg;
    const std::string lib = "'" + file("lib.cmf") + "'";
    ASSERT_EQ(run("cmf picture set " + lib + " 'Caf\u00E9 \u20AC' 4 '" + file("in.jpg") + "'").exitCode, 0);
    ASSERT_EQ(run("cmf picture get " + lib + " 'Caf\u00E9 \u20AC' 4 '" + file("out.jpg") + "'").exitCode, 0);
    EXPECT_TRUE(readFile(file("out.jpg")) == jpeg);
    EXPECT_EQ(loadLibraryFile(file("lib.cmf"))[0]->Camera2.getImage().bytes().size(), 1234u); // untouched

    // What the views could not show is refused, and the library stays as it was.
    const std::string before = readFile(file("lib.cmf"));
    const ToolRun bad = run("cmf picture set " + lib + " 'Caf\u00E9 \u20AC' 4 '" + file("lib.cmf") + "'");
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_NE(bad.err.find("not a picture the program can show"), std::string::npos) << bad.err;
    EXPECT_TRUE(readFile(file("lib.cmf")) == before);
}

TEST_F(CmfTool, ErrorsSayWhatIsWrong) {
    std::string bytes = readFile(SKV_SAMPLE_LIBRARY);
    const std::size_t at = bytes.find("Comment");
    bytes.replace(at, 7, "Co\x04\x1B[\x9Bt"); // a property name with controls, of the same length
    std::ofstream(file("ctl.cmf"), std::ios::binary) << bytes;
    std::ofstream(file("bom.txt"), std::ios::binary) << "\xEF\xBB\xBFX := X + 1;";
    ASSERT_EQ(::mkfifo(file("pipe").c_str(), 0600), 0); // reading it would wait for a writer for ever
    struct Case {
        std::string args;
        int exitCode;
        std::string err; // the start of standard error
        std::string out = {};
    };
    const Case cases[] = {
        {"foo", 2, "skyvane-tool: unknown command foo (skyvane-tool --help lists the commands)\n"},
        {"cmf dump --colour x", 2, "skyvane-tool cmf dump: unknown option --colour\nusage: skyvane-tool cmf"},
        {"cmf frobnicate x", 2, "skyvane-tool cmf: unknown command frobnicate\n"},
        {"--version", 0, "", "skyvane-tool 0."},
        {"--help", 0, "", "usage: skyvane-tool COMMAND"},
        {"cmf dump --help", 0, "", "usage: skyvane-tool cmf list FILE\n"},
        {"cam import --help", 0, "", "usage: skyvane-tool cam import"},
        {"effect --help", 0, "", "usage: skyvane-tool effect"},
        {"effect x.txt --frames 2147483648", 2,
         "skyvane-tool effect: --frames needs a whole number from 0 to 2147483647, not \"2147483648\"\n"},
        {"cmf picture get x.cmf A 6 out.jpg", 1, "skyvane-tool: x.cmf: No such file or directory\n"},
        {"cmf list '" + file("ctl.cmf") + "'", 1,
         "skyvane-tool: " + file("ctl.cmf") + ": offset " + std::to_string(at - 1) +
             ": unknown property path \"Co\\x04\\x1B[\\x9Bt\"\n"},
        {"cmf list '" + file("pipe") + "'", 1,
         "skyvane-tool: " + file("pipe") + ": a named pipe, not a regular file\n"},
        {"cam import '" + file("pipe") + "' x.cmf", 1,
         "skyvane-tool: Cannot open file " + file("pipe") + " (a named pipe, not a regular file)\n"},
        {"effect '" + file("bom.txt") + "' --frames 1", 0, "",
         "FRAMES,X,Y,Z,YAW,PITCH,BANK,ZOOM\n1,1,0,0,0,0,0,0\n"},
        {"eval 'LENGTH(\"\u00E9\u20AC\")'", 0, "", "3 2\n"},
    };
    for (const Case& c : cases) {
        const ToolRun r = run(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args;
        EXPECT_EQ(r.err.substr(0, c.err.size()), c.err) << c.args;
        if (c.err.empty()) {
            EXPECT_EQ(r.err, "") << c.args;
        }
        EXPECT_EQ(r.out.substr(0, c.out.size()), c.out) << c.args;
    }
    EXPECT_NE(run("--help").out.find("cmf dump FILE"), std::string::npos);
}

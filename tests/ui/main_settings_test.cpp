// The settings file: defaults for whatever is missing or garbled, and a clean file written at quit
// that keeps what others put in it.
#include "model/Tempfolder.h"

#include "model/Atomicfile.h"
#include "ui/Datafolder.h"
#include "ui/Main_settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <sstream>
#include <vector>

using namespace skv::ui;
using skv::test::readFile;
using skv::test::TempFolder;
namespace fs = std::filesystem;

namespace {

TMainSettings changedSettings() {
    TMainSettings s;
    s.top = -20;
    s.left = 1700;
    s.directControl = false;
    s.speed = 0;
    s.smooth = 100;
    s.defaultLookMode = true;
    s.firstRun = false;
    s.firstNR2003 = false;
    s.gameSelector = 1;
    s.openCmfFiles = {"/home/me/cams/oval.cmf", "C:\\cams\\road = course.cmf"};
    return s;
}

// Every line of a clean file is a section header or a "key=value" line.
void expectClean(const std::string& text) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        const bool header = line.front() == '[' && line.back() == ']';
        EXPECT_TRUE(header || line.find('=') != std::string::npos) << "line: " << line;
    }
}

} // namespace

TEST(MainSettings, ValuesOfTheWrongKindGiveTheirDefaults) {
    struct Case {
        const char* text;
        TMainSettings expected;
    };
    TMainSettings clamped;
    clamped.speed = 100;
    clamped.smooth = 0;
    TMainSettings nr2003;
    nr2003.gameSelector = 1;
    nr2003.directControl = false;
    TMainSettings inFileOrder;
    inFileOrder.openCmfFiles = {"c.cmf", "b.cmf", "a.cmf", "x.cmf"};
    const Case cases[] = {
        {"[MainForm]\nTop=12abc\nLeft=\nSpeed=fast\nDirectControl=yes\n", TMainSettings{}},
        {"[MainForm]\nSpeed=500\nSmooth=-3\n", clamped},
        {"[General]\nGameSelector=5\n[MainForm]\nDirectControl=0\n", nr2003},
        {"[Open Cmf Files]\nfile10=c.cmf\nfile2=b.cmf\nlibrary=a.cmf\nfile4=\nfileX=x.cmf\n", inFileOrder},
        {"[MainForm\nTop=5\n", TMainSettings{}},
        {"\x01\x02\xff\xfe garbage \x00 more [[[ ===\n\n\xc3\x28", TMainSettings{}},
    };
    TempFolder folder;
    for (const Case& c : cases) {
        const fs::path file =
            folder.write("skyvane.INI", std::string(c.text, std::char_traits<char>::length(c.text)));
        SCOPED_TRACE(c.text);
        std::string problem;
        EXPECT_EQ(readMainSettings(file.string(), &problem), c.expected);
        EXPECT_EQ(problem, "");
        writeMainSettings(file.string(), c.expected);
        expectClean(readFile(file));
        EXPECT_EQ(readMainSettings(file.string()), c.expected);
    }
}

TEST(MainSettings, AMissingOrUnreadableFileGivesDefaultsAndIsReplacedCleanlyAtQuit) {
    TempFolder folder;
    const fs::path missing = folder.path() / "skyvane.INI", huge = folder.path() / "huge.INI";
    {
        // Larger than any settings file can be: refused, not read into memory.
        std::ofstream(huge, std::ios::binary) << "[MainForm]\nTop=7\n";
        fs::resize_file(huge, 100u * 1024u * 1024u);
    }
    for (const fs::path& file : {missing, huge}) {
        SCOPED_TRACE(file);
        std::string problem;
        EXPECT_EQ(readMainSettings(file.string(), &problem), TMainSettings{});
        if (file == missing)
            EXPECT_EQ(problem, "");
        else
            EXPECT_NE(problem.find("the settings start from their defaults"), std::string::npos) << problem;

        writeMainSettings(file.string(), changedSettings());
        writeOpenCmfFiles(file.string(), changedSettings().openCmfFiles);
        EXPECT_LT(fs::file_size(file), 4096u);
        const std::string text = readFile(file);
        expectClean(text);
        EXPECT_NE(text.find("FirstRun=0"), std::string::npos);
        EXPECT_NE(text.find("GameSelector=1"), std::string::npos);
        EXPECT_NE(text.find("file2=C:\\cams\\road = course.cmf"), std::string::npos);
        EXPECT_EQ(readMainSettings(file.string()), changedSettings());
    }
    EXPECT_EQ(settingsFileOf("/opt/skyvane/bin/skyvane"), "/opt/skyvane/bin/skyvane.INI");
    EXPECT_EQ(settingsFileOf("C:/Skyvane/Skyvane.exe"), "C:/Skyvane/Skyvane.INI");

    // A folder where the file should be: read as defaults, and the write fails without touching it.
    const fs::path folderInTheWay = folder.mkdir("taken.INI");
    folder.write("taken.INI/keep", "kept");
    std::string problem;
    EXPECT_EQ(readMainSettings(folderInTheWay.string(), &problem), TMainSettings{});
    EXPECT_NE(problem, "");
    EXPECT_THROW(writeMainSettings(folderInTheWay.string(), changedSettings()), skv::model::FileWriteError);
    EXPECT_EQ(readFile(folderInTheWay / "keep"), "kept");
}

TEST(MainSettings, AWriteKeepsOtherSectionsAndRewritesTheOpenFilesWhole) {
    TempFolder folder;
    const fs::path file =
        folder.write("skyvane.INI", "[Best Links]\nTitle1=Camera club\nLink1=https://club.example/\n"
                                    "[Open Cmf Files]\nfile1=old1.cmf\nfile5=old5.cmf\n"
                                    "[Somebody Else]\nKey=Value\n");
    TMainSettings s = readMainSettings(file.string());
    EXPECT_EQ(s.openCmfFiles, (std::vector<std::string>{"old1.cmf", "old5.cmf"}));

    // The window's own sections leave the open files alone; the quit rewrites them whole.
    writeMainSettings(file.string(), s);
    EXPECT_EQ(readMainSettings(file.string()), s);
    writeOpenCmfFiles(file.string(), {"new.cmf"});
    const std::string text = readFile(file);
    EXPECT_NE(text.find("Title1=Camera club"), std::string::npos);
    EXPECT_NE(text.find("[Somebody Else]\nKey=Value"), std::string::npos);
    EXPECT_EQ(text.find("old"), std::string::npos);
    EXPECT_EQ(readMainSettings(file.string()).openCmfFiles, std::vector<std::string>{"new.cmf"});

    // The folder is gone: the write fails and says so.
    EXPECT_THROW(writeMainSettings((folder.path() / "gone" / "skyvane.INI").string(), s),
                 skv::model::FileWriteError);
}

TEST(MainSettings, TheFileLivesBesideAProgramInAFolderOfItsOwnElseInTheConfigurationFolder) {
    TempFolder folder;
    const fs::path config = folder.path() / "config" / "skyvane";
    folder.write("bin/skyvane", "");
    folder.write("copy/skyvane", "");
    folder.write("copy/default.cmf", "");
    folder.write("usr/bin/skyvane", "");
    folder.write("usr/share/skyvane/default.cmf", "");
    folder.write("file", "");
    struct Case {
        fs::path program;
        bool besideIt;
    };
    std::vector<Case> cases = {
        {folder.path() / "bin/skyvane", true},      // a build: nothing shipped anywhere
        {folder.path() / "copy/skyvane", true},     // a folder copy with its files beside it
        {folder.path() / "usr/bin/skyvane", false}, // installed, its folder writable (the superuser)
        {folder.path() / "file/skyvane", false},    // a folder that cannot be made
    };
    if (fs::is_directory("/proc")) cases.push_back({"/proc/skyvane", false}); // nobody may write there
    for (const Case& c : cases) {
        const bool installed = runsInstalled(c.program.parent_path());
        const fs::path expected =
            c.besideIt ? c.program.parent_path() / "skyvane.INI" : config / "skyvane.INI";
        EXPECT_EQ(chooseSettingsFile(c.program.string(), config.string(), installed), expected.string())
            << c.program;
        EXPECT_EQ(fs::is_directory(config), !c.besideIt) << "the configuration folder is made when used";
        fs::remove_all(config);
    }
    for (const char* beside : {"bin", "copy", "usr/bin"})
        for (const auto& entry : fs::directory_iterator(folder.path() / beside))
            EXPECT_EQ(entry.path().filename().string().find(".skyvane-probe"), std::string::npos)
                << "the probe is gone";
}

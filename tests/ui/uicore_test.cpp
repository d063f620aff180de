// The GUI's logic without a display: the shortcut texts and the rules of the hot-key fields, the
// dialogs' file filters, the preferences' settings and their link to the reference camera files.
#include "model/Tempfolder.h"

#include "directcontrol/Directcontrol_gamelink.h"
#include "directcontrol/Directcontrol_referencecams.h"
#include "model/Atomicfile.h"
#include "platform/fake/Fakeplatform.h"
#include "ui/Filefilter.h"
#include "ui/Main_settings.h"
#include "ui/Options_link.h"
#include "ui/Options_settings.h"
#include "ui/Shortcuttext.h"

#include <gtest/gtest.h>

using namespace skv::ui;
using skv::test::readFile;
using skv::test::TempFolder;
namespace vk = skv::platform::vk;
namespace fs = std::filesystem;

// The rest of the names are read off the hot-key field as keys are typed into it.
TEST(ShortcutText, NamesAsTheFieldsShowThem) {
    const std::pair<skv::platform::Shortcut, const char*> cases[] = {
        {vk::PageUp, "Page Up"},
        {skv::platform::makeShortcut(vk::A + 2, 0x6000), "Shift+Ctrl+C"},
        {skv::platform::makeShortcut(vk::F1 + 3, 0x8000), "Alt+F4"},
        {vk::Backslash, "\\"},
        {vk::Digit0 + 3, "3"},
        {0xE2, "Key 0xE2"},
    };
    for (const auto& [shortcut, text] : cases)
        EXPECT_EQ(shortcutText(shortcut), text) << shortcut;
}

TEST(ShortcutText, RulesRefuseOrReduceWhatIsPressed) {
    using skv::platform::makeShortcut;
    const TShortcutRules speed{.refuseWithoutModifier = true, .refuseShiftAlone = true};
    const TShortcutRules activate{.reduceAlt = true};
    struct Case {
        skv::platform::Shortcut pressed;
        TShortcutRules rules;
        std::optional<skv::platform::Shortcut> taken;
    };
    const Case cases[] = {
        {vk::Digit0 + 5, speed, std::nullopt},
        {makeShortcut(vk::Digit0 + 5, 0x2000), speed, std::nullopt},
        {makeShortcut(vk::Digit0 + 5, 0x6000), speed, makeShortcut(vk::Digit0 + 5, 0x6000)},
        {makeShortcut(vk::Digit0 + 5, 0x8000), speed, makeShortcut(vk::Digit0 + 5, 0x8000)},
        {makeShortcut(vk::A, 0x4000), activate, makeShortcut(vk::A, 0x4000)},
        {vk::End, activate, vk::End},
    };
    for (const Case& c : cases)
        EXPECT_EQ(acceptShortcut(c.pressed, c.rules), c.taken) << c.pressed;
}

// The dialogs' own filters are read off their file requests; a bracket in the description that is
// not its patterns stays.
TEST(FileFilter, ABracketThatIsNoPatternStays) {
    EXPECT_EQ(qtFileFilter("Pictures (old)|*.jpg"), "Pictures (old) (*.jpg)");
}

TEST(OptionsSettings, DefaultsAnEmptyPathAndTheFilesWrittenBeside) {
    TempFolder folder;
    const std::string file = (folder.path() / "skyvane.INI").string();
    EXPECT_EQ(readOptionsSettings(file), TOptionsSettings{});
    EXPECT_EQ(readOptionsSettings(file).files.gplPath, "C:\\Sierra\\gpl\\gpl.exe");

    TMainSettings main;
    main.openCmfFiles = {"a.cmf"};
    writeMainSettings(file, main);
    writeOpenCmfFiles(file, main.openCmfFiles);
    folder.write("skyvane.INI", readFile(file) + "[Best Links]\nTitle1=Club\nLink1=https://club.example/\n");

    TOptionsFiles files;
    files.nr2003Path = "/games/nr2003/nr2003.exe";
    files.videoCapturePath = ""; // a cleared field stays empty, it does not come back as a default
    files.gplPath = "";
    files.movieEditorPath = "/usr/bin/cutter";
    writeOptionsFiles(file, files);
    const TOptionsSettings read = readOptionsSettings(file);
    EXPECT_EQ(read.files, files);
    EXPECT_EQ(read.link, (TBestLink{"Club", "https://club.example/"}));
    EXPECT_EQ(readMainSettings(file), main);
    for (const char* key :
         {"GPL=\n", "NR2003=", "VideoCapture=\n", "ImageCapture=", "MovieEditor=", "ReplayAnalyser="})
        EXPECT_NE(readFile(file).find(key), std::string::npos) << key;
    EXPECT_THROW(writeOptionsFiles((folder.path() / "gone" / "x.INI").string(), files),
                 skv::model::FileWriteError);
}

TEST(GameProgramsLink, RefreshesTheReferenceFilesOfTheGivenPaths) {
    TempFolder folder;
    folder.write("program/pacecar.cam", std::string(228, 'P'));
    folder.write("program/brabham.cam", std::string(228, 'B'));
    folder.mkdir("nr2003/series/cup");
    folder.mkdir("nr2003/series/trucks");
    folder.mkdir("gpl/cars/cars67/brabham");
    const skv::model::TGamePaths paths([](const std::string&) { return std::nullopt; });
    TGameProgramsLink link(paths, folder.path() / "program");

    const TGamePrograms programs{(folder.path() / "gpl" / "gpl.exe").string(),
                                 (folder.path() / "nr2003" / "nr2003.exe").string()};
    link.gameProgramsChanged(programs);
    EXPECT_EQ(link.programs(), programs);
    EXPECT_FALSE(fs::exists(folder.path() / "nr2003/series/cup/pacecar.cam")); // a change copies nothing

    link.refreshReferenceCamFiles(programs);
    EXPECT_EQ(link.lastRefresh().nr2003Copies, 2);
    EXPECT_TRUE(link.lastRefresh().gplCopied);
    EXPECT_EQ(readFile(folder.path() / "nr2003/series/trucks/pacecar.cam"), std::string(228, 'P'));
    EXPECT_EQ(readFile(folder.path() / "gpl/cars/cars67/brabham/brabham.cam"), std::string(228, 'B'));
}

TEST(GameProgramsLink, TheFollowedGameLinkTakesEveryChangeOfThePaths) {
    const skv::model::TGamePaths paths([](const std::string&) { return std::nullopt; });
    skv::platform::FakePlatform platform;
    skv::directcontrol::TGameLink gameLink(platform, paths);
    TGameProgramsLink link(paths, "/program");

    // Paths told before the link is followed reach it when it is; later ones at once.
    link.gameProgramsChanged({"/games/gpl/gpl.exe", "/games/nr/nr2003.exe"});
    link.follow(&gameLink);
    EXPECT_EQ(gameLink.referenceFilePath(false), fs::path("/games/gpl/cars/cars67/brabham/brabham.cam"));
    link.gameProgramsChanged({"/games/gpl/gpl.exe", "/other/nr2003.exe"});
    EXPECT_EQ(gameLink.referenceFilePath(true).parent_path(), fs::path("/other/series/cup"));

    link.follow(nullptr);
    link.gameProgramsChanged({"/x/gpl.exe", "/x/nr2003.exe"});
    EXPECT_EQ(gameLink.referenceFilePath(true).parent_path(), fs::path("/other/series/cup"));
}

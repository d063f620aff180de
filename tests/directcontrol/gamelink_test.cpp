// The game link on the scripted backend: recognising the game, the search, the addresses, the
// writes and their failures, the handles, and the reference camera files.
#include "Gamestage.h"
#include "directcontrol/Directcontrol.h"
#include "directcontrol/Directcontrol_gamelink.h"
#include "directcontrol/Directcontrol_referencecams.h"
#include "model/Camfile.h"
#include "model/Tempfolder.h"
#include "platform/fake/Fakeplatform.h"

#include <gtest/gtest.h>

#include <atomic>
#include <bit>
#include <chrono>
#include <cstring>
#include <functional>
#include <mutex>
#include <thread>

using namespace skv::directcontrol;
using namespace std::chrono_literals;
using skv::directcontrol::testing::distinctBlock;
using skv::directcontrol::testing::StatusLog;
using skv::model::CarCameraBlock;
using skv::model::CarCameraValues;
using skv::platform::Address;
using skv::platform::FakeMemory;
using skv::platform::FakePlatform;

namespace {

constexpr skv::platform::ProcessId kPid = 42;
constexpr float kKey[3] = {12.5f, -3.25f, 0.75f};

CarCameraBlock blockWithKey(const float (&key)[3], float base = 100) {
    CarCameraBlock block = distinctBlock(base);
    block[0].xPos = key[0];
    block[0].yPos = key[1];
    block[0].zPos = key[2];
    return block;
}

void writeReferenceFile(const std::filesystem::path& path, const float (&key)[3]) {
    std::filesystem::create_directories(path.parent_path());
    skv::model::TGPLCarCameraSet set;
    set.setValues(blockWithKey(key));
    skv::model::TCamFileBuffer().exportCamFile(set, path);
}

std::array<std::uint8_t, kSearchKeySize> keyBytes(const float (&key)[3]) {
    std::array<std::uint8_t, kSearchKeySize> bytes{};
    std::memcpy(bytes.data(), key, sizeof key); // the test host is little-endian, as the games are
    return bytes;
}

class GameLink : public ::testing::Test {
protected:
    skv::test::TempFolder folder;
    FakePlatform platform;
    skv::model::TGamePaths paths{[](const std::string&) { return std::optional<std::string>(); }};
    TGameLink link{platform, paths};
    std::shared_ptr<FakeMemory> memory = platform.addProcess(kPid);
    std::string gplProgram = (folder.path() / "gpl" / "gpl.exe").string();
    std::string nrProgram = (folder.path() / "nr2003" / "NR2003.exe").string();

    void SetUp() override {
        link.setGamePrograms(gplProgram, nrProgram);
        writeReferenceFile(link.referenceFilePath(false), kKey);
        writeReferenceFile(link.referenceFilePath(true), kKey);
        // Room below the NR2003 window too, where its pit record may lie.
        memory->map(0x5F0000, 0x100000);
        memory->map(0xC20000, 0x110000);
    }

    // The game's window in front, with the key at that offset of the game's window.
    skv::platform::WindowId showGame(bool nr2003, std::size_t offset, const std::string& title = "") {
        const GameConstants& game = gameConstants(nr2003);
        memory->poke(game.searchStart + offset, kKey, sizeof kKey);
        const auto window = platform.addWindow(title.empty() ? game.title : title, kPid);
        platform.setForeground(window);
        return window;
    }

    CarCameraBlock blockAt(Address address) {
        std::array<std::uint8_t, 216> bytes{};
        memory->peek(address, bytes.data(), bytes.size());
        return skv::model::decodeCameraBlock(bytes);
    }
};

} // namespace

TEST(GameLinkSearch, BoundariesOccurrencesAndSignedZero) {
    std::vector<std::uint8_t> window(0x100000, 0);
    const auto key = keyBytes(kKey);
    const auto put = [&](std::size_t at, const std::array<std::uint8_t, kSearchKeySize>& k) {
        std::copy(k.begin(), k.end(), window.begin() + std::ptrdiff_t(at));
    };
    EXPECT_EQ(findSearchKey(window, key), std::nullopt);
    put(0xFFF9C, key); // the first untried offset, although the key fits there
    EXPECT_EQ(findSearchKey(window, key), std::nullopt);
    put(0xFFF9B, key); // the last tried one
    EXPECT_EQ(findSearchKey(window, key), std::size_t(0xFFF9B));
    put(0x4000, key);
    put(0x3001, key);
    EXPECT_EQ(findSearchKey(window, key), std::size_t(0x3001));
    put(0, key);
    EXPECT_EQ(findSearchKey(window, key), std::size_t(0));

    // Bitwise: -0.0 is not +0.0, although they compare equal as numbers.
    std::vector<std::uint8_t> zeros(0x1000, 0);
    const float negative[3] = {-0.0f, -0.0f, -0.0f};
    EXPECT_EQ(findSearchKey(zeros, keyBytes(negative)), std::nullopt);
    const float positive[3] = {0.0f, 0.0f, 0.0f};
    EXPECT_EQ(findSearchKey(zeros, keyBytes(positive)), std::size_t(0));
    EXPECT_EQ(findSearchKey(std::span(zeros).first(100), keyBytes(positive)), std::nullopt);
}

TEST_F(GameLink, OnlyTheExactTitleOfTheSelectedGameAttaches) {
    struct Case {
        bool nr2003;
        const char* title;
        bool attaches;
    } cases[] = {{false, "Papyrus Window", true},  {false, "Papyrus Window ", false},
                 {false, "papyrus window", false}, {false, "NR2003", false},
                 {true, "NR2003", true},           {true, "nr2003", false},
                 {true, "Papyrus Window", false}};
    for (const Case& c : cases) {
        const auto window = showGame(c.nr2003, 0x1000, c.title);
        EXPECT_EQ(link.attachGame(c.nr2003), c.attaches) << c.title;
        EXPECT_EQ(link.gameWindow(), c.attaches ? window : 0u) << c.title;
        EXPECT_EQ(link.status(), c.attaches ? LinkStatus::Attached : LinkStatus::NoGameWindow);
        link.detach();
    }
    EXPECT_EQ(platform.handlesOpened(), 2); // a wrong window never opens its process
}

// The user switches games between the two rounds: the next attach takes the other game's constants.
TEST_F(GameLink, WritesEveryBlockOfTheGameAndThePitRecord) {
    for (const bool nr2003 : {false, true}) {
        showGame(nr2003, 0x2000);
        ASSERT_TRUE(link.attachGame(nr2003));
        EXPECT_EQ(link.rollBarAddress(), nr2003 ? 0xC32000u : 0x5F2000u);
        EXPECT_EQ(link.pitCamAddress(), nr2003 ? 0xC31F28u : 0x5F4810u);
        memory->clearLog();
        const CarCameraBlock block = blockWithKey(kKey, 7);
        ASSERT_TRUE(link.writeRollBar(block));
        const auto writes = memory->writes();
        const int blocks = gameConstants(nr2003).blockCount;
        ASSERT_EQ(writes.size(), std::size_t(blocks));
        for (int k = 0; k < blocks; ++k) {
            EXPECT_EQ(writes[std::size_t(k)],
                      (FakeMemory::Transfer{link.rollBarAddress() + Address(k) * 216, 216}));
            EXPECT_EQ(blockAt(link.rollBarAddress() + Address(k) * 216), block) << k;
        }

        CarCameraValues pit = block[2];
        pit.bank = -0.0f;
        ASSERT_TRUE(link.writePitCam(pit));
        CarCameraValues back{};
        ASSERT_TRUE(link.readPitCam(back));
        EXPECT_EQ(std::bit_cast<std::uint32_t>(back.bank), 0x80000000u);
        EXPECT_EQ(back, pit);
        CarCameraBlock live{};
        ASSERT_TRUE(link.readRollBar(live));
        EXPECT_EQ(live, block);
    }
}

TEST_F(GameLink, MissesAndAGoneProcessLeaveNoLinkAndNoHandle) {
    showGame(false, 0x1000);
    for (int i = 0; i < 1000; ++i)
        ASSERT_TRUE(link.attachGame(false));
    EXPECT_EQ(platform.handlesOpened(), 1000);
    EXPECT_EQ(platform.openHandles(), 1);
    link.detach();
    EXPECT_EQ(platform.openHandles(), 0);
    EXPECT_EQ(link.gameWindow(), 0u);

    // A capture read that fails hands back nothing.
    ASSERT_TRUE(link.attachGame(false));
    memory->failReadsAt(link.rollBarAddress() + 200);
    CarCameraBlock block = blockWithKey(kKey, 9);
    const CarCameraBlock before = block;
    EXPECT_FALSE(link.readRollBar(block));
    EXPECT_EQ(block, before);
    memory->clearFailures();

    // The window without a process, then the game that ended.
    platform.setForeground(platform.addWindow("Papyrus Window", 0));
    EXPECT_THROW(link.attachGame(false), EGameLinkError);
    EXPECT_EQ(link.status(), LinkStatus::NoProcess);
    showGame(false, 0x1000);
    ASSERT_TRUE(link.attachGame(false));
    memory->exit();
    EXPECT_FALSE(link.writePitCam({}));
    EXPECT_THROW(link.attachGame(false), EGameLinkError);
    EXPECT_EQ(link.status(), LinkStatus::MemoryUnreadable);
    EXPECT_EQ(platform.openHandles(), 0);
}

// Why the link is down reaches the thread's owner for its status bar, read from another thread
// while the control thread attaches and drops the link, and the game's status line says it too.
TEST_F(GameLink, TheThreadsOwnerReadsWhyTheLinkIsDown) {
    DirectControl dc(link, platform);
    StatusLog statuses;
    dc.setStatusCallback(statuses.callback());
    EXPECT_EQ(dc.linkState(), (LinkState{LinkStatus::NotAttached, "Not Attached"}));
    std::atomic<bool> done{false};
    std::thread statusBar([&] {
        while (!done)
            (void)dc.linkState();
    });
    dc.start();
    const auto editor = platform.addWindow("Untitled - Editor", 0);
    const auto orphan = platform.addWindow("Papyrus Window", 0);
    const std::string reference = link.referenceFilePath(false).string();
    skv::model::TGPLCarCameraSet set;
    set.setValues(blockWithKey(kKey, 5));
    const struct {
        const char* name;
        std::function<void()> arrange;
        LinkStatus status;
        std::string text; // its beginning
    } cases[] = {
        {"another window in front", [&] { platform.setForeground(editor); }, LinkStatus::NoGameWindow,
         "Not Attached: the game's window is not in front"},
        {"the desktop is gone", [&] { platform.setUnavailableReason("no X display"); },
         LinkStatus::NoGameWindow, "Not Attached: no X display"},
        {"a window without a process",
         [&] {
             platform.setUnavailableReason("");
             platform.setForeground(orphan);
         },
         LinkStatus::NoProcess, "Not Attached: the game's window names no process that can be opened"},
        {"memory out of reach",
         [&] {
             showGame(false, 0x1000);
             memory->failReadsAt(0x5F0000);
         },
         LinkStatus::MemoryUnreadable, "Not Attached: the memory cannot be read"},
        {"no reference file",
         [&] {
             memory->clearFailures();
             std::filesystem::remove(reference);
         },
         LinkStatus::NoReferenceFile,
         "Not Attached: reference camera file: Cannot open file " + reference +
             " (No such file or directory)"},
        {"a reference file too short",
         [&] { folder.write("gpl/cars/cars67/brabham/brabham.cam", std::string(227, 'x')); },
         LinkStatus::NoReferenceFile,
         "Not Attached: reference camera file: The file " + reference +
             " is not a camera file: it holds 227"},
        {"another camera file loaded",
         [&] {
             writeReferenceFile(reference, {1, 2, 3});
         },
         LinkStatus::KeyNotFound, linkStatusText(LinkStatus::KeyNotFound)},
        {"attached", [&] { writeReferenceFile(reference, kKey); }, LinkStatus::Attached, "Attached"},
        {"a write that fails",
         [&] {
             memory->clearLog();
             memory->failWritesAt(0x5F1000 + 3 * 216);
             dc.setCameraSet("five", set);
         },
         LinkStatus::WriteFailed, "Not Attached: a camera write into the game failed"},
        {"attached again", [&] { memory->clearFailures(); }, LinkStatus::Attached, "Attached"},
        {"dropped by the owner", [&] { dc.detach(); }, LinkStatus::NotAttached, "Not Attached"},
    };
    for (const auto& c : cases) {
        c.arrange();
        if (c.status != LinkStatus::NotAttached) {
            dc.changeMode(false);
            ASSERT_TRUE(dc.waitUntilIdle(5s)) << c.name;
        }
        const LinkState state = dc.linkState();
        EXPECT_EQ(state.status, c.status) << c.name;
        EXPECT_EQ(state.text.rfind(c.text, 0), 0u) << c.name << ": " << state.text;
        EXPECT_EQ(dc.attached(), c.status == LinkStatus::Attached) << c.name;
        EXPECT_EQ(platform.openHandles(), c.status == LinkStatus::Attached ? 1 : 0) << c.name;
        // A write that fails or the owner's detach show the plain text; an attach reports a status line.
        if (c.status != LinkStatus::Attached && c.status != LinkStatus::WriteFailed) {
            EXPECT_EQ(statuses.last(), state.text) << c.name;
        }
        if (c.status == LinkStatus::WriteFailed) {
            // The step ends at the failing block: the blocks before it hold the set, the rest are
            // left as they were.
            CarCameraBlock written{};
            set.getValues(written);
            for (Address k = 0; k < 3; ++k)
                EXPECT_EQ(blockAt(0x5F1000 + k * 216), written) << k;
            EXPECT_EQ(blockAt(0x5F1000 + 3 * 216), CarCameraBlock{});
            EXPECT_EQ(memory->writes().size(), 3u);
            EXPECT_EQ(statuses.last(), "Not Attached");
        }
    }
    done = true;
    statusBar.join();
}

TEST(ReferenceCamFiles, EverySeriesFolderGetsPacecarAndGplKeepsItsOwn) {
    skv::test::TempFolder folder;
    const skv::model::TGamePaths paths([](const std::string&) { return std::optional<std::string>(); });
    const auto program = folder.mkdir("program");
    folder.write("program/pacecar.cam", "ours-pacecar");
    folder.write("program/brabham.cam", "ours-brabham");
    folder.write("nr/series/cup/PACECAR.CAM", "theirs");
    folder.mkdir("nr/series/trucks");
    folder.write("nr/series/readme.txt", "a file, not a series");
    folder.write("gpl/cars/cars67/brabham/brabham.cam", "theirs");
    const std::string nr = (folder.path() / "nr" / "nr2003.exe").string();
    const std::string gpl = (folder.path() / "gpl" / "gpl.exe").string();

    ReferenceRefresh done = refreshReferenceCamFiles(paths, program, gpl, nr);
    EXPECT_EQ(done.nr2003Copies, 2);
    EXPECT_FALSE(done.gplCopied);
    // The file the game loads is replaced, whatever the case of its name.
    EXPECT_EQ(skv::test::readFile(folder.path() / "nr/series/cup/PACECAR.CAM"), "ours-pacecar");
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "nr/series/cup/pacecar.cam"));
    EXPECT_EQ(skv::test::readFile(folder.path() / "nr/series/trucks/pacecar.cam"), "ours-pacecar");
    EXPECT_EQ(skv::test::readFile(folder.path() / "gpl/cars/cars67/brabham/brabham.cam"), "theirs");

    std::filesystem::remove(folder.path() / "gpl/cars/cars67/brabham/brabham.cam");
    done = refreshReferenceCamFiles(paths, program, gpl, nr);
    EXPECT_TRUE(done.gplCopied);
    EXPECT_EQ(skv::test::readFile(folder.path() / "gpl/cars/cars67/brabham/brabham.cam"), "ours-brabham");

    // Missing sources, folders and programs are passed over; nothing is created.
    std::filesystem::remove_all(folder.path() / "gpl/cars");
    std::filesystem::remove(program / "pacecar.cam");
    done = refreshReferenceCamFiles(paths, program, gpl, "");
    EXPECT_EQ(done.nr2003Copies, 0);
    EXPECT_FALSE(done.gplCopied);
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "gpl/cars"));
}

// Where the system lists a process's mappings, the link writes only into a process that runs the
// configured game and holds the camera records in writable memory.
TEST_F(GameLink, ChecksTheProcessBeforeItsFirstWrite) {
    using skv::platform::MappedRegion;
    using skv::platform::ProcessMap;
    const MappedRegion window{0x5F0000, 0x6F0000, true, true, ""};
    const MappedRegion image{0x400000, 0x401000, true, false, "/games/drive_c/Sierra/GPL/GPL.EXE"};
    struct Row {
        const char* what;
        ProcessMap map;
        std::size_t offset;
        LinkStatus status;
        const char* says; // in the status text
    };
    const Row rows[] = {
        {"the command line names the game",
         {{window}, "C:\\Sierra\\gpl\\GPL.exe"},
         0x1000,
         LinkStatus::Attached,
         ""},
        {"the game's image is mapped",
         {{image, window}, "/usr/bin/wine-preloader"},
         0x1000,
         LinkStatus::Attached,
         ""},
        {"another program",
         {{window}, "C:\\windows\\system32\\start.exe"},
         0x1000,
         LinkStatus::WrongProcess,
         "(C:\\windows\\system32\\start.exe), which has no gpl.exe loaded"},
        {"read-only records",
         {{image, {0x5F0000, 0x6F0000, true, false, ""}}, ""},
         0x1000,
         LinkStatus::NotWritable,
         "camera blocks at 0x5F1000"},
        {"records across two writable mappings",
         {{image, {0x5F0000, 0x5F1100, true, true, ""}, {0x5F1100, 0x6F0000, true, true, ""}}, ""},
         0x1000,
         LinkStatus::Attached,
         ""},
        {"a pit record beyond the mapped window",
         {{image, window}, ""},
         0xFE000,
         LinkStatus::NotWritable,
         "pit camera at 0x6F0810"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        memory->describe(row.map);
        memory->poke(0x5F0000 + row.offset, kKey, sizeof kKey);
        const auto window = platform.addWindow("Papyrus Window", kPid);
        platform.setForeground(window);
        bool attached = false;
        try {
            attached = link.attachGame(false);
        } catch (const EGameLinkError& e) {
            EXPECT_NE(std::string(e.what()).find(row.says), std::string::npos) << e.what();
        }
        EXPECT_EQ(attached, row.status == LinkStatus::Attached);
        EXPECT_EQ(link.status(), row.status);
        EXPECT_EQ(platform.openHandles(), attached ? 1 : 0);
        link.detach();
        memory->poke(0x5F0000 + row.offset, std::array<float, 3>{}.data(), sizeof kKey);
    }
    EXPECT_TRUE(memory->writes().empty()) << "nothing is written by an attach";
}

// A Wine virtual desktop is the window in front; the game's window is nested in it.
TEST_F(GameLink, FindsTheGameInsideTheWindowInFront) {
    memory->poke(0x5F1000, kKey, sizeof kKey);
    const auto desktop = platform.addWindow("Default - Wine desktop", 7);
    const auto frame = platform.addWindow("", 7, desktop);
    platform.addWindow("Papyrus Window", kPid); // a top-level one elsewhere is not in front
    const auto game = platform.addWindow("Papyrus Window", kPid, frame);
    platform.setForeground(desktop);
    ASSERT_TRUE(link.attachGame(false));
    EXPECT_EQ(link.gameWindow(), game);
    EXPECT_EQ(link.rollBarAddress(), Address(0x5F1000));
    platform.setForeground(platform.addWindow("Untitled - Editor", 7));
    EXPECT_FALSE(link.attachGame(false));
    EXPECT_EQ(link.status(), LinkStatus::NoGameWindow);
}

#include "platform/Shortcut.h"
#include "platform/fake/Fakeplatform.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

using namespace skv::platform;

namespace {

struct FailCase {
    Address address;
    std::size_t size;
    bool ok;
};

} // namespace

TEST(FakeMemory, TransferFailsExactlyWhenItTouchesAFailingAddressOrLeavesTheRegion) {
    FakePlatform platform;
    auto memory = platform.addProcess(7);
    memory->map(0x1000, 0x100);
    memory->failReadsAt(0x1080);
    memory->failWritesAt(0x1040);
    auto process = platform.openProcess(7);
    ASSERT_TRUE(process);

    std::array<std::uint8_t, 0x100> buffer{};
    const FailCase reads[] = {
        {0x1000, 0x80, true},  {0x1000, 0x81, false}, {0x1080, 1, false}, {0x1081, 0x7F, true},
        {0x1081, 0x80, false}, {0x0FFF, 2, false},    {0x2000, 1, false},
    };
    for (const auto& c : reads)
        EXPECT_EQ(process->read(c.address, buffer.data(), c.size), c.ok)
            << std::hex << c.address << " " << c.size;

    const FailCase writes[] = {{0x1000, 0x40, true}, {0x103F, 2, false}, {0x1041, 0xBF, true}};
    for (const auto& c : writes)
        EXPECT_EQ(process->write(c.address, buffer.data(), c.size), c.ok)
            << std::hex << c.address << " " << c.size;
    EXPECT_FALSE(process->lastError().empty());

    // Only the successful writes are logged, in order.
    const std::vector<FakeMemory::Transfer> expected = {{0x1000, 0x40}, {0x1041, 0xBF}};
    EXPECT_EQ(memory->writes(), expected);

    memory->clearFailures();
    EXPECT_TRUE(process->read(0x1000, buffer.data(), 0x100));
    // What was written reads back; the test's own pokes and maps must stay inside and apart.
    const std::uint32_t word = 0xDEADBEEF;
    ASSERT_TRUE(process->write(0x1010, &word, sizeof word));
    std::uint32_t back = 0;
    memory->peek(0x1010, &back, sizeof back);
    EXPECT_EQ(back, word);
    EXPECT_THROW(memory->poke(0x10FF, &word, sizeof word), std::out_of_range);
    EXPECT_THROW(memory->map(0x1080, 0x100), std::invalid_argument);
    memory->exit();
    EXPECT_FALSE(process->read(0x1000, buffer.data(), 1));
    EXPECT_EQ(process->lastError(), "the process has ended");
}

// Processes and their handles are counted in the game link's tests; here, what those do not ask.
TEST(FakePlatform, UnknownWindowsAndProcessesAndLongTitles) {
    FakePlatform platform;
    EXPECT_EQ(platform.foregroundWindow(), 0u);
    const WindowId game = platform.addWindow(std::string(120, 'x'), 42);
    EXPECT_EQ(platform.windowTitle(game).size(), kMaxTitleLength);
    EXPECT_EQ(platform.windowProcess(game + 1), 0u);
    EXPECT_EQ(platform.openProcess(43), nullptr); // the link's tests open only pids they made
}

TEST(Shortcut, KeyAndModifiersSplitBack) {
    const Shortcut s = makeShortcut(vk::Delete, kShortcutCtrl | kShortcutShift);
    EXPECT_EQ(s, 0x602E);
    EXPECT_EQ(shortcutKey(s), vk::Delete);
    EXPECT_EQ(shortcutModifiers(s), kShortcutCtrl | kShortcutShift);
    EXPECT_EQ(makeShortcut(0x1FF), 0xFF); // only the low byte is a key
}

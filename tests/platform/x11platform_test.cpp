// The X11 backend against a private Xvfb and the stand-in game.
#include "platform/Shortcut.h"
#include "platform/x11/Linuxprocess.h"
#include "platform/x11/X11keys.h"
#include "platform/x11/X11platform.h"
#include "support/Xsession.h"

#include <gtest/gtest.h>
// After the test framework: Xlib's macros (None, Bool) would break its headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <array>
#include <filesystem>
#include <sstream>

using namespace skv::platform;
using skv::testing::ChildProcess;
using skv::testing::XvfbServer;

namespace {

struct Ready {
    long pid = 0;
    WindowId window = 0;
    Address first = 0;
};

class X11Backend : public ::testing::Test {
protected:
    static void SetUpTestSuite() { Server = std::make_unique<XvfbServer>(); }
    static void TearDownTestSuite() { Server.reset(); }

    void SetUp() override {
        if (Server->display().empty()) FAIL() << "Xvfb could not be started (Debian package xvfb)";
        CamFile =
            (std::filesystem::temp_directory_path() / ("skv_x11_" + std::to_string(::getpid()) + ".cam"))
                .string();
        const float key[3] = {12.5f, -3.25f, 0.75f};
        skv::testing::writeCamFile(CamFile, key);
        Game = std::make_unique<ChildProcess>(std::vector<std::string>{SKV_RUNTIME_DIR "/fakegame", "--game",
                                                                       "gpl", "--offset", "0x2000",
                                                                       "--camfile", CamFile},
                                              std::vector<std::string>{"DISPLAY=" + Server->display()});
        auto line = Game->readLine();
        ASSERT_TRUE(line) << "fakegame did not start";
        std::istringstream in(*line);
        std::string word;
        in >> word >> GameReady.pid >> std::hex >> GameReady.window >> GameReady.first;
        ASSERT_EQ(word, "ready");
        Backend = std::make_unique<X11Platform>(Server->display().c_str());
    }
    void TearDown() override {
        Backend.reset();
        Game.reset();
        if (!CamFile.empty()) std::filesystem::remove(CamFile);
    }

    std::string ask(const std::string& command) {
        Game->writeLine(command);
        return Game->readLine().value_or("");
    }

    static std::unique_ptr<XvfbServer> Server;
    std::string CamFile;
    std::unique_ptr<ChildProcess> Game;
    Ready GameReady;
    std::unique_ptr<X11Platform> Backend;
};

std::unique_ptr<XvfbServer> X11Backend::Server;

} // namespace

TEST(X11BackendWithoutServer, SaysWhyAndAnswersEmpty) {
    X11Platform backend(":987654");
    EXPECT_FALSE(backend.isAvailable());
    EXPECT_NE(backend.unavailableReason().find("cannot open the X display"), std::string::npos);
    EXPECT_EQ(backend.foregroundWindow(), 0u);
    EXPECT_EQ(backend.windowTitle(1), "");
    EXPECT_FALSE(backend.keyDown(vk::Escape));
    std::string reason;
    EXPECT_EQ(backend.createInputSource(reason), nullptr);
    EXPECT_FALSE(reason.empty());
}

TEST(X11Keys, EveryNamedVirtualKeyFindsItselfThroughItsKeysyms) {
    for (int key = 1; key < 0x100; ++key) {
        for (unsigned long keysym : keysymsOfVirtualKey(key)) {
            const int back = virtualKeyOfKeysym(keysym);
            // Sided modifiers come back as the generic key, as key messages report them.
            const bool generic =
                (key >= vk::LeftShift && key <= vk::RightAlt) && back >= vk::Shift && back <= vk::Alt;
            EXPECT_TRUE(back == key || generic) << std::hex << key << " " << keysym;
        }
    }
    EXPECT_EQ(virtualKeyOfKeysym(XK_q), vk::Q);
    EXPECT_EQ(virtualKeyOfKeysym(XK_Q), vk::Q);
    EXPECT_EQ(virtualKeyOfKey(XK_KP_Right, XK_KP_6), vk::Keypad6);
    EXPECT_EQ(virtualKeyOfKey(XK_1, XK_exclam), vk::Digit0 + 1);
    EXPECT_EQ(virtualKeyOfKey(XK_KP_Add, XK_KP_Add), vk::KeypadPlus);
}

TEST_F(X11Backend, FindsTheGameWindowItsTitleAndProcess) {
    ASSERT_TRUE(Backend->isAvailable()) << Backend->unavailableReason();
    EXPECT_EQ(Backend->foregroundWindow(), GameReady.window);
    EXPECT_EQ(Backend->windowTitle(GameReady.window), "Papyrus Window");
    EXPECT_EQ(Backend->windowProcess(GameReady.window), ProcessId(GameReady.pid));

    const std::string longTitle(120, 'T');
    EXPECT_EQ(ask("title " + longTitle), "ok");
    EXPECT_EQ(Backend->windowTitle(GameReady.window), std::string(kMaxTitleLength, 'T'));
    // A window that is gone answers empty rather than ending the program.
    EXPECT_EQ(Backend->windowTitle(0x7FFFFFF), "");
    EXPECT_EQ(Backend->windowProcess(0x7FFFFFF), 0u);
}

// The answer is kept between calls; every change of the focus or of the window manager's active
// window shows in the very next call, with no pause for the news to travel.
TEST_F(X11Backend, TheWindowInFrontFollowsEveryChangeAtOnce) {
    Display* other = XOpenDisplay(Server->display().c_str());
    ASSERT_TRUE(other);
    const Window root = DefaultRootWindow(other);
    const Window editor = XCreateSimpleWindow(other, root, 0, 0, 50, 50, 0, 0, 0);
    XSelectInput(other, editor, ExposureMask);
    XMapWindow(other, editor);
    for (XEvent event; XNextEvent(other, &event), event.type != Expose;) {
    } // viewable: it can take the focus
    const auto focusOn = [&](Window window, int revert) {
        XSetInputFocus(other, window, revert, CurrentTime);
        XSync(other, False);
    };

    EXPECT_EQ(Backend->foregroundWindow(), GameReady.window);
    EXPECT_EQ(Backend->foregroundWindow(), GameReady.window);
    focusOn(editor, RevertToNone);
    EXPECT_EQ(Backend->foregroundWindow(), editor);
    EXPECT_EQ(ask("focus"), "ok");
    EXPECT_EQ(Backend->foregroundWindow(), GameReady.window);
    focusOn(PointerRoot, RevertToNone);
    EXPECT_EQ(Backend->foregroundWindow(), 0u);
    focusOn(editor, RevertToNone);
    EXPECT_EQ(Backend->foregroundWindow(), editor);
    XUnmapWindow(other, editor); // the focus goes with it
    XSync(other, False);
    EXPECT_EQ(Backend->foregroundWindow(), 0u);

    // A window manager names the active window, whatever has the focus.
    EXPECT_EQ(ask("focus"), "ok");
    const Atom active = XInternAtom(other, "_NET_ACTIVE_WINDOW", False);
    const auto activate = [&](unsigned long window) {
        const long value = long(window);
        XChangeProperty(other, root, active, XA_WINDOW, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&value), 1);
        XSync(other, False);
    };
    activate(editor);
    EXPECT_EQ(Backend->foregroundWindow(), editor);
    activate(GameReady.window);
    EXPECT_EQ(Backend->foregroundWindow(), GameReady.window);
    activate(editor);
    XDeleteProperty(other, root, active); // it went away: the focus decides again
    XSync(other, False);
    EXPECT_EQ(Backend->foregroundWindow(), GameReady.window);
    XDestroyWindow(other, editor);
    XCloseDisplay(other);
}

// What the game link reads and writes through the backend is checked in the direct-control
// end-to-end test against the stand-in game's own dump; here, a read that fails.
TEST_F(X11Backend, AReadPastTheGamesMemoryFailsWithAReason) {
    auto process = Backend->openProcess(ProcessId(GameReady.pid));
    ASSERT_TRUE(process);
    std::array<float, 4> buffer{};
    EXPECT_FALSE(process->read(0x5F0000 + 0x100000 - 8, buffer.data(), 16));
    EXPECT_FALSE(process->lastError().empty());
    EXPECT_EQ(Backend->openProcess(0), nullptr);
}

TEST_F(X11Backend, DrawsTheStatusBandPointerAndScreen) {
    EXPECT_EQ(ask("band"), "band 0 7500 0");
    Backend->drawStatusLine(GameReady.window, std::string(200, 'W'));
    std::istringstream band(ask("band"));
    std::string word;
    long white = 0, black = 0, other = 0;
    band >> word >> white >> black >> other;
    EXPECT_GT(white, 100);
    EXPECT_GT(black, 100);
    EXPECT_EQ(white + black, 7500);
    EXPECT_EQ(other, 0);

    const ScreenSize screen = Backend->screenSize();
    EXPECT_EQ(screen.width, 1024);
    EXPECT_EQ(screen.height, 768);
    Backend->setCursorPos(512, 384);
    EXPECT_EQ(Backend->cursorPos().x, 512);
    EXPECT_EQ(Backend->cursorPos().y, 384);
}

TEST_F(X11Backend, RecordsKeysAndButtonsOfEveryClientAndReportsHeldKeys) {
    std::string reason;
    auto source = Backend->createInputSource(reason);
    ASSERT_TRUE(source) << reason;
    std::atomic<int> wakeUps = 0;
    source->setWakeUp([&] { ++wakeUps; });

    // Another client types, as the game's user would.
    Display* typist = XOpenDisplay(Server->display().c_str());
    ASSERT_TRUE(typist);
    const KeyCode pageUp = XKeysymToKeycode(typist, XK_Prior);
    const KeyCode alt = XKeysymToKeycode(typist, XK_Alt_L);
    XTestFakeKeyEvent(typist, pageUp, True, CurrentTime);
    XSync(typist, False);
    EXPECT_TRUE(Backend->keyDown(vk::PageUp));
    EXPECT_FALSE(Backend->keyDown(vk::PageDown));
    // Several keys in one look, each in its own place.
    const std::array<int, 3> asked{vk::PageDown, vk::PageUp, vk::Escape};
    std::array<bool, 3> held{true, false, true};
    Backend->keysDown(asked, held);
    EXPECT_EQ(held, (std::array<bool, 3>{false, true, false}));
    XTestFakeKeyEvent(typist, pageUp, False, CurrentTime);
    XTestFakeKeyEvent(typist, alt, True, CurrentTime);
    XTestFakeKeyEvent(typist, pageUp, True, CurrentTime);
    XTestFakeKeyEvent(typist, pageUp, False, CurrentTime);
    XTestFakeKeyEvent(typist, alt, False, CurrentTime);
    XTestFakeButtonEvent(typist, 3, True, CurrentTime);
    XTestFakeButtonEvent(typist, 3, False, CurrentTime);
    // Ctrl+Page Up: the key says Ctrl was held, whenever it is looked at.
    const KeyCode ctrl = XKeysymToKeycode(typist, XK_Control_L);
    XTestFakeKeyEvent(typist, ctrl, True, CurrentTime);
    XTestFakeKeyEvent(typist, pageUp, True, CurrentTime);
    XTestFakeKeyEvent(typist, pageUp, False, CurrentTime);
    XTestFakeKeyEvent(typist, ctrl, False, CurrentTime);
    XSync(typist, False);
    EXPECT_FALSE(Backend->keyDown(vk::PageUp));

    std::vector<InputEvent> events;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (events.size() < 7 && std::chrono::steady_clock::now() < deadline) {
        source->dispatchPending([&](const InputEvent& e) { events.push_back(e); });
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    XCloseDisplay(typist);
    ASSERT_EQ(events.size(), 7u);
    EXPECT_GE(wakeUps.load(), 1);
    using K = InputEvent::Kind;
    EXPECT_EQ(events[0].kind, K::KeyDown);
    EXPECT_EQ(events[0].virtualKey, vk::PageUp);
    EXPECT_FALSE(events[0].altDown || events[0].ctrlDown || events[0].shiftDown);
    EXPECT_EQ(events[1].virtualKey, vk::Alt);
    EXPECT_TRUE(events[1].altDown);
    EXPECT_EQ(events[2].virtualKey, vk::PageUp);
    EXPECT_TRUE(events[2].altDown);
    EXPECT_EQ(events[3].kind, K::ButtonDown);
    EXPECT_EQ(events[3].button, MouseButton::Right);
    EXPECT_EQ(events[4].kind, K::ButtonUp);
    EXPECT_EQ(events[5].virtualKey, vk::Control);
    EXPECT_EQ(events[6].virtualKey, vk::PageUp);
    EXPECT_TRUE(events[6].ctrlDown);
    EXPECT_FALSE(events[6].shiftDown || events[6].altDown);
}

TEST(LinuxProcessMap, ReadsTheLinesOfTheSystemsList) {
    const std::string maps =
        "00400000-00401000 r--p 00000000 08:01 1234   /home/u/.wine/drive_c/GPL/gpl.exe\n"
        "005f0000-006f0000 rw-p 00000000 00:00 0 \n"
        "7f00-7f10 rwxp 0 00:00 0 /tmp/a b/x.exe (deleted)\n"
        "garbage line\n"
        "10-5 rw-p 0 00:00 0\n";
    const std::vector<MappedRegion> regions = parseProcessMaps(maps);
    ASSERT_EQ(regions.size(), 3u);
    EXPECT_EQ(regions[0].start, 0x400000u);
    EXPECT_EQ(regions[0].end, 0x401000u);
    EXPECT_TRUE(regions[0].readable);
    EXPECT_FALSE(regions[0].writable);
    EXPECT_EQ(regions[0].file, "/home/u/.wine/drive_c/GPL/gpl.exe");
    EXPECT_TRUE(regions[1].writable);
    EXPECT_EQ(regions[1].file, "");
    EXPECT_EQ(regions[2].file, "/tmp/a b/x.exe");
}

// A refused read says what lifts the restriction, for each setting of the kernel's.
TEST(LinuxProcessMap, APermissionRefusalSaysWhatFixesIt) {
    const std::string self = "/opt/skyvane/skyvane";
    EXPECT_NE(permissionText(false, 1, self).find("start the game from Skyvane"), std::string::npos);
    for (int scope : {0, 1, 2})
        EXPECT_NE(
            permissionText(true, scope, self).find("sudo setcap cap_sys_ptrace=eip /opt/skyvane/skyvane"),
            std::string::npos)
            << scope;
    EXPECT_EQ(permissionText(true, 3, self).find("setcap"), std::string::npos) << "nothing lifts scope 3";
    EXPECT_NE(permissionText(true, 2, self).find("write"), std::string::npos);
}

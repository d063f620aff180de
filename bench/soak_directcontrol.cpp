// A real-time soak of direct control: the stand-in game on the X server at $DISPLAY, the control
// thread attached to it through the real desktop backend and game link, and an effect script played
// at the thread's own beat for the given number of seconds. Prints the resident size each minute and
// at the end, the steps made, the writes that reached the game and how often the game's memory was
// seen to move. Not a test: run it by hand (soak_directcontrol SECONDS under an X server).
#include "directcontrol/Directcontrol.h"
#include "directcontrol/Directcontrol_gamelink.h"
#include "effects/Effectplayer.h"
#include "support/Xsession.h"

#include <atomic>
#include <bit>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>

using namespace skv::directcontrol;
using skv::effects::TEffectPlayer;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

constexpr float kKey[3] = {-41.25f, 7.5f, 1.125f};
constexpr const char* kScript = "BEGIN X := X + 0.05 * COS(FRAMES / 50); Y := Y + 0.05 * SIN(FRAMES / 50); "
                                "IF FRAMES MOD 100 = 0 THEN ZOOM := ZOOM * 0.999; END";

// The desktop backend, counting the writes into the game's first car-camera block that succeed:
// one a step.
class CountingPlatform : public skv::platform::Platform {
public:
    CountingPlatform(skv::platform::Platform& backend, skv::platform::Address firstBlock)
        : backend_(backend), firstBlock_(firstBlock) {}

    std::string unavailableReason() const override { return backend_.unavailableReason(); }
    skv::platform::WindowId foregroundWindow() override { return backend_.foregroundWindow(); }
    std::string windowTitle(skv::platform::WindowId window) override { return backend_.windowTitle(window); }
    skv::platform::ProcessId windowProcess(skv::platform::WindowId window) override {
        return backend_.windowProcess(window);
    }
    skv::platform::WindowId findWindowBelow(skv::platform::WindowId window,
                                            const std::string& title) override {
        return backend_.findWindowBelow(window, title);
    }
    std::unique_ptr<skv::platform::GameProcess> openProcess(skv::platform::ProcessId process) override {
        auto opened = backend_.openProcess(process);
        if (!opened) return nullptr;
        return std::make_unique<CountingProcess>(std::move(opened), *this);
    }
    bool keyDown(int virtualKey) override { return backend_.keyDown(virtualKey); }
    skv::platform::CursorPos cursorPos() override { return backend_.cursorPos(); }
    void setCursorPos(int x, int y) override { backend_.setCursorPos(x, y); }
    skv::platform::ScreenSize screenSize() override { return backend_.screenSize(); }
    void drawStatusLine(skv::platform::WindowId window, const std::string& text) override {
        backend_.drawStatusLine(window, text);
    }
    std::unique_ptr<skv::platform::InputSource> createInputSource(std::string& unavailable) override {
        return backend_.createInputSource(unavailable);
    }

    long writes() const { return writes_; }

private:
    class CountingProcess : public skv::platform::GameProcess {
    public:
        CountingProcess(std::unique_ptr<skv::platform::GameProcess> process, CountingPlatform& owner)
            : process_(std::move(process)), owner_(owner) {}
        bool read(skv::platform::Address address, void* buffer, std::size_t size) override {
            return process_->read(address, buffer, size);
        }
        bool write(skv::platform::Address address, const void* data, std::size_t size) override {
            const bool ok = process_->write(address, data, size);
            if (ok && address == owner_.firstBlock_) ++owner_.writes_;
            return ok;
        }
        std::string lastError() const override { return process_->lastError(); }
        std::optional<skv::platform::ProcessMap> processMap() override { return process_->processMap(); }

    private:
        std::unique_ptr<skv::platform::GameProcess> process_;
        CountingPlatform& owner_;
    };

    skv::platform::Platform& backend_;
    skv::platform::Address firstBlock_;
    std::atomic<long> writes_{0};
};

// "VmRSS=... kB VmHWM=... kB" from the kernel's account of this process.
std::string residentSizes() {
    std::ifstream status("/proc/self/status");
    std::string out;
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) != 0 && line.rfind("VmHWM:", 0) != 0) continue;
        std::istringstream in(line);
        std::string name, kb;
        in >> name >> kb;
        out += (out.empty() ? "" : " ") + name.substr(0, name.size() - 1) + "=" + kb + " kB";
    }
    return out;
}

std::vector<std::uint32_t> wordsOf(const skv::model::CarCameraBlock& block) {
    std::vector<std::uint32_t> words;
    for (const auto& record : block)
        for (std::size_t i = 0; i < skv::model::kValuesPerCamera; ++i)
            words.push_back(std::bit_cast<std::uint32_t>(skv::model::valueAt(record, i)));
    return words;
}

// The game's first car-camera block as it prints it.
std::vector<std::uint32_t> gameBlock(skv::testing::ChildProcess& game) {
    game.writeLine("dump");
    std::vector<std::uint32_t> first;
    for (auto line = game.readLine(); line && *line != "end"; line = game.readLine())
        if (first.empty()) first = skv::testing::hexWords(*line, 2);
    return first;
}

int fail(const std::string& message) {
    std::fprintf(stderr, "soak_directcontrol: %s\n", message.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    const long seconds = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 0;
    const char* display = std::getenv("DISPLAY");
    if (seconds <= 0 || !display) return fail("usage: DISPLAY=:N soak_directcontrol SECONDS");

    const auto folder = std::filesystem::temp_directory_path() / ("skv-soak-" + std::to_string(::getpid()));
    auto platform = skv::platform::createPlatform();
    if (!platform->isAvailable()) return fail(platform->unavailableReason());
    skv::model::TGamePaths paths{[](const std::string&) { return std::optional<std::string>(); }};
    // The stand-in game puts the reference file's first record at this offset of its window.
    constexpr long kOffset = 0x3000;
    CountingPlatform counting(*platform, gameConstants(false).searchStart + kOffset);
    TGameLink link(counting, paths);
    link.setGamePrograms((folder / "gpl.exe").string(), "");
    const auto reference = link.referenceFilePath(false);
    std::filesystem::create_directories(reference.parent_path());
    skv::testing::writeCamFile(reference.string(), kKey);
    skv::testing::ChildProcess game({SKV_RUNTIME_DIR "/fakegame", "--game", "gpl", "--offset",
                                     std::to_string(kOffset), "--camfile", reference.string()},
                                    {std::string("DISPLAY=") + display});
    if (game.readLine().value_or("").rfind("ready ", 0) != 0) return fail("the stand-in game did not start");

    TEffectPlayer effect;
    std::mutex statusLock;
    std::string lastStatus;
    long statuses = 0;
    {
        DirectControl control(link, counting, &effect);
        control.setStatusCallback([&](const std::string& s) {
            std::lock_guard guard(statusLock);
            lastStatus = s;
            ++statuses;
        });
        control.start();
        control.setEffectScript("Orbit", kScript);
        control.setRequestedMode(ControlMode::EffectRollBar);
        control.changeMode(false);
        if (!control.waitForPass(5s) || !control.attached()) return fail("not attached: " + lastStatus);
        std::printf("start: %s\n", residentSizes().c_str());

        const auto begin = Clock::now();
        std::vector<std::uint32_t> seen = gameBlock(game);
        long samples = 0, moved = 0;
        for (long s = 1; s <= seconds; ++s) {
            std::this_thread::sleep_until(begin + std::chrono::seconds(s));
            const auto now = gameBlock(game);
            ++samples;
            if (now != seen) ++moved;
            seen = now;
            if (s % 60 == 0 || s == seconds)
                std::printf("%4ld s: %s, steps %d, writes %ld\n", s, residentSizes().c_str(), control.frame(),
                            counting.writes());
            std::fflush(stdout);
        }
        const double elapsed = std::chrono::duration<double>(Clock::now() - begin).count();
        const auto mode = control.mode();
        control.stop();
        const bool landed = gameBlock(game) == wordsOf(control.values());
        std::printf(
            "steps %d in %.1f s (%.2f a second), writes %ld, mode %s, status texts %ld, last \"%s\"\n",
            control.frame(), elapsed, control.frame() / elapsed, counting.writes(),
            mode == ControlMode::EffectRollBar ? "EffectRollBar" : "not EffectRollBar", statuses,
            lastStatus.c_str());
        std::printf("game memory moved between %ld of %ld one-second samples; last block %s the game\n",
                    moved, samples, landed ? "is in" : "is NOT in");
        std::printf("end: %s\n", residentSizes().c_str());
    }
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    return 0;
}

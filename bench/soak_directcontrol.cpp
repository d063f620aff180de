// A real-time soak of direct control: the stand-in game on the X server at $DISPLAY, the control
// thread attached to it through the real desktop backend and game link, and an effect script played
// at the thread's own beat for the given number of seconds. Prints the resident size each minute and
// at the end, the steps made, the writes that reached the game and how often the game's memory was
// seen to move. Not a test: run it by hand (soak_directcontrol SECONDS under an X server).
#include "directcontrol/Directcontrol.h"
#include "directcontrol/Directcontrol_desktop.h"
#include "directcontrol/Directcontrol_effects.h"
#include "directcontrol/Directcontrol_gamelink.h"
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
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

constexpr float kKey[3] = {-41.25f, 7.5f, 1.125f};
constexpr const char* kScript = "BEGIN X := X + 0.05 * COS(FRAMES / 50); Y := Y + 0.05 * SIN(FRAMES / 50); "
                                "IF FRAMES MOD 100 = 0 THEN ZOOM := ZOOM * 0.999; END";

// The game link, counting the writes that succeed.
class CountingLink : public GameLinkPort {
public:
    explicit CountingLink(GameLinkPort& link) : link_(link) {}
    bool attachGame(bool isNR2003) override { return link_.attachGame(isNR2003); }
    void detach() override { link_.detach(); }
    bool attached() const override { return link_.attached(); }
    WindowId gameWindow() const override { return link_.gameWindow(); }
    bool readRollBar(skv::model::CarCameraBlock& block) override { return link_.readRollBar(block); }
    bool readPitCam(skv::model::CarCameraValues& record) override { return link_.readPitCam(record); }
    bool writeRollBar(const skv::model::CarCameraBlock& block) override {
        return count(link_.writeRollBar(block));
    }
    bool writePitCam(const skv::model::CarCameraValues& record) override {
        return count(link_.writePitCam(record));
    }

    long writes() const { return writes_; }

private:
    bool count(bool ok) {
        if (ok) ++writes_;
        return ok;
    }
    GameLinkPort& link_;
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
    TGameLink link(*platform, paths);
    link.setGamePrograms((folder / "gpl.exe").string(), "");
    const auto reference = link.referenceFilePath(false);
    std::filesystem::create_directories(reference.parent_path());
    skv::testing::writeCamFile(reference.string(), kKey);
    skv::testing::ChildProcess game(
        {SKV_RUNTIME_DIR "/fakegame", "--game", "gpl", "--offset", "0x3000", "--camfile", reference.string()},
        {std::string("DISPLAY=") + display});
    if (game.readLine().value_or("").rfind("ready ", 0) != 0) return fail("the stand-in game did not start");

    CountingLink counting(link);
    TPlatformDesktop desktop(*platform);
    TEffectPlayer effect;
    std::mutex statusLock;
    std::string lastStatus;
    long statuses = 0;
    {
        DirectControl control(counting, desktop, &effect);
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

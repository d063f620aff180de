// The world of the control thread's tests and benchmark, on the scripted platform backend: a game
// window in front whose process holds the car-camera blocks, the reference camera files the game
// link finds them by, and the real game link over both; plus a status log and an effect stand-in.
#pragma once

#include "directcontrol/Directcontrol_gamelink.h"
#include "effects/Effectbudget.h"
#include "model/Camfile.h"
#include "model/Gplcarcameraset.h"
#include "platform/fake/Fakeplatform.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace skv::directcontrol::testing {

// A block whose values all differ and all carry `base`, so a mixed block is easy to spot. The
// position of record 0 stays at the origin: the game link finds the game by it (see GameStage).
inline model::CarCameraBlock distinctBlock(float base) {
    model::CarCameraBlock b{};
    for (std::size_t r = 0; r < b.size(); ++r)
        for (std::size_t v = 0; v < model::kValuesPerCamera; ++v)
            model::valueAt(b[r], v) = base + float(r * 10 + v);
    b[0].xPos = b[0].yPos = b[0].zPos = 0;
    b[3].zoomAngle = 1.0f; // a sensible field of view for the moved camera
    return b;
}

template <class Pred> bool waitFor(Pred pred, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// The status lines the control thread reports, read safely while it runs.
class StatusLog {
public:
    std::function<void(const std::string&)> callback() {
        return [this](const std::string& s) {
            std::lock_guard lock(mutex_);
            lines_.push_back(s);
        };
    }
    std::string last() const {
        std::lock_guard lock(mutex_);
        return lines_.empty() ? "" : lines_.back();
    }
    std::size_t count() const {
        std::lock_guard lock(mutex_);
        return lines_.size();
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

// A fresh folder below the system's temporary folder, removed with everything in it (the benchmark
// has no test framework to name it after).
class StageFolder {
public:
    StageFolder() {
        // A random name, made anew until it is one no other run holds.
        std::random_device random;
        do {
            Path = std::filesystem::temp_directory_path() / ("skv-stage-" + std::to_string(random()));
        } while (!std::filesystem::create_directory(Path));
    }
    ~StageFolder() {
        std::error_code ec;
        std::filesystem::remove_all(Path, ec);
    }
    StageFolder(const StageFolder&) = delete;
    StageFolder& operator=(const StageFolder&) = delete;
    const std::filesystem::path& path() const { return Path; }

private:
    std::filesystem::path Path;
};

inline std::array<std::uint8_t, 216> blockBytes(const model::CarCameraBlock& block) {
    std::array<std::uint8_t, 216> bytes{};
    model::encodeCameraBlock(block, bytes);
    return bytes;
}

// A block's bytes, or the first size bytes of one (a record is 36).
inline model::CarCameraBlock blockFromBytes(const std::uint8_t* data, std::size_t size = 216) {
    std::array<std::uint8_t, 216> bytes{};
    std::copy(data, data + size, bytes.begin());
    return model::decodeCameraBlock(bytes);
}

// One step the link wrote into the game: a whole roll-bar step (every block) or the pit record.
struct FakeWrite {
    bool pitCam = false;
    model::CarCameraBlock block{}; // what was written to block 0
    int blocks = 0;                // blocks written in this step
    model::CarCameraValues pit{};
    std::chrono::steady_clock::time_point at;
};

// The game's memory holds only zeros at first, and the reference camera files of both games have
// their first record at the origin, so the link finds the game at the start of its searched window
// for as long as block 0 keeps record 0 there (as every block of these tests does).
class GameStage {
public:
    static constexpr platform::ProcessId kProcess = 42;

    GameStage() {
        link.setGamePrograms((folder.path() / "gpl" / "gpl.exe").string(),
                             (folder.path() / "nr2003" / "NR2003.exe").string());
        for (const bool nr2003 : {false, true}) {
            const auto reference = link.referenceFilePath(nr2003);
            std::filesystem::create_directories(reference.parent_path());
            model::TGPLCarCameraSet set;
            model::TCamFileBuffer().exportCamFile(set, reference);
        }
        memory->map(rollBarAddress(false), gameConstants(false).searchLength);
        // NR2003's pit record lies below its searched window.
        memory->map(pitAddress(true), gameConstants(true).searchLength + 216);
        memory->watchWrites([this](const platform::FakeMemory::Transfer& t, const std::uint8_t* data,
                                   bool written) { watch(t, data, written); });
        platform.setScreenSize(1000, 800);
        platform.moveCursor(500, 400);
        platform.setForeground(gameWindow);
    }
    ~GameStage() { memory->watchWrites({}); }
    GameStage(const GameStage&) = delete;
    GameStage& operator=(const GameStage&) = delete;

    // The game in front from now on is that one: its window takes that game's title.
    void selectGame(bool nr2003) {
        std::lock_guard lock(mutex_);
        nr2003_ = nr2003;
        if (running_) platform.setWindowTitle(gameWindow, gameConstants(nr2003).title);
    }
    // A game that is not running leaves a window of another title in front.
    void setRunning(bool running) {
        std::lock_guard lock(mutex_);
        running_ = running;
        platform.setWindowTitle(gameWindow, running ? gameConstants(nr2003_).title : "Untitled - Editor");
    }

    void setRollBarMemory(const model::CarCameraBlock& block) {
        memory->poke(rollBarAddress(selected()), blockBytes(block).data(), 216);
    }
    void setPitMemory(const model::CarCameraValues& record) {
        model::CarCameraBlock block{};
        block[0] = record;
        memory->poke(pitAddress(selected()), blockBytes(block).data(), sizeof record);
    }
    // The camera reads fail (the long read of the attach does not).
    void setFailReads(bool fail) {
        if (!fail) return memory->clearFailures();
        memory->failReadsAt(rollBarAddress(selected()), 216);
        memory->failReadsAt(pitAddress(selected()), 216);
    }
    // The write of block n of the next steps fails.
    void failWritesAt(int n) {
        memory->failWritesAt(rollBarAddress(selected()) + platform::Address(n) * 216);
    }

    // Each attach attempt reads the title of the window in front once.
    int attachCalls() const { return platform.titleReads(); }
    model::CarCameraBlock block(std::size_t k) const {
        std::array<std::uint8_t, 216> bytes{};
        memory->peek(rollBarAddress(selected()) + platform::Address(k) * 216, bytes.data(), bytes.size());
        return blockFromBytes(bytes.data());
    }
    std::vector<FakeWrite> writes() const {
        std::lock_guard lock(mutex_);
        return writes_;
    }
    // Called for every completed step, under the memory's lock.
    void onWrite(std::function<void(const FakeWrite&)> f) {
        std::lock_guard lock(mutex_);
        onWrite_ = std::move(f);
    }
    // Long runs keep no write history; they watch the steps through onWrite.
    void keepWrites(bool keep) {
        memory->keepLog(keep);
        std::lock_guard lock(mutex_);
        keepWrites_ = keep;
    }
    // A step began before the one before it had ended: two writers at once, which the control
    // thread must never allow.
    bool overlappingWrites() const { return overlapped_; }

    static platform::Address rollBarAddress(bool nr2003) { return gameConstants(nr2003).searchStart; }
    static platform::Address pitAddress(bool nr2003) {
        return platform::Address(std::int64_t(rollBarAddress(nr2003)) + gameConstants(nr2003).pitCamOffset);
    }

    StageFolder folder;
    platform::FakePlatform platform;
    model::TGamePaths paths{[](const std::string&) { return std::optional<std::string>(); }};
    TGameLink link{platform, paths};
    std::shared_ptr<platform::FakeMemory> memory = platform.addProcess(kProcess);
    const platform::WindowId gameWindow = platform.addWindow(gameConstants(false).title, kProcess);
    const platform::WindowId otherWindow = platform.addWindow("Untitled - Editor", 7);

private:
    bool selected() const {
        std::lock_guard lock(mutex_);
        return nr2003_;
    }

    // Which block of which game a transfer is, if it is one.
    struct Target {
        bool pitCam = false;
        int block = 0, blockCount = 0;
    };
    static std::optional<Target> targetOf(const platform::FakeMemory::Transfer& t) {
        for (const bool nr2003 : {false, true}) {
            const GameConstants& game = gameConstants(nr2003);
            if (t.address == pitAddress(nr2003) && t.size == 36) return Target{true, 0, 1};
            const platform::Address first = rollBarAddress(nr2003);
            if (t.size != 216 || t.address < first || (t.address - first) % 216 != 0) continue;
            const auto k = int((t.address - first) / 216);
            if (k < game.blockCount) return Target{false, k, game.blockCount};
        }
        return std::nullopt;
    }

    // Puts the written blocks together into steps: block 0 first, then each next one in turn.
    void watch(const platform::FakeMemory::Transfer& t, const std::uint8_t* data, bool written) {
        const std::optional<Target> target = targetOf(t);
        if (!target) return;
        std::lock_guard lock(mutex_);
        const int expected = pending_ ? pending_->blocks : 0;
        if (target->block != expected || (target->pitCam && pending_)) overlapped_ = true;
        if (!written) {
            pending_.reset(); // a failed write ends its step, which is not recorded
            return;
        }
        if (target->pitCam) {
            FakeWrite entry;
            entry.pitCam = true;
            entry.pit = blockFromBytes(data, 36)[0];
            entry.blocks = 1;
            return record(entry);
        }
        if (target->block == 0) {
            pending_ = FakeWrite{};
            pending_->block = blockFromBytes(data);
        }
        if (!pending_) return;
        if (++pending_->blocks < target->blockCount) return;
        FakeWrite entry = *pending_;
        pending_.reset();
        record(entry);
    }

    void record(FakeWrite& entry) {
        entry.at = std::chrono::steady_clock::now();
        if (keepWrites_) writes_.push_back(entry);
        if (onWrite_) onWrite_(entry);
    }

    mutable std::mutex mutex_;
    bool nr2003_ = false;
    bool running_ = true;
    std::optional<FakeWrite> pending_;
    std::vector<FakeWrite> writes_;
    bool keepWrites_ = true;
    std::function<void(const FakeWrite&)> onWrite_;
    std::atomic<bool> overlapped_{false};
};

// The stage's backend, lent to a stack that wants one of its own.
class LentPlatform final : public platform::Platform {
public:
    explicit LentPlatform(platform::Platform& p) : p_(p) {}
    std::string unavailableReason() const override { return p_.unavailableReason(); }
    platform::WindowId foregroundWindow() override { return p_.foregroundWindow(); }
    std::string windowTitle(platform::WindowId w) override { return p_.windowTitle(w); }
    platform::ProcessId windowProcess(platform::WindowId w) override { return p_.windowProcess(w); }
    std::unique_ptr<platform::GameProcess> openProcess(platform::ProcessId id) override {
        return p_.openProcess(id);
    }
    bool keyDown(int key) override { return p_.keyDown(key); }
    platform::CursorPos cursorPos() override { return p_.cursorPos(); }
    void setCursorPos(int x, int y) override { p_.setCursorPos(x, y); }
    platform::ScreenSize screenSize() override { return p_.screenSize(); }
    void drawStatusLine(platform::WindowId w, const std::string& text) override {
        p_.drawStatusLine(w, text);
    }
    std::unique_ptr<platform::InputSource> createInputSource(std::string& why) override {
        return p_.createInputSource(why);
    }

private:
    platform::Platform& p_;
};

// An effect player that records the scripts it was given and moves the camera by a fixed rule.
class FakeEffects : public effects::EffectStepper {
public:
    void load(const std::string& script) override {
        std::lock_guard lock(mutex_);
        loaded_.push_back(script);
    }
    void seed(std::int32_t, const model::CarCameraValues&) override {}
    void step(std::int32_t frame, model::CarCameraValues& record,
              const effects::EffectBudget& budget) override {
        if (spin_ != Spin::No) runAway(budget);
        std::lock_guard lock(mutex_);
        if (throwAt_ == frame) {
            record.xPos = -999; // a half-done evaluation that must not reach the game
            throw std::runtime_error("Division by zero");
        }
        record.xPos += 1.0f;
    }

    // A script that never ends by itself, past its deadline: it runs until the thread is being
    // stopped, and then gives up as a real player would.
    enum class Spin { No, UntilStopped };
    void spin(Spin how) { spin_ = how; }
    bool spinning() const { return spinning_; }

    void throwAt(std::int32_t frame) {
        std::lock_guard lock(mutex_);
        throwAt_ = frame;
    }
    std::vector<std::string> loaded() const {
        std::lock_guard lock(mutex_);
        return loaded_;
    }

private:
    void runAway(const effects::EffectBudget& budget) {
        spinning_ = true;
        while (!budget.isCancelled())
            std::this_thread::yield();
        spinning_ = false;
        throw std::runtime_error("Stopped");
    }

    std::atomic<Spin> spin_{Spin::No};
    std::atomic<bool> spinning_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> loaded_;
    std::int32_t throwAt_ = -1;
};

} // namespace skv::directcontrol::testing

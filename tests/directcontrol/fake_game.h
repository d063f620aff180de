// A stand-in for the desktop and the running game, for the control thread's tests and benchmark:
// a foreground window that the test chooses, held keys, a cursor, and game memory that records
// every write. All of it may be used from several threads at once.
#pragma once

#include "directcontrol/Directcontrol_ports.h"

#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace skv::directcontrol::testing {

constexpr WindowId kGameWindow = 100;
constexpr WindowId kOtherWindow = 200;

// A block whose 54 values all differ and all carry `base`, so a mixed block is easy to spot.
inline model::CarCameraBlock distinctBlock(float base) {
    model::CarCameraBlock b{};
    for (std::size_t r = 0; r < b.size(); ++r)
        for (std::size_t v = 0; v < model::kValuesPerCamera; ++v)
            model::valueAt(b[r], v) = base + float(r * 10 + v);
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

class FakeDesktop : public ControlDesktop {
public:
    WindowId foregroundWindow() override {
        std::lock_guard lock(mutex_);
        return foreground_;
    }
    bool keyDown(int virtualKey) override {
        std::lock_guard lock(mutex_);
        return held_.count(virtualKey) != 0;
    }
    CursorPos cursorPos() override {
        std::lock_guard lock(mutex_);
        return cursor_;
    }
    void setCursorPos(int x, int y) override {
        std::lock_guard lock(mutex_);
        cursor_ = {x, y};
        ++cursorMoves_;
    }
    ScreenSize screenSize() override {
        std::lock_guard lock(mutex_);
        return screen_;
    }
    void drawStatusLine(WindowId window, const std::string& text) override {
        std::lock_guard lock(mutex_);
        drawn_.emplace_back(window, text);
    }

    void setForeground(WindowId w) {
        std::lock_guard lock(mutex_);
        foreground_ = w;
    }
    void hold(int virtualKey, bool down = true) {
        std::lock_guard lock(mutex_);
        if (down)
            held_.insert(virtualKey);
        else
            held_.erase(virtualKey);
    }
    // Moves the cursor as the user would (not counted as a move by the program).
    void moveCursor(int x, int y) {
        std::lock_guard lock(mutex_);
        cursor_ = {x, y};
    }
    std::vector<std::pair<WindowId, std::string>> drawn() const {
        std::lock_guard lock(mutex_);
        return drawn_;
    }
    int cursorMoves() const {
        std::lock_guard lock(mutex_);
        return cursorMoves_;
    }

private:
    mutable std::mutex mutex_;
    WindowId foreground_ = kGameWindow;
    std::set<int> held_;
    CursorPos cursor_{500, 400};
    ScreenSize screen_{1000, 800};
    std::vector<std::pair<WindowId, std::string>> drawn_;
    int cursorMoves_ = 0;
};

// One write into the fake game: a whole roll-bar step (every block) or the pit-camera record.
struct FakeWrite {
    bool pitCam = false;
    model::CarCameraBlock block{}; // what was written to block 0
    int blocks = 0;                // blocks written in this step, all checked equal
    model::CarCameraValues pit{};
    std::chrono::steady_clock::time_point at;
};

class FakeGameLink : public GameLinkPort {
public:
    explicit FakeGameLink(FakeDesktop& desktop) : desktop_(desktop) {}

    bool attachGame(bool isNR2003) override {
        std::lock_guard lock(mutex_);
        ++attachCalls_;
        gameWindow_ = desktop_.foregroundWindow();
        if (gameWindow_ != kGameWindow || !running_) {
            gameWindow_ = 0;
            return false;
        }
        blockCount_ = isNR2003 ? 20 : 7;
        attached_ = true;
        return true;
    }
    void detach() override {
        std::lock_guard lock(mutex_);
        attached_ = false;
        gameWindow_ = 0;
    }
    bool attached() const override {
        std::lock_guard lock(mutex_);
        return attached_;
    }
    WindowId gameWindow() const override {
        std::lock_guard lock(mutex_);
        return gameWindow_;
    }
    bool readRollBar(model::CarCameraBlock& block) override {
        std::lock_guard lock(mutex_);
        if (failReads_) return false;
        block = memory_[0];
        return true;
    }
    bool readPitCam(model::CarCameraValues& record) override {
        std::lock_guard lock(mutex_);
        if (failReads_) return false;
        record = pitMemory_;
        return true;
    }
    bool writeRollBar(const model::CarCameraBlock& block) override {
        Writer w(*this);
        std::lock_guard lock(mutex_);
        FakeWrite entry;
        entry.block = block;
        for (int b = 0; b < blockCount_; ++b) {
            if (failWritesAfter_ == 0) return false;
            if (failWritesAfter_ > 0) --failWritesAfter_;
            memory_[static_cast<std::size_t>(b)] = block;
            ++entry.blocks;
        }
        return record(entry);
    }
    bool writePitCam(const model::CarCameraValues& rec) override {
        Writer w(*this);
        std::lock_guard lock(mutex_);
        if (failWritesAfter_ == 0) return false;
        if (failWritesAfter_ > 0) --failWritesAfter_;
        pitMemory_ = rec;
        FakeWrite entry;
        entry.pitCam = true;
        entry.pit = rec;
        entry.blocks = 1;
        return record(entry);
    }

    // Test controls and observations.
    void setRunning(bool running) {
        std::lock_guard lock(mutex_);
        running_ = running;
    }
    void setRollBarMemory(const model::CarCameraBlock& block) {
        std::lock_guard lock(mutex_);
        memory_[0] = block;
    }
    void setPitMemory(const model::CarCameraValues& rec) {
        std::lock_guard lock(mutex_);
        pitMemory_ = rec;
    }
    void setFailReads(bool fail) {
        std::lock_guard lock(mutex_);
        failReads_ = fail;
    }
    // The next n block writes succeed, the one after fails (negative: never fail).
    void failWritesAfter(int n) {
        std::lock_guard lock(mutex_);
        failWritesAfter_ = n;
    }
    // Called under the fake's lock for every completed write.
    void onWrite(std::function<void(const FakeWrite&)> f) {
        std::lock_guard lock(mutex_);
        onWrite_ = std::move(f);
    }
    std::vector<FakeWrite> writes() const {
        std::lock_guard lock(mutex_);
        return writes_;
    }
    model::CarCameraBlock block(std::size_t k) const {
        std::lock_guard lock(mutex_);
        return memory_.at(k);
    }
    int attachCalls() const {
        std::lock_guard lock(mutex_);
        return attachCalls_;
    }
    bool overlappingWrites() const { return overlapped_; }
    // Long runs keep no write history; they watch the writes through onWrite.
    void keepWrites(bool keep) {
        std::lock_guard lock(mutex_);
        keepWrites_ = keep;
    }

private:
    // Notices two writers at once, which the control thread must never allow.
    struct Writer {
        FakeGameLink& link;
        explicit Writer(FakeGameLink& l) : link(l) {
            if (link.writers_.fetch_add(1) != 0) link.overlapped_ = true;
        }
        ~Writer() { link.writers_.fetch_sub(1); }
    };

    bool record(FakeWrite& entry) {
        entry.at = std::chrono::steady_clock::now();
        if (keepWrites_) writes_.push_back(entry);
        if (onWrite_) onWrite_(entry);
        return true;
    }

    FakeDesktop& desktop_;
    mutable std::mutex mutex_;
    bool running_ = true;
    bool attached_ = false;
    WindowId gameWindow_ = 0;
    int blockCount_ = 7;
    std::array<model::CarCameraBlock, 20> memory_{};
    model::CarCameraValues pitMemory_{};
    bool failReads_ = false;
    int failWritesAfter_ = -1;
    std::function<void(const FakeWrite&)> onWrite_;
    std::vector<FakeWrite> writes_;
    bool keepWrites_ = true;
    int attachCalls_ = 0;
    std::atomic<int> writers_{0};
    std::atomic<bool> overlapped_{false};
};

// An effect player that records what it was given and moves the camera by a fixed rule.
class FakeEffects : public EffectStepper {
public:
    void load(const std::string& script) override {
        std::lock_guard lock(mutex_);
        loaded_.push_back(script);
    }
    void seed(std::int32_t frame, const model::CarCameraValues& record) override {
        std::lock_guard lock(mutex_);
        seeds_.emplace_back(frame, record);
    }
    void step(std::int32_t frame, model::CarCameraValues& record, const EffectBudget& budget) override {
        if (spin_ != Spin::No) runAway(budget);
        std::lock_guard lock(mutex_);
        frames_.push_back(frame);
        if (throwAt_ == frame) {
            record.xPos = -999; // a half-done evaluation that must not reach the game
            throw std::runtime_error("Division by zero");
        }
        record.zoomAngle = 5.0f; // no limits apply to effects
        record.xPos += 1.0f;
    }

    // A script that never ends by itself: it runs until the budget expires, or (untilStopped) until
    // the thread is being stopped, and then gives up as a real player would.
    enum class Spin { No, UntilExpired, UntilStopped };
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
    std::vector<std::pair<std::int32_t, model::CarCameraValues>> seeds() const {
        std::lock_guard lock(mutex_);
        return seeds_;
    }
    std::vector<std::int32_t> frames() const {
        std::lock_guard lock(mutex_);
        return frames_;
    }

private:
    void runAway(const EffectBudget& budget) {
        spinning_ = true;
        while (spin_ == Spin::UntilExpired ? !budget.expired() : !budget.isCancelled())
            std::this_thread::yield();
        spinning_ = false;
        throw std::runtime_error(budget.isCancelled() ? "Stopped" : "Time limit");
    }

    std::atomic<Spin> spin_{Spin::No};
    std::atomic<bool> spinning_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> loaded_;
    std::vector<std::pair<std::int32_t, model::CarCameraValues>> seeds_;
    std::vector<std::int32_t> frames_;
    std::int32_t throwAt_ = -1;
};

} // namespace skv::directcontrol::testing

// What the control thread needs of the world around it: the link into the game's memory, the
// desktop (window in front, pointer, held keys, status drawing) and the effect player. Each is an
// interface so the thread runs the same against the real backends and against the tests' fakes.
#pragma once

#include "model/Carcameravalues.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

namespace skv::directcontrol {

// An opaque window identity; 0 is no window.
using WindowId = std::uint64_t;

struct ScreenSize {
    int width = 0, height = 0;
};

struct CursorPos {
    int x = 0, y = 0;
};

// The desktop as the control thread sees it. DirectControl calls it from the control thread and,
// during single steps and status updates, from the user-interface thread, never from both at once.
class ControlDesktop {
public:
    virtual ~ControlDesktop() = default;
    virtual WindowId foregroundWindow() = 0;
    virtual bool keyDown(int virtualKey) = 0;
    virtual CursorPos cursorPos() = 0;
    virtual void setCursorPos(int x, int y) = 0;
    virtual ScreenSize screenSize() = 0; // of the primary screen
    // The status line in the game window: a black band with the text in white (see platform::StatusBand).
    virtual void drawStatusLine(WindowId window, const std::string& text) = 0;
};

// The link into the running game's memory. DirectControl calls it from either thread, never from
// both at once.
class GameLinkPort {
public:
    virtual ~GameLinkPort() = default;
    // Tries to find the game in front and its camera records; true when the link is up.
    virtual bool attachGame(bool isNR2003) = 0;
    virtual void detach() = 0;
    virtual bool attached() const = 0;
    // The window that was in front at the last attach attempt (0 after detach).
    virtual WindowId gameWindow() const = 0;
    // Reads of the car-camera block 0 and of the pit-camera record; false when the read failed.
    virtual bool readRollBar(model::CarCameraBlock& block) = 0;
    virtual bool readPitCam(model::CarCameraValues& record) = 0;
    // Writes the block into every car-camera block of the game, or the pit-camera record; false
    // when a write failed (the caller drops the link).
    virtual bool writeRollBar(const model::CarCameraBlock& block) = 0;
    virtual bool writePitCam(const model::CarCameraValues& record) = 0;
};

// The time one effect step may take: the beat is 27 ms, so a slow step delays the next one a little,
// while a script that never ends is cut off before the camera visibly freezes.
constexpr std::chrono::milliseconds kEffectBudget{50};

// How long one effect evaluation may take. A script can loop for ever; the player checks this at its
// loop turns and gives up (throws) once it has expired, so the thread keeps its beat and can stop.
struct EffectBudget {
    std::chrono::steady_clock::time_point deadline; // when the step is due to be written
    const std::atomic<bool>* cancelled = nullptr;   // set when the thread is being stopped
    // When the step began, if known: the player then need not read the clock at its first loop turn
    // to time the turns that follow.
    std::chrono::steady_clock::time_point started{};

    // A budget of kEffectBudget from now, with one read of the clock.
    static EffectBudget fromNow(const std::atomic<bool>* cancelled = nullptr) {
        const auto now = std::chrono::steady_clock::now();
        return {now + kEffectBudget, cancelled, now};
    }

    bool isCancelled() const { return cancelled && cancelled->load(std::memory_order_relaxed); }
    bool expired() const { return isCancelled() || std::chrono::steady_clock::now() >= deadline; }
};

// Plays an effect script on one camera record. Called on whichever thread is stepping, never on two
// at once.
class EffectStepper {
public:
    virtual ~EffectStepper() = default;
    // A new script, compiled at its next evaluation.
    virtual void load(const std::string& script) = 0;
    // At entry into an effect mode: the script's variables start from this record.
    virtual void seed(std::int32_t frame, const model::CarCameraValues& record) = 0;
    // One evaluation; writes the script's camera values into the record. Throws on script errors and
    // when the budget has expired; the record may then be half written (the caller passes a copy).
    virtual void step(std::int32_t frame, model::CarCameraValues& record, const EffectBudget& budget) = 0;
};

} // namespace skv::directcontrol

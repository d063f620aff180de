// The direct-control thread: takes commands over from the user-interface thread, runs the camera
// modes and writes the camera records into the running game, about 37 steps a second.
#pragma once

#include "directcontrol/Directcontrol_gamelink.h"
#include "directcontrol/Directcontrol_mode.h"
#include "directcontrol/Directcontrol_motion.h"
#include "effects/Effectbudget.h"
#include "model/Carcameravalues.h"
#include "platform/Threadpriority.h"
#include "platform/platform.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace skv::model {
class TGPLCarCameraSet;
}

namespace skv::directcontrol {

// The pause between two steps while a moving mode runs.
constexpr std::chrono::milliseconds kStepPeriod{27};

// Commands pass under one mutex and the thread parks on a condition variable; a second mutex keeps
// the thread's own steps and the user-interface thread's single steps apart. Lock order: the step
// lock before the command lock, never the other way round.
class DirectControl {
public:
    // Receives every status text ("Not Attached", the status line, effect errors). Called on the
    // control thread or the user-interface thread; it must hand the text on and not call back.
    using StatusCallback = std::function<void(const std::string&)>;
    // Raises the calling thread's priority; the control thread calls it first thing.
    using PriorityRaiser = std::function<platform::PriorityLevel()>;

    // The link and the backend it uses (the window in front, the pointer, held keys, the status line)
    // outlive the thread.
    DirectControl(TGameLink& link, platform::Platform& platform, effects::EffectStepper* effects = nullptr);
    ~DirectControl(); // stops the thread and joins it
    DirectControl(const DirectControl&) = delete;
    DirectControl& operator=(const DirectControl&) = delete;

    // Before start(): how the thread raises its priority (the system's own by default).
    void setPriorityRaiser(PriorityRaiser raiser);
    // Before start(): the time one effect step may take and the clock it is measured on
    // (kEffectBudget on the steady clock by default). Tests that must pass on a busy machine widen it.
    void setEffectBudget(std::chrono::nanoseconds length, effects::EffectClock clock = nullptr);
    // Creates the thread; it makes its first pass at the first wake.
    void start();
    // The Terminated request: wakes the thread and joins it. Safe to call more than once.
    void stop();

    // Connects the receiver; while not attached it is told "Not Attached" at once.
    void setStatusCallback(StatusCallback callback);

    // Commands (user-interface thread). Field-like commands take effect at the next take-over.
    void changeMode(bool forgetSaved);
    void setRequestedMode(ControlMode mode);
    void setResetRollBar(bool reset);
    void setResetPitCam(bool reset);
    // Copies the set's records now: later changes to the item, or its deletion, do not reach the thread.
    void setCameraSet(const std::string& name, const model::TGPLCarCameraSet& set);
    void setEffectScript(const std::string& name, const std::string& text);
    void setSpeed(int position);
    void setSmooth(int position);
    void toggleSingleStep();
    void singleStep();
    void showStatus();
    void detach();

    void setNR2003(bool nr2003);
    void setLookMode(bool on) { lookMode_ = on; }
    void setBankMode(bool on) { bankMode_ = on; }
    bool lookMode() const { return lookMode_; }
    bool bankMode() const { return bankMode_; }
    // Mouse buttons, from the global input source.
    void setLeftButtonDown(bool down) { leftButtonDown_ = down; }
    void setRightButtonDown(bool down) { rightButtonDown_ = down; }
    bool leftButtonDown() const { return leftButtonDown_; }
    bool rightButtonDown() const { return rightButtonDown_; }

    // State for the hot keys and the main window.
    bool attached() const { return attached_; }
    // How the link stands and why it is down, for the status bar; any thread may ask.
    LinkState linkState() const;
    bool isNR2003() const;
    // What the thread got when it raised its priority (Unchanged until it has started).
    platform::PriorityLevel priorityLevel() const { return priorityLevel_; }
    ControlMode mode() const { return mode_; }
    ControlMode requestedMode() const;
    bool singleStepMode() const;
    int speedPosition() const;
    int smoothPosition() const;
    float speed() const;
    float smooth() const;
    std::string setName() const;
    std::string effectName() const;

    // The camera records the thread drives, as they stand between two steps.
    model::CarCameraBlock values() const;
    model::CarCameraValues pitValues() const;
    std::int32_t frame() const;

    // Live reads for saving positions; empty while not attached or when the read fails.
    std::optional<model::CarCameraValues> readLiveRollBar();
    std::optional<model::CarCameraValues> readLivePitCam();

    // True once the thread is parked and has seen every wake sent so far; false on timeout.
    bool waitUntilIdle(std::chrono::milliseconds timeout);
    // True once the thread has finished a pass that began after the last wake sent so far, so every
    // command sent before the call has been taken over (if the game was attached); a moving mode
    // goes on running. False on timeout.
    bool waitForPass(std::chrono::milliseconds timeout);

private:
    // A set's records, copied when it is handed over. An effect item carries record 3 only.
    struct PendingSet {
        model::CarCameraBlock values{};
        bool roofOnly = false;
    };
    // Everything a take-over needs, copied out under the command lock.
    struct Command {
        ControlMode mode = ControlMode::Static;
        bool forgetSaved = false;
        bool resetRollBar = false, resetPitCam = false;
        std::optional<PendingSet> pendingSet;
        std::string effectText;
    };

    // A command field written under the command lock.
    template <class T, class V> void setField(T& field, V&& value) {
        std::lock_guard lock(commandMutex_);
        field = std::forward<V>(value);
    }
    template <class T> T getField(const T& field) const {
        std::lock_guard lock(commandMutex_);
        return field;
    }

    void run();
    bool pass();
    bool attachIfNeeded();
    bool takeCommand(Command& cmd);
    bool takeOver(Command& cmd);
    void enterMode();
    void stepLocked();
    void moveWithMouse(MotionTarget target, model::CarCameraValues& c);
    void stepEffect(model::CarCameraValues& c);
    void effectFailed(const char* what);
    void writeCameras(ControlMode mode);
    void detachLocked();
    void publishLinkState();
    void showStatusLocked();
    // Draws the text into the game window when it is in front, and reports it then (or always);
    // while a take-over holds its lines, the text waits for releaseLines().
    void showLine(const std::string& text, bool reportAlways);
    void drawLine(const std::string& text, bool reportAlways, bool inFront);
    void releaseLines(bool tookOver);
    void report(const std::string& text);
    void wakeLocked();

    TGameLink& link_;
    platform::Platform& platform_;
    effects::EffectStepper* effects_;

    // Command fields, guarded by commandMutex_.
    mutable std::mutex commandMutex_;
    std::condition_variable wakeCv_, idleCv_;
    ControlMode requestedMode_ = ControlMode::Static;
    bool modeChanged_ = false;
    bool forgetSaved_ = false;
    bool resetRollBar_ = false, resetPitCam_ = false;
    std::optional<PendingSet> pendingSet_;
    std::string effectText_, setName_, effectName_;
    float speed_ = 0, smooth_ = 0;
    std::int32_t speedPosition_ = 0, smoothPosition_ = 0;
    bool singleStepMode_ = false;
    bool isNR2003_ = false;
    bool terminated_ = false;
    std::atomic<bool> cancelled_{false}; // the Terminated request, for an effect evaluation under way
    std::uint64_t wakeCount_ = 0;        // every wake counts, so none is lost while a pass runs
    std::uint64_t seenWakes_ = 0;        // wakes the thread had seen when it last parked
    std::uint64_t passedWakes_ = 0;      // wakes the thread had seen when it began its last finished pass
    bool parked_ = false;
    LinkState linkState_; // the link's, copied after every attach attempt and every drop

    // The thread's own state, guarded by stepMutex_.
    mutable std::mutex stepMutex_;
    model::CarCameraBlock values_{}, savedValues_{};
    model::CarCameraValues pitValues_{}, savedPitValues_{};
    bool rollBarCaptured_ = false, pitCamCaptured_ = false;
    std::int32_t frame_ = 0, lastWrittenFrame_ = 0;
    int screenWidth_ = 0, screenHeight_ = 0;
    MotionRates rates_;
    // A take-over's lines wait for its first write; the last line an effect showed meanwhile.
    struct HeldLine {
        std::string text;
        bool reportAlways = false;
    };
    bool holdLines_ = false;
    std::optional<HeldLine> heldLine_;

    // Read without a lock by the user-interface thread and the input source.
    std::atomic<bool> attached_{false};
    std::atomic<ControlMode> mode_{ControlMode::Static};
    std::atomic<bool> lookMode_{false}, bankMode_{false};
    std::atomic<bool> leftButtonDown_{false}, rightButtonDown_{false};

    std::mutex callbackMutex_;
    StatusCallback statusCallback_;
    PriorityRaiser raisePriority_ = platform::raiseThreadPriority;
    std::chrono::nanoseconds effectBudget_ = effects::kEffectBudget;
    effects::EffectClock effectClock_ = nullptr;
    std::atomic<platform::PriorityLevel> priorityLevel_{platform::PriorityLevel::Unchanged};

    std::thread thread_;
};

} // namespace skv::directcontrol

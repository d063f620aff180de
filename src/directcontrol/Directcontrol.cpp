#include "directcontrol/Directcontrol.h"

#include "directcontrol/Directcontrol_status.h"
#include "model/Gplcarcameraset.h"
#include "platform/Shortcut.h"

#include <algorithm>
#include <array>
#include <exception>
#include <utility>

namespace skv::directcontrol {

using Clock = std::chrono::steady_clock;
using model::CarCameraBlock;
using model::CarCameraValues;
namespace vk = platform::vk;

namespace {

// Record 3 of a car-camera block: the roll-bar camera of GPL, the roof camera of NR2003.
constexpr std::size_t kRoofRecord = 3;

// The keys a mouse mode reads at every step, all at one moment.
struct HeldKey {
    int code;
    bool HeldKeys::*field;
};
constexpr std::array<HeldKey, 12> kHeldKeys{{
    {vk::Period, &HeldKeys::period},
    {vk::Comma, &HeldKeys::comma},
    {vk::KeypadMinus, &HeldKeys::keypadMinus},
    {vk::KeypadPlus, &HeldKeys::keypadPlus},
    {vk::Up, &HeldKeys::up},
    {vk::Down, &HeldKeys::down},
    {vk::Left, &HeldKeys::left},
    {vk::Right, &HeldKeys::right},
    {vk::D, &HeldKeys::d},
    {vk::F, &HeldKeys::f},
    {vk::W, &HeldKeys::w},
    {vk::E, &HeldKeys::e},
}};
constexpr auto kHeldKeyCodes = [] {
    std::array<int, kHeldKeys.size()> codes{};
    for (std::size_t i = 0; i < codes.size(); ++i)
        codes[i] = kHeldKeys[i].code;
    return codes;
}();

} // namespace

DirectControl::DirectControl(TGameLink& link, platform::Platform& platform, effects::EffectStepper* effects)
    : link_(link), platform_(platform), effects_(effects) {
    detach();
}

DirectControl::~DirectControl() {
    stop();
}

void DirectControl::setPriorityRaiser(PriorityRaiser raiser) {
    if (!thread_.joinable()) raisePriority_ = std::move(raiser);
}

void DirectControl::setEffectBudget(std::chrono::nanoseconds length, effects::EffectClock clock) {
    if (thread_.joinable()) return;
    effectBudget_ = length;
    effectClock_ = clock;
}

void DirectControl::start() {
    if (thread_.joinable()) return;
    thread_ = std::thread([this] { run(); });
}

void DirectControl::stop() {
    // First, without the lock: an effect evaluation that runs on holds the step lock, not this one,
    // but it watches this flag and gives up.
    cancelled_ = true;
    {
        std::lock_guard lock(commandMutex_);
        terminated_ = true;
        wakeLocked();
    }
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void DirectControl::setStatusCallback(StatusCallback callback) {
    // Under the step lock, so no detach or status line can slip in between: the receiver starts
    // from the state in force, which at first is the constructor's "Not Attached".
    std::lock_guard step(stepMutex_);
    std::lock_guard lock(callbackMutex_);
    statusCallback_ = std::move(callback);
    if (statusCallback_ && !attached_) statusCallback_(kNotAttachedText);
}

// ---- commands (user-interface thread) ----

void DirectControl::wakeLocked() {
    ++wakeCount_;
    wakeCv_.notify_all();
}

void DirectControl::changeMode(bool forgetSaved) {
    {
        std::lock_guard lock(commandMutex_);
        if (forgetSaved) {
            forgetSaved_ = true;
            requestedMode_ = ControlMode::Static;
        }
        modeChanged_ = true;
        ++wakeCount_;
    }
    // After the lock is let go: the thread a hot key wakes finds it free and does not sleep again on it.
    wakeCv_.notify_all();
}

void DirectControl::setRequestedMode(ControlMode mode) {
    setField(requestedMode_, mode);
}

void DirectControl::setResetRollBar(bool reset) {
    setField(resetRollBar_, reset);
}

void DirectControl::setResetPitCam(bool reset) {
    setField(resetPitCam_, reset);
}

void DirectControl::setCameraSet(const std::string& name, const model::TGPLCarCameraSet& set) {
    PendingSet pending;
    set.getValues(pending.values);
    pending.roofOnly = set.isEffect();
    std::lock_guard lock(commandMutex_);
    setName_ = name;
    pendingSet_ = pending;
}

void DirectControl::setEffectScript(const std::string& name, const std::string& text) {
    std::lock_guard lock(commandMutex_);
    effectName_ = name;
    effectText_ = text;
}

void DirectControl::setSpeed(int position) {
    {
        std::lock_guard lock(commandMutex_);
        speedPosition_ = std::clamp(position, 0, 100);
        speed_ = speedFromPosition(position);
    }
    showStatus();
}

void DirectControl::setSmooth(int position) {
    {
        std::lock_guard lock(commandMutex_);
        smoothPosition_ = std::clamp(position, 0, 100);
        smooth_ = smoothFromPosition(position);
    }
    showStatus();
}

void DirectControl::toggleSingleStep() {
    {
        std::lock_guard lock(commandMutex_);
        singleStepMode_ = !singleStepMode_;
        // Turning it on needs no wake: the thread parks after its current pass.
        if (!singleStepMode_) wakeLocked();
    }
    showStatus();
}

void DirectControl::singleStep() {
    std::lock_guard step(stepMutex_);
    {
        std::lock_guard lock(commandMutex_);
        if (!singleStepMode_) return;
    }
    ++frame_;
    stepLocked();
}

void DirectControl::showStatus() {
    std::lock_guard step(stepMutex_);
    showStatusLocked();
}

void DirectControl::detach() {
    std::lock_guard step(stepMutex_);
    detachLocked();
}

void DirectControl::setNR2003(bool nr2003) {
    setField(isNR2003_, nr2003);
}

// ---- state for the user-interface thread ----

bool DirectControl::isNR2003() const {
    return getField(isNR2003_);
}

LinkState DirectControl::linkState() const {
    return getField(linkState_);
}

ControlMode DirectControl::requestedMode() const {
    return getField(requestedMode_);
}

bool DirectControl::singleStepMode() const {
    return getField(singleStepMode_);
}

int DirectControl::speedPosition() const {
    return getField(speedPosition_);
}

int DirectControl::smoothPosition() const {
    return getField(smoothPosition_);
}

float DirectControl::speed() const {
    return getField(speed_);
}

float DirectControl::smooth() const {
    return getField(smooth_);
}

std::string DirectControl::setName() const {
    return getField(setName_);
}

std::string DirectControl::effectName() const {
    return getField(effectName_);
}

CarCameraBlock DirectControl::values() const {
    std::lock_guard step(stepMutex_);
    return values_;
}

CarCameraValues DirectControl::pitValues() const {
    std::lock_guard step(stepMutex_);
    return pitValues_;
}

std::int32_t DirectControl::frame() const {
    std::lock_guard step(stepMutex_);
    return frame_;
}

std::optional<CarCameraValues> DirectControl::readLiveRollBar() {
    std::lock_guard step(stepMutex_);
    CarCameraBlock block;
    if (!link_.attached() || !link_.readRollBar(block)) return std::nullopt;
    return block[kRoofRecord];
}

std::optional<CarCameraValues> DirectControl::readLivePitCam() {
    std::lock_guard step(stepMutex_);
    CarCameraValues record;
    if (!link_.attached() || !link_.readPitCam(record)) return std::nullopt;
    return record;
}

bool DirectControl::waitUntilIdle(std::chrono::milliseconds timeout) {
    std::unique_lock lock(commandMutex_);
    return idleCv_.wait_for(lock, timeout, [this] { return parked_ && seenWakes_ == wakeCount_; });
}

bool DirectControl::waitForPass(std::chrono::milliseconds timeout) {
    std::unique_lock lock(commandMutex_);
    return idleCv_.wait_for(lock, timeout, [this] { return passedWakes_ == wakeCount_; });
}

// ---- the thread ----

void DirectControl::run() {
    if (raisePriority_) priorityLevel_ = raisePriority_();
    std::uint64_t seen = 0;
    bool sleeping = false; // a moving mode runs; the next pass is due at `due`
    Clock::time_point due{};
    std::unique_lock lock(commandMutex_);
    for (;;) {
        const auto woken = [&] { return terminated_ || wakeCount_ != seen; };
        if (sleeping) {
            if (wakeCv_.wait_until(lock, due, woken)) due = Clock::now(); // a command restarts the beat
        } else {
            parked_ = true;
            seenWakes_ = seen;
            idleCv_.notify_all();
            wakeCv_.wait(lock, woken);
            parked_ = false;
            due = Clock::now();
        }
        if (terminated_) return;
        seen = wakeCount_;
        lock.unlock();
        const bool moving = pass();
        lock.lock();
        passedWakes_ = seen;
        idleCv_.notify_all();
        // Sleep to an absolute deadline so the period does not drift; after an overrun of a whole
        // period, start a new beat rather than hurrying to catch up.
        if (moving) {
            due += kStepPeriod;
            const auto now = Clock::now();
            if (due < now) due = now + kStepPeriod;
        }
        sleeping = moving;
    }
}

// One pass of the loop: attach if needed, take a waiting command over, step. True when a moving
// mode continues without a wake.
bool DirectControl::pass() {
    std::lock_guard step(stepMutex_);
    try {
        if (!attachIfNeeded()) return false;
        Command cmd;
        if (takeCommand(cmd)) {
            // The camera is what the user waits for: the lines a take-over draws (its status, an
            // effect's error) go out after its first write.
            holdLines_ = true;
            const bool tookOver = takeOver(cmd);
            if (tookOver) stepLocked();
            releaseLines(tookOver);
            if (!tookOver) return false;
        } else {
            stepLocked();
        }
        std::lock_guard lock(commandMutex_);
        if (singleStepMode_) return false;
        ++frame_;
        return attached_ && isMoving(mode_);
    } catch (const std::exception& e) {
        // Whatever a backend throws, the thread survives; the link is dropped and shown as such.
        releaseLines(false);
        detachLocked();
        report(e.what());
        return false;
    }
}

bool DirectControl::attachIfNeeded() {
    if (link_.attached()) return true;
    bool nr2003;
    {
        std::lock_guard lock(commandMutex_);
        nr2003 = isNR2003_;
    }
    // A failure that throws is published by the detach that follows it.
    attached_ = link_.attachGame(nr2003);
    const bool changed = getField(linkState_) != link_.state();
    publishLinkState();
    // The status bar says why the link is still down, once for each new reason.
    if (!attached_ && changed) report(link_.state().text);
    return attached_;
}

bool DirectControl::takeCommand(Command& cmd) {
    std::lock_guard lock(commandMutex_);
    if (!modeChanged_) return false;
    modeChanged_ = false;
    cmd.mode = requestedMode_;
    cmd.forgetSaved = std::exchange(forgetSaved_, false);
    cmd.resetRollBar = std::exchange(resetRollBar_, false);
    cmd.resetPitCam = std::exchange(resetPitCam_, false);
    cmd.pendingSet = std::exchange(pendingSet_, std::nullopt);
    cmd.effectText = std::exchange(effectText_, std::string());
    return true;
}

// Takes a command over; false when the game is no longer in front and the link was dropped.
bool DirectControl::takeOver(Command& cmd) {
    frame_ = 1;
    lastWrittenFrame_ = 0;
    mode_ = cmd.mode;
    if (cmd.forgetSaved) rollBarCaptured_ = pitCamCaptured_ = false;
    if (!link_.gameInFront()) {
        detachLocked();
        return false;
    }
    if (cmd.pendingSet) {
        if (cmd.pendingSet->roofOnly)
            savedValues_[kRoofRecord] = cmd.pendingSet->values[kRoofRecord];
        else
            savedValues_ = cmd.pendingSet->values;
        rollBarCaptured_ = true;
        values_ = savedValues_;
    }
    if (!cmd.effectText.empty() && effects_) effects_->load(cmd.effectText);
    if (cmd.resetRollBar && rollBarCaptured_) values_ = savedValues_;
    if (cmd.resetPitCam && pitCamCaptured_) pitValues_ = savedPitValues_;
    enterMode();
    return true;
}

void DirectControl::enterMode() {
    const ControlMode mode = mode_;
    if (mode == ControlMode::Static) return;
    if (movesPitCam(mode)) {
        if (!pitCamCaptured_ && link_.readPitCam(pitValues_)) {
            savedPitValues_ = pitValues_;
            pitCamCaptured_ = true;
        }
    } else if (!rollBarCaptured_ && link_.readRollBar(values_)) {
        savedValues_ = values_;
        rollBarCaptured_ = true;
    }
    if (mode == ControlMode::MouseRollBar || mode == ControlMode::MousePitCam) {
        const platform::ScreenSize screen = platform_.screenSize();
        screenWidth_ = screen.width;
        screenHeight_ = screen.height;
        platform_.setCursorPos(screenWidth_ / 2, screenHeight_ / 2);
        rates_ = {};
        return;
    }
    if (!effects_) return;
    try {
        effects_->seed(frame_, movesPitCam(mode) ? pitValues_ : values_[kRoofRecord]);
    } catch (const std::exception& e) {
        effectFailed(e.what());
    }
}

void DirectControl::stepLocked() {
    if (!link_.attached()) return;
    // The mode before the step chooses what is written: an effect that fails drops to Static, and
    // its camera is then written as it stood.
    const ControlMode mode = mode_;
    switch (mode) {
    case ControlMode::MouseRollBar:
        moveWithMouse(MotionTarget::RollBar, values_[kRoofRecord]);
        break;
    case ControlMode::MousePitCam:
        moveWithMouse(MotionTarget::PitCam, pitValues_);
        break;
    case ControlMode::EffectRollBar:
        stepEffect(values_[kRoofRecord]);
        break;
    case ControlMode::EffectPitCam:
        stepEffect(pitValues_);
        break;
    case ControlMode::Static:
        break;
    }
    writeCameras(mode);
    lastWrittenFrame_ = frame_;
}

void DirectControl::moveWithMouse(MotionTarget target, CarCameraValues& c) {
    // At most one move per frame: a second step with the same frame only writes.
    if (frame_ <= lastWrittenFrame_) return;
    MotionInput in;
    const platform::CursorPos cursor = platform_.cursorPos();
    in.cursorX = cursor.x;
    in.cursorY = cursor.y;
    in.screenWidth = screenWidth_;
    in.screenHeight = screenHeight_;
    std::array<bool, kHeldKeys.size()> down{};
    platform_.keysDown(kHeldKeyCodes, down);
    for (std::size_t i = 0; i < kHeldKeys.size(); ++i)
        in.keys.*kHeldKeys[i].field = down[i];
    in.leftButtonDown = leftButtonDown_;
    in.rightButtonDown = rightButtonDown_;
    in.lookMode = lookMode_;
    in.bankMode = bankMode_;
    // The speed keys change `speed`, which the user-interface thread also sets: compute under the lock.
    std::lock_guard lock(commandMutex_);
    in.isNR2003 = isNR2003_;
    moveCamera(target, in, speed_, smooth_, rates_, c);
}

void DirectControl::stepEffect(CarCameraValues& c) {
    if (!effects_) return;
    // The script writes a copy, so a failing evaluation leaves the camera where it stands.
    CarCameraValues next = c;
    try {
        effects_->step(frame_, next,
                       effects::EffectBudget::fromNow(&cancelled_, effectBudget_, effectClock_));
    } catch (const std::exception& e) {
        effectFailed(e.what());
        return;
    }
    c = next;
}

void DirectControl::effectFailed(const char* what) {
    mode_ = ControlMode::Static;
    {
        // Stay in Static at the next set or effect key too, unless a new command already waits.
        std::lock_guard lock(commandMutex_);
        if (!modeChanged_) requestedMode_ = ControlMode::Static;
    }
    // The error stays in the game window until the next command shows the status line again.
    showLine(effectErrorText(what), true);
}

void DirectControl::writeCameras(ControlMode mode) {
    const bool ok = movesPitCam(mode) ? link_.writePitCam(pitValues_) : link_.writeRollBar(values_);
    if (!ok) detachLocked();
}

void DirectControl::detachLocked() {
    link_.detach();
    publishLinkState();
    attached_ = false;
    rollBarCaptured_ = pitCamCaptured_ = false;
    {
        std::lock_guard lock(commandMutex_);
        pendingSet_.reset();
        requestedMode_ = ControlMode::Static;
    }
    report(kNotAttachedText);
}

void DirectControl::publishLinkState() {
    setField(linkState_, link_.state());
}

void DirectControl::showStatusLocked() {
    if (holdLines_) return; // drawn when the lines are released
    if (!link_.attached() || !link_.gameInFront()) return;
    StatusFields fields;
    {
        std::lock_guard lock(commandMutex_);
        if (setName_.empty()) setName_ = kDefaultSetName;
        if (effectName_.empty()) effectName_ = kNoEffectName;
        fields.setName = setName_;
        fields.effectName = effectName_;
        fields.speedPosition = speedPosition_;
        fields.smoothPosition = smoothPosition_;
        fields.singleStep = singleStepMode_;
    }
    fields.mode = mode_;
    drawLine(statusText(fields), false, true); // in front: asked above
}

void DirectControl::showLine(const std::string& text, bool reportAlways) {
    if (holdLines_) {
        heldLine_ = HeldLine{text, reportAlways};
        return;
    }
    drawLine(text, reportAlways, link_.attached() && link_.gameInFront());
}

void DirectControl::drawLine(const std::string& text, bool reportAlways, bool inFront) {
    if (inFront) platform_.drawStatusLine(link_.gameWindow(), text);
    if (inFront || reportAlways) report(text);
}

// After a take-over's first write: its status line, then what an effect said while it was held,
// so that an error has the last word as before. Nothing when the take-over or its write dropped
// the link: "Not Attached" stays the last word then.
void DirectControl::releaseLines(bool tookOver) {
    holdLines_ = false;
    std::optional<HeldLine> held = std::exchange(heldLine_, std::nullopt);
    if (!tookOver || !link_.attached()) return;
    showStatusLocked();
    if (held) showLine(held->text, held->reportAlways);
}

void DirectControl::report(const std::string& text) {
    std::lock_guard lock(callbackMutex_);
    if (statusCallback_) statusCallback_(text);
}

} // namespace skv::directcontrol

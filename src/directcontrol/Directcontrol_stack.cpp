#include "directcontrol/Directcontrol_stack.h"

#include "effects/Effectplayer.h"

#include <stdexcept>

namespace skv::directcontrol {

namespace {

std::unique_ptr<platform::Platform> required(std::unique_ptr<platform::Platform> platform) {
    if (!platform) throw std::invalid_argument("direct control needs a platform backend");
    return platform;
}

std::unique_ptr<effects::EffectStepper> orPlayer(std::unique_ptr<effects::EffectStepper> effects) {
    if (effects) return effects;
    return std::make_unique<effects::TEffectPlayer>();
}

} // namespace

TDirectControlStack::TDirectControlStack(std::unique_ptr<platform::Platform> platform,
                                         const model::TGamePaths& paths, HotKeyHost& host,
                                         std::unique_ptr<effects::EffectStepper> effects)
    : platform_(required(std::move(platform))), link_(*platform_, paths),
      effects_(orPlayer(std::move(effects))), thread_(link_, *platform_, effects_.get()),
      hotKeys_(thread_, itemLists_, savedPositions_, host), input_(*platform_, hotKeys_, thread_) {}

TDirectControlStack::~TDirectControlStack() {
    shutDown();
}

std::string TDirectControlStack::unavailableReason() const {
    return platform_->unavailableReason();
}

void TDirectControlStack::start(const TDirectControlStart& values) {
    if (started_) return;
    started_ = true;
    thread_.setSpeed(values.speed);
    thread_.setSmooth(values.smooth);
    thread_.setLookMode(values.lookMode);
    thread_.setBankMode(values.bankMode);
    thread_.start();
}

std::string TDirectControlStack::setMode(bool windowShown, bool enabled) {
    return input_.setMode(windowShown, enabled);
}

void TDirectControlStack::selectGame(bool nr2003) {
    thread_.setNR2003(nr2003);
    thread_.detach();
}

void TDirectControlStack::setStatusCallback(DirectControl::StatusCallback callback) {
    thread_.setStatusCallback(std::move(callback));
}

void TDirectControlStack::setInputWakeUp(platform::InputSource::WakeUp wakeUp) {
    input_.setWakeUp(std::move(wakeUp));
}

void TDirectControlStack::shutDown() {
    input_.remove();
    input_.setWakeUp({});
    thread_.setStatusCallback({});
    thread_.stop();
}

} // namespace skv::directcontrol

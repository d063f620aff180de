#include "directcontrol/Directcontrol_stack.h"

#include "effects/Effectplayer.h"

#include <stdexcept>

namespace skv::directcontrol {

namespace {

std::unique_ptr<platform::Platform> required(std::unique_ptr<platform::Platform> platform) {
    if (!platform) throw std::invalid_argument("direct control needs a platform backend");
    return platform;
}

// The real player, its scripts' boxes going to the status line.
std::unique_ptr<effects::EffectStepper> orPlayer(std::unique_ptr<effects::EffectStepper> effects,
                                                 engine::TMessageHost& messages) {
    if (effects) return effects;
    auto player = std::make_unique<effects::TEffectPlayer>();
    player->context().SetMessageHost(&messages);
    return player;
}

} // namespace

void TStatusLineMessages::setReceiver(DirectControl::StatusCallback receiver) {
    std::lock_guard guard(lock_);
    receiver_ = std::move(receiver);
}

void TStatusLineMessages::ShowMessage(const std::string& Text) {
    std::lock_guard guard(lock_);
    if (receiver_) receiver_("Effect message: " + Text);
}

std::int32_t TStatusLineMessages::MessageBox(const std::string& Text, const std::string& Caption,
                                             std::int32_t) {
    ShowMessage(Caption.empty() ? Text : Caption + ": " + Text);
    return 1;
}

std::int32_t TStatusLineMessages::MessageDlg(const std::string& Text, std::int32_t, std::int32_t,
                                             std::int32_t) {
    ShowMessage(Text);
    return 1;
}

TDirectControlStack::TDirectControlStack(std::unique_ptr<platform::Platform> platform,
                                         const model::TGamePaths& paths, HotKeyHost& host,
                                         std::unique_ptr<effects::EffectStepper> effects)
    : platform_(required(std::move(platform))), link_(*platform_, paths),
      effects_(orPlayer(std::move(effects), messages_)), thread_(link_, *platform_, effects_.get()),
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
    messages_.setReceiver(callback);
    thread_.setStatusCallback(std::move(callback));
}

void TDirectControlStack::setInputWakeUp(platform::InputSource::WakeUp wakeUp) {
    input_.setWakeUp(std::move(wakeUp));
}

void TDirectControlStack::shutDown() {
    input_.remove();
    input_.setWakeUp({});
    thread_.setStatusCallback({});
    messages_.setReceiver({});
    thread_.stop();
}

} // namespace skv::directcontrol

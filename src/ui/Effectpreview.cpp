#include "ui/Effectpreview.h"

#include <QThread>

namespace skv::ui {

namespace {

// An empty text plays as the empty script it is (the player would keep its previous one).
TPreviewResult playOn(effects::TEffectPlayer& player, const std::string& script,
                      const model::CarCameraValues& start, std::int32_t steps,
                      const std::atomic<bool>* cancel) {
    TPreviewResult result;
    if (auto error = player.loadChecked(script)) {
        result.compileError = std::move(error);
        return result;
    }
    if (script.find_first_not_of(" \t\r\n") == std::string::npos) {
        result.steps.assign(static_cast<std::size_t>(std::max(steps, 0)), start);
        return result;
    }
    result.steps.reserve(static_cast<std::size_t>(std::max(steps, 0)));
    result.failure = effects::playSteps(
        player, start, steps,
        [&](std::int32_t, const model::CarCameraValues& camera) { result.steps.push_back(camera); }, cancel);
    return result;
}

} // namespace

TPreviewResult playPreview(const std::string& script, const model::CarCameraValues& start, std::int32_t steps,
                           const std::atomic<bool>* cancel) {
    effects::TEffectPlayer player;
    return playOn(player, script, start, steps, cancel);
}

TPreviewPlayer::TPreviewPlayer() = default;
TPreviewPlayer::~TPreviewPlayer() = default;

TPreviewResult TPreviewPlayer::play(const std::string& script, const model::CarCameraValues& start,
                                    std::int32_t steps, const std::atomic<bool>* cancel) {
    if (!Player) {
        Player = std::make_unique<effects::TEffectPlayer>();
        ++Made;
    }
    try {
        TPreviewResult result = playOn(*Player, script, start, steps, cancel);
        if (!Player->reset()) Player.reset();
        return result;
    } catch (...) {
        Player.reset(); // what the run left is not known: the next one starts on a new player
        throw;
    }
}

TEffectPreview::TEffectPreview(QObject* parent)
    : QObject(parent), Thread(new QThread(this)), Worker(new QObject) {
    Thread->setObjectName(QStringLiteral("Effect preview"));
    Worker->moveToThread(Thread);
    connect(Thread, &QThread::finished, Worker, &QObject::deleteLater);
    Thread->start();
    Debounce.setSingleShot(true);
    Debounce.setInterval(kDebounceMs);
    connect(&Debounce, &QTimer::timeout, this, &TEffectPreview::start);
}

TEffectPreview::~TEffectPreview() {
    stop();
    Thread->quit();
    Thread->wait();
}

void TEffectPreview::request(std::string script, const model::CarCameraValues& start, std::int32_t steps) {
    Script = std::move(script);
    Start = start;
    Steps = steps;
    if (Cancel) Cancel->store(true); // the run in progress shows a text that is gone
    Debounce.start();
}

void TEffectPreview::runNow() {
    start();
}

void TEffectPreview::stop() {
    Debounce.stop();
    if (Cancel) Cancel->store(true);
    ++Generation; // whatever is still on its way is dropped
}

void TEffectPreview::start() {
    Debounce.stop();
    if (Cancel) Cancel->store(true);
    Cancel = std::make_shared<std::atomic<bool>>(false);
    const std::uint64_t generation = ++Generation;
    ++Alive;
    QMetaObject::invokeMethod(
        Worker,
        [this, generation, cancel = Cancel, script = Script, start = Start, steps = Steps] {
            auto result = std::make_shared<TPreviewResult>();
            if (!cancel->load()) {
                ++Played;
                *result = Runs.play(script, start, steps, cancel.get());
            }
            QMetaObject::invokeMethod(
                this,
                [this, generation, result] {
                    --Alive;
                    if (generation == Generation) emit finished(*result);
                },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

} // namespace skv::ui

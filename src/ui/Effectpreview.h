// Plays the script being edited off the user-interface thread, with an effect player of its own:
// the latest text is run about 300 ms after the last change, a change cancels the run in progress,
// and only the latest run's result comes back.
#pragma once

#include "effects/Effectplayer.h"
#include "model/Carcameravalues.h"

#include <QObject>
#include <QTimer>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QThread;

namespace skv::ui {

// What one preview run gave: the steps played (up to a failure), or why the script does not compile.
struct TPreviewResult {
    std::vector<model::CarCameraValues> steps;
    std::optional<effects::TScriptError> compileError;
    std::optional<effects::TStepFailure> failure;
};

// One run as the preview makes it, on the calling thread, with a player made for it. cancel, when
// given and set, ends the run at its next check point.
TPreviewResult playPreview(const std::string& script, const model::CarCameraValues& start, std::int32_t steps,
                           const std::atomic<bool>* cancel = nullptr);

// The runs of one editor, one after another on one thread, with a player kept between them: making a
// player (its function registry above all) costs about what a short run does. The player is reset
// after each run and replaced when a script left something a reset cannot take back, so nothing a
// script leaves behind (its variables, files, memory, the random sequence) reaches the next run: each
// run gives what a new player gives.
class TPreviewPlayer {
public:
    TPreviewPlayer();
    ~TPreviewPlayer();
    TPreviewPlayer(const TPreviewPlayer&) = delete;
    TPreviewPlayer& operator=(const TPreviewPlayer&) = delete;

    TPreviewResult play(const std::string& script, const model::CarCameraValues& start, std::int32_t steps,
                        const std::atomic<bool>* cancel = nullptr);
    // Players made so far (the first one included).
    int playersMade() const { return Made; }

private:
    std::unique_ptr<effects::TEffectPlayer> Player;
    int Made = 0;
};

class TEffectPreview : public QObject {
    Q_OBJECT
public:
    static constexpr int kDebounceMs = 300;

    explicit TEffectPreview(QObject* parent = nullptr);
    ~TEffectPreview() override;

    // The script to show, played from start for steps steps. The run in progress is cancelled; the
    // new one starts once no change has come for kDebounceMs (at once with runNow()).
    void request(std::string script, const model::CarCameraValues& start, std::int32_t steps);
    void runNow();
    // Cancels the run in progress and forgets the pending one (the editor is closing).
    void stop();

    // Runs asked of the worker and not yet answered (the one in progress and any that wait).
    int runsAlive() const { return Alive; }
    // Runs the worker actually played (a cancelled one that had not begun is not counted).
    int runsPlayed() const { return Played.load(); }
    // No run waits for the pause after a change, none is in progress, none is on its way back.
    bool idle() const { return Alive == 0 && !Debounce.isActive(); }

signals:
    void finished(const skv::ui::TPreviewResult& result);

private:
    void start();

    QThread* Thread;
    QObject* Worker; // lives in Thread
    // Used only by the runs on Thread; goes after the thread has been joined.
    TPreviewPlayer Runs;
    QTimer Debounce;
    std::string Script;
    model::CarCameraValues Start{};
    std::int32_t Steps = 0;
    std::uint64_t Generation = 0;
    std::shared_ptr<std::atomic<bool>> Cancel;
    int Alive = 0;
    std::atomic<int> Played{0};
};

} // namespace skv::ui

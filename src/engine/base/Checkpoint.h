// The host's check point: how a running script, and a long built-in call inside it, gives the host
// the chance to stop it (the effect player's step budget, a fuzzer's budget of loop turns).
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace skv::engine {

// A host (the effect player) may stop a running script: the check point is called at every loop
// back-edge and every call of a user function, and stops the script by raising. EEvalAborted is
// the exception meant for it: TRY..EXCEPT blocks of scripts let it pass, FINALLY parts still run.
class EEvalAborted : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
using TEvalCheckPoint = void (*)(void* Data);

namespace context_detail {
struct TCheckPointHook {
    TEvalCheckPoint Fn = nullptr;
    // Called from inside long built-in work (see EvalWork); null: Fn serves for it too.
    TEvalCheckPoint Work = nullptr;
    void* Data = nullptr;
};
// The check point of the host call running on this thread (see TEvalCheckPointScope).
extern constinit thread_local TCheckPointHook tCheckPoint;
// The work units done since the last work check point on this thread.
extern constinit thread_local std::size_t tWorkDone;
void WorkCheckPoint();
} // namespace context_detail

// Calls the check point installed on this thread, if any.
inline void EvalCheckPoint() {
    const context_detail::TCheckPointHook hook = context_detail::tCheckPoint;
    if (hook.Fn) hook.Fn(hook.Data);
}

// How much long built-in work (bytes copied, searched or converted; elements made or copied) passes
// between two work check points: a few hundred microseconds of work, so that one call of a built-in
// on a big text or array can be stopped mid-way while a small one costs an addition.
inline constexpr std::size_t kWorkPerCheckPoint = std::size_t{1} << 20;

// Counts Units of work done by a long operation; every kWorkPerCheckPoint units the work check
// point runs, and may raise (EEvalAborted) to stop the script.
inline void EvalWork(std::size_t Units) {
    std::size_t& done = context_detail::tWorkDone;
    done += Units;
    if (done >= kWorkPerCheckPoint) context_detail::WorkCheckPoint();
}

// Out += Piece, a slice at a time with the work counted, so that a big text is not one long copy.
void AppendWithWork(std::string& Out, std::string_view Piece);
// A copy of S made the same way.
std::string CopyWithWork(std::string_view S);

// Runs Body(From, To) over the items [0, Count) in slices of about kWorkPerCheckPoint bytes (items
// of UnitBytes each), counting the work after each slice.
template <class F> void InSlices(std::size_t Count, std::size_t UnitBytes, F&& Body) {
    const std::size_t slice = UnitBytes >= kWorkPerCheckPoint ? 1 : kWorkPerCheckPoint / UnitBytes;
    for (std::size_t from = 0; from < Count;) {
        const std::size_t to = from + (Count - from < slice ? Count - from : slice);
        Body(from, to);
        EvalWork((to - from) * UnitBytes);
        from = to;
    }
}

// S with each byte mapped by Map, a slice at a time, so that a big text does not stall the step.
template <class F> std::string MapBytes(std::string_view S, F&& Map) {
    std::string r;
    r.reserve(S.size()); // filled a slice at a time: a fresh big block is slow to touch
    InSlices(S.size(), 1, [&](std::size_t From, std::size_t To) {
        for (std::size_t i = From; i < To; ++i)
            r.push_back(Map(S[i]));
    });
    return r;
}

// Installs a check point for the calling thread while it lives, and puts the previous one (with
// its data) back however the scope is left. The check point belongs to the host's call, not to a
// context: it must reach every loop that call runs, also in user functions and variables compiled
// against another registry or none, and a loop cannot know on whose behalf it runs. Work, when
// given, is the one long built-in work calls (it should read the host's clock at once).
class TEvalCheckPointScope {
public:
    TEvalCheckPointScope(TEvalCheckPoint CheckPoint, void* Data, TEvalCheckPoint Work = nullptr) noexcept
        : Old_(context_detail::tCheckPoint) {
        context_detail::tCheckPoint = {CheckPoint, Work, Data};
    }
    ~TEvalCheckPointScope() { context_detail::tCheckPoint = Old_; }
    TEvalCheckPointScope(const TEvalCheckPointScope&) = delete;
    TEvalCheckPointScope& operator=(const TEvalCheckPointScope&) = delete;

private:
    context_detail::TCheckPointHook Old_;
};

} // namespace skv::engine

// The check point of the host call running on this thread, and the counting of long work.
#include "engine/base/Checkpoint.h"

#include <algorithm>

namespace skv::engine {

namespace context_detail {
constinit thread_local TCheckPointHook tCheckPoint;
constinit thread_local std::size_t tWorkDone = 0;

void WorkCheckPoint() {
    tWorkDone = 0;
    const TCheckPointHook hook = tCheckPoint;
    if (hook.Work)
        hook.Work(hook.Data);
    else if (hook.Fn)
        hook.Fn(hook.Data);
}
} // namespace context_detail

void AppendWithWork(std::string& Out, std::string_view Piece) {
    if (Piece.size() < kWorkPerCheckPoint) { // the common case: one append
        Out.append(Piece);
        EvalWork(Piece.size());
        return;
    }
    Out.reserve(Out.size() + Piece.size());
    while (!Piece.empty()) {
        const std::size_t n = std::min(Piece.size(), kWorkPerCheckPoint);
        Out.append(Piece.substr(0, n));
        Piece.remove_prefix(n);
        EvalWork(n);
    }
}

std::string CopyWithWork(std::string_view S) {
    std::string r;
    AppendWithWork(r, S);
    return r;
}

} // namespace skv::engine

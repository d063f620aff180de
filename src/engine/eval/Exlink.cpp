// Dependency links between expressions and variables.
#include "engine/eval/Exlink.h"

#include "engine/base/Errors.h"
#include "engine/base/Messages.h"

#include <algorithm>
#include <unordered_set>

namespace skv::engine {

namespace {

bool Contains(const std::vector<TExprLink*>& list, const TExprLink* L) {
    return std::find(list.begin(), list.end(), L) != list.end();
}

void Erase(std::vector<TExprLink*>& list, const TExprLink* L) {
    list.erase(std::remove(list.begin(), list.end(), L), list.end());
}

// Sets a re-entrance flag for the duration of one event, also when the event raises.
class TReentranceGuard {
public:
    explicit TReentranceGuard(bool& flag) : flag_(flag) { flag_ = true; }
    ~TReentranceGuard() { flag_ = false; }
    TReentranceGuard(const TReentranceGuard&) = delete;
    TReentranceGuard& operator=(const TReentranceGuard&) = delete;

private:
    bool& flag_;
};

void Fire(bool& busy, const std::function<void()>& event) {
    if (busy || !event) return;
    TReentranceGuard guard(busy);
    event();
}

} // namespace

TExprLink::~TExprLink() {
    RemoveLinks();
}

void TExprLink::AddIntLinkTo(TExprLink* L) {
    if (!L) return;
    if (L == this || L->FindLink(this))
        throw EMathParserError(MsgWithName(_msgCircularReference, L->GetOwnerName()));
    if (Contains(IntLinks, L)) return;
    IntLinks.push_back(L);
    L->ExtLinks.push_back(this);
}

void TExprLink::AddExtLinkTo(TExprLink* L) {
    if (L) L->AddIntLinkTo(this);
}

void TExprLink::RemoveIntLink(TExprLink* L) {
    if (!L) return;
    Erase(IntLinks, L);
    Erase(L->ExtLinks, this);
}

void TExprLink::RemoveExtLink(TExprLink* L) {
    if (L) L->RemoveIntLink(this);
}

void TExprLink::RemoveIntLinks() {
    while (!IntLinks.empty())
        RemoveIntLink(IntLinks.back());
}

void TExprLink::RemoveExtLinks() {
    // Detach all first: a dependent's invalidation may change the lists.
    std::vector<TExprLink*> removed;
    removed.swap(ExtLinks);
    for (TExprLink* d : removed)
        Erase(d->IntLinks, this);
    for (TExprLink* d : removed)
        d->Invalidate();
}

void TExprLink::RemoveLinks() {
    RemoveIntLinks();
    RemoveExtLinks();
}

bool TExprLink::FindLink(const TExprLink* L) const {
    // Depth first with a visited set, so that shared sub-graphs are walked once.
    std::unordered_set<const TExprLink*> visited;
    std::vector<const TExprLink*> stack(IntLinks.begin(), IntLinks.end());
    while (!stack.empty()) {
        const TExprLink* n = stack.back();
        stack.pop_back();
        if (n == L) return true;
        if (!visited.insert(n).second) continue;
        stack.insert(stack.end(), n->IntLinks.begin(), n->IntLinks.end());
    }
    return false;
}

TExprLink* TExprLink::FindHostLink(const void* Host) const {
    for (TExprLink* l : IntLinks)
        if (l->GetHost() == Host) return l;
    return nullptr;
}

void TExprLink::Invalidate() {
    Fire(InInvalidate, OnInvalidate);
}
void TExprLink::InvalidateValue() {
    Fire(InInvalidateValue, OnInvalidateValue);
}
void TExprLink::ValidateValue() {
    Fire(InValidateValue, OnValidateValue);
}

namespace {
// Calls Event on every dependent listed when the walk starts and still listed when its turn
// comes: an event may add or remove links while we walk. The snapshot of the common few lives
// on the stack, since values change on every assignment a script makes.
template <class Fn> void ForEachDependent(const std::vector<TExprLink*>& Links, Fn Event) {
    constexpr std::size_t kInline = 8;
    const std::size_t n = Links.size();
    if (n == 0) return;
    if (n == 1) {
        // The usual case (the one expression that reads a variable): nothing can leave before it.
        Event(Links.front());
        return;
    }
    if (n > kInline) {
        const std::vector<TExprLink*> snapshot = Links;
        for (TExprLink* d : snapshot)
            if (Contains(Links, d)) Event(d);
        return;
    }
    TExprLink* snapshot[kInline];
    std::copy(Links.begin(), Links.end(), snapshot);
    for (std::size_t i = 0; i < n; ++i)
        if (Contains(Links, snapshot[i])) Event(snapshot[i]);
}
} // namespace

void TExprLink::InvalidateEach() {
    ForEachDependent(ExtLinks, [](TExprLink* d) {
        if (!d->DeafToValue()) d->InvalidateValue();
    });
}

void TExprLink::ValidateEach() {
    ForEachDependent(ExtLinks, [](TExprLink* d) {
        if (!d->DeafToValue()) d->ValidateValue();
    });
}

} // namespace skv::engine

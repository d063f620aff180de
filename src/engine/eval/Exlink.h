// A node of the dependency graph between expressions and variables: a change at one node
// invalidates everything that depends on it, and a link that would close a cycle is refused.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace skv::engine {

// What holds a link; it names itself in messages about circular references.
class TLinkOwner {
public:
    virtual ~TLinkOwner() = default;
    virtual std::string LinkOwnerName() const { return {}; }
};

class TExprLink {
public:
    explicit TExprLink(TLinkOwner* Owner = nullptr) : Owner(Owner) {}
    virtual ~TExprLink();
    TExprLink(const TExprLink&) = delete;
    TExprLink& operator=(const TExprLink&) = delete;

    // This node depends on L. Refused with "Circular reference: <name>" when L depends on this.
    void AddIntLinkTo(TExprLink* L);
    // L depends on this node.
    void AddExtLinkTo(TExprLink* L);
    void RemoveIntLink(TExprLink* L);
    void RemoveExtLink(TExprLink* L);
    void RemoveIntLinks();
    // Cuts off every dependent and invalidates it, so that it compiles again.
    void RemoveExtLinks();
    void RemoveLinks();

    // True when L is reached from this node along what it depends on.
    bool FindLink(const TExprLink* L) const;
    bool HasExtLinks() const { return !ExtLinks.empty(); }
    TExprLink* FindHostLink(const void* Host) const;

    virtual void Invalidate();
    virtual void InvalidateValue();
    virtual void ValidateValue();
    // InvalidateValue / ValidateValue on every dependent. Values change on every assignment a
    // script makes, mostly of variables no one else reads, or read only by the script itself:
    // those return at once.
    void InvalidateLinks() {
        if (ValueListened()) InvalidateEach();
    }
    void ValidateLinks() {
        if (ValueListened()) ValidateEach();
    }
    // A dependent would act on a value event of this node.
    bool ValueListened() const {
        if (ExtLinks.size() == 1) return !ExtLinks.front()->DeafToValue();
        return !ExtLinks.empty();
    }
    // Set by an owner whose value events change nothing of its own: such a node takes value
    // events only to hand them on, so they are skipped while nothing depends on it.
    bool QuietValue = false;

    void* GetHost() const { return OnGetHost ? OnGetHost() : nullptr; }
    bool GetUpdateEnabled() const { return OnGetUpdateEnabled ? OnGetUpdateEnabled() : true; }
    std::string GetOwnerName() const { return Owner ? Owner->LinkOwnerName() : std::string(); }

    const std::vector<TExprLink*>& GetIntLinks() const { return IntLinks; }
    const std::vector<TExprLink*>& GetExtLinks() const { return ExtLinks; }

    TLinkOwner* Owner;
    std::function<void*()> OnGetHost;
    std::function<void()> OnInvalidate;
    std::function<void()> OnInvalidateValue;
    std::function<void()> OnValidateValue;
    std::function<bool()> OnGetUpdateEnabled;

private:
    bool DeafToValue() const { return QuietValue && ExtLinks.empty(); }
    void InvalidateEach();
    void ValidateEach();

    std::vector<TExprLink*> IntLinks; // what this node is computed from
    std::vector<TExprLink*> ExtLinks; // who reads this node
    bool InInvalidate = false;
    bool InInvalidateValue = false;
    bool InValidateValue = false;
};

} // namespace skv::engine

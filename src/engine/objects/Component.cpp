// Engine objects, published properties and components.
#include "engine/objects/Component.h"

#include "engine/base/Text.h"

#include <algorithm>
#include <unordered_map>

namespace skv::engine {

TObject::~TObject() {
    for (const auto& [table, ref] : Refs_)
        table->Objects_.erase(ref);
}

TObjectRefs::~TObjectRefs() {
    for (const auto& [ref, object] : Objects_)
        std::erase_if(object->Refs_, [this](const auto& entry) { return entry.first == this; });
}

std::int32_t TObjectRefs::RefOf(const TObject* Obj) {
    if (!Obj) return 0;
    for (const auto& [table, ref] : Obj->Refs_)
        if (table == this) return ref;
    // Numbers are not reused until the counter wraps, so a stale one rarely names a new object.
    do {
        Last_ = Last_ == INT32_MAX ? 1 : Last_ + 1;
    } while (Objects_.count(Last_) != 0);
    Objects_.emplace(Last_, const_cast<TObject*>(Obj));
    Obj->Refs_.emplace_back(this, Last_);
    return Last_;
}

TObject* TObjectRefs::ObjectOf(std::int32_t Ref) const {
    if (Ref == 0) return nullptr;
    const auto it = Objects_.find(Ref);
    return it == Objects_.end() ? nullptr : it->second;
}

TObject* TObjectRefs::ObjectOfValue(const Variant& Value) const {
    switch (Value.VType()) {
    case varInteger:
    case varSmallint:
    case varByte:
        return ObjectOf(Value.ToInteger());
    default:
        return nullptr;
    }
}

const TPublishedProp* FindPublishedProp(const TObject& Object, std::string_view Name) {
    for (const TPublishedProps* table = Object.PublishedProps(); table; table = table->Parent) {
        for (std::size_t i = 0; i < table->Count; ++i)
            if (CompareNames(table->Props[i].Name, Name) == 0) return &table->Props[i];
    }
    return nullptr;
}

Variant ConvertForProp(TPropKind Kind, const Variant& Value) {
    switch (Kind) {
    case TPropKind::pkOrdinal:
        return Variant(Value.ToInteger());
    case TPropKind::pkString:
        return Variant(Value.ToString());
    case TPropKind::pkFloat:
        return Variant(Value.ToReal());
    case TPropKind::pkInt64: {
        // Kept as a double when it does not fit an integer value: the value type has no 64-bit kind.
        const std::int64_t v = Value.ToInt64();
        if (v >= INT32_MIN && v <= INT32_MAX) return Variant(static_cast<std::int32_t>(v));
        return Variant(static_cast<double>(v));
    }
    case TPropKind::pkVariant:
        break;
    }
    return Value;
}

namespace {
void EraseFrom(std::vector<TComponent*>& List, const TComponent* C) {
    List.erase(std::remove(List.begin(), List.end(), C), List.end());
}
} // namespace

TComponent::TComponent(TComponent* AOwner) {
    if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
    // Tell the interested first, then free what this one owns, then leave the owner.
    std::vector<TComponent*> notifies;
    notifies.swap(FreeNotifies_);
    for (TComponent* c : notifies) {
        EraseFrom(c->FreeNotifies_, this);
        c->Notification(this, opRemove);
    }
    while (!Components_.empty()) {
        const std::unique_ptr<TComponent> last = std::move(Components_.back());
        Components_.pop_back();
    }
    if (Owner_) Owner_->RemoveComponent(this);
}

TComponent* TComponent::FindComponent(std::string_view AName) const {
    if (AName.empty()) return nullptr;
    for (const auto& c : Components_)
        if (CompareNames(c->Name(), AName) == 0) return c.get();
    return nullptr;
}

std::vector<std::string> TComponent::ComponentNames() const {
    std::vector<std::string> names;
    names.reserve(Components_.size());
    for (const auto& c : Components_)
        names.push_back(c->Name());
    return names;
}

void TComponent::EndLoading() {
    if (!Loading_) return;
    Loading_ = false;
    Loaded();
}

void TComponent::FreeNotification(TComponent* AComponent) {
    if (!AComponent || AComponent == this) return;
    if (std::find(FreeNotifies_.begin(), FreeNotifies_.end(), AComponent) == FreeNotifies_.end())
        FreeNotifies_.push_back(AComponent);
    if (std::find(AComponent->FreeNotifies_.begin(), AComponent->FreeNotifies_.end(), this) ==
        AComponent->FreeNotifies_.end())
        AComponent->FreeNotifies_.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
    if (!AComponent) return;
    EraseFrom(FreeNotifies_, AComponent);
    EraseFrom(AComponent->FreeNotifies_, this);
}

void TComponent::Notification(TComponent* /*AComponent*/, TOperation /*Operation*/) {}

std::vector<std::unique_ptr<TComponent>>::iterator TComponent::FindOwned(const TComponent* AComponent) {
    return std::find_if(Components_.begin(), Components_.end(),
                        [AComponent](const std::unique_ptr<TComponent>& c) { return c.get() == AComponent; });
}

bool TComponent::FreeComponent(TComponent* AComponent) {
    const auto it = FindOwned(AComponent);
    if (it == Components_.end()) return false;
    const std::unique_ptr<TComponent> doomed = std::move(*it);
    Components_.erase(it);
    return true;
}

// A component made with an owner belongs to it from its constructor on.
void TComponent::InsertComponent(TComponent* AComponent) {
    Components_.emplace_back(AComponent);
    AComponent->Owner_ = this;
    Notification(AComponent, opInsert);
}

// Called by a component on its way out: whoever destroys it, the list lets it go.
void TComponent::RemoveComponent(TComponent* AComponent) {
    if (const auto it = FindOwned(AComponent); it != Components_.end()) {
        (void)it->release();
        Components_.erase(it);
    }
    AComponent->Owner_ = nullptr;
    Notification(AComponent, opRemove);
}

} // namespace skv::engine

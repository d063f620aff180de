// The root of the engine objects that scripts may hold references to, the numbers under which one
// host's scripts know them, a small table of published properties per class, and components:
// named objects with an owner that frees them, that are told when another component they refer to
// is destroyed.
#pragma once

#include "engine/values/Variant.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace skv::engine {

class TObject;
class TObjectRefs;

// How a published property converts the value written to it.
enum class TPropKind : std::uint8_t { pkOrdinal, pkString, pkFloat, pkVariant, pkInt64 };

// One published property of a class. A property without getter is not readable, one without
// setter not writeable.
struct TPublishedProp {
    const char* Name;
    TPropKind Kind;
    Variant (*Get)(const TObject& Self);
    void (*Set)(TObject& Self, const Variant& Value);
};

// The published properties a class adds to those of its parent class.
struct TPublishedProps {
    const TPublishedProps* Parent;
    const TPublishedProp* Props;
    std::size_t Count;
};

class TObject {
public:
    TObject() = default;
    TObject(const TObject& /*Other*/) {} // a copy is another object with no reference yet
    TObject& operator=(const TObject& /*Other*/) { return *this; }
    virtual ~TObject();

    virtual std::string ClassName() const { return "TObject"; }
    // The class's published properties (with its ancestors' through Parent), or null.
    virtual const TPublishedProps* PublishedProps() const { return nullptr; }

private:
    friend class TObjectRefs;
    // The tables that numbered this object, with its number in each (mostly none or one).
    mutable std::vector<std::pair<TObjectRefs*, std::int32_t>> Refs_;
};

// The numbers under which the scripts of one host hold objects. A number is handed out once per
// object, never an address: one that names no live object (a stale or made-up one) finds
// nothing, so a script cannot reach into memory. Each host's engine context has a table of its
// own, so the numbers of one host mean nothing to another.
class TObjectRefs {
public:
    TObjectRefs() = default;
    ~TObjectRefs(); // the objects it numbered forget it
    TObjectRefs(const TObjectRefs&) = delete;
    TObjectRefs& operator=(const TObjectRefs&) = delete;

    std::int32_t RefOf(const TObject* Obj);    // 0 for null
    TObject* ObjectOf(std::int32_t Ref) const; // null when the number names no live object
    Variant ValueOf(const TObject* Obj) { return Variant(RefOf(Obj)); }
    // The object an integer value refers to, or null.
    TObject* ObjectOfValue(const Variant& Value) const;
    // No object was ever numbered: the next one gets the number a new table gives.
    bool Unused() const { return Last_ == 0; }

private:
    friend class TObject;
    std::unordered_map<std::int32_t, TObject*> Objects_;
    std::int32_t Last_ = 0;
};

// The published property of that name (ignoring case), searched from the object's class up.
const TPublishedProp* FindPublishedProp(const TObject& Object, std::string_view Name);
// The value converted the way a property of that kind stores it.
Variant ConvertForProp(TPropKind Kind, const Variant& Value);

enum TOperation : std::uint8_t { opInsert, opRemove };

class TComponent : public TObject {
public:
    explicit TComponent(TComponent* AOwner = nullptr);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    std::string ClassName() const override { return "TComponent"; }

    TComponent* Owner() const { return Owner_; }
    const std::string& Name() const { return Name_; }
    virtual void SetName(const std::string& NewName) { Name_ = NewName; }

    int ComponentCount() const { return static_cast<int>(Components_.size()); }
    TComponent* Components(int Index) const { return Components_.at(static_cast<std::size_t>(Index)).get(); }
    // Destroys a component this one owns now rather than with this one; false for any other.
    bool FreeComponent(TComponent* AComponent);
    // The owned component with that name (ignoring case), or null.
    TComponent* FindComponent(std::string_view AName) const;
    std::vector<std::string> ComponentNames() const;

    // A host that restores a component's properties brackets the restoring with these; Loaded runs
    // at the end.
    bool IsLoading() const { return Loading_; }
    void BeginLoading() {
        Loading_ = true;
        LoadingBegun();
    }
    void EndLoading();

    // AComponent is told (Notification with opRemove) when this component is destroyed; the
    // interest is mutual, so neither keeps a dangling entry.
    void FreeNotification(TComponent* AComponent);
    void RemoveFreeNotification(TComponent* AComponent);

protected:
    virtual void LoadingBegun() {}
    virtual void Loaded() {}
    // Another component was inserted into or removed from this one, or a component that this one
    // asked to be told about is being destroyed. At opRemove the other component's own parts are
    // already gone: compare its address only.
    virtual void Notification(TComponent* AComponent, TOperation Operation);

private:
    void InsertComponent(TComponent* AComponent);
    void RemoveComponent(TComponent* AComponent);
    std::vector<std::unique_ptr<TComponent>>::iterator FindOwned(const TComponent* AComponent);

    TComponent* Owner_ = nullptr;
    std::string Name_;
    // Owned: freed with this component. One destroyed by another hand leaves the list first.
    std::vector<std::unique_ptr<TComponent>> Components_;
    std::vector<TComponent*> FreeNotifies_;
    bool Loading_ = false;
};

} // namespace skv::engine

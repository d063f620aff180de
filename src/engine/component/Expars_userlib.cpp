// The user library: its two expression lists (functions and aliases), the names expressions find
// in it, update counting, and the references to the registry and the variables it compiles against.
#include "engine/base/Errors.h"
#include "engine/base/Messages.h"
#include "engine/base/Text.h"
#include "engine/component/Expars.h"
#include "engine/context/Enginecontext.h"

#include <algorithm>

namespace skv::engine {

namespace {

// The item compiles against its library's registry and variables, and may call the library's
// other functions and use its aliases.
void Wire(TEvalObj& Item, TEPUserLib* Lib) {
    Item.OnProvideRegFuncs = [Lib] { return Lib ? Lib->RegFuncs() : nullptr; };
    Item.OnProvideVarsList = [Lib]() -> TVarsList* {
        return Lib && Lib->Variables() ? &Lib->Variables()->Vars() : nullptr;
    };
    Item.OnProvideUserLib = [Lib]() -> TCustomUserLib* { return Lib; };
}

// Callers hold the item's old argument count: they compile again at their next use.
void SourceReplaced(TEvalObj& Item, const std::vector<std::string>& Source) {
    Item.AssignSource(Source);
    Item.Link.RemoveExtLinks();
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TEPExprList

TEPExprList::~TEPExprList() {
    ClearEntries();
}

TEPExprItem* TEPExprList::Items(int Index) const {
    if (Index < 0 || Index >= Count()) return nullptr;
    return Items_[static_cast<std::size_t>(Index)].get();
}

TEPExprItem* TEPExprList::Add(const std::string& Name, const std::vector<std::string>& Source) {
    if (IndexOf(Name) >= 0) throw EMathParserError(_msgDuplicateIdent);
    auto item = std::make_unique<TEPExprItem>(UserLib);
    Wire(*item, UserLib);
    TEPExprItem* raw = item.get();
    // Listed before it is named, so that the library sees which list the name is checked in.
    Items_.push_back(std::move(item));
    try {
        raw->SetName(Name);
    } catch (...) {
        Items_.pop_back();
        throw;
    }
    raw->AssignSource(Source);
    return raw;
}

TEPExprItem* TEPExprList::AddExpr(const std::string& Name, const std::string& Text) {
    const std::vector<std::string> lines = TEvalObj::SplitLines(Text);
    if (TEPExprItem* item = Items(IndexOf(Name))) {
        SourceReplaced(*item, lines);
        return item;
    }
    return Add(Name, lines);
}

bool TEPExprList::Find(const std::string& Name, int& Index) const {
    const std::string up = UpStr(Name);
    Index = -1;
    for (int i = 0; i < Count(); ++i)
        if (Items_[static_cast<std::size_t>(i)]->Name() == up) Index = i;
    return Index >= 0;
}

int TEPExprList::IndexOf(const std::string& Name) const {
    int index = -1;
    Find(Name, index);
    return index;
}

void TEPExprList::RemoveFunc(TEvalObj* Item) {
    const auto it =
        std::find_if(Items_.begin(), Items_.end(), [Item](const auto& p) { return p.get() == Item; });
    if (it == Items_.end()) return;
    const bool referenced = UserLib ? UserLib->IsReferenced(*Item) : IsReferenced(*Item);
    if (referenced) throw EMathParserError(_msgReferenceError);
    // Out of the list before it goes, so nothing finds it while its dependents are told.
    std::unique_ptr<TEPExprItem> doomed = std::move(*it);
    Items_.erase(it);
}

bool TEPExprList::IsReferenced(const TEvalObj& Item) const {
    if (Item.Name().empty()) return false;
    return std::any_of(Items_.begin(), Items_.end(), [&Item](const auto& other) {
        return other.get() != &Item && ValidStrPos(other->SourceText(), Item.Name()) != std::string::npos;
    });
}

std::int32_t TEPExprList::GetArgCount(int Index) {
    TEPExprItem* item = Items(Index);
    if (!item) return 0;
    try {
        return item->GetArgCount();
    } catch (const EMathParserError&) {
        return -1;
    }
}

std::string TEPExprList::GetName(int Index) const {
    const TEPExprItem* item = Items(Index);
    return item ? item->Name() : std::string();
}

void TEPExprList::SetName(int Index, const std::string& Name) {
    if (TEPExprItem* item = Items(Index)) item->SetName(Name);
}

std::vector<std::string> TEPExprList::GetSource(int Index) const {
    const TEPExprItem* item = Items(Index);
    return item ? item->Source() : std::vector<std::string>();
}

void TEPExprList::SetSource(int Index, const std::vector<std::string>& Source) {
    if (TEPExprItem* item = Items(Index)) SourceReplaced(*item, Source);
}

void TEPExprList::Validate(bool Reparse) {
    for (const auto& item : Items_)
        item->ValidateOperation(Reparse);
}

void TEPExprList::Invalidate() {
    for (const auto& item : Items_)
        item->InvalidateOperation();
}

void TEPExprList::ClearEntries() {
    // Taken out of the list first: an item's dependents compile again as it goes and must not
    // find it, nor the others about to go.
    std::vector<std::unique_ptr<TEPExprItem>> doomed;
    doomed.swap(Items_);
    while (!doomed.empty())
        doomed.pop_back();
}

void TEPExprList::DisconnectFrom(const TComponent* Component) {
    if (!Component) return;
    for (const auto& item : Items_)
        if (item->Link.FindHostLink(Component)) item->InvalidateOperation();
}

// ---------------------------------------------------------------------------------------------
// TEPUserLib: names

TEPUserLib::TEPUserLib(TComponent* AOwner) : TCustomUserLib(AOwner) {}

TEPUserLib::~TEPUserLib() {
    // While the items' owner is still a whole user library, which their links ask about.
    Functions_.ClearEntries();
    Aliases_.ClearEntries();
}

Variant TEPUserLib::CallFunction(const std::string& Name, ArgArray& Args, std::int32_t High) {
    TEvalObj* f = FindUserFunc(Name);
    if (!f) throw EFuncNotFound(MsgWithName(_msgFuncNotFound, Name));
    Variant result;
    f->F(Args, High, result);
    return result;
}

int TEPUserLib::IndexOfIdent(const std::string& Name, int& Kind) const {
    if (const int i = Aliases_.IndexOf(Name); i >= 0) {
        Kind = 0;
        return i;
    }
    if (const int i = Functions_.IndexOf(Name); i >= 0) {
        Kind = 1;
        return i;
    }
    Kind = -1;
    return -1;
}

TEvalObj* TEPUserLib::FindUserFunc(std::string_view Name) const {
    return Functions_.Items(Functions_.IndexOf(std::string(Name)));
}

std::vector<TEvalObj*> TEPUserLib::GetAliases() const {
    std::vector<TEvalObj*> list;
    for (int i = 0; i < Aliases_.Count(); ++i)
        list.push_back(Aliases_.Items(i));
    return list;
}

bool TEPUserLib::IsReferenced(const TEvalObj& Item) const {
    return Aliases_.IsReferenced(Item) || Functions_.IsReferenced(Item);
}

bool TEPUserLib::HasItemNamed(std::string_view Name, const TEvalObj* Except) const {
    const auto holds = [Except](const TEPExprList& List) {
        for (int i = 0; i < List.Count(); ++i)
            if (List.Items(i) == Except) return true;
        return false;
    };
    const auto named = [Name, Except](const TEPExprList& List) {
        const int i = List.IndexOf(std::string(Name));
        return i >= 0 && List.Items(i) != Except;
    };
    // Names are unique within a list; a function may share its name with an alias.
    if (holds(Aliases_)) return named(Aliases_);
    if (holds(Functions_)) return named(Functions_);
    return named(Aliases_) || named(Functions_);
}

// ---------------------------------------------------------------------------------------------
// TEPUserLib: updates and references

void TEPUserLib::EndUpdate() {
    if (UpdateCount_ > 0) --UpdateCount_;
    Invalidate();
}

void TEPUserLib::Validate(bool Reparse) {
    if (!UpdateEnabled()) return;
    Aliases_.Validate(Reparse);
    Functions_.Validate(Reparse);
}

void TEPUserLib::Invalidate() {
    if (!UpdateEnabled()) return;
    Aliases_.Invalidate();
    Functions_.Invalidate();
}

void TEPUserLib::Reconnect(TComponent* Old, TComponent* New) {
    // Every item goes, not only those that used the old component: names may resolve differently
    // against the new one.
    Aliases_.Invalidate();
    Functions_.Invalidate();
    if (Old && Old != RegFuncs_ && Old != Variables_) RemoveFreeNotification(Old);
    if (New) FreeNotification(New);
}

template <class T> void TEPUserLib::Relink(T*& Slot, T* New) {
    if (New == Slot) return;
    T* old = Slot;
    Aliases_.DisconnectFrom(old);
    Functions_.DisconnectFrom(old);
    Slot = New;
    Reconnect(old, New);
}

void TEPUserLib::SetRegFuncs(TEPRegFuncs* Funcs) {
    Relink(RegFuncs_, Funcs);
}

void TEPUserLib::SetVariables(TEPVars* Vars) {
    Relink(Variables_, Vars);
}

void TEPUserLib::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomUserLib::Notification(AComponent, Operation);
    if (Operation != opRemove || !AComponent) return;
    // The component's parts are gone, and with them the links into it: only its address counts.
    if (AComponent == RegFuncs_)
        RegFuncs_ = nullptr;
    else if (AComponent == Variables_)
        Variables_ = nullptr;
    else
        return;
    Aliases_.Invalidate();
    Functions_.Invalidate();
}

void TEPUserLib::SetIniFile(const std::string& FileName) {
    if (FileName == IniFile_) return;
    IniFile_ = FileName;
    if (!IsLoading()) ReadUserLibFrom(IniFile_);
}

void TEPUserLib::Loaded() {
    TCustomUserLib::Loaded();
    ReadUserLibFrom(IniFile_);
}

bool TEPUserLib::Edit() {
    TEditorHost* host = RegFuncs_ ? RegFuncs_->Context().EditorHost : nullptr;
    return host && host->EditUserLib(*this);
}

} // namespace skv::engine

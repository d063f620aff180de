// Variables, their name-keyed list and the collection component.
#include "engine/vars/Vars.h"
#include "engine/base/Errors.h"
#include "engine/base/Messages.h"
#include "engine/base/Text.h"

#include <algorithm>

namespace skv::engine {

namespace {

// Stands in for an expression object a collection's factory did not make: it keeps the text and
// refuses to evaluate.
class TUnboundExpression : public TVarExpression {
public:
    void SetText(const std::string& Text) override { Text_ = Text; }
    TExprLink& Link() override { return Link_; }
    Variant Evaluate() override {
        throw EParserInternalError(MsgWithName(_msgInternalError, "no expression evaluator"));
    }

private:
    std::string Text_;
    TExprLink Link_;
};

// Clears a flag when the scope ends, also by an exception.
class TFlagGuard {
public:
    explicit TFlagGuard(bool& flag) : flag_(flag) { flag_ = true; }
    ~TFlagGuard() { flag_ = false; }
    TFlagGuard(const TFlagGuard&) = delete;
    TFlagGuard& operator=(const TFlagGuard&) = delete;

private:
    bool& flag_;
};

} // namespace

// ---------------------------------------------------------------------------------------------
// TVariable

TVariable::TVariable(TComponent* AOwner) : TComponent(AOwner), Link_(this) {
    WireHost(Link_);
    Link_.OnInvalidate = [this] { Invalidate(); };
    Link_.OnInvalidateValue = [this] { Invalidate(); };
    DataLink_.OnRecordChanged = [this] {
        if (ValueType_ == vvDBField && !IsLoading()) ValueChanged();
    };
    ResultLink_.OnRecordChanged = [this] { Stored_ = false; };
    ResultLink_.OnUpdateData = [this] {
        TField* f = ResultLink_.Field();
        if (f && SaveResult_ && f->CanModify()) f->DataSet().SetFieldValue(f->Index(), *PValue_);
    };
}

TVariable::~TVariable() {
    SetVarColl(nullptr);
    PValue_ = &StoredValue_;
    Linked_ = false;
    Link_.RemoveLinks(); // dependents compile again without this variable
    DataLink_.SetDataSource(nullptr);
    ResultLink_.SetDataSource(nullptr);
    Eval_.reset();
}

void TVariable::WireHost(TExprLink& L) {
    L.OnGetHost = [this]() -> void* {
        const TVariable* v = HostVar_ ? HostVar_ : this;
        return v->VarColl_;
    };
    L.OnGetUpdateEnabled = [this] { return HostUpdateEnabled(); };
}

bool TVariable::HostUpdateEnabled() const {
    const TVariable* v = HostVar_ ? HostVar_ : this;
    return !v->VarColl_ || v->VarColl_->UpdateEnabled();
}

TVarExpression& TVariable::Eval() {
    if (!Eval_) {
        const TEPVars* coll = HostVar_ ? HostVar_->VarColl_ : VarColl_;
        Eval_ = coll && coll->ExpressionFactory ? coll->ExpressionFactory(*this) : MakeVarExpression(*this);
        if (!Eval_) Eval_ = std::make_unique<TUnboundExpression>();
        WireHost(Eval_->Link());
        Eval_->SetText(Expression_);
    }
    return *Eval_;
}

void TVariable::ValueChanged() {
    // Scripts call this on every assignment to a global: the host is asked once, and not at all
    // when the only one to tell is the script itself.
    const bool dependents = Link_.ValueListened();
    if (!dependents && ValueType_ == vvValue && !Linked_ && !SaveResult_ && !Validating_ && !IsLoading()) {
        // A stored value no one listens to: what invalidating and validating it again come to.
        Valid_ = true;
        Stored_ = false;
        Tell();
        return;
    }
    const bool tell = dependents && HostUpdateEnabled();
    Invalidate(tell);
    if (IsLoading()) return;
    Validate();
    // While updates are held back the dependents heard nothing, so there is nothing to rely on;
    // and only a stored value that is valid now may be skipped by Refresh.
    if ((!dependents || tell) && Valid_ && ValueType_ == vvValue && !Linked_ && !SaveResult_)
        Tell();
    else
        Untell();
}

void TVariable::Invalidate() {
    // Without dependents there is no one to tell, and the host need not be asked.
    Invalidate(Link_.ValueListened() && HostUpdateEnabled());
}

void TVariable::Invalidate(bool TellDependents) {
    Valid_ = false;
    Stored_ = false;
    Untell();
    if (TellDependents) Link_.InvalidateLinks();
}

void TVariable::Validate() {
    if (!Linked_ && !Valid_ && !Validating_) {
        TFlagGuard guard(Validating_); // an expression that reads its own variable sees the old value
        switch (ValueType_) {
        case vvValue:
            break;
        case vvDBField: {
            TField* f = DataLink_.Field();
            StoredValue_ = f ? f->Value() : Variant(std::int32_t{0});
            break;
        }
        case vvExpression: {
            TVarExpression& e = Eval();
            Link_.AddIntLinkTo(&e.Link());
            StoredValue_ = e.Evaluate();
            break;
        }
        case vvOnEvent:
            StoredValue_ = OnCalcValue_ ? OnCalcValue_(*this) : Variant(std::int32_t{0});
            break;
        }
        Valid_ = true;
        Link_.ValidateLinks();
    }
    StoreResult();
}

void TVariable::StoreResult() {
    if (!SaveResult_ || !Valid_ || Linked_ || Stored_) return;
    TField* f = ResultLink_.Field();
    if (!f || !f->CanModify() || !ResultLink_.Edit()) return;
    f->SetValue(*PValue_); // clears Stored through the record change; set it afterwards
    Stored_ = true;
}

void TVariable::SetVarName(const std::string& Name) {
    const std::string up = UpStr(Name);
    if (up == VarName_) return;
    if (VarColl_) {
        const TVariable* other = VarColl_->FindVariable(up);
        if (other && other != this) throw EBadName(_msgDuplicateIdent);
    }
    VarName_ = up;
    if (VarColl_) VarColl_->Vars_.Sort(); // the entry's text is the name: only its place changes
    Link_.RemoveExtLinks();
}

std::vector<std::string> TVariable::ExpressionLines() const {
    std::vector<std::string> lines;
    std::string cur;
    for (std::size_t i = 0; i < Expression_.size(); ++i) {
        const char c = Expression_[i];
        if (c != '\r' && c != '\n') {
            cur += c;
            continue;
        }
        if (c == '\r' && i + 1 < Expression_.size() && Expression_[i + 1] == '\n') ++i;
        lines.push_back(std::move(cur));
        cur.clear();
    }
    // The exact inverse of joining the lines with line breaks: a text that ends in a break has an
    // empty last line, which must survive a save and reload.
    if (!Expression_.empty()) lines.push_back(std::move(cur));
    return lines;
}

void TVariable::SetExpressionRaw(const std::string& Text) {
    Expression_ = Text;
    if (Eval_) Eval_->SetText(Text);
}

void TVariable::SetExpression(const std::string& Text) {
    SetExpressionRaw(Text);
    if (ValueType_ == vvExpression) ValueChanged();
}

void TVariable::SetValueType(TVarValueType T) {
    if (Linked_) RemoveLink();
    if (T == ValueType_) return;
    ValueType_ = T;
    Invalidate();
    if (!IsLoading()) Validate();
}

void TVariable::SetOnCalcValue(TCalcVarEvent E) {
    OnCalcValue_ = std::move(E);
    ValueChanged();
}

void TVariable::WatchSource(TDataSource* DS) {
    if (DS) FreeNotification(DS);
}

void TVariable::ForgetSource(TDataSource* DS) {
    if (DS && DS != DataLink_.DataSource() && DS != ResultLink_.DataSource()) RemoveFreeNotification(DS);
}

void TVariable::SetDataSource(TDataSource* DS) {
    TDataSource* old = DataLink_.DataSource();
    DataLink_.SetDataSource(DS);
    ForgetSource(old);
    WatchSource(DS);
    if (ValueType_ == vvDBField) ValueChanged();
}

void TVariable::SetDataField(const std::string& Name) {
    DataLink_.SetFieldName(Name);
    if (ValueType_ == vvDBField) ValueChanged();
}

void TVariable::SetResultSource(TDataSource* DS) {
    TDataSource* old = ResultLink_.DataSource();
    ResultLink_.SetDataSource(DS);
    ForgetSource(old);
    WatchSource(DS);
    Stored_ = false;
}

void TVariable::SetResultField(const std::string& Name) {
    ResultLink_.SetFieldName(Name);
    Stored_ = false;
}

void TVariable::SetSaveResult(bool B) {
    if (B == SaveResult_) return;
    SaveResult_ = B;
    Untell();
    if (B && !IsLoading()) Validate();
}

void TVariable::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (AComponent == DataLink_.DataSource()) DataLink_.SetDataSource(nullptr);
    if (AComponent == ResultLink_.DataSource()) ResultLink_.SetDataSource(nullptr);
}

Variant* TVariable::LinkTo(Variant* P) {
    Variant* previous = PValue_;
    PValue_ = P ? P : &StoredValue_;
    Linked_ = PValue_ != &StoredValue_;
    Untell();
    Link_.RemoveLinks();
    ValueChanged();
    return previous;
}

void TVariable::RemoveLink() {
    if (!Linked_) return;
    PValue_ = &StoredValue_;
    Linked_ = false;
    Untell();
    Link_.RemoveLinks();
    ValueChanged();
}

void TVariable::Assign(const TVariable& Source) {
    if (&Source == this) return;
    RemoveLink();
    SetVarName(Source.VarName_);
    Descr = Source.Descr;
    ValueType_ = Source.ValueType_;
    SetDataSource(Source.DataSource());
    DataLink_.SetFieldName(Source.DataField());
    SetResultSource(Source.ResultSource());
    ResultLink_.SetFieldName(Source.ResultField());
    SetExpressionRaw(Source.Expression_);
    StoredValue_ = Source.StoredValue_;
    SaveResult_ = Source.SaveResult_;
    Linked_ = Source.Linked_;
    PValue_ = Linked_ ? Source.PValue_ : &StoredValue_;
    OnCalcValue_ = Source.OnCalcValue_;
    Invalidate();
}

void TVariable::DedicateHost(TVariable* Var) {
    HostVar_ = Var == this ? nullptr : Var;
}

void TVariable::SetVarColl(TEPVars* C) {
    if (C == VarColl_) return;
    if (VarColl_) VarColl_->RemoveVariable(this);
    if (C) C->AddVariable(this);
}

void TVariable::Free() {
    if (Owner()) {
        Owner()->FreeComponent(this);
        return;
    }
    if (VarColl_) {
        const std::unique_ptr<TVariable> doomed = VarColl_->TakeUnowned(this);
    }
}

// ---------------------------------------------------------------------------------------------
// TVarsList

TVarsList::TVarsList(TEPVars* Owner) : Owner_(Owner) {
    Sorted = true;
    Duplicates = TDuplicates::dupError;
}

TVarsList::~TVarsList() {
    // Out of the member first: a variable on its way out may still look at the list.
    const std::vector<std::unique_ptr<TVariable>> orphans = std::move(Orphans_);
}

namespace {
// Takes Var's entry out of List, or answers null when it has none.
template <class T> std::unique_ptr<T> TakeFrom(std::vector<std::unique_ptr<T>>& List, const T* Var) {
    const auto it = std::find_if(List.begin(), List.end(), [Var](const auto& v) { return v.get() == Var; });
    if (it == List.end()) return nullptr;
    std::unique_ptr<T> taken = std::move(*it);
    List.erase(it);
    return taken;
}
} // namespace

std::unique_ptr<TVariable> TVarsList::TakeOrphan(const TVariable* Var) {
    return TakeFrom(Orphans_, Var);
}

std::string TVarsList::GetString(int Index) const {
    return Items[static_cast<std::size_t>(Index)]->VarName_;
}

void TVarsList::PutString(int Index, const std::string& Text) {
    Items[static_cast<std::size_t>(Index)]->VarName_ = Text;
}

TVariable* TVarsList::FindVariable(const std::string& Name, int& Index) const {
    if (Find(UpStr(Name), Index)) return Items[static_cast<std::size_t>(Index)];
    Index = -1;
    return nullptr;
}

TVariable* TVarsList::FindVariable(const std::string& Name) const {
    int index = -1;
    return FindVariable(Name, index);
}

Variant TVarsList::GetVar(const std::string& Name) const {
    if (TVariable* v = FindVariable(Name)) return v->Value();
    return Variant::Currency(TCurrency{0});
}

void TVarsList::SetVar(const std::string& Name, const Variant& Value) {
    TVariable* v = FindVariable(Name);
    if (!v) {
        if (!IsValidIdentCyr(Name) || HasReservedWord(Name))
            throw EBadName(MsgWithName(_msgInvalidIdent, Name) + " !");
        v = CreateVariable(Owner_ ? Owner_->Owner() : nullptr, Name, "");
    }
    v->SetValue(Value);
}

Variant TVarsList::GetValue(int Index) const {
    if (Index < 0 || Index >= Count()) return Variant(std::int32_t{0});
    return Items[static_cast<std::size_t>(Index)]->Value();
}

void TVarsList::SetValue(int Index, const Variant& Value) {
    if (Index < 0 || Index >= Count()) return;
    Items[static_cast<std::size_t>(Index)]->SetValue(Value);
}

TVariable* TVarsList::CreateVariable(TComponent* AOwner, const std::string& Name, const std::string& Descr) {
    if (Owner_) return Owner_->CreateVariable(AOwner, Name, Descr);
    if (TVariable* v = FindVariable(Name)) return v;
    auto made = std::make_unique<TVariable>(AOwner);
    TVariable* v = made.get();
    if (AOwner)
        (void)made.release(); // AOwner holds it from its constructor on
    else
        Orphans_.push_back(std::move(made));
    v->Descr = Descr;
    v->VarName_ = Name;
    AddVariable(v);
    return v;
}

int TVarsList::AddVariable(TVariable* Var) {
    int index = -1;
    if (Find(Var->VarName_, index)) return -1;
    Items.insert(Items.begin() + index, Var);
    return index;
}

void TVarsList::Detach(TVariable* Var) {
    const int i = IndexOf(Var);
    if (i >= 0) Delete(i);
    // A variable leaving the list on its own is destroyed already or kept by whoever took it.
    (void)TakeOrphan(Var).release();
}

void TVarsList::AtDeleteVariable(int Index) {
    TVariable* v = Objects(Index);
    const std::unique_ptr<TVariable> orphan = TakeOrphan(v);
    Detach(v);
    if (!orphan) v->Free();
}

void TVarsList::DeleteVariable(const std::string& Name) {
    int index = -1;
    if (FindVariable(Name, index)) AtDeleteVariable(index);
}

void TVarsList::FreeVariable(TVariable* Var) {
    const int index = IndexOf(Var);
    if (index >= 0) AtDeleteVariable(index);
}

void TVarsList::Clear() {
    while (Count() > 0)
        AtDeleteVariable(Count() - 1);
}

void TVarsList::ValidateVariables() {
    for (int i = 0; i < Count(); ++i)
        Items[static_cast<std::size_t>(i)]->ValueChanged();
}

void TVarsList::InvalidateVariables() {
    for (int i = 0; i < Count(); ++i)
        Items[static_cast<std::size_t>(i)]->Invalidate();
}

void TVarsList::EndUpdate() {
    if (UpdateCount_ > 0) --UpdateCount_;
    InvalidateVariables();
}

void TVarsList::Assign(const TVarsList& Source) {
    if (&Source == this) return;
    BeginUpdate();
    try {
        Clear();
        TComponent* owner = Owner_ ? Owner_->Owner() : nullptr;
        for (int i = 0; i < Source.Count(); ++i) {
            TVariable* src = Source.Objects(i);
            TVariable* v = CreateVariable(owner, src->VarName_, src->Descr);
            if (Dedicated) v->DedicateHost(src);
            v->Assign(*src);
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TVarsList::Dedicate(const TVarsList& Source) {
    Dedicated = true;
    Assign(Source);
}

// ---------------------------------------------------------------------------------------------
// TEPVars

TEPVars::TEPVars(TComponent* AOwner) : TComponent(AOwner), Vars_(this) {}

TEPVars::~TEPVars() {
    // Variables owned by a component outlive the collection; those without an owner go with it.
    while (Count() > 0) {
        TVariable* v = Vars_.Objects(Count() - 1);
        const std::unique_ptr<TVariable> unowned = TakeUnowned(v);
        RemoveVariable(v);
    }
}

std::unique_ptr<TVariable> TEPVars::TakeUnowned(const TVariable* Var) {
    return TakeFrom(Unowned_, Var);
}

TVariable* TEPVars::Items(int Index) const {
    if (Index < 0 || Index >= Count()) return nullptr;
    return Vars_.Objects(Index);
}

TVariable* TEPVars::VarItem(const std::string& Name) {
    return CreateVariable(Owner(), Name, "");
}

TVariable* TEPVars::FindVariable(const std::string& Name, int& Index) const {
    return Vars_.FindVariable(Name, Index);
}

TVariable* TEPVars::FindVariable(const std::string& Name) const {
    return Vars_.FindVariable(Name);
}

TVariable* TEPVars::CreateVariable(TComponent* AOwner, const std::string& Name, const std::string& Descr) {
    if (TVariable* v = FindVariable(Name)) return v;
    // The name becomes part of a component name, so it must be an identifier.
    if (!IsValidIdentCyr(Name)) throw EBadName(MsgWithName(_msgInvalidIdent, Name));
    auto v = std::make_unique<TVariable>(AOwner);
    v->SetName(this->Name() + Name);
    v->Descr = Descr;
    v->SetVarName(Name);
    TVariable* raw = v.release(); // owned by AOwner, or by this collection when there is none
    AddVariable(raw);
    return raw;
}

void TEPVars::AddVariable(TVariable* Var) {
    if (!Var || Var->VarColl_ == this) return;
    const TVariable* other = FindVariable(Var->VarName_);
    if (other && other != Var) {
        // The newcomer keeps its name with a counter appended; names that cannot carry one get the
        // class part instead.
        const std::string& base = Var->VarName_;
        const bool plain = !base.empty() && !(base[0] >= '0' && base[0] <= '9');
        std::string candidate;
        for (std::int64_t n = 1; n < 2147483647; ++n) {
            candidate = plain ? base + std::to_string(n) : GenerateName("", "TVariable", n);
            const TVariable* holder = FindVariable(candidate);
            if (!holder || holder == Var) break;
        }
        Var->SetVarName(candidate);
    }
    if (Vars_.AddVariable(Var) < 0) throw EBadName(_msgDuplicateIdent); // every counter was taken
    Var->VarColl_ = this;
    if (!Var->Owner()) Unowned_.emplace_back(Var);
}

void TEPVars::RemoveVariable(TVariable* Var) {
    if (!Var || Var->VarColl_ != this) return;
    Var->VarColl_ = nullptr;
    Vars_.Detach(Var);
    // Leaving on its own, it is being destroyed or kept by whoever moves it.
    (void)TakeUnowned(Var).release();
}

void TEPVars::ClearVariable(const std::string& Name) {
    if (TVariable* v = FindVariable(Name)) v->Free();
}

void TEPVars::FreeVariables() {
    while (Count() > 0)
        Vars_.Objects(Count() - 1)->Free();
}

std::string TEPVars::UniqueName(const TVariable& Var) const {
    TComponent* owner = Var.Owner();
    return CreateUniqueName(Var.VarName_, "Variable",
                            owner ? owner->ComponentNames() : std::vector<std::string>{});
}

void TEPVars::SetVariables(const TVarsList& List) {
    BeginUpdate();
    try {
        std::vector<TVariable*> keep;
        for (int i = 0; i < List.Count(); ++i) {
            const TVariable* src = List.Objects(i);
            const std::string& name = src->VarName_;
            TVariable* v = FindVariable(name);
            if (!v) {
                if (!IsValidIdentCyr(name) || HasReservedWord(name))
                    throw EBadName(MsgWithName(_msgInvalidIdent, name));
                v = CreateVariable(Owner(), name, src->Descr);
            }
            v->Assign(*src);
            keep.push_back(v);
        }
        for (int i = Count() - 1; i >= 0; --i) {
            TVariable* v = Vars_.Objects(i);
            if (std::find(keep.begin(), keep.end(), v) == keep.end()) v->Free();
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TEPVars::SetIniFile(const std::string& Name) {
    if (Name == IniFile_) return;
    IniFile_ = Name;
    if (!IsLoading()) ReadVariablesFrom(IniFile_);
}

void TEPVars::Loaded() {
    TComponent::Loaded();
    ReadVariablesFrom(IniFile_);
}

void TEPVars::DisconnectFrom(const TComponent* C) {
    if (!C) return;
    for (int i = 0; i < Count(); ++i) {
        TVariable* v = Vars_.Objects(i);
        if (v->Eval_) {
            v->Eval_->DisconnectFrom(C);
            v->Invalidate();
        }
    }
}

void TEPVars::SetRegFuncs(TComponent* C) {
    if (C == RegFuncs_) return;
    DisconnectFrom(RegFuncs_);
    if (RegFuncs_ && RegFuncs_ != UserLib_) RemoveFreeNotification(RegFuncs_);
    RegFuncs_ = C;
    if (C) FreeNotification(C);
}

void TEPVars::SetUserLib(TComponent* C) {
    if (C == UserLib_) return;
    DisconnectFrom(UserLib_);
    if (UserLib_ && UserLib_ != RegFuncs_) RemoveFreeNotification(UserLib_);
    UserLib_ = C;
    if (C) FreeNotification(C);
}

void TEPVars::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    // The component's parts are gone: only its address is compared and handed on.
    if (AComponent == RegFuncs_) {
        DisconnectFrom(AComponent);
        RegFuncs_ = nullptr;
    }
    if (AComponent == UserLib_) {
        DisconnectFrom(AComponent);
        UserLib_ = nullptr;
    }
}

// ---------------------------------------------------------------------------------------------
// Helpers

TComponent* FindRTTComp(const TComponent* Owner, const std::string& Name) {
    if (!Owner || Name.empty()) return nullptr;
    const std::size_t dot = Name.find('.');
    if (dot == std::string::npos) return Owner->FindComponent(Name);
    const TComponent* root = Owner;
    while (root->Owner())
        root = root->Owner();
    const std::string first = Name.substr(0, dot);
    const TComponent* form = CompareNames(root->Name(), first) == 0 ? root : root->FindComponent(first);
    return form ? form->FindComponent(Name.substr(dot + 1)) : nullptr;
}

TDataSource* GetDataSourceComp(const TComponent* Owner, const std::string& Name) {
    auto* ds = dynamic_cast<TDataSource*>(FindRTTComp(Owner, Name));
    if (!ds) throw EMathParserError(MsgWithName(_msgWrongDataSource, Name));
    return ds;
}

TField* FindDBField(const TComponent* Owner, const std::string& SourceName, const std::string& FieldName) {
    auto* ds = dynamic_cast<TDataSource*>(FindRTTComp(Owner, SourceName));
    if (!ds || !ds->DataSet()) return nullptr;
    return ds->DataSet()->FindField(FieldName);
}

void CopyVars(const TVarsList* Source, TVarsList* Dest) {
    if (Source && Dest) Dest->Assign(*Source);
}

} // namespace skv::engine

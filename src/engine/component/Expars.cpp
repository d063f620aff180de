// The parser component: its expression object wired to the current variables, the registry and
// the user library; evaluation with placeholders answered by the host; checking; the references
// it keeps and is told about when they go.
#include "engine/component/Expars.h"
#include "engine/base/Errors.h"
#include "engine/base/Messages.h"
#include "engine/base/Text.h"

#include "engine/bldfuncs/Bldfuncs.h"
#include "engine/compiler/Expbuild.h"

namespace skv::engine {

namespace {

bool IsNewNameValid(const std::string& Name) {
    return IsValidIdentCyr(Name) && !HasReservedWord(Name);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Life

TCustomParser::TCustomParser(TComponent* AOwner)
    : TComponent(AOwner), OwnVars_(std::make_unique<TEPVars>()), UndefVars_(std::make_unique<TEPVars>()),
      Eval_(std::make_unique<TEvalObj>(this)) {
    Eval_->UndefVars = &UndefVars_->Vars();
    Eval_->OnProvideVarsList = [this]() -> TVarsList* { return &CurrentVars().Vars(); };
    Eval_->OnProvideRegFuncs = [this] { return RegFuncs_; };
    Eval_->OnProvideUserLib = [this] { return UserLib_; };
    Eval_->OnBeforeValidating = [this](TEvalObj&) {
        if (OnValidating) OnValidating(this);
    };
    Eval_->OnAfterInvalidated = [this](TEvalObj&) {
        if (OnInvalidated) OnInvalidated(this);
    };
}

TCustomParser::~TCustomParser() {
    // The expression object goes first: it holds links into both collections and clears the
    // placeholders as it frees its compiled form.
    Eval_->OnAfterInvalidated = nullptr;
    Eval_.reset();
    UndefVars_.reset();
    OwnVars_.reset();
}

void TCustomParser::SetExpr(const std::string& Text) {
    Eval_->AssignSourceStr(Text);
}

void TCustomParser::SetExpression(const std::vector<std::string>& Lines) {
    Eval_->AssignSource(Lines);
}

// ---------------------------------------------------------------------------------------------
// Evaluation and checking

Variant TCustomParser::F(ArgArray& Args, std::int32_t High) {
    Eval_->ValidateOperation(false);
    if (OnVariable) {
        TVarsList& undef = UndefVars();
        for (int i = 0; i < undef.Count(); ++i) {
            TVariable* v = undef.Objects(i);
            const Variant value = OnVariable(this, v->VarName());
            // A handler that changed what the expression depends on made it compile again, and
            // the placeholders asked so far are gone; the evaluation below compiles once more.
            if (!Eval_->Valid()) break;
            v->SetValue(value);
        }
    }
    Variant result;
    Eval_->F(Args, High, result);
    return result;
}

Variant TCustomParser::F() {
    ArgArray args{Variant(std::int32_t{0})};
    return F(args, 0);
}

void TCustomParser::DoCheck() {
    Eval_->ValidateOperation(false);
    const TVarsList& undef = UndefVars();
    if (undef.Count() > 0) {
        // Names first: the handler may make the expression compile again, which frees placeholders.
        std::vector<std::string> names;
        for (int i = 0; i < undef.Count(); ++i)
            names.push_back(undef.Objects(i)->VarName());
        for (const std::string& name : names) {
            try {
                if (!OnVariable) throw EUnknownVariable(std::string(_msgUnknownVar) + " " + name);
                OnVariable(this, name);
            } catch (EMathParserError& e) {
                Eval_->LocateName(e, name); // the script's first use of the name
                throw;
            }
        }
    }
    Eval_->Check();
}

bool TCustomParser::Check(bool Silent) {
    try {
        DoCheck();
        return true;
    } catch (const std::exception& e) {
        if (!Silent) Context().Messages().ShowError(e.what());
    } catch (...) {
        if (!Silent) Context().Messages().ShowError(_msgInternalError);
    }
    return false;
}

std::int32_t TCustomParser::ArgCount() {
    try {
        return Eval_->GetArgCount();
    } catch (const EMathParserError&) {
        return -1;
    }
}

Variant TCustomParser::CallFunction(const std::string& Name, ArgArray& Args, std::int32_t High) {
    TEvalObj* f = UserLib_ ? UserLib_->FindUserFunc(Name) : nullptr;
    if (!f) throw EFuncNotFound(MsgWithName(_msgFuncNotFound, Name));
    Variant result;
    f->F(Args, High, result);
    return result;
}

// ---------------------------------------------------------------------------------------------
// Variables

void TCustomParser::SetVariables(const TVarsList& List) {
    TEPVars& vars = CurrentVars();
    // Every new name is checked before anything changes, so a bad one leaves the list as it was.
    bool creates = false;
    for (int i = 0; i < List.Count(); ++i) {
        const std::string& name = List.Objects(i)->VarName();
        if (vars.FindVariable(name)) continue;
        if (!IsNewNameValid(name)) throw EBadName(MsgWithName(_msgInvalidIdent, name));
        creates = true;
    }
    vars.SetVariables(List);
    // A new variable may be a name the compiled form took for a placeholder.
    if (creates) InvalidateOperation();
}

int TCustomParser::SetVariable(const std::string& Name, const Variant& Value) {
    TVariable* v = nullptr;
    const int result = SetVariableExt(CurrentVars().Vars(), Name, Value, v);
    if (result != 1) InvalidateOperation();
    if (result == 0) throw EBadName(MsgWithName(_msgInvalidIdent, Name) + " !");
    return result;
}

bool TCustomParser::VariableExists(const std::string& Name) {
    return CurrentVars().FindVariable(UpStr(Name)) != nullptr;
}

void TCustomParser::ClearVariable(const std::string& Name) {
    CurrentVars().ClearVariable(Name);
}

void TCustomParser::ClearVariables() {
    CurrentVars().FreeVariables();
}

void TCustomParser::ClearUndefVariables() {
    UndefVars_->FreeVariables();
}

TVarsList& TCustomParser::UsedVars() {
    Eval_->ValidateOperation(false);
    return Eval_->UsedVars;
}

bool TCustomParser::EditVariables() {
    TEditorHost* host = Context().EditorHost;
    if (!host) return false;
    TEPVars copy;
    copy.Vars().Assign(GetVariables());
    if (!host->EditVariables(copy.Vars(), UserVars_ != nullptr)) return false;
    SetVariables(copy.Vars());
    return true;
}

// ---------------------------------------------------------------------------------------------
// References

void TCustomParser::DropCompiledForm() {
    // While the old component still stands, so the links into it come off cleanly. Names resolve
    // differently against another component also where the compiled form did not use the old one
    // (a placeholder may now be a variable, an undefined call a registered function).
    Eval_->InvalidateOperation();
}

void TCustomParser::Reconnect(TComponent* Old, TComponent* New) {
    const auto stillUsed = [this](TComponent* C) {
        return C == RegFuncs_ || C == static_cast<TComponent*>(UserLib_) || C == UserVars_;
    };
    if (Old && !stillUsed(Old)) RemoveFreeNotification(Old);
    if (New) FreeNotification(New);
}

template <class T, class Fn> void TCustomParser::Relink(T*& Slot, T* New, Fn Tell) {
    if (New == Slot) return;
    T* old = Slot;
    DropCompiledForm();
    Slot = New;
    Tell(New);
    Reconnect(old, New);
}

void TCustomParser::SetRegFuncs(TEPRegFuncs* Funcs) {
    Relink(RegFuncs_, Funcs, [this](TEPRegFuncs* New) { OwnVars_->SetRegFuncs(New); });
}

void TCustomParser::SetUserLib(TCustomUserLib* Lib) {
    Relink(UserLib_, Lib, [this](TCustomUserLib* New) { OwnVars_->SetUserLib(New); });
}

void TCustomParser::SetUserVars(TEPVars* Vars) {
    Relink(UserVars_, Vars, [](TEPVars*) {});
}

void TCustomParser::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation != opRemove || !AComponent) return;
    // The component's parts are gone: only its address is compared.
    bool cleared = false;
    if (AComponent == RegFuncs_) {
        RegFuncs_ = nullptr;
        cleared = true;
    }
    if (AComponent == static_cast<TComponent*>(UserLib_)) {
        UserLib_ = nullptr;
        cleared = true;
    }
    if (AComponent == UserVars_) {
        UserVars_ = nullptr;
        cleared = true;
    }
    if (cleared && Eval_) Eval_->InvalidateOperation();
}

} // namespace skv::engine

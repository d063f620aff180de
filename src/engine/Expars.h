// The engine's outer face: the parser component a host gives an expression or script, a variable
// collection and a function registry and then asks for values.
#pragma once

#include "engine/Component.h"
#include "engine/Exeval.h"
#include "engine/Exfuncs.h"
#include "engine/Parstype.h"
#include "engine/Variant.h"
#include "engine/Vars.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace skv::engine {

class TEPUserLib;

using TNotifyEvent = std::function<void(TComponent* Sender)>;
// Answers the value of a name the expression uses that no variable has.
using TGetVariableEvent = std::function<Variant(TComponent* Sender, const std::string& Name)>;

// The variables editor and the user library designer are dialogs of the GUI, which installs a host
// for them; without one nothing opens and the editing answers false.
class TEditorHost {
public:
    virtual ~TEditorHost() = default;
    // Edits Vars, a copy of a parser's variables (Extended: the editor for an outside collection,
    // with data fields and expressions). Answers whether the user accepted.
    virtual bool EditVariables(TVarsList& Vars, bool Extended) = 0;
    // Edits the library in place; answers whether the user accepted.
    virtual bool EditUserLib(TEPUserLib& Lib) = 0;
};
// Installs Host (null: none); answers the previous one. The host must outlive its use.
TEditorHost* SetEditorHost(TEditorHost* Host);
TEditorHost* EditorHost();

// An expression or script with the variables it sees, the function registry and the user library
// it is compiled against. It compiles on first use and again after anything it depends on changes.
class TCustomParser : public TComponent {
public:
    explicit TCustomParser(TComponent* AOwner = nullptr);
    ~TCustomParser() override;
    std::string ClassName() const override { return "TCustomParser"; }

    // The text as one string, lines separated by line breaks.
    std::string Expr() const { return Eval_->SourceStr(); }
    void SetExpr(const std::string& Text);
    const std::vector<std::string>& Expression() const { return Eval_->Source(); }
    void SetExpression(const std::vector<std::string>& Lines);

    // Compiles if needed, asks OnVariable for every name no variable has, then evaluates with Args
    // (High the index of the last) in the "%N" slots. Compile and evaluation errors go on.
    virtual Variant F(ArgArray& Args, std::int32_t High);
    // With the one argument integer 0.
    Variant F();
    // Compiles and checks: an unknown name without OnVariable, a failed compilation or an unknown
    // function raises.
    void DoCheck();
    // DoCheck that never raises: false on an error, which is reported unless Silent.
    bool Check(bool Silent);
    // The last compilation failed.
    bool GetParserError() const { return Eval_->ParseFailed(); }
    // The number of "%N" slots the text uses; -1 when it does not compile.
    std::int32_t ArgCount();
    // Calls a function of the user library by name.
    Variant CallFunction(const std::string& Name, ArgArray& Args, std::int32_t High);

    // The variables the expression sees: the outside collection's, or the parser's own while none
    // is set (and while loading).
    TVarsList& GetVariables() { return CurrentVars().Vars(); }
    // Makes the current variables equal to List: missing names are created (all names are checked
    // before anything changes), others destroyed.
    void SetVariables(const TVarsList& List);
    Variant GetVariable(const std::string& Name) { return CurrentVars().Vars().GetVar(Name); }
    // 1 when the variable existed, 2 when it was created; an invalid name raises.
    int SetVariable(const std::string& Name, const Variant& Value);
    int SetVar(const std::string& Name, const Variant& Value) { return SetVariable(Name, Value); }
    bool VariableExists(const std::string& Name);
    void ClearVariable(const std::string& Name);
    // Destroys every current variable (an outside collection's too).
    void ClearVariables();
    // Destroys the placeholders of names no variable has.
    void ClearUndefVariables();
    // The variables the compiled expression reads (compiles first).
    TVarsList& UsedVars();
    // The placeholders the compiler made for names no variable has.
    TVarsList& UndefVars() { return UndefVars_->Vars(); }

    void InvalidateValue() { Eval_->InvalidateValue(); }
    void InvalidateOperation() { Eval_->InvalidateOperation(); }
    void ValidateOperation(bool Reparse) { Eval_->ValidateOperation(Reparse); }

    // Opens the variables editor of the editor host on a copy of the current variables and applies
    // the result on OK. False without a host or when the user cancels.
    bool EditVariables();

    TEPRegFuncs* RegFuncs() const { return RegFuncs_; }
    void SetRegFuncs(TEPRegFuncs* Funcs);
    TCustomUserLib* UserLib() const { return UserLib_; }
    void SetUserLib(TCustomUserLib* Lib);
    TEPVars* UserVars() const { return UserVars_; }
    void SetUserVars(TEPVars* Vars);

    TEvalObj& Eval() { return *Eval_; }

    // Asked, before each evaluation, for the value of every name no variable has.
    TGetVariableEvent OnVariable;
    // Computes calls of functions nobody registered (the expression object holds it).
    const TGetFunctionEvent& OnFunction() const { return Eval_->OnUndefFunction; }
    void SetOnFunction(TGetFunctionEvent Handler) { Eval_->OnUndefFunction = std::move(Handler); }
    // Told before the expression compiles and after its compiled form is discarded.
    TNotifyEvent OnValidating;
    TNotifyEvent OnInvalidated;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    TEPVars& CurrentVars() const { return (UserVars_ && !IsLoading()) ? *UserVars_ : *OwnVars_; }
    void DropCompiledForm();
    // Swaps a reference: the old component is no longer watched, the new one is.
    void Reconnect(TComponent* Old, TComponent* New);

    std::unique_ptr<TEPVars> OwnVars_;
    std::unique_ptr<TEPVars> UndefVars_;
    std::unique_ptr<TEvalObj> Eval_;
    TEPRegFuncs* RegFuncs_ = nullptr;
    TCustomUserLib* UserLib_ = nullptr;
    TEPVars* UserVars_ = nullptr;
};

// The parser component as a host places it.
class TExParser : public TCustomParser {
public:
    using TCustomParser::TCustomParser;
    std::string ClassName() const override { return "TExParser"; }
};

} // namespace skv::engine

// The evaluator: the procedures that compiled operations and statements run, the walk over their
// chains, and TEvalObj, one compiled expression or script with lazy (re)compilation.
#pragma once

#include "engine/compiler/Expbuild.h"
#include "engine/compiler/Program.h"
#include "engine/context/Enginecontext.h"
#include "engine/eval/Exlink.h"
#include "engine/funcs/Exfuncs.h"
#include "engine/objects/Component.h"
#include "engine/values/Variant.h"
#include "engine/vars/Vars.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace skv::engine {

// ---------------------------------------------------------------------------------------------
// Running chains

// Runs every operation of Chain and copies the last result into Value (integer 0 for no chain).
void CalcExpression(PParserOperation Chain, Variant& Value);
// Runs every operation of Chain and answers the last result without copying it.
const Variant& RunExpression(PParserOperation Chain);
// Stores the flag a comparison answers: fixed point 1 or 0.
inline void SetFlag(Variant& Result, bool Holds) {
    Result.SetCurrency(TCurrency{Holds ? 10000 : 0});
}
// Runs each statement of Chain in order.
inline void CalcStatements(PParserStatement Chain) {
    PParserStatement st = Chain;
    while (st) {
        st->Proc(st);
        if (!(st = st->Next)) return;
        st->Proc(st);
        if (!(st = st->Next)) return;
        st->Proc(st);
        if (!(st = st->Next)) return;
        st->Proc(st);
        st = st->Next;
    }
}

// ---------------------------------------------------------------------------------------------
// Operation procedures, one per operation kind.

void OpNothing(PParserOperation Op);
void OpAssign(PParserOperation Op);
void OpAdd(PParserOperation Op);
void OpSubtract(PParserOperation Op);
void OpMultiply(PParserOperation Op);
void OpRealDivide(PParserOperation Op);
void OpModulo(PParserOperation Op);
void OpIntDiv(PParserOperation Op);
void OpNegate(PParserOperation Op);
void OpIntPower(PParserOperation Op);
void OpPower(PParserOperation Op);
void OpSquare(PParserOperation Op);
void OpThird(PParserOperation Op);
void OpFourth(PParserOperation Op);
void OpLessThan(PParserOperation Op);
void OpLessOrEqual(PParserOperation Op);
void OpGreatThan(PParserOperation Op);
void OpGreatOrEqual(PParserOperation Op);
void OpIsEqual(PParserOperation Op);
void OpIsNotEqual(PParserOperation Op);
void OpNot(PParserOperation Op);
void OpAnd(PParserOperation Op);
void OpOr(PParserOperation Op);
void OpXor(PParserOperation Op);
void OpBitNot(PParserOperation Op);
void OpBitShl(PParserOperation Op);
void OpBitShr(PParserOperation Op);
// Args[0] is the array, the further operands its indices; SetArrayItem's last operand is the
// value to store.
void OpGetVarArrayItem(PParserOperation Op);
void OpSetVarArrayItem(PParserOperation Op);
// The procedure of an operator or power kind; null for kinds bound elsewhere.
TMathProcedure ProcOfToken(TToken Token);

// ---------------------------------------------------------------------------------------------
// Statement procedures, one per statement kind.

void StEquation(PParserStatement St);
void StIfThenElse(PParserStatement St);
void StForCycleUp(PParserStatement St);
void StForCycleDown(PParserStatement St);
void StWhileCycle(PParserStatement St);
void StRepeatCycle(PParserStatement St);
void StBreakCycle(PParserStatement St);
void StTryFinallyBlock(PParserStatement St);
void StTryExceptBlock(PParserStatement St);

TStatementProc ProcOfStatement(TStatementToken Token);

// Gives the statements of Program (assignments, and the conditions of IF, WHILE and REPEAT) whose
// expression is a long enough chain of number operations the fast form of it.
void PrepareFastChains(TProgram& Program);

// Calls of user functions and of functions nobody registered (bound by the compiler).
void OpUserFunc(PParserOperation Op);
void OpUndefFunc(PParserOperation Op);

// ---------------------------------------------------------------------------------------------
// Compiled expressions

class TEvalObj;

// A user library as the expressions it serves see it: its functions and aliases by name.
class TCustomUserLib : public TComponent {
public:
    using TComponent::TComponent;
    std::string ClassName() const override { return "TCustomUserLib"; }

    virtual TEvalObj* FindUserFunc(std::string_view Name) const = 0;
    virtual std::vector<TEvalObj*> GetAliases() const = 0;
    // Another item's text names Item.
    virtual bool IsReferenced(const TEvalObj& Item) const = 0;
    // An item other than Except has that name.
    virtual bool HasItemNamed(std::string_view Name, const TEvalObj* Except) const = 0;
    virtual bool UpdateEnabled() const { return true; }
    // Checks every item again after one of them changed.
    virtual void Validate(bool /*Reparse*/) {}
};

// Computes a call of a function nobody registered: sender, name, arguments, last index.
using TGetFunctionEvent = std::function<Variant(TComponent* Sender, const std::string& Name, ArgArray& Args,
                                                std::int32_t ParamHigh)>;

// One compiled expression or script. It compiles its source on first use and again after
// anything it was compiled against changes; its link ties it into the dependency graph.
class TEvalObj : public TLinkOwner, private TParseEnv {
public:
    explicit TEvalObj(TComponent* AOwner = nullptr);
    ~TEvalObj() override;
    TEvalObj(const TEvalObj&) = delete;
    TEvalObj& operator=(const TEvalObj&) = delete;

    std::string LinkOwnerName() const override { return Name_; }

    const std::vector<std::string>& Source() const { return Source_; }
    // Replaces the lines and compiles them at once (unless the host is loading or holds updates
    // back); when they do not compile, the old lines are put back and the error goes on.
    void SetSource(const std::vector<std::string>& Lines);
    // Replaces the lines; they compile at the next use.
    void AssignSource(const std::vector<std::string>& Lines);
    // The lines as one text, separated by line breaks.
    std::string SourceStr() const;
    void SetSourceStr(const std::string& Text) { SetSource(SplitLines(Text)); }
    void AssignSourceStr(const std::string& Text) { AssignSource(SplitLines(Text)); }
    // The lines joined by single blanks, comments blanked: what the compiler reads.
    const std::string& SourceText() const { return SourceText_; }
    static std::vector<std::string> SplitLines(const std::string& Text);

    const std::string& Name() const { return Name_; }
    void SetName(const std::string& NewName);

    void ValidateOperation(bool Force);
    void InvalidateOperation();
    void InvalidateValue();
    bool Valid() const { return Valid_; }
    bool ParseFailed() const { return ParseFailed_; }
    bool UpdateEnabled() const { return Link.GetUpdateEnabled(); }

    // The number of "%N" slots the text uses; -1 when it failed to compile.
    std::int32_t GetArgCount();
    // The compiled text (aliases expanded).
    const std::string& GetExpr();
    std::int32_t ConstCount() const {
        return Program_ ? static_cast<std::int32_t>(Program_->ConstPool.size()) : 0;
    }

    // Runs the statements once; Result is what RESULT holds afterwards.
    void CalcValue(Variant& Result);
    // Evaluates with Args (ParamHigh the index of the last) in the argument slots.
    virtual void F(ArgArray& Args, std::int32_t ParamHigh, Variant& Result);
    // Evaluates with the one argument integer 0.
    Variant F();
    // Compiles and walks the compiled code: unknown functions without a handler are refused,
    // used user functions are checked in turn.
    void Check();
    // Gives an error that knows its offset into the compiled text the line and column of the
    // lines; the first whole-word use of Name, outside strings, for LocateName. Nothing when
    // user-library aliases made the compiled text differ from the lines.
    void LocateError(EMathParserError& E) const;
    void LocateName(EMathParserError& E, const std::string& Name) const;

    TComponent* Owner;
    TExprLink Link;
    TVarsList UsedVars;  // the global variables read; not owned
    TVarsList ExtraVars; // helpers for object and data-field references
    TVarsList LocalVars; // RESULT and what the script assigns without declaring
    // Where names no one knows become placeholders (the parser component's list), or null.
    TVarsList* UndefVars = nullptr;
    // The compiled statements (null while there are none).
    PParserStatement Statements() const { return Statements_; }
    std::string ParsedText;
    Variant* ResultVar = nullptr;

    TGetFunctionEvent OnUndefFunction;
    std::function<TCustomUserLib*()> OnProvideUserLib;
    std::function<TVarsList*()> OnProvideVarsList;
    std::function<TEPRegFuncs*()> OnProvideRegFuncs;
    std::function<void(TEvalObj& Sender)> OnBeforeValidating;
    std::function<void(TEvalObj& Sender)> OnAfterInvalidated;

    TVarsList* GetVarsList() const { return OnProvideVarsList ? OnProvideVarsList() : nullptr; }
    TEPRegFuncs* GetRegFuncs() const { return OnProvideRegFuncs ? OnProvideRegFuncs() : nullptr; }
    // The context of the host: the registry's, or one of this expression's own while it has no
    // registry (an expression without one is a host of its own).
    TEngineContext& Context();
    TEPCustomRegClasses* GetRegClasses() const;
    TCustomUserLib* GetUserLib() const { return OnProvideUserLib ? OnProvideUserLib() : nullptr; }

protected:
    virtual void InvalidOperationNotify() { InvalidateOperation(); }
    virtual void InvalidValueNotify() { InvalidateValue(); }
    virtual void ValidateValueNotify() { Link.ValidateLinks(); }
    virtual void DoBeforeValidating();
    virtual void DoAfterInvalidated();

private:
    // Name resolution for the compiler.
    bool FindVariable(const std::string& Name, TVarRef& Ref) override;
    bool FindTarget(const std::string& Name, TVarRef& Ref) override;
    bool BindCall(const std::string& Name, TParserOperation& Op, std::int32_t& ArgCount) override;
    bool BindMember(const std::string& Member, bool Assign, TParserOperation& Op) override;
    bool FindObjectRef(const std::string& Name, TVarRef& Ref) override;
    bool FindDataField(const std::string& Source, const std::string& Field, TVarRef& Ref) override;
    bool FindGlobal(const std::string& Name, TVarRef& Ref, bool MakeUndefined);
    TVariable* MakeVariable(TVarsList& List, const std::string& Name);

    bool GetUpdateEnabledOfHost() const;
    void SourceChanged();
    void CreateResultVar();
    void ParseSource();
    void ParseAliases();
    void ParseExpression();
    void FreeExpression();
    void UpdateQuietValue();
    void CheckStatements(PParserStatement Chain);
    void CheckOperations(PParserOperation Chain);

    std::shared_ptr<TEngineContext> ContextFor();

    // The context the text compiles and evaluates in, held so that it stays while the program
    // does, even should its registry go first.
    std::shared_ptr<TEngineContext> Compiled_;
    std::shared_ptr<TEngineContext> Own_; // made when there is no registry
    std::unique_ptr<TProgram> Program_;
    PParserStatement Statements_ = nullptr; // Program_'s, kept at hand for every evaluation
    TVariable* ResultObj_ = nullptr;
    std::vector<std::string> Source_;
    std::string SourceText_;
    std::string Name_;
    bool Valid_ = false;
    bool ParseFailed_ = false;
    bool InAliases_ = false;
    bool InValidation_ = false;
    bool InInvalidation_ = false;
};

// Inline: every evaluation goes through here.
inline void TEvalObj::CalcValue(Variant& Result) {
    ResultVar->SetInteger(0);
    CalcStatements(Statements_);
    Result = *ResultVar;
}

} // namespace skv::engine

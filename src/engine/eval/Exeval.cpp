// TEvalObj: one compiled expression or script with lazy (re)compilation, the names it is compiled
// against, its place in the dependency graph, and the calls of user and undefined functions.
#include "engine/eval/Exeval.h"
#include "engine/base/Errors.h"
#include "engine/base/Messages.h"
#include "engine/base/Text.h"
#include "engine/lexer/Scanner.h"

#include "engine/funcs/Exfuncs_classes.h"

#include <algorithm>

namespace skv::engine {

namespace {

class TFlagGuard {
public:
    explicit TFlagGuard(bool& Flag) : Flag_(Flag) { Flag_ = true; }
    ~TFlagGuard() { Flag_ = false; }
    TFlagGuard(const TFlagGuard&) = delete;
    TFlagGuard& operator=(const TFlagGuard&) = delete;

private:
    bool& Flag_;
};

// Empties a list without destroying its variables (they belong elsewhere).
void ForgetAll(TVarsList& List) {
    while (List.Count() > 0)
        List.Delete(List.Count() - 1);
}

ArgArray CopyArgs(PParserOperation Op) {
    ArgArray args;
    args.reserve(static_cast<std::size_t>(std::max(Op->ArgCount, 0)));
    for (std::int32_t i = 0; i < Op->ArgCount; ++i)
        args.push_back(*Op->Args[i]);
    return args;
}

// Alias expansion multiplies text; a bound keeps a hostile library from exhausting memory.
constexpr std::size_t kMaxExpandedText = 1 << 20;

} // namespace

// ---------------------------------------------------------------------------------------------
// Calls

void OpUserFunc(PParserOperation Op) {
    auto* callee = static_cast<TEvalObj*>(Op->Obj);
    EvalCheckPoint();
    ArgArray args = CopyArgs(Op);
    callee->F(args, Op->ArgCount - 1, *Op->Result);
}

void OpUndefFunc(PParserOperation Op) {
    auto* self = static_cast<TEvalObj*>(Op->Obj);
    if (Op->Name.empty() || !self->OnUndefFunction) {
        *Op->Result = Variant(std::int32_t{0});
        return;
    }
    ArgArray args = CopyArgs(Op);
    *Op->Result = self->OnUndefFunction(self->Owner, std::string(Op->Name), args, Op->ArgCount - 1);
}

// ---------------------------------------------------------------------------------------------
// TEvalObj: life and source

TEvalObj::TEvalObj(TComponent* AOwner) : Owner(AOwner), Link(this) {
    UsedVars.Duplicates = TDuplicates::dupIgnore;
    Link.OnGetHost = [this]() -> void* { return Owner; };
    Link.OnGetUpdateEnabled = [this] { return GetUpdateEnabledOfHost(); };
    Link.OnInvalidate = [this] { InvalidOperationNotify(); };
    Link.OnInvalidateValue = [this] { InvalidValueNotify(); };
    Link.OnValidateValue = [this] { ValidateValueNotify(); };
}

TEvalObj::~TEvalObj() {
    // Nothing may keep pointers into the pools that go now.
    FreeExpression();
    Link.OnInvalidate = nullptr;
    Link.OnInvalidateValue = nullptr;
    Link.OnValidateValue = nullptr;
    Link.RemoveLinks();
}

std::vector<std::string> TEvalObj::SplitLines(const std::string& Text) {
    std::vector<std::string> lines;
    std::string cur;
    for (std::size_t i = 0; i < Text.size(); ++i) {
        const char c = Text[i];
        if (c != '\r' && c != '\n') {
            cur += c;
            continue;
        }
        if (c == '\r' && i + 1 < Text.size() && Text[i + 1] == '\n') ++i;
        lines.push_back(std::move(cur));
        cur.clear();
    }
    if (!cur.empty()) lines.push_back(std::move(cur));
    return lines;
}

std::string TEvalObj::SourceStr() const {
    std::string text;
    for (std::size_t i = 0; i < Source_.size(); ++i) {
        if (i > 0) text += "\r\n";
        text += Source_[i];
    }
    return text;
}

void TEvalObj::AssignSource(const std::vector<std::string>& Lines) {
    Source_ = Lines;
    SourceChanged();
}

void TEvalObj::SetSource(const std::vector<std::string>& Lines) {
    std::vector<std::string> old = Source_;
    AssignSource(Lines);
    if ((Owner && Owner->IsLoading()) || !UpdateEnabled()) return;
    try {
        ValidateOperation(false);
        if (auto* lib = dynamic_cast<TCustomUserLib*>(Owner)) lib->Validate(false);
    } catch (...) {
        AssignSource(old);
        try {
            ValidateOperation(false);
        } catch (const std::exception&) {
            // The old text may not compile either; the new text's error is the one to report.
        }
        throw;
    }
}

void TEvalObj::SourceChanged() {
    InvalidateOperation();
    SourceText_ = JoinScriptLines(Source_);
}

void TEvalObj::SetName(const std::string& NewName) {
    const std::string up = UpStr(NewName);
    if (up == Name_) return;
    if (!IsValidIdentCyr(up) || HasReservedWord(up)) throw EBadName(MsgWithName(_msgInvalidIdent, NewName));
    if (auto* lib = dynamic_cast<TCustomUserLib*>(Owner)) {
        if (!Name_.empty() && lib->IsReferenced(*this)) throw EMathParserError(_msgReferenceError);
        if (lib->HasItemNamed(up, this)) throw EMathParserError(_msgDuplicateIdent);
    }
    Name_ = up;
    Link.RemoveExtLinks(); // whoever called the old name compiles again
}

bool TEvalObj::GetUpdateEnabledOfHost() const {
    if (!Owner) return true;
    if (Owner->IsLoading()) return false;
    if (const auto* lib = dynamic_cast<const TCustomUserLib*>(Owner)) return lib->UpdateEnabled();
    if (const auto* vars = dynamic_cast<const TEPVars*>(Owner)) return vars->UpdateEnabled();
    return true;
}

TEngineContext& TEvalObj::Context() {
    return *ContextFor();
}

std::shared_ptr<TEngineContext> TEvalObj::ContextFor() {
    if (TEPRegFuncs* funcs = GetRegFuncs()) return funcs->SharedContext();
    if (!Own_) Own_ = std::make_shared<TEngineContext>();
    return Own_;
}

TEPCustomRegClasses* TEvalObj::GetRegClasses() const {
    const TEPRegFuncs* funcs = GetRegFuncs();
    return funcs ? funcs->RegClasses() : nullptr;
}

// ---------------------------------------------------------------------------------------------
// Validity

void TEvalObj::ValidateOperation(bool Force) {
    if (InValidation_) throw EMathParserError(MsgWithName(_msgCircularReference, Name_));
    const TFlagGuard guard(InValidation_);
    if (Force && Valid_) InvalidateOperation();
    if (Valid_) return;
    Compiled_ = ContextFor();
    const TValueScope values(&Compiled_->Values);
    Link.QuietValue = false;
    DoBeforeValidating();
    CreateResultVar();
    ParseSource();
    Valid_ = true;
    UpdateQuietValue();
}

void TEvalObj::UpdateQuietValue() {
    // The value events of an expression re-read its data-field helpers and reset the flags of its
    // locals. Locals the compiler made are stored values no one else reads, and no one asks
    // their flags: with no helpers, the events only go on to the dependents.
    bool quiet = ExtraVars.Count() == 0;
    for (int i = 0; quiet && i < LocalVars.Count(); ++i) {
        TVariable* v = LocalVars.Objects(i);
        quiet = v->ValueType() == vvValue && !v->Linked() && !v->SaveResult() && !v->Link().HasExtLinks();
    }
    Link.QuietValue = quiet;
}

void TEvalObj::InvalidateOperation() {
    if (InInvalidation_) return;
    const TFlagGuard guard(InInvalidation_);
    FreeExpression();
    const bool wasValid = Valid_;
    Valid_ = false;
    Link.InvalidateLinks();
    if (wasValid) DoAfterInvalidated();
}

void TEvalObj::InvalidateValue() {
    ExtraVars.InvalidateVariables();
    LocalVars.InvalidateVariables();
    Link.InvalidateLinks();
}

void TEvalObj::DoBeforeValidating() {
    if (OnBeforeValidating) OnBeforeValidating(*this);
}

void TEvalObj::DoAfterInvalidated() {
    if (OnAfterInvalidated) OnAfterInvalidated(*this);
}

void TEvalObj::CreateResultVar() {
    if (ResultVar) return;
    ResultObj_ = MakeVariable(LocalVars, "RESULT");
    ResultVar = *ResultObj_->GetPPVar();
}

void TEvalObj::ParseSource() {
    // An empty text compiles without the builder, which would otherwise leave the flag of an
    // earlier failure standing.
    ParseFailed_ = false;
    ParsedText = SourceText_;
    if (ParsedText.empty()) return;
    ParseAliases();
    ParseExpression();
}

void TEvalObj::ParseAliases() {
    TCustomUserLib* lib = GetUserLib();
    if (!lib) return;
    const TFlagGuard guard(InAliases_);
    const std::vector<TEvalObj*> aliases = lib->GetAliases();
    // Every pass either substitutes or ends; an alias whose text keeps naming itself through
    // others would go on for ever, so the passes are bounded.
    for (std::size_t pass = 0;; ++pass) {
        bool substituted = false;
        for (TEvalObj* alias : aliases) {
            if (alias == this || alias->InAliases_ || alias->Name_.empty()) continue;
            if (ValidStrPos(ParsedText, alias->Name_) == std::string::npos) continue;
            if (pass > aliases.size())
                throw EMathParserError(MsgWithName(_msgCircularReference, alias->Name_));
            Link.AddIntLinkTo(&alias->Link);
            const std::string replacement = alias->GetExpr();
            std::size_t from = 0;
            for (;;) {
                const std::size_t at = ValidStrPos(std::string_view(ParsedText).substr(from), alias->Name_);
                if (at == std::string::npos) break;
                ParsedText.replace(from + at, alias->Name_.size(), replacement);
                from += at + replacement.size();
                if (ParsedText.size() > kMaxExpandedText)
                    throw EMathParserError(MsgWithName(_msgCircularReference, alias->Name_));
            }
            substituted = true;
        }
        if (!substituted) return;
    }
}

void TEvalObj::ParseExpression() {
    if (ParsedText.empty()) return;
    const auto discard = [this] {
        ParseFailed_ = true;
        FreeExpression();
        Valid_ = false;
        DoAfterInvalidated();
    };
    try {
        // RESULT is a local like any other: nothing depends on it, so its writes tell no one.
        Program_ = ParseProcedure(ParsedText, *this, TVarRef{ResultVar, nullptr}, Compiled_->FastChains,
                                  ParseFailed_);
        Statements_ = Program_->Statements;
        ParseFailed_ = false;
    } catch (EMathParserError& e) {
        LocateError(e); // while the compiled text is still there
        discard();
        throw;
    } catch (...) {
        discard();
        throw;
    }
}

void TEvalObj::LocateError(EMathParserError& E) const {
    if (E.Line() != 0 || E.Offset() == EMathParserError::npos) return;
    if (!ParsedText.empty() && ParsedText != SourceText_) return;
    const TLineColumn at = LineColumnOf(Source_, E.Offset());
    E.SetLineColumn(at.Line, at.Column);
}

void TEvalObj::LocateName(EMathParserError& E, const std::string& Name) const {
    if (E.Line() != 0) return;
    const std::size_t at = ValidStrPos(SourceText_, Name);
    if (at == std::string::npos) return;
    E.SetOffset(at);
    LocateError(E);
}

void TEvalObj::FreeExpression() {
    Link.RemoveIntLinks();
    Statements_ = nullptr;
    Program_.reset();
    ForgetAll(UsedVars);
    ExtraVars.Clear();
    LocalVars.Clear();
    ResultVar = nullptr;
    ResultObj_ = nullptr;
    if (UndefVars) UndefVars->Clear();
    ParsedText.clear();
    UpdateQuietValue();
}

std::int32_t TEvalObj::GetArgCount() {
    ValidateOperation(false);
    return ParseFailed_ ? -1 : ConstCount();
}

const std::string& TEvalObj::GetExpr() {
    ValidateOperation(false);
    return ParsedText;
}

// ---------------------------------------------------------------------------------------------
// Evaluation

void TEvalObj::F(ArgArray& Args, std::int32_t ParamHigh, Variant& Result) {
    if (!Valid_) ValidateOperation(false);
    if (ParseFailed_) {
        Result = Variant(std::int32_t{0});
        return;
    }
    const TValueScope values(&Compiled_->Values);
    UsedVars.RefreshVariables();
    if (ExtraVars.Count() > 0) ExtraVars.ValidateVariables();
    if (Program_ && !Program_->ConstPool.empty()) { // most texts use no "%N" slot
        const std::size_t given = ParamHigh < 0 ? 0 : static_cast<std::size_t>(ParamHigh) + 1;
        const std::size_t n = std::min({given, Args.size(), Program_->ConstPool.size()});
        for (std::size_t i = 0; i < n; ++i)
            Program_->ConstPool[i] = Args[i];
    }
    CalcValue(Result);
}

Variant TEvalObj::F() {
    ArgArray args{Variant(std::int32_t{0})};
    Variant result;
    F(args, 0, result);
    return result;
}

void TEvalObj::Check() {
    ValidateOperation(false);
    if (ParseFailed_) throw ESyntaxError(_msgParseError);
    const TValueScope values(&Compiled_->Values);
    UsedVars.ValidateVariables();
    CheckStatements(Statements_);
}

void TEvalObj::CheckStatements(PParserStatement Chain) {
    for (PParserStatement st = Chain; st; st = st->Next) {
        CheckOperations(st->Expr1);
        CheckOperations(st->Expr2);
        CheckStatements(st->Body1);
        CheckStatements(st->Body2);
    }
}

void TEvalObj::CheckOperations(PParserOperation Chain) {
    for (PParserOperation op = Chain; op; op = op->Next) {
        if (op->Token == TToken::UserFunc) {
            static_cast<TEvalObj*>(op->Obj)->Check();
            continue;
        }
        if (op->Token != TToken::UndefFunc) continue;
        const std::string name(op->Name);
        try {
            if (!OnUndefFunction) throw EUnknownFunction(std::string(_msgUnknownFunc) + " " + name);
            ArgArray args = CopyArgs(op);
            OnUndefFunction(Owner, name, args, op->ArgCount - 1);
        } catch (EMathParserError& e) {
            LocateName(e, name);
            throw;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Name resolution

TVariable* TEvalObj::MakeVariable(TVarsList& List, const std::string& Name) {
    const std::string up = UpStr(Name);
    if (TVariable* v = List.FindVariable(up)) return v;
    TVariable* v = List.CreateVariable(nullptr, up, "");
    **v->GetPPVar() = Variant(std::int32_t{0});
    return v;
}

bool TEvalObj::FindGlobal(const std::string& Name, TVarRef& Ref, bool MakeUndefined) {
    if (TVarsList* globals = GetVarsList()) {
        if (TVariable* v = globals->FindVariable(Name)) {
            // A change of the variable makes this expression's value stale.
            Link.AddIntLinkTo(&v->Link());
            UsedVars.AddVariable(v);
            Ref = {*v->GetPPVar(), v};
            return true;
        }
    }
    if (TVariable* v = LocalVars.FindVariable(Name)) {
        // Nothing depends on a local: writes need not tell it.
        Ref = {*v->GetPPVar(), nullptr};
        return true;
    }
    if (!UndefVars) return false;
    TVariable* v = UndefVars->FindVariable(Name);
    if (!v) {
        if (!MakeUndefined || !IsValidIdentCyr(Name) || HasReservedWord(Name)) return false;
        v = MakeVariable(*UndefVars, Name);
    }
    // Linked as well, so that a placeholder freed by its list cannot leave this expression
    // pointing at it.
    Link.AddIntLinkTo(&v->Link());
    UsedVars.AddVariable(v);
    Ref = {*v->GetPPVar(), v};
    return true;
}

bool TEvalObj::FindVariable(const std::string& Name, TVarRef& Ref) {
    return FindGlobal(Name, Ref, true);
}

bool TEvalObj::FindTarget(const std::string& Name, TVarRef& Ref) {
    // A name found nowhere becomes a local of the script, not a placeholder.
    if (FindGlobal(Name, Ref, false)) return true;
    if (!IsValidIdentCyr(Name) || HasReservedWord(Name)) return false;
    Ref = {*MakeVariable(LocalVars, Name)->GetPPVar(), nullptr};
    return true;
}

bool TEvalObj::BindCall(const std::string& Name, TParserOperation& Op, std::int32_t& ArgCount) {
    if (TEPRegFuncs* funcs = GetRegFuncs()) {
        if (TFuncObj* f = funcs->FindFunction(Name)) {
            Link.AddIntLinkTo(&f->Link);
            f->BindOperation(&Op);
            Op.Token = f->IsObjectBound() ? TToken::BldFuncOfObj : TToken::BldFunc;
            ArgCount = f->ArgCount();
            return true;
        }
    }
    if (TCustomUserLib* lib = GetUserLib()) {
        if (TEvalObj* uf = lib->FindUserFunc(Name)) {
            Link.AddIntLinkTo(&uf->Link); // refuses a function that calls itself
            ArgCount = uf->GetArgCount();
            Op.Token = TToken::UserFunc;
            Op.Proc = OpUserFunc;
            Op.Obj = uf;
            return true;
        }
    }
    if (!UndefVars || !IsValidIdentCyr(Name)) return false;
    Op.Token = TToken::UndefFunc;
    Op.Proc = OpUndefFunc;
    Op.Obj = this;
    ArgCount = -1;
    return true;
}

bool TEvalObj::BindMember(const std::string& Member, bool Assign, TParserOperation& Op) {
    TEPRegFuncs* funcs = GetRegFuncs();
    if (!funcs) return false;
    const TEPCustomRegClasses* classes = funcs->RegClasses();
    TToken kind = TToken::ObjMethod;
    const char* runner = kExecObjMethodName;
    if (Assign) {
        kind = TToken::SetObjProp;
        runner = kSetObjPropName;
    } else if (classes && classes->IsConstructorName(Member)) {
        kind = TToken::ObjConstr;
        runner = kCreateObjectName;
    }
    TFuncObj* f = funcs->FindFunction(runner);
    if (!f) return false;
    Link.AddIntLinkTo(&f->Link);
    f->BindOperation(&Op);
    Op.Token = kind == TToken::ObjMethod && f->IsObjectBound() ? TToken::ObjMethodOfObj : kind;
    Op.CallerLink = &Link;
    return true;
}

bool TEvalObj::FindObjectRef(const std::string& Name, TVarRef& Ref) {
    std::string helper = "__" + Name;
    RemoveChar(helper, '.');
    if (TVariable* v = ExtraVars.FindVariable(helper)) {
        Ref = {*v->GetPPVar(), nullptr};
        return true;
    }
    const TObject* object = nullptr;
    if (CompareNames(Name, "Self") == 0) {
        object = Owner;
    } else if (Owner && CompareNames(Owner->Name(), Name) == 0) {
        object = Owner;
    } else if (TComponent* c = FindRTTComp(Owner, Name)) {
        object = c;
    } else if (TEPCustomRegClasses* classes = GetRegClasses()) {
        object = classes->GetClass(Name);
    }
    if (!object) throw EMathParserError(MsgWithName(_msgWrongComponent, Name));
    TVariable* v = MakeVariable(ExtraVars, helper);
    **v->GetPPVar() = Compiled_->Objects.ValueOf(object);
    Ref = {*v->GetPPVar(), nullptr};
    return true;
}

bool TEvalObj::FindDataField(const std::string& Source, const std::string& Field, TVarRef& Ref) {
    auto* source = dynamic_cast<TDataSource*>(FindRTTComp(Owner, Source));
    if (!source) return false;
    std::string helper = Source + Field;
    RemoveChar(helper, '.');
    TVariable* v = ExtraVars.FindVariable(helper);
    if (!v) {
        v = MakeVariable(ExtraVars, helper);
        v->SetDataSource(source);
        v->SetDataField(Field);
        v->SetValueType(vvDBField);
    }
    Link.AddIntLinkTo(&v->Link());
    Ref = {*v->GetPPVar(), nullptr};
    return true;
}

// ---------------------------------------------------------------------------------------------
// The evaluator behind variables and ExecScript (the units below call it by name)

namespace {

// The expression of a variable of kind vvExpression: compiled against its collection's
// variables, functions and user library.
class TVariableExpression : public TVarExpression {
public:
    TVariableExpression() {
        Obj_.OnProvideVarsList = [this]() -> TVarsList* {
            TEPVars* coll = Collection();
            return coll ? &coll->Vars() : nullptr;
        };
        Obj_.OnProvideRegFuncs = [this]() -> TEPRegFuncs* {
            TEPVars* coll = Collection();
            return coll ? dynamic_cast<TEPRegFuncs*>(coll->RegFuncs()) : nullptr;
        };
        Obj_.OnProvideUserLib = [this]() -> TCustomUserLib* {
            TEPVars* coll = Collection();
            return coll ? dynamic_cast<TCustomUserLib*>(coll->UserLib()) : nullptr;
        };
    }
    void SetText(const std::string& Text) override { Obj_.AssignSourceStr(Text); }
    TExprLink& Link() override { return Obj_.Link; }
    Variant Evaluate() override {
        Obj_.Owner = Collection();
        return Obj_.F();
    }
    void DisconnectFrom(const TComponent* Component) override {
        if (Obj_.Link.FindHostLink(Component)) Obj_.InvalidateOperation();
    }

private:
    // The variable wires the link's host to the collection that answers for it.
    TEPVars* Collection() const { return static_cast<TEPVars*>(Obj_.Link.GetHost()); }
    TEvalObj Obj_;
};

} // namespace

std::unique_ptr<TVarExpression> MakeVarExpression(TVariable& /*Owner*/) {
    return std::make_unique<TVariableExpression>();
}

void RunExecScript(TEPRegFuncs& RegFuncs, const std::string& Source, ArgArray& Args, std::int32_t ParamHigh,
                   Variant& Result) {
    TEvalObj script;
    script.OnProvideRegFuncs = [&RegFuncs] { return &RegFuncs; };
    script.AssignSourceStr(Source);
    script.F(Args, ParamHigh, Result);
}

} // namespace skv::engine

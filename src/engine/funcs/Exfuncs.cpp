// The function registry: function objects, the name table, group switches and event functions.
#include "engine/funcs/Exfuncs.h"
#include "engine/base/Errors.h"
#include "engine/base/Messages.h"
#include "engine/base/Text.h"

#include "engine/context/Enginecontext.h"
#include "engine/funcs/Exfuncs_classes.h"

#include <algorithm>
#include <cmath>

namespace skv::engine {

// ---------------------------------------------------------------------------------------------
// Categories and call templates

namespace {

constexpr const char* kCategoryTexts[] = {
    "Arithmetic functions", "Aggregate functions",    "Exponent and Logarithmic",
    "Logical functions",    "Date time functions",    "Trigonometric functions",
    "DB functions",         "User defined functions", "Custom functions",
    "Variant functions",    "String functions",       "Convertion functions",
    "File functions",       "System functions",       "Internal functions",
};
static_assert(std::size(kCategoryTexts) == fct_Internal + 1, "a text for every category, in their order");

std::string DuplicateFunctionMessage(std::string_view Name) {
    return std::string(_msgDuplicateIdent).append(". Registered function: ").append(Name);
}

void CheckNewName(const TFuncStringList& List, const std::string& Name) {
    if (!IsValidIdentCyr(Name)) throw EBadName(MsgWithName(_msgInvalidIdent, Name));
    if (List.FindFunc(Name)) throw EBadName(DuplicateFunctionMessage(Name));
}

void DoNothing(PParserOperation /*Op*/) {}

} // namespace

const char* CategoryDescription(TFuncCategory Category) {
    const auto index = static_cast<std::size_t>(Category);
    return index < std::size(kCategoryTexts) ? kCategoryTexts[index] : "";
}

const std::array<TFuncCategory, 14> kCategoryListOrder = {
    fct_Arithm,  fct_Aggregate, fct_Convert, fct_Date,     fct_DBFunc,  fct_ExpLog,  fct_File,
    fct_Logical, fct_String,    fct_System,  fct_Trigonom, fct_Variant, fct_UserDef, fct_Custom,
};
static_assert(kCategoryListOrder.size() == fct_Internal, "every category but Internal is offered");

std::vector<std::string> FillCategoryList() {
    std::vector<std::string> list;
    list.reserve(kCategoryListOrder.size());
    for (TFuncCategory c : kCategoryListOrder)
        list.emplace_back(CategoryDescription(c));
    return list;
}

std::vector<std::string> GetParamsDescr(std::string_view FuncName, std::int32_t ArgCount) {
    if (ArgCount < 0) return {"x1", "x2", "x3", "..."};
    const std::string name = UpStr(FuncName);
    if (name == "DAYOFWEEK" || name == "EXTRACTDAY" || name == "EXTRACTMONTH" || name == "EXTRACTYEAR")
        return {"D"};
    if (name == "ENCODEDATE") return {"YY", "MM", "DD"};
    if (name == "IIF") return {"L", "A", "B"};
    if (name == "POWER" || name == "IPOWER") return {"x", "y"};
    if (ArgCount == 1) return {"x"};
    std::vector<std::string> list;
    for (std::int32_t i = 1; i <= ArgCount; ++i)
        list.push_back("x" + std::to_string(i));
    return list;
}

// ---------------------------------------------------------------------------------------------
// Typed-call conversions

std::int32_t OperandToInteger(const Variant& V) {
    if (V.VType() == varInteger) return V.RawInteger();
    return V.ToInteger(); // doubles, singles and currency round halves to even
}

double OperandToFloat(const Variant& V) {
    if (V.VType() == varDouble || V.VType() == varDate) return V.RawDouble();
    return V.ToReal();
}

Variant OrdinalResult(TEPTypesType ResultType, std::int64_t Value) {
    switch (ResultType) {
    case typeByte:
    case typeBoolean:
        return Variant(static_cast<std::int32_t>(static_cast<std::uint8_t>(Value)));
    case typeWord:
    case typeSmallInt:
        return Variant(static_cast<std::int32_t>(static_cast<std::uint16_t>(Value)));
    default:
        return Variant(static_cast<std::int32_t>(static_cast<std::uint32_t>(Value)));
    }
}

namespace {
// A function that needs its host's state but never joined a registry has none.
TEngineContext& ContextOfFunction(const TFuncObj* Func) {
    if (!Func || !Func->Context())
        throw EParserInternalError(MsgWithName(_msgInternalError, Func ? Func->FuncName() : "no function"));
    return *Func->Context();
}
} // namespace

TEngineContext& ContextOf(PParserOperation Op) {
    return ContextOfFunction(static_cast<const TFuncObj*>(Op->Obj));
}

namespace exfuncs_detail {
void RaiseWrongSelf() {
    throw EMathParserError(_msgInvalidObjRef);
}

TEngineContext& StubContext(const TFuncStub& Stub) {
    return ContextOfFunction(Stub.Func);
}

namespace {
std::vector<std::unique_ptr<ArgArray>>& ArgArrayPool() {
    thread_local std::vector<std::unique_ptr<ArgArray>> pool;
    return pool;
}
} // namespace

TPooledArgArray::TPooledArgArray() {
    auto& pool = ArgArrayPool();
    if (pool.empty()) {
        Array_ = std::make_unique<ArgArray>();
        return;
    }
    Array_ = std::move(pool.back());
    pool.pop_back();
}

TPooledArgArray::~TPooledArgArray() {
    Array_->clear(); // lets go of strings and objects at once
    ArgArrayPool().push_back(std::move(Array_));
}
} // namespace exfuncs_detail

// ---------------------------------------------------------------------------------------------
// TFuncObj

TFuncObj::TFuncObj(std::string Name) : Link(this), FuncName_(std::move(Name)), Proc_(&DoNothing) {
    // Expressions find which component a dependency belongs to through the link's host.
    Link.OnGetHost = [this]() -> void* { return Owner_ ? static_cast<TComponent*>(Owner_) : nullptr; };
}

TFuncObj::~TFuncObj() {
    if (Owner_) Owner_->Funcs().RemoveFuncObj(this);
    Link.RemoveExtLinks();
}

void TFuncObj::CodeChanged() {
    Link.RemoveExtLinks();
}

void TFuncObj::SetFuncName(const std::string& Name) {
    const std::string upper = UpStr(Name);
    if (upper == FuncName_) return;
    if (Owner_) {
        const TFuncObj* other = Owner_->Funcs().FindFunc(upper);
        if (other && other != this) throw EBadName(DuplicateFunctionMessage(upper));
    }
    FuncName_ = upper;
    if (Owner_) Owner_->Funcs().Resort();
    CodeChanged();
}

namespace {
bool ParamTypesValid(const std::vector<TEPTypesType>& Types) {
    if (Types.size() <= 1) return true;
    return std::none_of(Types.begin(), Types.end(),
                        [](TEPTypesType t) { return t == typeVoid || t == typeArray; });
}
} // namespace

void TFuncObj::SetParamTypes(const std::vector<TEPTypesType>& Types) {
    if (!ParamTypesValid(Types)) throw EMathParserError(MsgWithName(_msgInvalidParamTypes, FuncName_));
    ParamTypes_ = Types;
}

void TFuncObj::SetResultType(TEPTypesType Type) {
    if (Type == typeArray || Type > typeVariant)
        throw EMathParserError(MsgWithName(_msgInvalidResultType, FuncName_));
    ResultType_ = Type;
}

void TFuncObj::SetRTFunction(std::unique_ptr<TFuncStub> Stub, void* NativeObj, TClassMethodType MethodType,
                             const std::vector<TEPTypesType>& Types, TEPTypesType Result) {
    // Everything is checked before anything changes, so a refused routine leaves the object as it was.
    if (!ParamTypesValid(Types) || !Stub || !Stub->AcceptsParams(Types))
        throw EMathParserError(MsgWithName(_msgInvalidParamTypes, FuncName_));
    if (Result == typeArray || Result > typeVariant || !Stub->AcceptsResult(Result))
        throw EMathParserError(MsgWithName(_msgInvalidResultType, FuncName_));

    std::int32_t count = static_cast<std::int32_t>(Types.size());
    if (Types.size() == 1 && Types[0] == typeVoid) count = 0;
    if (Types.size() == 1 && Types[0] == typeArray) count = -1;

    Stub->ResultType = Result;
    Stub->Func = this;
    ParamTypes_ = Types;
    ResultType_ = Result;
    Kind_ = NativeObj ? fkTypedMethod : fkTypedProc;
    MethodType_ = MethodType;
    ArgCount_ = count;
    NativeObj_ = NativeObj;
    Proc_ = Stub->OperationProc();
    Data_ = Stub.get();
    CodeChanged();
    Stub_ = std::move(Stub);
}

void TFuncObj::SetRawFunction(TMathProcedure Proc, TObject* Data, TClassMethodType MethodType,
                              std::int32_t ArgCount) {
    CodeChanged();
    Kind_ = Data ? fkRawMethod : fkRawProc;
    Proc_ = Proc ? Proc : &DoNothing;
    Data_ = Data;
    NativeObj_ = nullptr;
    MethodType_ = MethodType;
    ArgCount_ = ArgCount < 0 ? -1 : ArgCount;
    ParamTypes_.clear();
    ResultType_ = typeVoid;
    Stub_.reset();
}

void TFuncObj::SetDefaultFunc() {
    SetRawFunction(nullptr, nullptr, cmtNone, 0);
}

bool TFuncObj::IsAssigned() const {
    return Proc_ != &DoNothing;
}

TEPTypesType TFuncObj::GetParamType(std::int32_t Index) const {
    if (Index < 0) return typeVoid;
    if (Kind_ == fkRawProc || Kind_ == fkRawMethod)
        return (ArgCount_ < 0 || Index < ArgCount_) ? typeParserType : typeVoid;
    return static_cast<std::size_t>(Index) < ParamTypes_.size() ? ParamTypes_[static_cast<std::size_t>(Index)]
                                                                : typeVoid;
}

void TFuncObj::BindOperation(PParserOperation Op) const {
    Op->Proc = Proc_;
    Op->Obj = const_cast<TFuncObj*>(this);
    Op->Data = Data_;
}

void TFuncObj::CheckArgCount(std::int32_t Count) const {
    if (Count < 0 || (ArgCount_ >= 0 && Count != ArgCount_))
        throw EFuncParamsError(MsgWithName(_msgMismatchArgs, FuncName_));
}

TParserOperation TFuncObj::CallOperation(Variant* const* Args, std::int32_t Count, Variant& Result) {
    TParserOperation op;
    if (Count > 0)
        op.Args = std::span<Variant*>(const_cast<Variant**>(Args), static_cast<std::size_t>(Count));
    op.ArgCount = Count;
    op.Arg1 = Count > 0 ? Args[0] : nullptr;
    op.Arg2 = Count > 1 ? Args[1] : nullptr;
    op.Arg3 = Count > 2 ? Args[2] : nullptr;
    op.Result = &Result;
    return op;
}

void TFuncObj::Call(Variant* const* Args, std::int32_t Count, Variant& Result) const {
    CheckArgCount(Count);
    // A call from outside an evaluation is one too: its values count toward the host's.
    const TValueScope values(Context_ ? &Context_->Values : nullptr);
    TParserOperation op = CallOperation(Args, Count, Result);
    op.Token = IsObjectBound() ? TToken::BldFuncOfObj : TToken::BldFunc;
    BindOperation(&op);
    op.Proc(&op);
}

void TFuncObj::SetOwner(TEPRegFuncs* NewOwner) {
    if (NewOwner == Owner_) return;
    if (Owner_) Owner_->RemoveFuncObj(this);
    if (NewOwner) NewOwner->AddFuncObj(this);
}

// ---------------------------------------------------------------------------------------------
// TFuncStringList

TFuncStringList::TFuncStringList(TEPRegFuncs* Owner) : Owner_(Owner) {
    Sorted = true;
    Duplicates = TDuplicates::dupError;
}

TFuncStringList::~TFuncStringList() {
    FreeFuncObjs();
}

std::string TFuncStringList::GetString(int Index) const {
    return Items[static_cast<std::size_t>(Index)]->FuncName();
}

void TFuncStringList::PutString(int Index, const std::string& Text) {
    Items[static_cast<std::size_t>(Index)]->FuncName_ = Text;
}

TFuncObj* TFuncStringList::FindFunc(std::string_view Name) const {
    int index = 0;
    return Find(std::string(Name), index) ? Items[static_cast<std::size_t>(index)] : nullptr;
}

void TFuncStringList::Insert(TFuncObj* F) {
    F->Owner_ = Owner_;
    if (Owner_) F->Context_ = Owner_->SharedContext();
    Add(F, F->FuncName());
    if (!F->EventFunc_) Owned_.emplace_back(F);
}

namespace {
std::unique_ptr<TFuncObj> TakeFrom(std::vector<std::unique_ptr<TFuncObj>>& List, const TFuncObj* F) {
    const auto it = std::find_if(List.begin(), List.end(), [F](const auto& f) { return f.get() == F; });
    if (it == List.end()) return nullptr;
    std::unique_ptr<TFuncObj> taken = std::move(*it);
    List.erase(it);
    return taken;
}
} // namespace

bool TFuncStringList::Free(TFuncObj* F) {
    const std::unique_ptr<TFuncObj> doomed = TakeFrom(Owned_, F);
    if (!doomed) return false;
    RemoveFuncObj(F); // out of the list first, even for a list no registry holds
    return true;
}

void TFuncStringList::Resort() {
    Sort();
}

TFuncObj* TFuncStringList::AddNewFuncObjectOfObj(const std::string& Name, TMathProcedure Proc, TObject* Data,
                                                 std::int32_t ArgCount, const std::string& Descr,
                                                 TFuncCategory Category) {
    if (FindFunc(Name)) throw EBadName(DuplicateFunctionMessage(Name));
    auto f = std::make_unique<TFuncObj>(Name);
    f->SetDescr(Descr);
    f->Category = Category;
    f->SetRawFunction(Proc, Data, cmtNone, ArgCount);
    Insert(f.get());
    return f.release(); // the list owns it now
}

TFuncObj* TFuncStringList::AddNewFuncObject(const std::string& Name, TMathProcedure Proc,
                                            std::int32_t ArgCount, const std::string& Descr,
                                            TFuncCategory Category) {
    return AddNewFuncObjectOfObj(Name, Proc, nullptr, ArgCount, Descr, Category);
}

bool TFuncStringList::AddFunc(const std::string& Name, TMathProcedure Proc, std::int32_t ArgCount,
                              const std::string& Descr, TFuncCategory Category) {
    if (FindFunc(Name)) return false;
    AddNewFuncObject(Name, Proc, ArgCount, Descr, Category);
    return true;
}

TFuncObj* TFuncStringList::AddRTFunction(const std::string& Name, std::unique_ptr<TFuncStub> Stub,
                                         void* NativeObj, const std::vector<TEPTypesType>& Types,
                                         TEPTypesType Result, const std::string& Descr,
                                         TFuncCategory Category) {
    TFuncObj* f = AddNewFuncObject(Name, nullptr, 0, Descr, Category);
    try {
        f->SetRTFunction(std::move(Stub), NativeObj, cmtNone, Types, Result);
    } catch (...) {
        Free(f);
        throw;
    }
    return f;
}

void TFuncStringList::RemoveFuncObj(TFuncObj* F) {
    const int index = IndexOf(F);
    if (index < 0) return;
    Delete(index);
    F->Owner_ = nullptr;
    (void)TakeFrom(Owned_, F).release(); // on its way out, or kept by whoever took it
}

void TFuncStringList::RemoveFuncObject(std::string_view Name) {
    TFuncObj* f = FindFunc(Name);
    if (!f) return;
    if (f->EventFunc_) {
        if (Owner_) Owner_->RemoveEventFunc(f->EventFunc_);
        RemoveFuncObj(f);
        return;
    }
    if (!Free(f)) RemoveFuncObj(f);
}

void TFuncStringList::FreeFuncObjs() {
    while (Count() > 0) {
        TFuncObj* f = Items.back();
        if (f->EventFunc_) {
            // The event function component owns its object: it only leaves the registry.
            if (Owner_) Owner_->RemoveEventFunc(f->EventFunc_);
            RemoveFuncObj(f);
            continue;
        }
        if (!Free(f)) RemoveFuncObj(f);
    }
}

// ---------------------------------------------------------------------------------------------
// TEPEventFunc

TEPEventFunc::TEPEventFunc(TComponent* AOwner) : TComponent(AOwner), Func_(std::make_unique<TFuncObj>()) {
    Func_->EventFunc_ = this;
    Func_->SetRTFunction(MakeFuncStub(&TEPEventFunc::Evaluate, this), this, cmtNone, {typeArray},
                         typeParserType);
}

TEPEventFunc::~TEPEventFunc() {
    SetRegFuncs(nullptr);
}

void TEPEventFunc::SetRegFuncs(TEPRegFuncs* RegFuncs) {
    TEPRegFuncs* current = Func_->Owner();
    if (current == RegFuncs) return;
    if (current) current->RemoveEventFunc(this);
    if (RegFuncs) RegFuncs->AddEventFunc(this);
}

Variant TEPEventFunc::Evaluate(ArgArray& Params, std::int32_t ParamHigh) {
    if (!OnEvaluate_) return Variant(std::int32_t{0});
    return OnEvaluate_(Params, ParamHigh);
}

// ---------------------------------------------------------------------------------------------
// TEPRegFuncs

TEPRegFuncs::TEPRegFuncs(TComponent* AOwner, const TBuildInLibrary* Library)
    : TComponent(AOwner), Context_(std::make_shared<TEngineContext>()), Funcs_(this),
      Library_(Library ? Library : &DefaultBuildInLibrary()) {
    for (int g = bfgDate; g < kBuildInGroupCount; ++g) {
        Switch_[static_cast<std::size_t>(g)] = true;
        Present_[static_cast<std::size_t>(g)] = true;
    }
    Library_->FillOutBuildFuncs(Funcs_);
    FillRTBuildFuncs();
}

TEPRegFuncs::~TEPRegFuncs() {
    while (!EventFuncs_.empty())
        EventFuncs_.back()->SetRegFuncs(nullptr);
    if (RegClasses_) RemoveFreeNotification(RegClasses_);
    RegClasses_ = nullptr;
    Funcs_.FreeFuncObjs();
}

void TEPRegFuncs::SetRegFuncType(bool Value, int Group) {
    bool& flag = Switch_[static_cast<std::size_t>(Group)];
    if (flag == Value) return;
    flag = Value;
    if (IsLoading()) return;
    try {
        SetGroupPresent(Group, Value);
    } catch (...) {
        flag = !Value; // the switch keeps telling what the table holds
        throw;
    }
}

void TEPRegFuncs::SetGroupPresent(int Group, bool Present) {
    bool& present = Present_[static_cast<std::size_t>(Group)];
    if (present == Present) return;
    if (Present)
        Library_->AddBuildInFuncs(Funcs_, Group);
    else
        Library_->RemoveBuildInFuncs(Funcs_, Group);
    present = Present;
}

void TEPRegFuncs::AdjustBuildInFuncs() {
    for (int g = bfgDate; g < kBuildInGroupCount; ++g)
        SetGroupPresent(g, Switch_[static_cast<std::size_t>(g)]);
}

void TEPRegFuncs::Loaded() {
    TComponent::Loaded();
    AdjustBuildInFuncs();
}

void TEPRegFuncs::FillRTBuildFuncs() {
    Funcs_.AddNewFuncObjectOfObj(kCreateObjectName, &CreateObjectProc, this, -1, "Creates an object",
                                 fct_Internal);
    Funcs_.AddNewFuncObjectOfObj(kExecObjMethodName, &ExecObjMethodProc, this, -1,
                                 "Executes an object method", fct_Internal);
    Funcs_.AddNewFuncObjectOfObj(kSetObjPropName, &SetObjPropProc, this, -1, "Sets an object property",
                                 fct_Internal);
    Funcs_.AddNewFuncObjectOfObj(kExecScriptName, &ExecScriptProc, this, -1, "Executes a script", fct_System);
}

void TEPRegFuncs::SetRegClasses(TEPCustomRegClasses* Classes) {
    if (Classes == RegClasses_) return;
    for (const char* name : {kCreateObjectName, kExecObjMethodName, kSetObjPropName})
        if (TFuncObj* f = FindFunction(name)) f->Link.RemoveExtLinks();
    if (RegClasses_) RemoveFreeNotification(RegClasses_);
    RegClasses_ = Classes;
    if (RegClasses_) {
        FreeNotification(RegClasses_);
        RegClasses_->UseContext(Context_);
    }
}

void TEPRegFuncs::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && RegClasses_ && AComponent == static_cast<TComponent*>(RegClasses_)) {
        RegClasses_ = nullptr;
        for (const char* name : {kCreateObjectName, kExecObjMethodName, kSetObjPropName})
            if (TFuncObj* f = FindFunction(name)) f->Link.RemoveExtLinks();
    }
}

TFuncObj* TEPRegFuncs::AddFunction(const std::string& Name, TMathProcedure Proc, std::int32_t ArgCount,
                                   const std::string& Descr, TFuncCategory Category) {
    CheckNewName(Funcs_, Name);
    return Funcs_.AddNewFuncObject(Name, Proc, ArgCount, Descr, Category);
}

TFuncObj* TEPRegFuncs::AddFunctionOfObj(const std::string& Name, TMathProcedure Proc, TObject* Data,
                                        std::int32_t ArgCount, const std::string& Descr,
                                        TFuncCategory Category) {
    CheckNewName(Funcs_, Name);
    return Funcs_.AddNewFuncObjectOfObj(Name, Proc, Data, ArgCount, Descr, Category);
}

TFuncObj* TEPRegFuncs::AddStdFunction(const std::string& Name, std::unique_ptr<TFuncStub> Stub,
                                      void* NativeObj, const std::vector<TEPTypesType>& Types,
                                      TEPTypesType Result, const std::string& Descr, TFuncCategory Category) {
    CheckNewName(Funcs_, Name);
    return Funcs_.AddRTFunction(Name, std::move(Stub), NativeObj, Types, Result, Descr, Category);
}

TFuncObj* TEPRegFuncs::CreateEventFuncObj(TComponent* AOwner, const std::string& Name,
                                          const std::string& Descr, TFuncCategory Category) {
    CheckNewName(Funcs_, Name);
    TComponent* owner = AOwner ? AOwner : this;
    const bool usable = std::any_of(Name.begin(), Name.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    });
    // The class part of a generated name loses its leading "T"; the function name keeps its own.
    const std::string classPart = "T" + (usable ? Name : std::string("RegFunc"));
    auto event = std::make_unique<TEPEventFunc>(owner);
    event->SetName(CreateUniqueName(this->Name(), classPart, owner->ComponentNames()));
    event->SetFuncName(Name);
    event->SetFuncDescr(Descr);
    event->SetFuncCategory(Category);
    event->SetRegFuncs(this);
    return event.release()->FuncObj(); // its owner frees it from now on
}

void TEPRegFuncs::ClearFunction(std::string_view Name) {
    Funcs_.RemoveFuncObject(Name);
}

void TEPRegFuncs::ClearAllFunctions() {
    Funcs_.FreeFuncObjs();
}

std::string TEPRegFuncs::FreeNameFor(const std::string& Name) const {
    if (!Funcs_.FindFunc(Name)) return Name;
    for (std::int64_t n = 1;; ++n) {
        std::string candidate = Name + std::to_string(n);
        if (!Funcs_.FindFunc(candidate)) return candidate;
    }
}

void TEPRegFuncs::AddFuncObj(TFuncObj* F) {
    if (!F || F->Owner_ == this) return;
    if (F->Owner_) F->Owner_->RemoveFuncObj(F);
    F->FuncName_ = FreeNameFor(F->FuncName_);
    Funcs_.Insert(F);
}

void TEPRegFuncs::RemoveFuncObj(TFuncObj* F) {
    if (!F || F->Owner_ != this) return;
    Funcs_.RemoveFuncObj(F);
}

void TEPRegFuncs::AddEventFunc(TEPEventFunc* E) {
    if (!E || std::find(EventFuncs_.begin(), EventFuncs_.end(), E) != EventFuncs_.end()) return;
    AddFuncObj(E->FuncObj());
    EventFuncs_.push_back(E);
}

void TEPRegFuncs::RemoveEventFunc(TEPEventFunc* E) {
    const auto it = std::find(EventFuncs_.begin(), EventFuncs_.end(), E);
    if (it == EventFuncs_.end()) return;
    EventFuncs_.erase(it);
    RemoveFuncObj(E->FuncObj());
}

} // namespace skv::engine

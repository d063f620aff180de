// The function registry: the table of named functions that expressions call, with the built-in
// groups that can be switched on and off, functions added by the host as raw procedures or as
// typed native routines, and event functions whose body is a callback.
#pragma once

#include "engine/base/Errors.h"
#include "engine/base/Messages.h"
#include "engine/base/Sortedlist.h"
#include "engine/compiler/Program.h"
#include "engine/eval/Exlink.h"
#include "engine/funcs/Exfuncs_typed.h"
#include "engine/objects/Component.h"
#include "engine/values/Variant.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace skv::engine {

enum TFuncCategory : std::uint8_t {
    fct_Arithm,
    fct_Aggregate,
    fct_ExpLog,
    fct_Logical,
    fct_Date,
    fct_Trigonom,
    fct_DBFunc,
    fct_UserDef,
    fct_Custom,
    fct_Variant,
    fct_String,
    fct_Convert,
    fct_File,
    fct_System,
    fct_Internal,
};

// The text a function chooser shows for a category.
const char* CategoryDescription(TFuncCategory Category);
// The categories a chooser offers, in the order it offers them ("Internal" is not offered).
extern const std::array<TFuncCategory, 14> kCategoryListOrder;
// Their descriptions in that order.
std::vector<std::string> FillCategoryList();

// Parameter names for a call template of the function (x1, x2, x3, ... for any number).
std::vector<std::string> GetParamsDescr(std::string_view FuncName, std::int32_t ArgCount);

enum TClassMethodType : std::uint8_t { cmtNone, cmtConstructor, cmtProcedure };

// Kinds of function objects.
enum TFuncKind : std::uint8_t {
    fkRawProc = 0,     // a procedure that reads the running operation
    fkTypedProc = 1,   // a typed native routine
    fkTypedMethod = 2, // a typed native method of an object
    fkRawMethod = 3,   // a raw procedure bound to an object (found in the operation's Data)
};

class TEngineContext;
class TEPRegFuncs;
class TEPEventFunc;
class TFuncStringList;
class TEPCustomRegClasses;

// One registered function. Compiled calls hold its procedure and Data directly; its link is the
// node that every calling expression depends on, so that renaming the function, changing its
// code or destroying it makes those expressions compile again.
class TFuncObj : public TLinkOwner {
public:
    explicit TFuncObj(std::string Name = {});
    ~TFuncObj() override;
    TFuncObj(const TFuncObj&) = delete;
    TFuncObj& operator=(const TFuncObj&) = delete;

    const std::string& FuncName() const { return FuncName_; }
    // Upper-cases the name; refuses a name another function of the registry has.
    void SetFuncName(const std::string& Name);
    const std::string& Descr() const { return Descr_; }
    void SetDescr(const std::string& Text) { Descr_ = Text; }
    TFuncCategory Category = fct_Custom;

    TFuncKind Kind() const { return Kind_; }
    std::int32_t ArgCount() const { return ArgCount_; } // -1: any number
    const std::vector<TEPTypesType>& ParamTypes() const { return ParamTypes_; }
    TEPTypesType ResultType() const { return ResultType_; }
    TClassMethodType MethodType() const { return MethodType_; }
    TMathProcedure Proc() const { return Proc_; }
    // What Proc is bound to: the object of a raw method, the adapter of a typed routine.
    TObject* Data() const { return Data_; }
    void* NativeObj() const { return NativeObj_; }
    TFuncStub* Stub() const { return Stub_.get(); }
    // Bound to an object: the operations calling it are of the object-bound kind.
    bool IsObjectBound() const { return Kind_ == fkTypedMethod || Kind_ == fkRawMethod; }

    // Checked declared types; see the type table.
    void SetParamTypes(const std::vector<TEPTypesType>& Types);
    void SetResultType(TEPTypesType Type);
    // A typed routine through its adapter. NativeObj is the object it is bound to, or null.
    void SetRTFunction(std::unique_ptr<TFuncStub> Stub, void* NativeObj, TClassMethodType MethodType,
                       const std::vector<TEPTypesType>& Types, TEPTypesType Result);
    // A raw procedure; Data is its object for a raw method, null for a plain procedure.
    void SetRawFunction(TMathProcedure Proc, TObject* Data, TClassMethodType MethodType,
                        std::int32_t ArgCount);
    // Back to the procedure that does nothing, without parameters.
    void SetDefaultFunc();
    bool IsAssigned() const;
    // Raw kinds take every parameter as a value; past the last parameter: typeVoid.
    TEPTypesType GetParamType(std::int32_t Index) const;

    // Makes an operation call this function: procedure, function object, bound object and kind.
    void BindOperation(PParserOperation Op) const;
    // Calls the function outside a compiled expression (object calls, event handlers, tests).
    void Call(Variant* const* Args, std::int32_t Count, Variant& Result) const;
    // Raises EFuncParamsError unless Count arguments suit the function.
    void CheckArgCount(std::int32_t Count) const;
    // The operation record of a direct call: the arguments, their count and the result.
    static TParserOperation CallOperation(Variant* const* Args, std::int32_t Count, Variant& Result);

    TEPRegFuncs* Owner() const { return Owner_; }
    // Leaves the old registry and joins the new one (renamed when its name is taken there).
    void SetOwner(TEPRegFuncs* NewOwner);
    // The context of the host it serves: that of the registry it joined last (null: none yet).
    TEngineContext* Context() const { return Context_.get(); }
    // The event function component this object belongs to, or null when its registry owns it.
    TEPEventFunc* EventFunc() const { return EventFunc_; }

    std::string LinkOwnerName() const override { return FuncName_; }
    TExprLink Link;

private:
    friend class TFuncStringList;
    friend class TEPEventFunc;
    friend class TEPRegFuncs;
    void CodeChanged(); // compiled callers hold the old code: make them compile again

    std::string FuncName_;
    std::string Descr_;
    TFuncKind Kind_ = fkRawProc;
    std::int32_t ArgCount_ = 0;
    std::vector<TEPTypesType> ParamTypes_;
    TEPTypesType ResultType_ = typeVoid;
    TClassMethodType MethodType_ = cmtNone;
    TMathProcedure Proc_;
    TObject* Data_ = nullptr;
    void* NativeObj_ = nullptr;
    std::unique_ptr<TFuncStub> Stub_;
    TEPRegFuncs* Owner_ = nullptr;
    TEPEventFunc* EventFunc_ = nullptr;
    // The context of the registry it joined last: a function taken out of its registry to be
    // called by a wrapper still serves that host.
    std::shared_ptr<TEngineContext> Context_;
};

// The name → function table of a registry: sorted, case ignored, duplicates refused. The
// built-in tables register into it directly.
class TFuncStringList : public TSortedObjList<TFuncObj> {
public:
    explicit TFuncStringList(TEPRegFuncs* Owner);
    ~TFuncStringList() override;
    TFuncStringList(const TFuncStringList&) = delete;
    TFuncStringList& operator=(const TFuncStringList&) = delete;

    TEPRegFuncs* Owner() const { return Owner_; }
    // The function of that name (ignoring case), or null.
    TFuncObj* FindFunc(std::string_view Name) const;

    // Refuses a name that is present ("Duplicated identifier. Registered function: NAME").
    TFuncObj* AddNewFuncObject(const std::string& Name, TMathProcedure Proc, std::int32_t ArgCount,
                               const std::string& Descr, TFuncCategory Category);
    TFuncObj* AddNewFuncObjectOfObj(const std::string& Name, TMathProcedure Proc, TObject* Data,
                                    std::int32_t ArgCount, const std::string& Descr, TFuncCategory Category);
    void AddFuncObject(const std::string& Name, TMathProcedure Proc, std::int32_t ArgCount,
                       const std::string& Descr, TFuncCategory Category) {
        AddNewFuncObject(Name, Proc, ArgCount, Descr, Category);
    }
    // Adds only when the name is absent; answers whether it added.
    bool AddFunc(const std::string& Name, TMathProcedure Proc, std::int32_t ArgCount,
                 const std::string& Descr, TFuncCategory Category);
    // A typed routine through its adapter (see MakeFuncStub); nothing stays registered on failure.
    TFuncObj* AddRTFunction(const std::string& Name, std::unique_ptr<TFuncStub> Stub, void* NativeObj,
                            const std::vector<TEPTypesType>& Types, TEPTypesType Result,
                            const std::string& Descr, TFuncCategory Category);
    template <class R, class... A>
    TFuncObj* AddRTFunction(const std::string& Name, R (*Func)(A...), const std::vector<TEPTypesType>& Types,
                            TEPTypesType Result, const std::string& Descr, TFuncCategory Category) {
        return AddRTFunction(Name, MakeFuncStub(Func), nullptr, Types, Result, Descr, Category);
    }

    // Destroys the named function (an event function's object is only unregistered: its
    // component owns it); nothing when absent.
    void RemoveFuncObject(std::string_view Name);
    // Unregisters F without destroying it: whoever took it keeps it from then on.
    void RemoveFuncObj(TFuncObj* F);
    // Destroys every function object, last first (event functions' objects are only unregistered).
    void FreeFuncObjs();

protected:
    std::string GetString(int Index) const override;
    void PutString(int Index, const std::string& Text) override;

private:
    friend class TFuncObj;
    friend class TEPRegFuncs;
    void Insert(TFuncObj* F); // F's name must be free; the list owns it unless a component does
    void Resort();
    // Unregisters and destroys F when the list owns it; false (and nothing done) otherwise.
    bool Free(TFuncObj* F);

    TEPRegFuncs* Owner_;
    // The functions the list owns: all but those of event function components.
    std::vector<std::unique_ptr<TFuncObj>> Owned_;
};

// The built-in functions a registry is filled from, by group (1 date, 2 exponent and logarithm,
// 3 trigonometric, 4 dataset, 5 string and variant, 6 conversion, 7 file, 8 system; group 0 and
// the functions outside the groups are always present).
class TBuildInLibrary {
public:
    virtual ~TBuildInLibrary() = default;
    // Everything: the groups and the functions that are always present.
    virtual void FillOutBuildFuncs(TFuncStringList& List) const = 0;
    virtual void AddBuildInFuncs(TFuncStringList& List, int Group) const = 0;
    virtual void RemoveBuildInFuncs(TFuncStringList& List, int Group) const = 0;
};

enum TBuildInGroup : int {
    bfgNone,
    bfgDate,
    bfgExpLog,
    bfgTrigonom,
    bfgDB,
    bfgVariantString,
    bfgConvert,
    bfgFile,
    bfgSystem,
};
constexpr int kBuildInGroupCount = bfgSystem + 1;

// The library a registry uses when none is given.
const TBuildInLibrary& DefaultBuildInLibrary();

// The handler of an event function: the operands and the index of the last; the result.
using TEvaluateFuncEvent = std::function<Variant(ArgArray& Params, std::int32_t ParamHigh)>;

// A function whose body is a callback. It owns its function object and joins it to a registry.
class TEPEventFunc : public TComponent {
public:
    explicit TEPEventFunc(TComponent* AOwner = nullptr);
    ~TEPEventFunc() override;

    std::string ClassName() const override { return "TEPEventFunc"; }

    const std::string& FuncName() const { return Func_->FuncName(); }
    void SetFuncName(const std::string& Name) { Func_->SetFuncName(Name); }
    const std::string& FuncDescr() const { return Func_->Descr(); }
    void SetFuncDescr(const std::string& Text) { Func_->SetDescr(Text); }
    TFuncCategory FuncCategory() const { return Func_->Category; }
    void SetFuncCategory(TFuncCategory Category) { Func_->Category = Category; }
    const TEvaluateFuncEvent& OnEvaluate() const { return OnEvaluate_; }
    void SetOnEvaluate(TEvaluateFuncEvent Handler) { OnEvaluate_ = std::move(Handler); }

    TFuncObj* FuncObj() const { return Func_.get(); }
    TEPRegFuncs* RegFuncs() const { return Func_->Owner(); }
    void SetRegFuncs(TEPRegFuncs* RegFuncs);

private:
    // The native routine: the handler, or integer 0 while there is none.
    Variant Evaluate(ArgArray& Params, std::int32_t ParamHigh);

    std::unique_ptr<TFuncObj> Func_;
    TEvaluateFuncEvent OnEvaluate_;
};

// The registry component.
class TEPRegFuncs : public TComponent {
public:
    // Filled with every built-in function of Library (the default library when null), then the
    // run-time object functions.
    explicit TEPRegFuncs(TComponent* AOwner = nullptr, const TBuildInLibrary* Library = nullptr);
    ~TEPRegFuncs() override;

    std::string ClassName() const override { return "TEPRegFuncs"; }

    // Group switches. While loading they are only stored; at the end of loading, and at once at
    // any other time, the group follows its switch.
    bool DateFuncs() const { return Switch_[bfgDate]; }
    void SetDateFuncs(bool Value) { SetRegFuncType(Value, bfgDate); }
    bool ExpLogarithmFuncs() const { return Switch_[bfgExpLog]; }
    void SetExpLogarithmFuncs(bool Value) { SetRegFuncType(Value, bfgExpLog); }
    bool TrigonomFuncs() const { return Switch_[bfgTrigonom]; }
    void SetTrigonomFuncs(bool Value) { SetRegFuncType(Value, bfgTrigonom); }
    bool DBFuncs() const { return Switch_[bfgDB]; }
    void SetDBFuncs(bool Value) { SetRegFuncType(Value, bfgDB); }
    bool VariantAndStringFuncs() const { return Switch_[bfgVariantString]; }
    void SetVariantAndStringFuncs(bool Value) { SetRegFuncType(Value, bfgVariantString); }
    bool ConvertFuncs() const { return Switch_[bfgConvert]; }
    void SetConvertFuncs(bool Value) { SetRegFuncType(Value, bfgConvert); }
    bool FileFuncs() const { return Switch_[bfgFile]; }
    void SetFileFuncs(bool Value) { SetRegFuncType(Value, bfgFile); }
    bool SystemFuncs() const { return Switch_[bfgSystem]; }
    void SetSystemFuncs(bool Value) { SetRegFuncType(Value, bfgSystem); }

    TEPCustomRegClasses* RegClasses() const { return RegClasses_; }
    // Expressions calling the object functions lose those links when the classes change.
    void SetRegClasses(TEPCustomRegClasses* Classes);

    // The context of the host this registry serves: every parser, variable collection and user
    // library compiled against it reaches its host's files, memory, messages and objects here.
    TEngineContext& Context() const { return *Context_; }
    // Shared with what is compiled against the registry, which may outlive it.
    const std::shared_ptr<TEngineContext>& SharedContext() const { return Context_; }

    TFuncStringList& Funcs() { return Funcs_; }
    const TFuncStringList& Funcs() const { return Funcs_; }
    TFuncObj* FindFunction(std::string_view Name) const { return Funcs_.FindFunc(Name); }
    const std::vector<TEPEventFunc*>& EventFuncs() const { return EventFuncs_; }

    // Registration with the name rules: a valid identifier not yet present.
    TFuncObj* AddFunction(const std::string& Name, TMathProcedure Proc, std::int32_t ArgCount,
                          const std::string& Descr, TFuncCategory Category);
    TFuncObj* AddFunctionOfObj(const std::string& Name, TMathProcedure Proc, TObject* Data,
                               std::int32_t ArgCount, const std::string& Descr, TFuncCategory Category);
    // A member procedure of Obj, called through a trampoline that finds Obj in the operation.
    template <auto Method, class C>
    TFuncObj* AddFunctionOfObj(const std::string& Name, C* Obj, std::int32_t ArgCount,
                               const std::string& Descr, TFuncCategory Category) {
        return AddFunctionOfObj(
            Name, [](PParserOperation Op) { (static_cast<C*>(Op->Data)->*Method)(Op); }, Obj, ArgCount, Descr,
            Category);
    }
    TFuncObj* AddStdFunction(const std::string& Name, std::unique_ptr<TFuncStub> Stub, void* NativeObj,
                             const std::vector<TEPTypesType>& Types, TEPTypesType Result,
                             const std::string& Descr, TFuncCategory Category);
    template <class R, class... A>
    TFuncObj* AddStdFunction(const std::string& Name, R (*Func)(A...), const std::vector<TEPTypesType>& Types,
                             TEPTypesType Result, const std::string& Descr, TFuncCategory Category) {
        return AddStdFunction(Name, MakeFuncStub(Func), nullptr, Types, Result, Descr, Category);
    }
    template <class M, class C>
    TFuncObj* AddStdFunction(const std::string& Name, M Method, C* Obj,
                             const std::vector<TEPTypesType>& Types, TEPTypesType Result,
                             const std::string& Descr, TFuncCategory Category) {
        return AddStdFunction(Name, MakeFuncStub(Method, Obj),
                              const_cast<void*>(static_cast<const void*>(Obj)), Types, Result, Descr,
                              Category);
    }

    // An event function owned by AOwner (by this registry when null), joined to this registry;
    // answers its function object.
    TFuncObj* CreateEventFuncObj(TComponent* AOwner, const std::string& Name, const std::string& Descr,
                                 TFuncCategory Category);

    // Destroys the named function (nothing when absent).
    void ClearFunction(std::string_view Name);
    // Destroys every function object, the built-in ones included.
    void ClearAllFunctions();

    // Joining and leaving; a newcomer whose name is taken gets a counter appended.
    void AddFuncObj(TFuncObj* F);
    void RemoveFuncObj(TFuncObj* F);
    void AddEventFunc(TEPEventFunc* E);
    void RemoveEventFunc(TEPEventFunc* E);

protected:
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void SetRegFuncType(bool Value, int Group);
    void SetGroupPresent(int Group, bool Present);
    void AdjustBuildInFuncs();
    void FillRTBuildFuncs();
    std::string FreeNameFor(const std::string& Name) const;

    static void CreateObjectProc(PParserOperation Op);
    static void ExecObjMethodProc(PParserOperation Op);
    static void SetObjPropProc(PParserOperation Op);
    static void ExecScriptProc(PParserOperation Op);

    std::shared_ptr<TEngineContext> Context_;
    TFuncStringList Funcs_;
    const TBuildInLibrary* Library_;
    std::array<bool, kBuildInGroupCount> Switch_{};
    std::array<bool, kBuildInGroupCount> Present_{};
    TEPCustomRegClasses* RegClasses_ = nullptr;
    std::vector<TEPEventFunc*> EventFuncs_;
};

// Runs a script text for ExecScript: a fresh expression whose functions come from RegFuncs,
// evaluated with Args (ParamHigh the index of the last) into Result. Defined by the evaluator, a
// phase above.
void RunExecScript(TEPRegFuncs& RegFuncs, const std::string& Source, ArgArray& Args, std::int32_t ParamHigh,
                   Variant& Result);

// Raised when ExecScript calls nest past the limit (a script that runs itself).
inline constexpr const char* _msgScriptTooDeep = "Scripts nest too deeply";

// The context of the host whose registry holds the function Op calls (a built-in's state).
TEngineContext& ContextOf(PParserOperation Op);

// Names of the run-time object functions.
inline constexpr const char* kCreateObjectName = "CreateObject";
inline constexpr const char* kExecObjMethodName = "ExecObjMethod";
inline constexpr const char* kSetObjPropName = "SetObjProp";
inline constexpr const char* kExecScriptName = "ExecScript";

} // namespace skv::engine

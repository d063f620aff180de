// The run-time object functions of a registry: constructing registered classes, calling their
// methods, reading and writing their properties, and running a script text.
#include "engine/base/Errors.h"
#include "engine/base/Messages.h"
#include "engine/context/Enginecontext.h"
#include "engine/funcs/Exfuncs.h"
#include "engine/funcs/Exfuncs_classes.h"

namespace skv::engine {

namespace {

// One object call, in either form: compiled from "Obj.Member(args)" (the object in ObjArg, the
// member in Name) or written as a call "Function(Obj, 'Member', args)".
struct TObjectCall {
    const Variant* Target = nullptr;
    std::string Member;
    Variant* const* Args = nullptr;
    std::int32_t Count = 0;
};

TObjectCall ReadCall(PParserOperation Op, const char* FunctionName, bool NamedInArgs) {
    TObjectCall call;
    if (Op->ObjArg) {
        call.Target = Op->ObjArg;
        call.Member = std::string(Op->Name);
        call.Args = Op->Args.data();
        call.Count = Op->ArgCount;
        return call;
    }
    const std::int32_t fixed = NamedInArgs ? 2 : 1;
    if (Op->ArgCount < fixed) throw EFuncParamsError(MsgWithName(_msgMismatchArgs, FunctionName));
    call.Target = Op->Args[0];
    if (NamedInArgs) call.Member = Op->Args[1]->ToString();
    call.Args = Op->Args.data() + fixed;
    call.Count = Op->ArgCount - fixed;
    return call;
}

TEPRegFuncs& RegistryOf(PParserOperation Op) {
    return *static_cast<TEPRegFuncs*>(Op->Data);
}

std::string MemberText(std::string_view ClassName, std::string_view Member) {
    return std::string(ClassName).append(".").append(Member);
}

// The object an operand refers to. There is no automation on this platform: a dispatch value
// cannot be called.
TObject& ObjectOf(PParserOperation Op, const Variant& Target, const std::string& Member) {
    if (Target.IsDispatch()) throw EMathParserError(MsgWithName(_msgInvalidOLEMethod, Member));
    TObject* object = RegistryOf(Op).Context().Objects.ObjectOfValue(Target);
    if (!object) throw EMathParserError(MsgWithName(_msgInvalidObjRef, Member));
    return *object;
}

void SetResult(PParserOperation Op, const Variant& Value) {
    if (Op->Result) *Op->Result = Value;
}

// Runs a constructor on the class it makes; the registry keeps what it made.
Variant Construct(TEPCustomRegClasses& Classes, TEPClass& Class, const TFuncObj& Func,
                  const TObjectCall& Call) {
    Variant made;
    Classes.InvokeMember(Func, &Class, Call.Args, Call.Count, made);
    TObject* object = Classes.Context().Objects.ObjectOfValue(made);
    if (object && object != &Class) Classes.AdoptObject(object);
    return made;
}

// Nested ExecScript calls (a script running itself) end with an error, not an exhausted stack.
constexpr int kMaxScriptDepth = 64;

class TScriptDepthGuard {
public:
    explicit TScriptDepthGuard(int& Depth) : Depth_(Depth) {
        if (Depth_ >= kMaxScriptDepth)
            throw EMathParserError(MsgWithName(_msgScriptTooDeep, kExecScriptName));
        ++Depth_;
    }
    ~TScriptDepthGuard() { --Depth_; }
    TScriptDepthGuard(const TScriptDepthGuard&) = delete;
    TScriptDepthGuard& operator=(const TScriptDepthGuard&) = delete;

private:
    int& Depth_;
};

} // namespace

void TEPRegFuncs::CreateObjectProc(PParserOperation Op) {
    TObjectCall call = ReadCall(Op, kCreateObjectName, false);
    if (!Op->ObjArg || call.Member.empty()) call.Member = "Create";
    TEPCustomRegClasses* classes = RegistryOf(Op).RegClasses();
    TEPClass* cls = nullptr;
    if (call.Target->IsString()) {
        if (classes) cls = classes->GetClass(call.Target->RawString());
        if (!cls) throw EMathParserError(MsgWithName(_msgInvalidObjRef, call.Target->RawString()));
    } else {
        TObject& object = ObjectOf(Op, *call.Target, call.Member);
        cls = dynamic_cast<TEPClass*>(&object);
        if (!cls && classes) cls = classes->ClassOf(object);
        if (!cls) throw EMathParserError(MsgWithName(_msgInvalidObjRef, call.Member));
    }
    if (!classes)
        throw EMathParserError(MsgWithName(_msgInvalidObjMethod, MemberText(cls->Name(), call.Member)));

    TEPClassMember* member = nullptr;
    TFuncObj* func = nullptr;
    if (!classes->FindClassMember(cls, call.Member, call.Count, TMemberAccess::maCall, member, func))
        throw EMathParserError(MsgWithName(_msgInvalidObjMethod, MemberText(cls->Name(), call.Member)));
    if (member->MemberKind() != TMemberKind::mkConstructor)
        throw EMathParserError(MsgWithName(_msgIsNotConstructor, MemberText(cls->Name(), call.Member)));

    SetResult(Op, Construct(*classes, *cls, *func, call));
}

void TEPRegFuncs::ExecObjMethodProc(PParserOperation Op) {
    const TObjectCall call = ReadCall(Op, kExecObjMethodName, true);
    TObject& object = ObjectOf(Op, *call.Target, call.Member);
    if (TEPCustomRegClasses* classes = RegistryOf(Op).RegClasses()) {
        TEPClassMember* member = nullptr;
        TFuncObj* func = nullptr;
        // A class reference is called with the members of the class it stands for.
        TEPClass* cls = dynamic_cast<TEPClass*>(&object);
        if (!cls) cls = classes->ClassOf(object);
        if (classes->FindClassMember(cls, call.Member, call.Count, TMemberAccess::maCall, member, func)) {
            if (member->MemberKind() == TMemberKind::mkConstructor) {
                // A constructor called on an object or a class reference makes a new object of that class.
                SetResult(Op, Construct(*classes, *cls, *func, call));
                return;
            }
            Variant result;
            classes->InvokeMember(*func, &object, call.Args, call.Count, result);
            SetResult(Op, result);
            return;
        }
    }
    // Published properties of the object's class stand in for unregistered members.
    if (call.Count == 0) {
        if (const TPublishedProp* prop = FindPublishedProp(object, call.Member)) {
            if (!prop->Get)
                throw EMathParserError(
                    MsgWithName(_msgPropertyIsNotReadable, MemberText(object.ClassName(), prop->Name)));
            SetResult(Op, prop->Get(object));
            return;
        }
    }
    throw EMathParserError(MsgWithName(_msgInvalidObjMethod, MemberText(object.ClassName(), call.Member)));
}

void TEPRegFuncs::SetObjPropProc(PParserOperation Op) {
    const TObjectCall call = ReadCall(Op, kSetObjPropName, true);
    if (call.Count < 1) throw EFuncParamsError(MsgWithName(_msgMismatchArgs, kSetObjPropName));
    TObject& object = ObjectOf(Op, *call.Target, call.Member);
    const Variant& value = *call.Args[call.Count - 1]; // the value comes after the index arguments
    if (TEPCustomRegClasses* classes = RegistryOf(Op).RegClasses()) {
        TEPClassMember* member = nullptr;
        TFuncObj* func = nullptr;
        if (classes->FindClassMember(classes->ClassOf(object), call.Member, call.Count,
                                     TMemberAccess::maWrite, member, func)) {
            Variant ignored;
            classes->InvokeMember(*func, &object, call.Args, call.Count, ignored);
            SetResult(Op, value);
            return;
        }
    }
    if (call.Count == 1) {
        if (const TPublishedProp* prop = FindPublishedProp(object, call.Member)) {
            if (!prop->Set)
                throw EMathParserError(
                    MsgWithName(_msgPropertyIsNotWriteable, MemberText(object.ClassName(), prop->Name)));
            prop->Set(object, ConvertForProp(prop->Kind, value));
            SetResult(Op, value);
            return;
        }
    }
    throw EMathParserError(MsgWithName(_msgInvalidObjMethod, MemberText(object.ClassName(), call.Member)));
}

void TEPRegFuncs::ExecScriptProc(PParserOperation Op) {
    if (Op->ArgCount < 1) throw EFuncParamsError(MsgWithName(_msgMismatchArgs, kExecScriptName));
    const TScriptDepthGuard guard(RegistryOf(Op).Context().ScriptDepth);
    const std::string source = Op->Args[0]->ToString();
    ArgArray args;
    args.reserve(static_cast<std::size_t>(Op->ArgCount - 1));
    for (std::int32_t i = 1; i < Op->ArgCount; ++i)
        args.push_back(*Op->Args[i]);
    Variant result;
    RunExecScript(RegistryOf(Op), source, args, Op->ArgCount - 2, result);
    SetResult(Op, result);
}

} // namespace skv::engine

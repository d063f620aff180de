// The class tree of the class registry, its member lookup and the members every object has.
#include "engine/funcs/Exfuncs_classes.h"
#include "engine/base/Errors.h"
#include "engine/base/Messages.h"
#include "engine/base/Text.h"
#include "engine/context/Enginecontext.h"

#include <algorithm>

namespace skv::engine {

namespace {

std::string MemberText(std::string_view ClassName, std::string_view Member) {
    return std::string(ClassName).append(".").append(Member);
}

// The pieces a raw member routine gets from its operation.
TEPCustomRegClasses& ClassesOf(PParserOperation Op) {
    return *static_cast<TEPCustomRegClasses*>(Op->Data);
}

TObject* SelfOf(PParserOperation Op) {
    TObject* self = Op->ObjArg ? ClassesOf(Op).Context().Objects.ObjectOfValue(*Op->ObjArg) : nullptr;
    if (!self) throw EMathParserError(_msgInvalidObjRef);
    return self;
}

void SetResult(PParserOperation Op, Variant Value) {
    if (Op->Result) *Op->Result = std::move(Value);
}

// Constructors receive the class being made.
TEPClass& ClassSelf(PParserOperation Op) {
    auto* cls = dynamic_cast<TEPClass*>(SelfOf(Op));
    if (!cls) throw EMathParserError(_msgInvalidObjRef);
    return *cls;
}

void MakeInstance(PParserOperation Op, std::unique_ptr<TObject> Object) {
    SetResult(Op, ClassesOf(Op).AdoptedRef(std::move(Object)));
}

// TObject

void ObjectCreate(PParserOperation Op) {
    TEPClass& cls = ClassSelf(Op);
    const TClassFactory* factory = cls.FindFactory();
    if (!factory) throw EMathParserError(MsgWithName(_msgIsNotConstructor, MemberText(cls.Name(), "Create")));
    MakeInstance(Op, (*factory)(cls));
}

void ObjectClassType(PParserOperation Op) {
    TObject* self = SelfOf(Op);
    TEPCustomRegClasses& classes = ClassesOf(Op);
    SetResult(Op, classes.Context().Objects.ValueOf(classes.ClassOf(*self)));
}

void ObjectClassName(PParserOperation Op) {
    TObject* self = SelfOf(Op);
    // A class reference answers the name of the class it stands for.
    if (const auto* cls = dynamic_cast<const TEPClass*>(self)) return SetResult(Op, Variant(cls->Name()));
    SetResult(Op, Variant(self->ClassName()));
}

void ObjectFree(PParserOperation Op) {
    TObject* self = SelfOf(Op);
    // Only what scripts made is theirs to free; the host's objects are not.
    if (!ClassesOf(Op).FreeObject(self))
        throw EMathParserError(MsgWithName(_msgInvalidObjRef, MemberText(self->ClassName(), "Free")));
}

// Exception

void MakeException(PParserOperation Op, std::string Message, std::int32_t HelpContext) {
    TEPClass& cls = ClassSelf(Op);
    MakeInstance(Op, std::make_unique<TExceptionObject>(cls.Name(), std::move(Message), HelpContext));
}

void ExceptionCreate(PParserOperation Op) {
    MakeException(Op, Op->Arg1->ToString(), 0);
}

void ExceptionCreateHelp(PParserOperation Op) {
    MakeException(Op, Op->Arg1->ToString(), OperandToInteger(*Op->Arg2));
}

// There is no resource table: the identifier's text stands for the message.
void ExceptionCreateRes(PParserOperation Op) {
    MakeException(Op, Op->Arg1->ToString(), 0);
}

void ExceptionCreateResHelp(PParserOperation Op) {
    MakeException(Op, Op->Arg1->ToString(), OperandToInteger(*Op->Arg2));
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Members and classes

TEPClassProp::TEPClassProp(TEPClass* Class, std::string Name)
    : TEPClassMember(Class, Name), Getter(Name), Setter(Name) {}

TEPClass::TEPClass(std::string Name, TEPClass* Parent, TClassFactory Factory)
    : Name_(std::move(Name)), Parent_(Parent), Factory_(std::move(Factory)) {}

TEPClass::~TEPClass() = default;

bool TEPClass::InheritsFrom(const TEPClass* Ancestor) const {
    for (const TEPClass* c = this; c; c = c->Parent_)
        if (c == Ancestor) return true;
    return false;
}

const TClassFactory* TEPClass::FindFactory() const {
    for (const TEPClass* c = this; c; c = c->Parent_)
        if (c->Factory_) return &c->Factory_;
    return nullptr;
}

// ---------------------------------------------------------------------------------------------
// TEPCustomRegClasses

namespace exfuncs_detail {
void RaiseNotAClass() {
    throw EMathParserError(_msgInvalidObjRef);
}
} // namespace exfuncs_detail

TEPCustomRegClasses::TEPCustomRegClasses(TComponent* AOwner)
    : TComponent(AOwner), Context_(std::make_shared<TEngineContext>()) {
    RegisterRootMembers();
}

TEPCustomRegClasses::~TEPCustomRegClasses() {
    Created_.clear();
    Classes_.clear();
}

TEPClass* TEPCustomRegClasses::RegisterClass(const std::string& Name, const std::string& ParentName,
                                             TClassFactory Factory) {
    if (!IsValidIdentCyr(Name)) throw EBadName(MsgWithName(_msgInvalidIdent, Name));
    if (GetClass(Name)) throw EBadName(MsgWithName(_msgDuplicateIdent, Name));
    TEPClass* parent = nullptr;
    if (!ParentName.empty()) {
        parent = GetClass(ParentName);
        if (!parent) throw EMathParserError(MsgWithName(_msgInvalidObjRef, ParentName));
    }
    Classes_.push_back(std::make_unique<TEPClass>(Name, parent, std::move(Factory)));
    TEPClass* cls = Classes_.back().get();
    cls->Registry_ = this;
    if (parent) parent->Children_.push_back(cls);
    return cls;
}

void TEPCustomRegClasses::Remove(TEPClass* Class) {
    while (!Class->Children_.empty())
        Remove(Class->Children_.back());
    if (Class->Parent_) {
        auto& siblings = Class->Parent_->Children_;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), Class), siblings.end());
    }
    Classes_.erase(std::remove_if(Classes_.begin(), Classes_.end(),
                                  [Class](const std::unique_ptr<TEPClass>& c) { return c.get() == Class; }),
                   Classes_.end());
}

void TEPCustomRegClasses::UnregisterClass(std::string_view Name) {
    if (TEPClass* cls = GetClass(Name)) Remove(cls);
}

TEPClass* TEPCustomRegClasses::GetClass(std::string_view Name) const {
    for (const auto& c : Classes_)
        if (CompareNames(c->Name(), Name) == 0) return c.get();
    return nullptr;
}

TEPClass* TEPCustomRegClasses::ClassOf(const TObject& Object) const {
    if (TEPClass* cls = GetClass(Object.ClassName())) return cls;
    return GetClass("TObject");
}

TEPClass& TEPCustomRegClasses::ClassForMember(const std::string& ClassName) const {
    TEPClass* cls = GetClass(ClassName);
    if (!cls) throw EMathParserError(MsgWithName(_msgInvalidObjRef, ClassName));
    return *cls;
}

namespace {

std::int32_t CountOf(const std::vector<TEPTypesType>& Types) {
    if (Types.size() == 1 && Types[0] == typeVoid) return 0;
    if (Types.size() == 1 && Types[0] == typeArray) return -1;
    return static_cast<std::int32_t>(Types.size());
}

// A second member of the same name must differ in its argument count.
void CheckMemberFree(const TEPClass& Class, const std::string& Name, std::int32_t ArgCount) {
    for (const auto& m : Class.Members()) {
        if (CompareNames(m->Name, Name) != 0) continue;
        std::int32_t count = -2;
        if (const auto* method = dynamic_cast<const TEPClassMethod*>(m.get()))
            count = method->Func.ArgCount();
        if (const auto* prop = dynamic_cast<const TEPClassProp*>(m.get()))
            count = static_cast<std::int32_t>(prop->IndexParams.size());
        if (count == ArgCount || count == -1 || ArgCount == -1)
            throw EBadName(MsgWithName(_msgDuplicateIdent, MemberText(Class.Name(), Name)));
    }
}

void CheckMemberName(const std::string& Name) {
    if (!IsValidIdentCyr(Name)) throw EBadName(MsgWithName(_msgInvalidIdent, Name));
}

} // namespace

TEPClassConstructor* TEPCustomRegClasses::AddClassConstructor(const std::string& ClassName,
                                                              const std::string& Name,
                                                              std::unique_ptr<TFuncStub> Stub,
                                                              const std::vector<TEPTypesType>& Types) {
    TEPClass& cls = ClassForMember(ClassName);
    CheckMemberName(Name);
    CheckMemberFree(cls, Name, CountOf(Types));
    auto member = std::make_unique<TEPClassConstructor>(&cls, Name);
    member->Func.SetRTFunction(std::move(Stub), nullptr, cmtConstructor, Types, typeParserType);
    cls.Members_.push_back(std::move(member));
    return static_cast<TEPClassConstructor*>(cls.Members_.back().get());
}

TEPClassConstructor* TEPCustomRegClasses::AddClassRawConstructor(const std::string& ClassName,
                                                                 const std::string& Name, TMathProcedure Proc,
                                                                 std::int32_t ArgCount) {
    TEPClass& cls = ClassForMember(ClassName);
    CheckMemberName(Name);
    CheckMemberFree(cls, Name, ArgCount);
    auto member = std::make_unique<TEPClassConstructor>(&cls, Name);
    member->Func.SetRawFunction(Proc, nullptr, cmtConstructor, ArgCount);
    cls.Members_.push_back(std::move(member));
    return static_cast<TEPClassConstructor*>(cls.Members_.back().get());
}

TEPClassMethod* TEPCustomRegClasses::AddClassMethod(const std::string& ClassName, const std::string& Name,
                                                    std::unique_ptr<TFuncStub> Stub,
                                                    const std::vector<TEPTypesType>& Types,
                                                    TEPTypesType Result, TClassMethodType MethodType) {
    TEPClass& cls = ClassForMember(ClassName);
    CheckMemberName(Name);
    CheckMemberFree(cls, Name, CountOf(Types));
    auto member = std::make_unique<TEPClassMethod>(&cls, Name);
    member->Func.SetRTFunction(std::move(Stub), nullptr, MethodType, Types, Result);
    cls.Members_.push_back(std::move(member));
    return static_cast<TEPClassMethod*>(cls.Members_.back().get());
}

TEPClassMethod* TEPCustomRegClasses::AddClassRawMethod(const std::string& ClassName, const std::string& Name,
                                                       TMathProcedure Proc, std::int32_t ArgCount,
                                                       TClassMethodType MethodType) {
    TEPClass& cls = ClassForMember(ClassName);
    CheckMemberName(Name);
    CheckMemberFree(cls, Name, ArgCount);
    auto member = std::make_unique<TEPClassMethod>(&cls, Name);
    member->Func.SetRawFunction(Proc, nullptr, MethodType, ArgCount);
    cls.Members_.push_back(std::move(member));
    return static_cast<TEPClassMethod*>(cls.Members_.back().get());
}

TEPClassProp* TEPCustomRegClasses::AddClassProperty(const std::string& ClassName, const std::string& Name,
                                                    std::unique_ptr<TFuncStub> Getter,
                                                    std::unique_ptr<TFuncStub> Setter,
                                                    const std::vector<TEPTypesType>& IndexParams,
                                                    TEPTypesType PropType) {
    TEPClass& cls = ClassForMember(ClassName);
    CheckMemberName(Name);
    const auto indexCount = static_cast<std::int32_t>(IndexParams.size());
    CheckMemberFree(cls, Name, indexCount);
    if (PropType == typeVoid || PropType == typeArray)
        throw EMathParserError(MsgWithName(_msgInvalidResultType, MemberText(ClassName, Name)));
    auto member = std::make_unique<TEPClassProp>(&cls, Name);
    member->IndexParams = IndexParams;
    if (Getter) member->Getter.SetRTFunction(std::move(Getter), nullptr, cmtNone, IndexParams, PropType);
    if (Setter) {
        std::vector<TEPTypesType> types = IndexParams;
        types.push_back(PropType);
        member->Setter.SetRTFunction(std::move(Setter), nullptr, cmtProcedure, types, typeVoid);
    }
    cls.Members_.push_back(std::move(member));
    return static_cast<TEPClassProp*>(cls.Members_.back().get());
}

void TEPCustomRegClasses::ClearClassMember(std::string_view ClassName, std::string_view Name) {
    TEPClass* cls = GetClass(ClassName);
    if (!cls) return;
    auto& members = cls->Members_;
    members.erase(std::remove_if(members.begin(), members.end(),
                                 [Name](const auto& m) { return CompareNames(m->Name, Name) == 0; }),
                  members.end());
}

bool TEPCustomRegClasses::FindClassMember(const TEPClass* Class, std::string_view Name, std::int32_t ArgCount,
                                          TMemberAccess Access, TEPClassMember*& Member,
                                          TFuncObj*& FuncObj) const {
    Member = nullptr;
    FuncObj = nullptr;
    bool named = false;
    for (const TEPClass* c = Class; c; c = c->Parent()) {
        for (const auto& m : c->Members()) {
            if (CompareNames(m->Name, Name) != 0) continue;
            named = true;
            if (auto* method = dynamic_cast<TEPClassMethod*>(m.get())) {
                if (Access == TMemberAccess::maWrite) continue;
                if (method->Func.ArgCount() >= 0 && method->Func.ArgCount() != ArgCount) continue;
                Member = method;
                FuncObj = &method->Func;
                return true;
            }
            auto* prop = static_cast<TEPClassProp*>(m.get());
            const auto indexCount = static_cast<std::int32_t>(prop->IndexParams.size());
            const bool write = Access == TMemberAccess::maWrite;
            if (ArgCount != indexCount + (write ? 1 : 0)) continue;
            if (write && !prop->IsWrite())
                throw EMathParserError(
                    MsgWithName(_msgPropertyIsNotWriteable, MemberText(c->Name(), m->Name)));
            if (!write && !prop->IsRead())
                throw EMathParserError(
                    MsgWithName(_msgPropertyIsNotReadable, MemberText(c->Name(), m->Name)));
            Member = prop;
            FuncObj = write ? &prop->Setter : &prop->Getter;
            return true;
        }
    }
    if (named && Class)
        throw EFuncParamsError(MsgWithName(_msgMismatchArgs, MemberText(Class->Name(), Name)));
    return false;
}

bool TEPCustomRegClasses::IsConstructorName(std::string_view Name) const {
    for (const auto& c : Classes_)
        for (const auto& m : c->Members())
            if (m->MemberKind() == TMemberKind::mkConstructor && CompareNames(m->Name, Name) == 0)
                return true;
    return false;
}

void TEPCustomRegClasses::InvokeMember(const TFuncObj& Func, TObject* Self, Variant* const* Args,
                                       std::int32_t Count, Variant& Result) {
    Func.CheckArgCount(Count);
    if (TFuncStub* stub = Func.Stub()) {
        stub->Call(Self, Args, Count, &Result);
        return;
    }
    Variant self = Context().Objects.ValueOf(Self);
    TParserOperation op = TFuncObj::CallOperation(Args, Count, Result);
    op.ObjArg = &self;
    op.Token = TToken::ObjMethod;
    op.Obj = const_cast<TFuncObj*>(&Func);
    op.Proc = Func.Proc();
    op.Data = this;
    op.Proc(&op);
}

TObject* TEPCustomRegClasses::AdoptObject(std::unique_ptr<TObject> Object) {
    TObject* object = Object.get();
    if (!object) return nullptr;
    if (Created_.size() >= kMaxObjects) throw EMathParserError(_msgTooManyObjects); // Object goes
    Created_.emplace(object, std::move(Object));
    return object;
}

void TEPCustomRegClasses::AdoptObject(TObject* Object) {
    if (!Object || Created_.count(Object)) return;
    AdoptObject(std::unique_ptr<TObject>(Object));
}

Variant TEPCustomRegClasses::AdoptedRef(std::unique_ptr<TObject> Object) {
    return Context().Objects.ValueOf(AdoptObject(std::move(Object)));
}

bool TEPCustomRegClasses::FreeObject(TObject* Object) {
    const auto it = Created_.find(Object);
    if (it == Created_.end()) return false;
    // Out of the registry first: a destructor that reaches the registry finds it consistent.
    std::unique_ptr<TObject> freed = std::move(it->second);
    Created_.erase(it);
    return true;
}

void TEPCustomRegClasses::RegisterRootMembers() {
    RegisterClass("TObject", "", [](const TEPClass&) { return std::make_unique<TObject>(); });
    AddClassRawConstructor("TObject", "Create", &ObjectCreate, 0);
    AddClassRawMethod("TObject", "ClassType", &ObjectClassType, 0);
    AddClassRawMethod("TObject", "ClassName", &ObjectClassName, 0);
    AddClassRawMethod("TObject", "Free", &ObjectFree, 0, cmtProcedure);

    RegisterClass("Exception", "TObject",
                  [](const TEPClass& Class) { return std::make_unique<TExceptionObject>(Class.Name(), ""); });
    AddClassRawConstructor("Exception", "Create", &ExceptionCreate, 1);
    AddClassRawConstructor("Exception", "CreateHelp", &ExceptionCreateHelp, 2);
    AddClassProperty("Exception", "Message", MakeClassMethodStub(&TExceptionObject::GetMessage),
                     MakeClassMethodStub(&TExceptionObject::SetMessage), {}, typeString);
    AddClassRawConstructor("Exception", "CreateRes", &ExceptionCreateRes, 1);
    AddClassRawConstructor("Exception", "CreateResHelp", &ExceptionCreateResHelp, 2);
    AddClassProperty("Exception", "HelpContext", MakeClassMethodStub(&TExceptionObject::GetHelpContext),
                     MakeClassMethodStub(&TExceptionObject::SetHelpContext), {}, typeInteger);

    RegisterClass("EScriptException", "Exception",
                  [](const TEPClass& Class) { return std::make_unique<TExceptionObject>(Class.Name(), ""); });
}

} // namespace skv::engine

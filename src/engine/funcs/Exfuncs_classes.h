// The registered classes that scripts may construct and call: a tree of classes, each with its
// methods, constructors and properties, searched from an object's class up to TObject.
#pragma once

#include "engine/funcs/Exfuncs.h"
#include "engine/objects/Component.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace skv::engine {

class TEPClass;
class TEPCustomRegClasses;

enum class TMemberKind : std::uint8_t { mkMethod, mkConstructor, mkProperty };

// One member of a registered class. Its routine is a function object: a typed one runs on the
// object it is given; a raw one reads the object (for a constructor: the class being made) from
// the operation's ObjArg, the class registry from its Data, and the arguments from Args.
class TEPClassMember {
public:
    TEPClassMember(TEPClass* Class, std::string Name) : Class(Class), Name(std::move(Name)) {}
    virtual ~TEPClassMember() = default;
    TEPClassMember(const TEPClassMember&) = delete;
    TEPClassMember& operator=(const TEPClassMember&) = delete;

    virtual TMemberKind MemberKind() const = 0;

    TEPClass* Class;
    std::string Name;
};

class TEPClassMethod : public TEPClassMember {
public:
    TEPClassMethod(TEPClass* Class, std::string Name) : TEPClassMember(Class, Name), Func(std::move(Name)) {}
    TMemberKind MemberKind() const override { return TMemberKind::mkMethod; }
    TFuncObj Func;
};

// A constructor answers the new object's reference; the registry owns what it made.
class TEPClassConstructor : public TEPClassMethod {
public:
    using TEPClassMethod::TEPClassMethod;
    TMemberKind MemberKind() const override { return TMemberKind::mkConstructor; }
};

// A property with optional getter (index parameters → value) and setter (index parameters and
// the value).
class TEPClassProp : public TEPClassMember {
public:
    TEPClassProp(TEPClass* Class, std::string Name);
    TMemberKind MemberKind() const override { return TMemberKind::mkProperty; }
    bool IsRead() const { return Getter.IsAssigned(); }
    bool IsWrite() const { return Setter.IsAssigned(); }

    std::vector<TEPTypesType> IndexParams;
    TFuncObj Getter;
    TFuncObj Setter;
};

// Makes the default instance of a class (TObject.Create on that class).
using TClassFactory = std::function<std::unique_ptr<TObject>(const TEPClass& Class)>;

// A node of the class tree. It is an object itself, so that a script can hold a class reference.
class TEPClass : public TObject {
public:
    TEPClass(std::string Name, TEPClass* Parent, TClassFactory Factory);
    ~TEPClass() override;

    std::string ClassName() const override { return "TEPClass"; }

    const std::string& Name() const { return Name_; }
    TEPClass* Parent() const { return Parent_; }
    const std::vector<TEPClass*>& Children() const { return Children_; }
    const std::vector<std::unique_ptr<TEPClassMember>>& Members() const { return Members_; }
    // True when this class is Ancestor or derives from it.
    bool InheritsFrom(const TEPClass* Ancestor) const;
    // The factory of this class or of its nearest ancestor that has one.
    const TClassFactory* FindFactory() const;
    // The class registry the class belongs to.
    TEPCustomRegClasses& Registry() const { return *Registry_; }

private:
    friend class TEPCustomRegClasses;

    TEPCustomRegClasses* Registry_ = nullptr;
    std::string Name_;
    TEPClass* Parent_;
    TClassFactory Factory_;
    std::vector<TEPClass*> Children_;
    std::vector<std::unique_ptr<TEPClassMember>> Members_;
};

// What a member is looked up for.
enum class TMemberAccess : std::uint8_t { maCall, maRead, maWrite };

// The object of the exception classes that scripts construct: Exception and EScriptException.
class TExceptionObject : public TObject {
public:
    TExceptionObject(std::string ClassName, std::string Message, std::int32_t HelpContext = 0)
        : ClassName_(std::move(ClassName)), Message(Variant(std::move(Message))), HelpContext(HelpContext) {}
    std::string ClassName() const override { return ClassName_; }
    std::string GetMessage() const { return Message.ToString(); }
    void SetMessage(const std::string& Text) { Message = Variant(Text); }
    std::int32_t GetHelpContext() const { return HelpContext; }
    void SetHelpContext(std::int32_t Value) { HelpContext = Value; }

    std::string ClassName_;
    Variant Message; // a text, held as a value so that it counts toward what script values hold
    std::int32_t HelpContext;
};

// The class registry component.
class TEPCustomRegClasses : public TComponent {
public:
    explicit TEPCustomRegClasses(TComponent* AOwner = nullptr);
    ~TEPCustomRegClasses() override;

    std::string ClassName() const override { return "TEPCustomRegClasses"; }

    // A new class under ParentName (none for a root); an existing name is refused.
    TEPClass* RegisterClass(const std::string& Name, const std::string& ParentName,
                            TClassFactory Factory = {});
    // Removes the class with every class derived from it.
    void UnregisterClass(std::string_view Name);
    TEPClass* GetClass(std::string_view Name) const;
    // The registered class of an object: by its class name, else TObject.
    TEPClass* ClassOf(const TObject& Object) const;

    TEPClassConstructor* AddClassConstructor(const std::string& ClassName, const std::string& Name,
                                             std::unique_ptr<TFuncStub> Stub,
                                             const std::vector<TEPTypesType>& Types);
    TEPClassConstructor* AddClassRawConstructor(const std::string& ClassName, const std::string& Name,
                                                TMathProcedure Proc, std::int32_t ArgCount);
    TEPClassMethod* AddClassMethod(const std::string& ClassName, const std::string& Name,
                                   std::unique_ptr<TFuncStub> Stub, const std::vector<TEPTypesType>& Types,
                                   TEPTypesType Result, TClassMethodType MethodType = cmtNone);
    TEPClassMethod* AddClassRawMethod(const std::string& ClassName, const std::string& Name,
                                      TMathProcedure Proc, std::int32_t ArgCount,
                                      TClassMethodType MethodType = cmtNone);
    // Getter or setter may be null (not readable / not writeable).
    TEPClassProp* AddClassProperty(const std::string& ClassName, const std::string& Name,
                                   std::unique_ptr<TFuncStub> Getter, std::unique_ptr<TFuncStub> Setter,
                                   const std::vector<TEPTypesType>& IndexParams, TEPTypesType PropType);
    void ClearClassMember(std::string_view ClassName, std::string_view Name);

    // The member of that name (ignoring case) that takes ArgCount arguments for that access,
    // searched in Class and then its ancestors. False when no member has the name; a name
    // found only with other argument counts raises "Arguments mismatching: Class.Name".
    bool FindClassMember(const TEPClass* Class, std::string_view Name, std::int32_t ArgCount,
                         TMemberAccess Access, TEPClassMember*& Member, TFuncObj*& FuncObj) const;
    // True when some class has a constructor of that name (what a compiler needs to know).
    bool IsConstructorName(std::string_view Name) const;

    // Runs a member's routine on Self (an object, or the class for a constructor).
    void InvokeMember(const TFuncObj& Func, TObject* Self, Variant* const* Args, std::int32_t Count,
                      Variant& Result);
    // Keeps an object a constructor made; freed with the registry or by TObject.Free. Past
    // kMaxObjects live objects the new one is freed at once and an engine error raised.
    static constexpr std::size_t kMaxObjects = std::size_t{1} << 16;
    TObject* AdoptObject(std::unique_ptr<TObject> Object);
    // The same for an object a host's raw constructor made and handed over by reference (one the
    // registry keeps already stays as it is).
    void AdoptObject(TObject* Object);
    // Keeps Object and answers the value scripts hold it by.
    Variant AdoptedRef(std::unique_ptr<TObject> Object);
    // Frees an object this registry made; false for any other object.
    bool FreeObject(TObject* Object);

    // The context whose numbers scripts hold the objects by: the one of the function registry the
    // classes serve (their own until they serve one).
    TEngineContext& Context() const { return *Context_; }
    void UseContext(std::shared_ptr<TEngineContext> Context) { Context_ = std::move(Context); }

private:
    TEPClass& ClassForMember(const std::string& ClassName) const;
    void RegisterRootMembers();
    void Remove(TEPClass* Class);

    std::shared_ptr<TEngineContext> Context_;
    std::vector<std::unique_ptr<TEPClass>> Classes_;
    std::unordered_map<const TObject*, std::unique_ptr<TObject>> Created_;
};

// The registry's class registry as a published component.
class TEPRegClasses : public TEPCustomRegClasses {
public:
    using TEPCustomRegClasses::TEPCustomRegClasses;
    std::string ClassName() const override { return "TEPRegClasses"; }
};

namespace exfuncs_detail {
[[noreturn]] void RaiseNotAClass();

template <class C, class... A> struct TConstructInvoker {
    Variant operator()(TObject* Class, A... Args) const {
        auto* cls = dynamic_cast<TEPClass*>(Class);
        if (!cls) RaiseNotAClass();
        return cls->Registry().AdoptedRef(std::make_unique<C>(std::forward<A>(Args)...));
    }
};
} // namespace exfuncs_detail

// The adapter of a typed constructor: a new C(arguments), kept by the class's registry (declare
// the result typeParserType).
template <class C, class... A> std::unique_ptr<TFuncStub> MakeConstructorStub() {
    using Inv = exfuncs_detail::TConstructInvoker<C, A...>;
    return exfuncs_detail::MakeStubFor<Inv, Variant, A...>(Inv{});
}

} // namespace skv::engine

// Registered classes and the run-time object functions: constructing, calling, reading and
// writing through the class tree, the published-property fallback, and the errors of each.
#include "engine/exfuncs_test_support.h"

#include "engine/eval/Exeval.h"
#include "engine/funcs/Exfuncs_classes.h"

using namespace skv::engine;
using namespace skv::engine::testing;

namespace {

// A host class with a registered typed method and two properties of which each lacks one side.
class TGauge : public TObject {
public:
    std::string ClassName() const override { return "TGauge"; }
    double Scaled(double X) const { return X * Factor; }
    std::int32_t ReadOnly() const { return 7; }
    void WriteOnly(std::int32_t V) { Written = V; }
    double Factor = 2.0;
    std::int32_t Written = 0;
};

// A component that publishes two properties and registers nothing.
class TPanel : public TComponent {
public:
    std::string ClassName() const override { return "TPanel"; }
    const TPublishedProps* PublishedProps() const override;
    std::int32_t Width = 10;
    std::string Caption = "panel";
};

const TPublishedProp kPanelProps[] = {
    {"Width", TPropKind::pkOrdinal,
     [](const TObject& O) { return Variant(static_cast<const TPanel&>(O).Width); },
     [](TObject& O, const Variant& V) { static_cast<TPanel&>(O).Width = V.RawInteger(); }},
    {"Caption", TPropKind::pkString, nullptr,
     [](TObject& O, const Variant& V) { static_cast<TPanel&>(O).Caption = V.RawString(); }},
};
const TPublishedProps kPanelTable{nullptr, kPanelProps, 2};
const TPublishedProps* TPanel::PublishedProps() const {
    return &kPanelTable;
}

class ClassesTest : public ::testing::Test {
protected:
    ClassesTest() {
        R.SetRegClasses(&Classes);
        Classes.RegisterClass("TGauge", "TObject",
                              [](const TEPClass&) { return std::make_unique<TGauge>(); });
        Classes.AddClassMethod("TGauge", "Scaled", MakeClassMethodStub(&TGauge::Scaled), {typeDouble},
                               typeDouble);
        Classes.AddClassProperty("TGauge", "ReadOnly", MakeClassMethodStub(&TGauge::ReadOnly), nullptr, {},
                                 typeInteger);
        Classes.AddClassProperty("TGauge", "WriteOnly", nullptr, MakeClassMethodStub(&TGauge::WriteOnly), {},
                                 typeInteger);
    }
    Variant Exec(std::vector<Variant> Values) { return CallByName(R, "ExecObjMethod", std::move(Values)); }
    Variant Create(std::vector<Variant> Values) { return CallByName(R, "CreateObject", std::move(Values)); }
    Variant SetProp(std::vector<Variant> Values) { return CallByName(R, "SetObjProp", std::move(Values)); }
    TObject* ObjectOf(const Variant& Ref) const { return R.Context().Objects.ObjectOfValue(Ref); }
    Variant RefOf(const TObject* Object) const { return R.Context().Objects.ValueOf(Object); }

    TStandInLibrary Library;
    TEPRegClasses Classes;
    TEPRegFuncs R{nullptr, &Library};
};

TEST_F(ClassesTest, RootClassesFormATree) {
    const struct {
        const char* Name;
        const char* Parent;
    } rows[] = {{"TObject", nullptr}, {"Exception", "TObject"}, {"EScriptException", "Exception"}};
    for (const auto& row : rows) {
        const TEPClass* cls = Classes.GetClass(row.Name);
        ASSERT_NE(cls, nullptr) << row.Name;
        EXPECT_EQ(cls->Parent(), row.Parent ? Classes.GetClass(row.Parent) : nullptr) << row.Name;
    }
    EXPECT_TRUE(Classes.GetClass("escriptexception")->InheritsFrom(Classes.GetClass("TObject")));
    EXPECT_TRUE(Classes.IsConstructorName("CreateResHelp"));
    EXPECT_FALSE(Classes.IsConstructorName("Message"));

    // Members are found through the ancestors, each for its own argument count.
    TEPClassMember* member = nullptr;
    TFuncObj* func = nullptr;
    const TEPClass* script = Classes.GetClass("EScriptException");
    ASSERT_TRUE(Classes.FindClassMember(script, "create", 1, TMemberAccess::maCall, member, func));
    EXPECT_EQ(member->Class, Classes.GetClass("Exception"));
    ASSERT_TRUE(Classes.FindClassMember(script, "Create", 0, TMemberAccess::maCall, member, func));
    EXPECT_EQ(member->Class, Classes.GetClass("TObject"));
    EXPECT_EQ(member->MemberKind(), TMemberKind::mkConstructor);
    EXPECT_FALSE(Classes.FindClassMember(script, "Nothing", 0, TMemberAccess::maCall, member, func));
    EXPECT_ENGINE_ERROR(Classes.FindClassMember(script, "Create", 3, TMemberAccess::maCall, member, func),
                        EFuncParamsError, "Arguments mismatching: EScriptException.Create");
}

TEST_F(ClassesTest, ExceptionObjectsAreMadeCalledAndFreed) {
    const Variant e = Create({Variant("EScriptException"), Variant("boom")});
    ASSERT_EQ(e.VType(), varInteger);
    EXPECT_EQ(Exec({e, Variant("Message")}).RawString(), "boom");
    EXPECT_EQ(Exec({e, Variant("CLASSNAME")}).RawString(), "EScriptException");
    EXPECT_EQ(SetProp({e, Variant("Message"), Variant(42)}).RawInteger(), 42);
    EXPECT_EQ(Exec({e, Variant("Message")}).RawString(), "42");
    EXPECT_EQ(ObjectOf(Exec({e, Variant("ClassType")})), Classes.GetClass("EScriptException"));

    const Variant h =
        Exec({RefOf(Classes.GetClass("Exception")), Variant("CreateHelp"), Variant("help"), Variant(2.5)});
    EXPECT_EQ(Exec({h, Variant("Message")}).RawString(), "help");
    EXPECT_EQ(Exec({h, Variant("HelpContext")}).RawInteger(), 2); // integer parameters round halves to even
    const Variant plain = Create({Variant("Exception")});         // TObject.Create, the class's own object
    EXPECT_EQ(Exec({plain, Variant("Message")}).RawString(), "");

    Exec({e, Variant("Free")});
    EXPECT_ENGINE_ERROR(Exec({e, Variant("Message")}), EMathParserError, "Invalid object reference: Message");

    // Objects a script makes and never frees are capped; freeing one makes room again.
    std::vector<Variant> made;
    while (made.size() < TEPCustomRegClasses::kMaxObjects - 2) // h and plain are alive
        made.push_back(Create({Variant("Exception")}));
    EXPECT_ENGINE_ERROR(Create({Variant("Exception")}), EMathParserError, _msgTooManyObjects);
    Exec({made.back(), Variant("Free")});
    made.back() = Create({Variant("EScriptException"), Variant("again")});
    EXPECT_EQ(Exec({made.back(), Variant("Message")}).RawString(), "again");
}

TEST_F(ClassesTest, ClassReferencesConstructAndAnswerTheirName) {
    const Variant cls = RefOf(Classes.GetClass("Exception"));
    EXPECT_EQ(Exec({cls, Variant("ClassName")}).RawString(), "Exception");
    // A constructor reached through ExecObjMethod makes an object of the class, kept by the registry.
    const Variant made = Exec({cls, Variant("Create"), Variant("from class")});
    EXPECT_EQ(Exec({made, Variant("Message")}).RawString(), "from class");
    const Variant again = Exec({made, Variant("Create"), Variant("from object")});
    EXPECT_EQ(Exec({again, Variant("Message")}).RawString(), "from object");
    Exec({again, Variant("Free")});

    // The compiled form: the class in ObjArg, the member in Name.
    TProgram program;
    PParserOperation op = &program.NewOperation(TToken::ObjConstr, nullptr, 1);
    Variant target = cls, message("compiled"), result;
    std::string member = "ClassName";
    op->ObjArg = &target;
    op->Name = "Create";
    op->Args[0] = op->Arg1 = &message;
    op->Result = &result;
    R.FindFunction("CreateObject")->BindOperation(op);
    op->Proc(op);
    EXPECT_EQ(Exec({result, Variant("Message")}).RawString(), "compiled");
    op->ArgCount = 0;
    op->Name = member;
    EXPECT_ENGINE_ERROR(op->Proc(op), EMathParserError,
                        "The object method is not constructor: Exception.ClassName");
}

TEST_F(ClassesTest, TypedMembersAndTheirErrors) {
    const Variant g = Create({Variant("TGauge")});
    EXPECT_DOUBLE_EQ(Exec({g, Variant("Scaled"), Variant(4)}).RawDouble(), 8.0);
    EXPECT_EQ(Exec({g, Variant("ReadOnly")}).RawInteger(), 7);
    SetProp({g, Variant("WriteOnly"), Variant(9)});
    EXPECT_EQ(static_cast<TGauge*>(ObjectOf(g))->Written, 9);

    const Variant e = Create({Variant("Exception"), Variant("x")});
    const struct {
        std::vector<Variant> Call;
        bool Write;
        const char* Message;
    } rows[] = {
        {{g, Variant("ReadOnly"), Variant(1)}, true, "The object property is not writeable: TGauge.ReadOnly"},
        {{g, Variant("WriteOnly")}, false, "The object property is not readable: TGauge.WriteOnly"},
        {{g, Variant("Nothing")}, false, "Invalid object method: TGauge.Nothing"},
        {{g, Variant("Scaled")}, false, "Arguments mismatching: TGauge.Scaled"},
        {{Variant(0), Variant("Scaled")}, false, "Invalid object reference: Scaled"},
        {{Variant("TGauge"), Variant("Scaled")}, false, "Invalid object reference: Scaled"},
        {{Variant::Dispatch(std::make_shared<TDispatchObject>()), Variant("Visible")},
         false,
         "Invalid OLE object method or property: Visible"},
        {{Variant::Dispatch(std::make_shared<TDispatchObject>()), Variant("Visible"), Variant(1)},
         true,
         "Invalid OLE object method or property: Visible"},
    };
    for (const auto& row : rows)
        EXPECT_ENGINE_ERROR(row.Write ? SetProp(row.Call) : Exec(row.Call), EMathParserError, row.Message);
    // A member of another class is not run on the wrong object.
    EXPECT_ENGINE_ERROR(Exec({e, Variant("Scaled"), Variant(1)}), EMathParserError,
                        "Invalid object method: Exception.Scaled");
    TEPClassMember* member = nullptr;
    TFuncObj* func = nullptr;
    ASSERT_TRUE(Classes.FindClassMember(Classes.GetClass("TGauge"), "Scaled", 1, TMemberAccess::maCall,
                                        member, func));
    Variant one(1), out;
    Variant* args[] = {&one};
    EXPECT_ENGINE_ERROR(Classes.InvokeMember(*func, ObjectOf(e), args, 1, out), EMathParserError,
                        "Invalid object reference");
    // Host objects are not the scripts' to free.
    TGauge host;
    EXPECT_ENGINE_ERROR(Exec({RefOf(&host), Variant("Free")}), EMathParserError,
                        "Invalid object reference: TGauge.Free");
    EXPECT_ENGINE_ERROR(Create({Variant("TNoSuch")}), EMathParserError, "Invalid object reference: TNoSuch");
}

TEST_F(ClassesTest, PublishedPropertiesStandInForUnregisteredMembers) {
    for (TEPCustomRegClasses* classes :
         {static_cast<TEPCustomRegClasses*>(&Classes), static_cast<TEPCustomRegClasses*>(nullptr)}) {
        R.SetRegClasses(classes);
        TPanel panel;
        const Variant p = RefOf(&panel);
        EXPECT_EQ(Exec({p, Variant("width")}).RawInteger(), 10);
        SetProp({p, Variant("Width"), Variant(12.5)}); // converted as the property stores it
        EXPECT_EQ(panel.Width, 12);
        SetProp({p, Variant("Caption"), Variant(3)});
        EXPECT_EQ(panel.Caption, "3");
        EXPECT_ENGINE_ERROR(Exec({p, Variant("Caption")}), EMathParserError,
                            "The object property is not readable: TPanel.Caption");
        EXPECT_ENGINE_ERROR(Exec({p, Variant("Height")}), EMathParserError,
                            "Invalid object method: TPanel.Height");
    }
}

TEST_F(ClassesTest, RegisteringAndRemovingClassesAndMembers) {
    EXPECT_ENGINE_ERROR(Classes.RegisterClass("tgauge", "TObject"), EBadName,
                        "Duplicated identifier: tgauge");
    EXPECT_ENGINE_ERROR(Classes.RegisterClass("1x", ""), EBadName, "Invalid identifier name: 1x");
    EXPECT_ENGINE_ERROR(Classes.RegisterClass("TChild", "TMissing"), EMathParserError,
                        "Invalid object reference: TMissing");
    EXPECT_ENGINE_ERROR(Classes.AddClassMethod("TGauge", "Scaled", MakeClassMethodStub(&TGauge::Scaled),
                                               {typeDouble}, typeDouble),
                        EBadName, "Duplicated identifier: TGauge.Scaled");
    Classes.RegisterClass("TChild", "TGauge");
    const Variant c = Create({Variant("TChild")}); // the nearest ancestor's factory makes it
    EXPECT_DOUBLE_EQ(Exec({c, Variant("Scaled"), Variant(1)}).RawDouble(), 2.0);

    Classes.ClearClassMember("TGauge", "scaled");
    EXPECT_ENGINE_ERROR(Exec({c, Variant("Scaled"), Variant(1)}), EMathParserError,
                        "Invalid object method: TGauge.Scaled");
    Classes.UnregisterClass("TGauge"); // takes its descendants along
    EXPECT_EQ(Classes.GetClass("TChild"), nullptr);
    EXPECT_ENGINE_ERROR(Create({Variant("TChild")}), EMathParserError, "Invalid object reference: TChild");
}

TEST_F(ClassesTest, WithoutClassesNothingIsConstructed) {
    R.SetRegClasses(nullptr);
    EXPECT_ENGINE_ERROR(Create({Variant("Exception")}), EMathParserError,
                        "Invalid object reference: Exception");
    EXPECT_ENGINE_ERROR(Exec({Variant("Exception")}), EFuncParamsError,
                        "Arguments mismatching: ExecObjMethod");
}

// ExecScript runs the text with the remaining operands in its argument slots.
TEST_F(ClassesTest, ExecScriptRunsTheTextWithTheRestAsArguments) {
    EXPECT_EQ(CallByName(R, "ExecScript", {Variant("%1"), Variant(1), Variant("last")}).RawString(), "last");
    EXPECT_EQ(CallByName(R, "ExecScript", {Variant(12)}).RawInteger(), 12);
    EXPECT_ENGINE_ERROR(CallByName(R, "ExecScript", {}), EFuncParamsError,
                        "Arguments mismatching: ExecScript");

    // A text that runs itself ends at the depth limit; the depth is back to zero after the failure.
    const Variant again("ExecScript(%0, %0)");
    EXPECT_ENGINE_ERROR(CallByName(R, "ExecScript", {again, again}), EMathParserError,
                        "Scripts nest too deeply: ExecScript");
    EXPECT_EQ(R.Context().ScriptDepth, 0);
    EXPECT_EQ(CallByName(R, "ExecScript", {Variant("%0 + 1"), Variant(5)}).RawInteger(), 6);
}

} // namespace

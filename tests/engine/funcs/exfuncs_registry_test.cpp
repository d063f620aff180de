// The function registry: names, groups, renaming, event functions, call templates.
#include "engine/exfuncs_test_support.h"

#include "engine/funcs/Exfuncs_classes.h"

using namespace skv::engine;
using namespace skv::engine::testing;

namespace {

class RegistryTest : public ::testing::Test {
protected:
    TStandInLibrary Library;
    TEPRegFuncs r{nullptr, &Library};
};

TEST_F(RegistryTest, NewRegistryHoldsTheLibraryAndTheObjectFunctions) {
    for (const char* name : {"SIN", "sin", "Sin", "COS", "SQR", "uppercase"})
        EXPECT_NE(r.FindFunction(name), nullptr) << name;
    for (const char* name : {"CreateObject", "EXECOBJMETHOD", "SetObjProp", "ExecScript"})
        ASSERT_NE(r.FindFunction(name), nullptr) << name;
    EXPECT_EQ(r.FindFunction("ExecScript")->Category, fct_System);
    EXPECT_EQ(r.FindFunction("CreateObject")->Category, fct_Internal);
    EXPECT_EQ(r.FindFunction("CreateObject")->ArgCount(), -1);
    EXPECT_EQ(r.FindFunction("CreateObject")->Kind(), fkRawMethod);
    EXPECT_EQ(r.Funcs().Count(), 4 + 4);
    EXPECT_NEAR(CallByName(r, "sin", {Variant(0.5)}).RawDouble(), std::sin(0.5), 1e-15);
    // A function's link names the registry as its host.
    EXPECT_EQ(r.FindFunction("SQR")->Link.GetHost(), static_cast<TComponent*>(&r));
    EXPECT_EQ(r.FindFunction("SQR")->Link.GetOwnerName(), "SQR");
}

// What each switch removes and restores is BuildInTable.EachSwitchRemovesAndRestoresExactlyItsGroup's.
TEST_F(RegistryTest, SwitchingAGroupAsksTheLibraryOnlyOnAChange) {
    r.SetTrigonomFuncs(false);
    EXPECT_FALSE(r.TrigonomFuncs());
    r.SetTrigonomFuncs(false); // no change, nothing asked of the library
    EXPECT_EQ(Library.Removes, 1);
}

TEST_F(RegistryTest, WhileLoadingSwitchesAreStoredAndAppliedAtTheEnd) {
    r.BeginLoading();
    r.SetTrigonomFuncs(false);
    r.SetDateFuncs(false);
    r.SetDBFuncs(false);
    r.SetVariantAndStringFuncs(false);
    r.SetVariantAndStringFuncs(true); // switched back before the end: stays
    EXPECT_NE(r.FindFunction("SIN"), nullptr);
    EXPECT_EQ(Library.Removes, 0);
    r.EndLoading();
    EXPECT_EQ(r.FindFunction("SIN"), nullptr);
    EXPECT_NE(r.FindFunction("UpperCase"), nullptr);
    EXPECT_EQ(Library.Removes, 3); // trigonometric, date, dataset
}

TEST_F(RegistryTest, NameRulesAndTheirMessages) {
    EXPECT_ENGINE_ERROR(r.AddFunction("SIN", &SinProc, 1, "", fct_Custom), EBadName,
                        "Duplicated identifier. Registered function: SIN");
    EXPECT_ENGINE_ERROR(r.AddFunction("sIn", &SinProc, 1, "", fct_Custom), EBadName,
                        "Duplicated identifier. Registered function: sIn");
    for (const char* bad : {"1a", "a b", "a.b", "", "x-y"}) {
        EXPECT_ENGINE_ERROR(r.AddFunction(bad, &SinProc, 1, "", fct_Custom), EBadName,
                            std::string("Invalid identifier name: ") + bad);
        EXPECT_ENGINE_ERROR(r.AddStdFunction(bad, &UpperCaseFn, {typeString}, typeString, "", fct_Custom),
                            EBadName, std::string("Invalid identifier name: ") + bad);
    }
    EXPECT_EQ(r.Funcs().Count(), 8);
    // Names of Cyrillic letters are identifiers too.
    EXPECT_NE(r.AddFunction("\xC0\xC1_1", &SinProc, 1, "", fct_Custom), nullptr);
    EXPECT_NE(r.FindFunction("\xE0\xE1_1"), nullptr);
    // The list below the registry refuses duplicates as well; AddFunc just answers false.
    EXPECT_ENGINE_ERROR(r.Funcs().AddNewFuncObject("cos", &SinProc, 1, "", fct_Custom), EBadName,
                        "Duplicated identifier. Registered function: cos");
    EXPECT_FALSE(r.Funcs().AddFunc("COS", &SinProc, 1, "", fct_Custom));
}

TEST_F(RegistryTest, ClearingFunctions) {
    r.ClearFunction("nothing such"); // no error
    r.ClearFunction("sqr");
    EXPECT_EQ(r.FindFunction("SQR"), nullptr);
    r.ClearAllFunctions();
    EXPECT_EQ(r.Funcs().Count(), 0);
    EXPECT_EQ(r.FindFunction("CreateObject"), nullptr);
}

// A stand-in for a compiled expression that calls a function.
struct TCaller {
    TExprLink Link;
    int Invalidated = 0;
    TCaller() {
        Link.OnInvalidate = [this] { ++Invalidated; };
    }
};

TEST_F(RegistryTest, RenamingInvalidatesCallersAndResorts) {
    TFuncObj* f = r.AddFunction("Alpha", &SqrProc, 1, "", fct_Custom);
    TCaller caller;
    caller.Link.AddIntLinkTo(&f->Link);

    f->SetFuncName("alpha"); // upper-cased: a real change of the stored name
    EXPECT_EQ(f->FuncName(), "ALPHA");
    EXPECT_EQ(caller.Invalidated, 1);
    EXPECT_FALSE(f->Link.HasExtLinks()); // the caller links again when it compiles again

    caller.Link.AddIntLinkTo(&f->Link);
    f->SetFuncName("ZZZ");
    EXPECT_EQ(caller.Invalidated, 2);
    EXPECT_EQ(r.FindFunction("ALPHA"), nullptr);
    EXPECT_EQ(r.FindFunction("zzz"), f);
    // The list is still sorted: every name is found.
    for (int i = 0; i < r.Funcs().Count(); ++i)
        EXPECT_EQ(r.FindFunction(r.Funcs().Get(i)), r.Funcs().Objects(i));

    caller.Link.AddIntLinkTo(&f->Link);
    EXPECT_ENGINE_ERROR(f->SetFuncName("sin"), EBadName, "Duplicated identifier. Registered function: SIN");
    EXPECT_EQ(f->FuncName(), "ZZZ");
    EXPECT_EQ(caller.Invalidated, 2);

    // New code and destruction make the callers compile again too.
    f->SetRawFunction(&CosProc, nullptr, cmtNone, 1);
    EXPECT_EQ(caller.Invalidated, 3);
    caller.Link.AddIntLinkTo(&f->Link);
    r.ClearFunction("ZZZ");
    EXPECT_EQ(caller.Invalidated, 4);
    EXPECT_TRUE(caller.Link.GetIntLinks().empty());
}

TEST_F(RegistryTest, ChangingTheClassRegistryCutsCallersOfTheObjectFunctions) {
    TCaller objectCaller, sinCaller;
    objectCaller.Link.AddIntLinkTo(&r.FindFunction("ExecObjMethod")->Link);
    sinCaller.Link.AddIntLinkTo(&r.FindFunction("SIN")->Link);
    auto classes = std::make_unique<TEPRegClasses>();
    r.SetRegClasses(classes.get());
    EXPECT_EQ(objectCaller.Invalidated, 1);
    EXPECT_EQ(sinCaller.Invalidated, 0);
    objectCaller.Link.AddIntLinkTo(&r.FindFunction("CreateObject")->Link);
    classes.reset(); // the registry hears of it and forgets the classes
    EXPECT_EQ(r.RegClasses(), nullptr);
    EXPECT_EQ(objectCaller.Invalidated, 2);
}

TEST_F(RegistryTest, MovingAFunctionRenamesItOnAClash) {
    TEPRegFuncs b(nullptr, &Library);
    TFuncObj* f = r.AddFunction("X", &SqrProc, 1, "", fct_Custom);
    b.AddFunction("X", &SqrProc, 1, "", fct_Custom);
    b.AddFunction("X1", &SqrProc, 1, "", fct_Custom);
    f->SetOwner(&b);
    EXPECT_EQ(f->Owner(), &b);
    EXPECT_EQ(f->FuncName(), "X2");
    EXPECT_EQ(r.FindFunction("X"), nullptr);
    EXPECT_EQ(b.FindFunction("X2"), f);
    f->SetOwner(nullptr);
    EXPECT_EQ(b.FindFunction("X2"), nullptr);
    delete f; // unowned now
}

TEST_F(RegistryTest, GenericCallChecksTheArgumentCount) {
    EXPECT_ENGINE_ERROR(CallByName(r, "SQR", {}), EFuncParamsError, "Arguments mismatching: SQR");
    // A function of any number of arguments takes no fewer than none.
    const TFuncObj* any = r.AddFunction(
        "ANYCOUNT", [](PParserOperation) {}, -1, "", fct_Custom);
    Variant result;
    EXPECT_ENGINE_ERROR(any->Call(nullptr, -1, result), EFuncParamsError, "Arguments mismatching: ANYCOUNT");
    EXPECT_NO_THROW(any->Call(nullptr, 0, result));
    EXPECT_EQ(CallByName(r, "SQR", {Variant(3)}).RawDouble(), 9.0);
}

TEST_F(RegistryTest, BoundOperationRunsLikeTheEvaluatorRunsIt) {
    TProgram program;
    PParserOperation op = &program.NewOperation(TToken::BldFunc, nullptr, 1);
    Variant arg("shout"), result;
    op->Args[0] = op->Arg1 = &arg;
    op->Result = &result;
    const TFuncObj* f = r.FindFunction("UpperCase");
    f->BindOperation(op);
    EXPECT_EQ(op->Obj, f);
    EXPECT_FALSE(f->IsObjectBound());
    op->Proc(op);
    EXPECT_EQ(result.RawString(), "SHOUT");
}

// A host object whose member procedure is registered as a raw method.
struct THostCounter : TObject {
    int Calls = 0;
    void Count(PParserOperation Op) {
        ++Calls;
        *Op->Result = Variant(static_cast<std::int32_t>(Calls * 10 + Op->ArgCount));
    }
};

TEST_F(RegistryTest, RawMethodsReachTheirObject) {
    THostCounter host;
    TFuncObj* f = r.AddFunctionOfObj<&THostCounter::Count>("HostCount", &host, -1, "", fct_Custom);
    EXPECT_EQ(f->Kind(), fkRawMethod);
    EXPECT_TRUE(f->IsObjectBound());
    EXPECT_EQ(f->Data(), &host);
    EXPECT_EQ(CallWith(*f, {Variant(1), Variant(2)}).RawInteger(), 12);
    EXPECT_EQ(host.Calls, 1);
}

TEST_F(RegistryTest, DefaultFunctionAndParameterTypesOfRawKinds) {
    TFuncObj f("F");
    EXPECT_FALSE(f.IsAssigned());
    f.SetRawFunction(&SqrProc, nullptr, cmtNone, 2);
    EXPECT_TRUE(f.IsAssigned());
    EXPECT_EQ(f.GetParamType(0), typeParserType);
    EXPECT_EQ(f.GetParamType(1), typeParserType);
    EXPECT_EQ(f.GetParamType(2), typeVoid);
    f.SetRawFunction(&SqrProc, nullptr, cmtNone, -1);
    EXPECT_EQ(f.GetParamType(40), typeParserType);
    f.SetDefaultFunc();
    EXPECT_FALSE(f.IsAssigned());
    EXPECT_EQ(f.ArgCount(), 0);
}

// ---------------------------------------------------------------------------------------------
// Event functions

TEST_F(RegistryTest, EventFunctionWithoutHandlerAnswersZero) {
    r.SetName("epRegFuncs");
    TFuncObj* f = r.CreateEventFuncObj(nullptr, "MyEvent", "an event", fct_UserDef);
    EXPECT_EQ(f->FuncName(), "MYEVENT");
    EXPECT_EQ(f->Descr(), "an event");
    EXPECT_EQ(f->Category, fct_UserDef);
    EXPECT_EQ(f->Kind(), fkTypedMethod);
    EXPECT_EQ(f->ArgCount(), -1);
    EXPECT_EQ(f->ResultType(), typeParserType);
    ASSERT_EQ(r.EventFuncs().size(), 1u);
    EXPECT_EQ(r.EventFuncs()[0]->Name(), "epRegFuncsMyEvent1");
    const Variant result = CallWith(*f, {Variant(5), Variant("x")}, Variant("untouched"));
    EXPECT_EQ(result.VType(), varInteger);
    EXPECT_EQ(result.RawInteger(), 0);
}

TEST_F(RegistryTest, EventFunctionHandlerGetsTheOperandsAndIsReplacedAtOnce) {
    TFuncObj* f = r.CreateEventFuncObj(nullptr, "Ev", "", fct_Custom);
    TEPEventFunc* e = f->EventFunc();
    ASSERT_NE(e, nullptr);
    std::int32_t seenHigh = -99;
    e->SetOnEvaluate([&](ArgArray& Params, std::int32_t High) {
        seenHigh = High;
        return VarAdd(Params[0], Params[static_cast<std::size_t>(High)]);
    });
    EXPECT_EQ(CallWith(*f, {Variant(1), Variant(2), Variant(40)}).RawInteger(), 41);
    EXPECT_EQ(seenHigh, 2);
    e->SetOnEvaluate([](ArgArray&, std::int32_t High) { return Variant(High); });
    EXPECT_EQ(CallWith(*f, {}).RawInteger(), -1);

    e->SetFuncName("Renamed");
    EXPECT_EQ(r.FindFunction("RENAMED"), f);
    e->SetFuncCategory(fct_Logical);
    EXPECT_EQ(f->Category, fct_Logical);
}

TEST_F(RegistryTest, EventFunctionCallingItselfFromItsHandler) {
    TFuncObj* f = r.CreateEventFuncObj(nullptr, "Depth", "", fct_Custom);
    f->EventFunc()->SetOnEvaluate([f](ArgArray& Params, std::int32_t) {
        const std::int32_t n = Params[0].RawInteger();
        if (n == 0) return Variant(std::int32_t{0});
        const Variant inner = CallWith(*f, {Variant(n - 1), Variant("pad")});
        return Variant(inner.RawInteger() + n + static_cast<std::int32_t>(Params.size()) * 100);
    });
    // Each level sees its own two operands although the calls nest.
    EXPECT_EQ(CallWith(*f, {Variant(3), Variant("pad")}).RawInteger(), 3 + 2 + 1 + 3 * 200);
}

TEST_F(RegistryTest, EventFunctionsAndTheirRegistryOutliveEachOther) {
    TComponent form;
    auto owned = std::make_unique<TEPRegFuncs>(&form, &Library);
    TFuncObj* f = owned->CreateEventFuncObj(&form, "Ev", "", fct_Custom);
    TEPEventFunc* e = f->EventFunc();
    EXPECT_EQ(e->Owner(), &form);
    EXPECT_ENGINE_ERROR(owned->CreateEventFuncObj(&form, "ev", "", fct_Custom), EBadName,
                        "Duplicated identifier. Registered function: ev");

    owned->ClearAllFunctions(); // unregisters the event function's object, which stays its own
    EXPECT_EQ(e->RegFuncs(), nullptr);
    EXPECT_TRUE(owned->EventFuncs().empty());
    e->SetRegFuncs(owned.get());
    EXPECT_EQ(owned->FindFunction("EV"), f);

    delete e; // destroying the component unregisters its function
    EXPECT_EQ(owned->FindFunction("EV"), nullptr);
    EXPECT_TRUE(owned->EventFuncs().empty());

    TFuncObj* g = owned->CreateEventFuncObj(&form, "Other", "", fct_Custom);
    owned.reset(); // the event function stays with the form, unregistered
    EXPECT_EQ(g->EventFunc()->RegFuncs(), nullptr);
}

TEST_F(RegistryTest, EventFunctionJoiningATakenNameIsRenamed) {
    TEPEventFunc e;
    e.SetFuncName("Sin");
    e.SetRegFuncs(&r);
    EXPECT_EQ(e.FuncName(), "SIN1");
    EXPECT_EQ(r.FindFunction("sin1"), e.FuncObj());
    e.SetRegFuncs(nullptr);
}

// ---------------------------------------------------------------------------------------------
// Texts for choosers

TEST(FunctionTexts, CategoryListInChooserOrder) {
    const std::vector<std::string> expected = {"Arithmetic functions",
                                               "Aggregate functions",
                                               "Convertion functions",
                                               "Date time functions",
                                               "DB functions",
                                               "Exponent and Logarithmic",
                                               "File functions",
                                               "Logical functions",
                                               "String functions",
                                               "System functions",
                                               "Trigonometric functions",
                                               "Variant functions",
                                               "User defined functions",
                                               "Custom functions"};
    EXPECT_EQ(FillCategoryList(), expected);
    EXPECT_STREQ(CategoryDescription(fct_Internal), "Internal functions");
    EXPECT_STREQ(CategoryDescription(fct_ExpLog), "Exponent and Logarithmic");
}

TEST(FunctionTexts, ParameterNamesForCallTemplates) {
    using L = std::vector<std::string>;
    const struct {
        const char* Name;
        std::int32_t Count;
        L Expected;
    } rows[] = {
        {"MAX", -1, {"x1", "x2", "x3", "..."}},
        {"DayOfWeek", 1, {"D"}},
        {"EXTRACTYEAR", 1, {"D"}},
        {"EncodeDate", 3, {"YY", "MM", "DD"}},
        {"IIF", 3, {"L", "A", "B"}},
        {"ipower", 2, {"x", "y"}},
        {"SIN", 1, {"x"}},
        {"RADIUS", 2, {"x1", "x2"}},
        {"F3", 3, {"x1", "x2", "x3"}},
        {"NONE", 0, {}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(GetParamsDescr(row.Name, row.Count), row.Expected) << row.Name;
}

} // namespace

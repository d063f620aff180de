// Typed native routines: the declared types are checked, operands and results convert by the
// type table.
#include "engine/exfuncs_test_support.h"

using namespace skv::engine;
using namespace skv::engine::testing;

namespace {

std::int32_t EchoInt(std::int32_t V) {
    return V;
}
double EchoDouble(double V) {
    return V;
}
long double EchoExtended(long double V) {
    return V;
}
std::string EchoString(const std::string& S) {
    return S;
}
std::string TakeStringByValue(std::string S) {
    return S + "!";
}
std::int32_t Constant(std::int32_t V) {
    return V;
}
bool IsPositive(std::int32_t V) {
    return V > 0;
}
Variant EchoVariant(const Variant& V) {
    return V;
}
void Bump(Variant& V) {
    V = VarAdd(V, Variant(1));
}
std::int32_t Count4(std::int32_t A, std::int32_t B, std::int32_t C, std::int32_t D) {
    return A * 1000 + B * 100 + C * 10 + D;
}
std::int32_t NoArgs() {
    return 42;
}
Variant Joined(const ArgArray& Args, std::int32_t High) {
    std::string s = std::to_string(High) + ":";
    for (const Variant& v : Args)
        s += v.ToString() + ",";
    return Variant(s);
}
std::int32_t ArrayLength(ArgArray& Args, std::int32_t High) {
    return static_cast<std::int32_t>(Args.size()) * 100 + High;
}

class TypedTest : public ::testing::Test {
protected:
    TStandInLibrary Library;
    TEPRegFuncs R{nullptr, &Library};
};

TEST_F(TypedTest, IntegerParametersRoundHalvesToEven) {
    TFuncObj* f = R.AddStdFunction("EchoInt", &EchoInt, {typeInteger}, typeInteger, "", fct_Custom);
    const struct {
        Variant In;
        std::int32_t Out;
    } rows[] = {
        {Variant(2.5), 2},
        {Variant(3.5), 4},
        {Variant::Single(0.5f), 0},
        {Variant::Single(1.5f), 2},
        {Variant::Currency(TCurrency{25000}), 2},
        {Variant::Smallint(-7), -7},
        {Variant::Byte(200), 200},
        {Variant(std::int32_t{-123456}), -123456},
        {Variant(true), -1},
        {Variant("17"), 17},
        {Variant(), 0},
    };
    for (const auto& row : rows)
        EXPECT_EQ(CallWith(*f, {row.In}).RawInteger(), row.Out) << row.In.ToString();
    EXPECT_THROW(CallWith(*f, {Variant(3e10)}), std::exception); // no silent wrap
}

TEST_F(TypedTest, FloatParametersTakeEveryNumberByValue) {
    TFuncObj* d = R.AddStdFunction("EchoDouble", &EchoDouble, {typeDouble}, typeDouble, "", fct_Custom);
    TFuncObj* e = R.AddStdFunction("EchoExt", &EchoExtended, {typeExtended}, typeExtended, "", fct_Custom);
    const struct {
        Variant In;
        double Out;
    } rows[] = {
        {Variant(std::int32_t{7}), 7.0},
        {Variant::Smallint(-3), -3.0},
        {Variant::Single(0.25f), 0.25},
        {Variant(1.125), 1.125},
        {Variant::Date(37000.75), 37000.75},
        {Variant::Currency(TCurrency{12345}), 1.2345},
        {Variant("2.5"), 2.5},
    };
    for (const auto& row : rows) {
        const Variant a = CallWith(*d, {row.In});
        const Variant b = CallWith(*e, {row.In});
        EXPECT_EQ(a.VType(), varDouble);
        EXPECT_EQ(b.VType(), varDouble); // an extended result arrives as a double
        EXPECT_DOUBLE_EQ(a.RawDouble(), row.Out);
        EXPECT_DOUBLE_EQ(b.RawDouble(), row.Out);
    }
}

TEST_F(TypedTest, OrdinalResultsKeepTheirLowBits) {
    const struct {
        TEPTypesType Type;
        std::int32_t Returned;
        std::int32_t Result;
    } rows[] = {
        {typeByte, 300, 44},       {typeByte, -1, 255},
        {typeBoolean, 1, 1},       {typeBoolean, 257, 1},
        {typeBoolean, 256, 0},     {typeWord, 70000, 4464},
        {typeSmallInt, -1, 65535}, {typeSmallInt, 65536, 0},
        {typeInteger, -5, -5},     {typeLongInt, INT32_MIN, INT32_MIN},
    };
    int n = 0;
    for (const auto& row : rows) {
        TFuncObj* f =
            R.AddStdFunction("Ord" + std::to_string(n++), &Constant, {typeInteger}, row.Type, "", fct_Custom);
        const Variant result = CallWith(*f, {Variant(row.Returned)});
        EXPECT_EQ(result.VType(), varInteger);
        EXPECT_EQ(result.RawInteger(), row.Result) << int(row.Type) << " " << row.Returned;
    }
}

TEST_F(TypedTest, BooleanResultIsTheIntegerOneNotTrue) {
    TFuncObj* f = R.AddStdFunction("IsPositive", &IsPositive, {typeInteger}, typeBoolean, "", fct_Custom);
    const Variant yes = CallWith(*f, {Variant(5)});
    EXPECT_EQ(yes.VType(), varInteger);
    EXPECT_EQ(yes.RawInteger(), 1);
    EXPECT_EQ(CallWith(*f, {Variant(-5)}).RawInteger(), 0);
}

TEST_F(TypedTest, StringsValuesAndVoid) {
    TFuncObj* s = R.AddStdFunction("EchoString", &EchoString, {typeString}, typeString, "", fct_Custom);
    EXPECT_EQ(CallWith(*s, {Variant("abc")}).RawString(), "abc");
    EXPECT_EQ(CallWith(*s, {Variant(12)}).RawString(), "12");
    EXPECT_EQ(CallWith(*s, {Variant(0.5)}).RawString(), "0.5");
    TFuncObj* v =
        R.AddStdFunction("TakeString", &TakeStringByValue, {typeString}, typeString, "", fct_Custom);
    EXPECT_EQ(CallWith(*v, {Variant(3)}).RawString(), "3!");

    TFuncObj* p =
        R.AddStdFunction("EchoVariant", &EchoVariant, {typeVariant}, typeParserType, "", fct_Custom);
    EXPECT_TRUE(CallWith(*p, {Variant::Null()}).IsNull());
    EXPECT_EQ(CallWith(*p, {Variant::Currency(TCurrency{5})}).VType(), varCurrency);

    // A typeVoid result leaves the result as it was; a ParserType parameter is the operand itself.
    TFuncObj* b = R.AddStdFunction("Bump", &Bump, {typeParserType}, typeVoid, "", fct_Custom);
    Variant operand(std::int32_t{9});
    Variant* ptr = &operand;
    Variant result("kept");
    b->Call(&ptr, 1, result);
    EXPECT_EQ(operand.RawInteger(), 10);
    EXPECT_EQ(result.RawString(), "kept");
    // A result the routine gives but the declaration drops.
    TFuncObj* d = R.AddStdFunction("Dropped", &EchoInt, {typeInteger}, typeVoid, "", fct_Custom);
    EXPECT_EQ(CallWith(*d, {Variant(1)}, Variant("kept")).RawString(), "kept");
}

TEST_F(TypedTest, FixedCountsFromTheDeclaration) {
    TFuncObj* none = R.AddStdFunction("NoArgs", &NoArgs, {typeVoid}, typeInteger, "", fct_Custom);
    EXPECT_EQ(none->ArgCount(), 0);
    EXPECT_EQ(none->Kind(), fkTypedProc);
    EXPECT_EQ(CallWith(*none, {}).RawInteger(), 42);
    TFuncObj* four = R.AddStdFunction("Count4", &Count4, {typeWord, typeWord, typeWord, typeWord},
                                      typeInteger, "", fct_Custom);
    EXPECT_EQ(four->ArgCount(), 4);
    EXPECT_EQ(four->GetParamType(3), typeWord);
    EXPECT_EQ(four->GetParamType(4), typeVoid);
    EXPECT_EQ(CallWith(*four, {Variant(1), Variant(2.5), Variant("3"), Variant(4)}).RawInteger(), 1234);
    EXPECT_ENGINE_ERROR(CallWith(*four, {Variant(1)}), EFuncParamsError, "Arguments mismatching: Count4");
}

TEST_F(TypedTest, OpenArrayRoutinesTakeAnyNumber) {
    TFuncObj* j = R.AddStdFunction("Joined", &Joined, {typeArray}, typeParserType, "", fct_Custom);
    EXPECT_EQ(j->ArgCount(), -1);
    EXPECT_EQ(CallWith(*j, {}).RawString(), "-1:");
    EXPECT_EQ(CallWith(*j, {Variant(1), Variant("b"), Variant(2.5)}).RawString(), "2:1,b,2.5,");
    TFuncObj* n = R.AddStdFunction("ArrayLength", &ArrayLength, {typeArray}, typeInteger, "", fct_Custom);
    EXPECT_EQ(CallWith(*n, {Variant(1), Variant(1)}).RawInteger(), 201);
}

TEST_F(TypedTest, RefusedDeclarationsLeaveNothingRegistered) {
    const int before = R.Funcs().Count();
    EXPECT_ENGINE_ERROR(
        R.AddStdFunction("Bad1", &Joined, {typeInteger, typeArray}, typeParserType, "", fct_Custom),
        EMathParserError, "Invalid parameter types in registered function: Bad1");
    EXPECT_ENGINE_ERROR(R.AddStdFunction("Bad2", &Count4, {typeInteger, typeVoid, typeInteger, typeInteger},
                                         typeInteger, "", fct_Custom),
                        EMathParserError, "Invalid parameter types in registered function: Bad2");
    EXPECT_ENGINE_ERROR(R.AddStdFunction("Bad3", &Joined, {typeArray}, typeArray, "", fct_Custom),
                        EMathParserError, "Invalid result type in registered function: Bad3");
    // Declarations the routine's own signature cannot carry.
    EXPECT_ENGINE_ERROR(R.AddStdFunction("Bad4", &EchoInt, {typeString}, typeInteger, "", fct_Custom),
                        EMathParserError, "Invalid parameter types in registered function: Bad4");
    EXPECT_ENGINE_ERROR(
        R.AddStdFunction("Bad5", &EchoInt, {typeInteger, typeInteger}, typeInteger, "", fct_Custom),
        EMathParserError, "Invalid parameter types in registered function: Bad5");
    EXPECT_ENGINE_ERROR(R.AddStdFunction("Bad6", &EchoInt, {typeInteger}, typeString, "", fct_Custom),
                        EMathParserError, "Invalid result type in registered function: Bad6");
    EXPECT_ENGINE_ERROR(R.AddStdFunction("Bad7", &Bump, {typeVariant}, typeInteger, "", fct_Custom),
                        EMathParserError, "Invalid result type in registered function: Bad7");
    EXPECT_ENGINE_ERROR(R.AddStdFunction("Bad8", &Joined, {typeVariant}, typeVariant, "", fct_Custom),
                        EMathParserError, "Invalid parameter types in registered function: Bad8");
    EXPECT_EQ(R.Funcs().Count(), before);
    for (const char* name : {"Bad1", "Bad4", "Bad8"})
        EXPECT_EQ(R.FindFunction(name), nullptr);
}

TEST_F(TypedTest, ChangingTheRoutineOfAFunctionThatIsRefusedKeepsTheOldOne) {
    TFuncObj* f = R.AddStdFunction("Keep", &EchoInt, {typeInteger}, typeInteger, "", fct_Custom);
    EXPECT_THROW(f->SetRTFunction(MakeFuncStub(&EchoString), nullptr, cmtNone, {typeInteger}, typeInteger),
                 EMathParserError);
    EXPECT_EQ(f->ParamTypes(), std::vector<TEPTypesType>{typeInteger});
    EXPECT_EQ(CallWith(*f, {Variant(6)}).RawInteger(), 6);
}

// A host object whose method is registered as a typed routine.
class TScaler {
public:
    explicit TScaler(double Factor) : Factor_(Factor) {}
    double Scale(double X) const { return X * Factor_; }
    void SetFactor(double F) { Factor_ = F; }

private:
    double Factor_;
};

TEST_F(TypedTest, TypedMethodsRunOnTheirObject) {
    TScaler scaler(3.0);
    TFuncObj* f =
        R.AddStdFunction("Scale", &TScaler::Scale, &scaler, {typeDouble}, typeDouble, "", fct_Custom);
    EXPECT_EQ(f->Kind(), fkTypedMethod);
    EXPECT_TRUE(f->IsObjectBound());
    EXPECT_EQ(f->NativeObj(), &scaler);
    EXPECT_DOUBLE_EQ(CallWith(*f, {Variant(2)}).RawDouble(), 6.0);
    scaler.SetFactor(0.5);
    EXPECT_DOUBLE_EQ(CallWith(*f, {Variant(2)}).RawDouble(), 1.0);
}

TEST_F(TypedTest, OperationPathNeedsNoLookup) {
    TFuncObj* f = R.AddStdFunction("Count4", &Count4, {typeInteger, typeInteger, typeInteger, typeInteger},
                                   typeInteger, "", fct_Custom);
    TProgram program;
    PParserOperation op = &program.NewOperation(TToken::BldFunc, nullptr, 4);
    Variant a(1), b(2), c(3), d(4), result;
    Variant* args[] = {&a, &b, &c, &d};
    for (int i = 0; i < 4; ++i)
        op->Args[i] = args[i];
    op->Arg1 = &a;
    op->Arg2 = &b;
    op->Arg3 = &c;
    op->Result = &result;
    f->BindOperation(op);
    EXPECT_EQ(op->Data, f->Stub());
    op->Proc(op);
    EXPECT_EQ(result.RawInteger(), 1234);
    d = Variant(9);
    op->Proc(op);
    EXPECT_EQ(result.RawInteger(), 1239);
}

} // namespace

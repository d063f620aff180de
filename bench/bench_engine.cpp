// The expression and script engine against three other embeddable evaluators in the same process:
// Lua 5.4 (the same work as a Lua function, one protected call per evaluation), muparser and
// muparserx (the cases their syntax can express). Every case is compiled once and evaluated per
// iteration with its input variable changed per iteration, as direct control changes FRAMES. Before
// anything is timed, each implementation runs every case a few steps from the same state and must
// give the same results; a mismatch aborts the run. At the end a table prints ns per evaluation and
// the ratios (medians when run with --benchmark_repetitions).
#include "effects/Effectplayer.h"
#include "engine/eval/Exeval.h"
#include "engine/funcs/Exfuncs.h"
#include "engine/vars/Vars.h"

#include <benchmark/benchmark.h>
#include <lua.hpp>
#include <muParser.h>
#include <muparserx/mpParser.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

using namespace skv::engine;

namespace {

// ---------------------------------------------------------------------------------------------
// The cases

struct TInput {
    const char* Name;
    double Value;
    bool Integer = false;
};

// One pure expression in each syntax; null where that evaluator cannot express it.
struct TExprCase {
    const char* Name;
    const char* Skyvane;
    const char* Lua;
    const char* MuParser;
    const char* MuParserX;
    std::vector<TInput> Inputs; // the first one changes every iteration
};

const std::vector<TInput> kReals = {{"x", 0.3},   {"a", 1.5}, {"b", 2.25},
                                    {"c", -0.75}, {"d", 3.5}, {"y", 1.2}};

const std::vector<TExprCase>& exprCases() {
    static const std::vector<TExprCase> cases = {
        {"arith", "a*b+c", "a*b+c", "a*b+c", "a*b+c", {{"a", 1.5}, {"b", 2.25}, {"c", -0.75}}},
        {"poly", "a*x*x + b*x + c", "a*x*x + b*x + c", "a*x*x + b*x + c", "a*x*x + b*x + c", kReals},
        {"trig", "sin(x)*cos(y)+sqrt(x*x+y*y)", "sin(x)*cos(y)+sqrt(x*x+y*y)", "sin(x)*cos(y)+sqrt(x*x+y*y)",
         "sin(x)*cos(y)+sqrt(x*x+y*y)", kReals},
        // Comparisons give 1 or 0 everywhere; Lua's booleans are turned into those numbers.
        {"compare", "(x>b) and (c<d)", "((x>b) and (c<d)) and 1 or 0", "(x>b) && (c<d)", "(x>b) && (c<d)",
         kReals},
        {"minmax", "max(a,x)-min(c,d)", "max(a,x)-min(c,d)", "max(a,x)-min(c,d)", "max(a,x)-min(c,d)",
         kReals},
        {"gauss", "exp(-x*x/2)", "exp(-x*x/2)", "exp(-x*x/2)", "exp(-x*x/2)", kReals},
        {"power", "x^2.5 + b^3", "x^2.5 + b^3", "x^2.5 + b^3", "x^2.5 + b^3", kReals},
        // Neither muparser nor muparserx has an integer remainder or division.
        {"modulo", "(n mod 7) + (n div 3)", "(n % 7) + (n // 3)", nullptr, nullptr, {{"n", 1000, true}}},
        {"nested", "((a+b)*(c-d))/((x+1)*(y+2))", "((a+b)*(c-d))/((x+1)*(y+2))",
         "((a+b)*(c-d))/((x+1)*(y+2))", "((a+b)*(c-d))/((x+1)*(y+2))", kReals},
        {"logs", "ln(x+2)*lg(y+3)", "log(x+2)*log(y+3,10)", "ln(x+2)*log10(y+3)", "ln(x+2)*log10(y+3)",
         kReals},
        {"abs", "abs(c-x)*sqrt(abs(y-x))", "abs(c-x)*sqrt(abs(y-x))", "abs(c-x)*sqrt(abs(y-x))",
         "abs(c-x)*sqrt(abs(y-x))", kReals},
        {"atan", "atan(y/x)*180/pi", "atan(y/x)*180/pi", "atan(y/x)*180/_pi", nullptr, kReals},
    };
    return cases;
}

// The Lua names the expressions use, as upvalues of the function (what a host that cares would do).
const char* kLuaPrelude = "local sin, cos, sqrt, exp, log, atan, abs, max, min, pi = math.sin, math.cos, "
                          "math.sqrt, math.exp, math.log, math.atan, math.abs, math.max, math.min, math.pi\n";

// The camera variables a script reads and writes, in the order direct control reads them back.
const char* const kCameraVars[] = {"X", "Y", "Z", "YAW", "PITCH", "BANK", "ZOOM"};
constexpr int kCameraVarCount = 7;
// The seed: the roll-bar camera as single-precision values.
const float kSeed[kCameraVarCount] = {0.25f, 1.75f, 1.1f, 0.05f, -0.02f, 0.0f, 0.9f};

// One effect script; muparserx can express none of them (it has no statement sequence, no loop).
struct TScriptCase {
    const char* Name;
    const char* Skyvane;
    const char* Lua;
};

const std::vector<TScriptCase>& scriptCases() {
    static const std::vector<TScriptCase> cases = {
        {"orbit",
         "ANGLE := FRAMES * 0.02;"
         "X := 6 * COS(ANGLE);"
         "Y := 6 * SIN(ANGLE);"
         "Z := 1.5 + 0.25 * SIN(ANGLE * 3);"
         "YAW := ANGLE + PI;"
         "IF YAW > 2 * PI THEN YAW := YAW - 2 * PI;"
         "PITCH := -0.12;"
         "ZOOM := 0.9;",
         "local ANGLE = FRAMES * 0.02\n"
         "X = 6 * cos(ANGLE)\n"
         "Y = 6 * sin(ANGLE)\n"
         "Z = 1.5 + 0.25 * sin(ANGLE * 3)\n"
         "YAW = ANGLE + pi\n"
         "if YAW > 2 * pi then YAW = YAW - 2 * pi end\n"
         "PITCH = -0.12\n"
         "ZOOM = 0.9\n"},
        {"dolly",
         "S := 0;"
         "FOR I := 1 TO 10 DO BEGIN"
         "  T := (FRAMES + I / 10) / 400;"
         "  IF T > 1 THEN T := 1;"
         "  S := S + T * T * (3 - 2 * T);"
         "END;"
         "X := -20 + 4 * S;"
         "Y := 2 + 0.1 * S;"
         "ZOOM := 0.8 - 0.03 * S;",
         "local S = 0\n"
         "for I = 1, 10 do\n"
         "  local T = (FRAMES + I / 10) / 400\n"
         "  if T > 1 then T = 1 end\n"
         "  S = S + T * T * (3 - 2 * T)\n"
         "end\n"
         "X = -20 + 4 * S\n"
         "Y = 2 + 0.1 * S\n"
         "ZOOM = 0.8 - 0.03 * S\n"},
        {"shake",
         "P := FRAMES MOD 4;"
         "IF P = 0 THEN BANK := 0.02 "
         "ELSE IF P = 1 THEN BANK := -0.015 "
         "ELSE IF P = 2 THEN BANK := 0.01 "
         "ELSE BANK := -0.005;"
         "PITCH := PITCH * 0.9 + 0.01 * SIN(FRAMES * 1.7);"
         "YAW := YAW * 0.99 + 0.003 * COS(FRAMES * 2.3);"
         "Z := 1.1 + 0.02 * SIN(FRAMES * 5.1);"
         "IF ABS(BANK) > 0.015 THEN X := X * 0.5 + 0.125 ELSE X := X * 0.5 + 0.1;",
         "local P = FRAMES % 4\n"
         "if P == 0 then BANK = 0.02\n"
         "elseif P == 1 then BANK = -0.015\n"
         "elseif P == 2 then BANK = 0.01\n"
         "else BANK = -0.005 end\n"
         "PITCH = PITCH * 0.9 + 0.01 * sin(FRAMES * 1.7)\n"
         "YAW = YAW * 0.99 + 0.003 * cos(FRAMES * 2.3)\n"
         "Z = 1.1 + 0.02 * sin(FRAMES * 5.1)\n"
         "if abs(BANK) > 0.015 then X = X * 0.5 + 0.125 else X = X * 0.5 + 0.1 end\n"},
    };
    return cases;
}

// The value of the changing input at iteration I: a small cycle, so that loops and branches see
// varying data but nothing drifts.
double inputAt(const TInput& In, std::int64_t I) {
    return In.Integer ? In.Value + double(I % 97) : In.Value + double(I % 64) * 0.015625;
}
std::int32_t frameAt(std::int64_t I) {
    return std::int32_t(I % 1000) + 1;
}

[[noreturn]] void fail(const std::string& What) {
    std::fprintf(stderr, "bench_engine: %s\n", What.c_str());
    std::exit(1);
}

// ---------------------------------------------------------------------------------------------
// The engines behind one interface

// One compiled case: Seed puts the inputs (or the camera) in place, Step changes the input of
// iteration I and evaluates once; Read answers the result (expressions) or a camera variable.
class TRunner {
public:
    virtual ~TRunner() = default;
    virtual void Seed() = 0;
    virtual void Step(std::int64_t I) = 0;
    virtual double Read(int Index) = 0;
};

// The engine as direct control uses it: variables of a TEPVars collection, set through
// TVariable::SetValue, and the compiled script evaluated through F with the argument 0.
class TSkyvaneEngine {
public:
    TSkyvaneEngine() {
        Funcs.SetDateFuncs(false);
        Funcs.SetDBFuncs(false);
        Vars.SetRegFuncs(&Funcs);
        Obj.OnProvideVarsList = [this] { return &Vars.Vars(); };
        Obj.OnProvideRegFuncs = [this] { return &Funcs; };
    }
    TVariable* Var(const std::string& Name) {
        Vars.SetValues(Name, Variant(std::int32_t{0}));
        return Vars.FindVariable(Name);
    }
    void Compile(const std::string& Text) {
        Obj.AssignSourceStr(Text);
        Obj.ValidateOperation(false);
        if (Obj.ParseFailed()) fail("does not compile: " + Text);
    }
    void Evaluate() { Obj.F(Args, 0, Result); }

    TEPRegFuncs Funcs;
    TEPVars Vars;
    TEvalObj Obj;
    ArgArray Args{Variant(std::int32_t{0})};
    Variant Result;
};

class TSkyvaneExpr final : public TRunner {
public:
    explicit TSkyvaneExpr(const TExprCase& C) : Case_(C) {
        for (const TInput& in : C.Inputs)
            Inputs_.push_back(E_.Var(in.Name));
        E_.Compile(C.Skyvane);
    }
    void Seed() override {
        for (std::size_t i = 0; i < Inputs_.size(); ++i)
            Inputs_[i]->SetValue(value(Case_.Inputs[i], Case_.Inputs[i].Value));
    }
    void Step(std::int64_t I) override {
        Inputs_[0]->SetValue(value(Case_.Inputs[0], inputAt(Case_.Inputs[0], I)));
        E_.Evaluate();
    }
    double Read(int) override { return E_.Result.ToReal(); }

private:
    static Variant value(const TInput& In, double V) {
        return In.Integer ? Variant(std::int32_t(V)) : Variant(V);
    }
    const TExprCase& Case_;
    TSkyvaneEngine E_;
    std::vector<TVariable*> Inputs_;
};

class TSkyvaneScript final : public TRunner {
public:
    explicit TSkyvaneScript(const TScriptCase& C) {
        Frames_ = E_.Var("FRAMES");
        for (const char* name : kCameraVars)
            Camera_.push_back(E_.Var(name));
        E_.Compile(C.Skyvane);
    }
    void Seed() override {
        for (int i = 0; i < kCameraVarCount; ++i)
            Camera_[std::size_t(i)]->SetValue(Variant::Single(kSeed[i]));
    }
    void Step(std::int64_t I) override {
        Frames_->SetValue(Variant(frameAt(I)));
        E_.Evaluate();
    }
    double Read(int Index) override { return Camera_[std::size_t(Index)]->Value().ToReal(); }

private:
    TSkyvaneEngine E_;
    TVariable* Frames_;
    std::vector<TVariable*> Camera_;
};

// The effect player direct control steps: FRAMES and the camera record in, one evaluation under
// the check point with a 50 ms budget, the seven values back into the record as floats.
class TPlayerRunner final : public TRunner {
public:
    explicit TPlayerRunner(const TScriptCase& C) { Player_.load(C.Skyvane); }
    void Seed() override {
        skv::model::CarCameraValues seed;
        for (int i = 0; i < kCameraVarCount; ++i)
            seed.*kFields[i] = kSeed[i];
        Player_.seed(1, seed);
        Record_ = seed;
    }
    void Step(std::int64_t I) override {
        // Direct control gives every step its own deadline.
        Player_.step(frameAt(I), Record_, skv::effects::EffectBudget::fromNow());
    }
    double Read(int Index) override { return Record_.*kFields[Index]; }

private:
    static constexpr float skv::model::CarCameraValues::*kFields[kCameraVarCount] = {
        &skv::model::CarCameraValues::xPos,     &skv::model::CarCameraValues::yPos,
        &skv::model::CarCameraValues::zPos,     &skv::model::CarCameraValues::yaw,
        &skv::model::CarCameraValues::pitch,    &skv::model::CarCameraValues::bank,
        &skv::model::CarCameraValues::zoomAngle};
    skv::effects::TEffectPlayer Player_;
    skv::model::CarCameraValues Record_;
};

// Lua: the case as a function kept in the registry, its variables globals, one lua_pcall per step.
class TLuaRunner final : public TRunner {
public:
    TLuaRunner(const std::string& Body, std::vector<TInput> Inputs, bool Script)
        : Inputs_(std::move(Inputs)), Script_(Script) {
        L_ = luaL_newstate();
        luaL_openlibs(L_);
        const std::string chunk =
            std::string(kLuaPrelude) + "return function()\n" + (Script ? Body : "return " + Body) + "\nend\n";
        if (luaL_loadstring(L_, chunk.c_str()) != LUA_OK || lua_pcall(L_, 0, 1, 0) != LUA_OK)
            fail(std::string("Lua: ") + lua_tostring(L_, -1));
        Fn_ = luaL_ref(L_, LUA_REGISTRYINDEX);
    }
    ~TLuaRunner() override { lua_close(L_); }
    void Seed() override {
        if (Script_) {
            for (int i = 0; i < kCameraVarCount; ++i)
                setGlobal(kCameraVars[i], double(kSeed[i]), false);
            return;
        }
        for (const TInput& in : Inputs_)
            setGlobal(in.Name, in.Value, in.Integer);
    }
    void Step(std::int64_t I) override {
        if (Script_)
            setGlobal("FRAMES", frameAt(I), true);
        else
            setGlobal(Inputs_[0].Name, inputAt(Inputs_[0], I), Inputs_[0].Integer);
        lua_rawgeti(L_, LUA_REGISTRYINDEX, Fn_);
        if (lua_pcall(L_, 0, Script_ ? 0 : 1, 0) != LUA_OK) fail(std::string("Lua: ") + lua_tostring(L_, -1));
        if (Script_) return;
        Result_ = lua_tonumber(L_, -1);
        lua_pop(L_, 1);
    }
    double Read(int Index) override {
        if (!Script_) return Result_;
        lua_getglobal(L_, kCameraVars[Index]);
        const double v = lua_tonumber(L_, -1);
        lua_pop(L_, 1);
        return v;
    }

private:
    void setGlobal(const char* Name, double V, bool Integer) {
        if (Integer)
            lua_pushinteger(L_, lua_Integer(V));
        else
            lua_pushnumber(L_, V);
        lua_setglobal(L_, Name);
    }
    lua_State* L_;
    int Fn_;
    std::vector<TInput> Inputs_;
    bool Script_;
    double Result_ = 0;
};

// muparser: variables bound by address, so a change is a store.
class TMuParserRunner final : public TRunner {
public:
    explicit TMuParserRunner(const TExprCase& C) : Case_(C), Values_(C.Inputs.size()) {
        try {
            for (std::size_t i = 0; i < C.Inputs.size(); ++i)
                P_.DefineVar(C.Inputs[i].Name, &Values_[i]);
            P_.SetExpr(C.MuParser);
            P_.Eval();
        } catch (const mu::Parser::exception_type& e) {
            fail("muparser: " + e.GetMsg());
        }
    }
    void Seed() override {
        for (std::size_t i = 0; i < Values_.size(); ++i)
            Values_[i] = Case_.Inputs[i].Value;
    }
    void Step(std::int64_t I) override {
        Values_[0] = inputAt(Case_.Inputs[0], I);
        Result_ = P_.Eval();
    }
    double Read(int) override { return Result_; }

private:
    const TExprCase& Case_;
    std::vector<double> Values_;
    mu::Parser P_;
    double Result_ = 0;
};

// muparserx: variables are its own values bound by address.
class TMuParserXRunner final : public TRunner {
public:
    explicit TMuParserXRunner(const TExprCase& C) : Case_(C) {
        try {
            for (const TInput& in : C.Inputs) {
                Values_.push_back(std::make_unique<mup::Value>(in.Value));
                P_.DefineVar(in.Name, mup::Variable(Values_.back().get()));
            }
            P_.SetExpr(C.MuParserX);
            P_.Eval();
        } catch (const mup::ParserError& e) {
            fail("muparserx: " + e.GetMsg());
        }
    }
    void Seed() override {
        for (std::size_t i = 0; i < Values_.size(); ++i)
            *Values_[i] = Case_.Inputs[i].Value;
    }
    void Step(std::int64_t I) override {
        *Values_[0] = inputAt(Case_.Inputs[0], I);
        const mup::IValue& r = P_.Eval();
        Result_ = r.GetType() == 'b' ? double(r.GetBool()) : r.GetFloat();
    }
    double Read(int) override { return Result_; }

private:
    const TExprCase& Case_;
    std::vector<std::unique_ptr<mup::Value>> Values_;
    mup::ParserX P_;
    double Result_ = 0;
};

// ---------------------------------------------------------------------------------------------
// Checking and timing

bool same(double A, double B, double Tolerance) {
    return std::fabs(A - B) <= Tolerance * std::max(1.0, std::max(std::fabs(A), std::fabs(B)));
}

// Runs every runner of a case Steps steps from its seed and compares each result with the first
// runner's (within Tolerance, relative); aborts on a difference.
void checkSame(const std::string& Case, const std::vector<std::pair<std::string, TRunner*>>& Runners,
               int Values, double Tolerance = 1e-9) {
    for (auto& [name, r] : Runners)
        r->Seed();
    for (std::int64_t i = 0; i < 40; ++i) {
        for (auto& [name, r] : Runners)
            r->Step(i * 37);
        for (int v = 0; v < Values; ++v) {
            const double want = Runners[0].second->Read(v);
            for (auto& [name, r] : Runners) {
                const double got = r->Read(v);
                if (!same(want, got, Tolerance))
                    fail(Case + ": " + name + " gives " + std::to_string(got) + " where " + Runners[0].first +
                         " gives " + std::to_string(want) + " (step " + std::to_string(i) + ", value " +
                         std::to_string(v) + ")");
            }
        }
    }
}

void timeSteps(benchmark::State& State, TRunner& R) {
    R.Seed();
    std::int64_t i = 0;
    for (auto _ : State) {
        R.Step(i++);
        benchmark::ClobberMemory();
    }
}

// One effect step with the whole hand-over: seed the seven camera variables and FRAMES, evaluate,
// read the seven back as single-precision values (Skyvane: through the effect player).
void effectStep(benchmark::State& State, TRunner& R) {
    std::int64_t i = 0;
    float out[kCameraVarCount];
    for (auto _ : State) {
        R.Seed();
        R.Step(i++);
        for (int v = 0; v < kCameraVarCount; ++v)
            out[v] = float(R.Read(v));
        benchmark::DoNotOptimize(out);
    }
}

std::vector<std::unique_ptr<TRunner>>& runners() {
    static std::vector<std::unique_ptr<TRunner>> all;
    return all;
}

TRunner* keep(std::unique_ptr<TRunner> R) {
    runners().push_back(std::move(R));
    return runners().back().get();
}

const char* const kEngines[] = {"skyvane", "lua", "muparser", "muparserx"};

void registerCases() {
    for (const TExprCase& c : exprCases()) {
        std::vector<std::pair<std::string, TRunner*>> rs;
        rs.emplace_back("skyvane", keep(std::make_unique<TSkyvaneExpr>(c)));
        rs.emplace_back("lua", keep(std::make_unique<TLuaRunner>(c.Lua, c.Inputs, false)));
        if (c.MuParser) rs.emplace_back("muparser", keep(std::make_unique<TMuParserRunner>(c)));
        if (c.MuParserX) rs.emplace_back("muparserx", keep(std::make_unique<TMuParserXRunner>(c)));
        checkSame(std::string("expr/") + c.Name, rs, 1);
        for (auto& [engine, r] : rs)
            benchmark::RegisterBenchmark(("expr/" + std::string(c.Name) + "/" + engine).c_str(),
                                         [r = r](benchmark::State& s) { timeSteps(s, *r); });
    }
    for (const TScriptCase& c : scriptCases()) {
        std::vector<std::pair<std::string, TRunner*>> rs;
        rs.emplace_back("skyvane", keep(std::make_unique<TSkyvaneScript>(c)));
        rs.emplace_back("lua", keep(std::make_unique<TLuaRunner>(c.Lua, std::vector<TInput>{}, true)));
        checkSame(std::string("script/") + c.Name, rs, kCameraVarCount);
        for (auto& [engine, r] : rs)
            benchmark::RegisterBenchmark(("script/" + std::string(c.Name) + "/" + engine).c_str(),
                                         [r = r](benchmark::State& s) { timeSteps(s, *r); });
        // The step goes through the effect player; its record holds floats.
        std::vector<std::pair<std::string, TRunner*>> steps{
            {"skyvane", keep(std::make_unique<TPlayerRunner>(c))}, rs[1]};
        checkSame(std::string("step/") + c.Name, steps, kCameraVarCount, 1e-6);
        for (auto& [engine, r] : steps)
            benchmark::RegisterBenchmark(("step/" + std::string(c.Name) + "/" + engine).c_str(),
                                         [r = r](benchmark::State& s) { effectStep(s, *r); });
    }
}

// Collects each benchmark's CPU time per iteration (on a shared machine the wall clock also counts
// the time other processes had the core); with --benchmark_repetitions the median, which a busy
// machine disturbs least.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& run : runs) {
            const std::string name = run.run_name.function_name;
            if (run.run_type == Run::RT_Iteration && !medians.contains(name))
                nanos[name] = run.GetAdjustedCPUTime();
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                medians.insert(name);
                nanos[name] = run.GetAdjustedCPUTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::set<std::string> medians;
    std::map<std::string, double> nanos;
};

void printTable(const RatioReporter& R, const char* Group, const std::vector<std::string>& Cases) {
    std::printf("\n%-8s %-9s %10s %10s %10s %10s %9s %9s %9s\n", Group, "case", "skyvane", "lua", "muparser",
                "muparserx", "sky/lua", "sky/mup", "sky/mupx");
    for (const std::string& c : Cases) {
        double ns[4];
        for (int e = 0; e < 4; ++e) {
            const auto it = R.nanos.find(std::string(Group) + "/" + c + "/" + kEngines[e]);
            ns[e] = it == R.nanos.end() ? -1 : it->second;
        }
        if (ns[0] < 0) continue;
        std::printf("%-8s %-9s", "", c.c_str());
        for (double v : ns)
            v < 0 ? std::printf(" %10s", "n/a") : std::printf(" %10.1f", v);
        for (int e = 1; e < 4; ++e)
            ns[e] <= 0 ? std::printf(" %9s", "n/a") : std::printf(" %9.2f", ns[0] / ns[e]);
        std::printf("\n");
    }
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    registerCases();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::vector<std::string> exprs, scripts;
    for (const auto& c : exprCases())
        exprs.emplace_back(c.Name);
    for (const auto& c : scriptCases())
        scripts.emplace_back(c.Name);
    std::printf(
        "\nCPU ns per evaluation (median of the repetitions when repeated); ratio < 1: Skyvane faster\n");
    std::printf("goals: scripts faster than Lua and muparserx (which expresses none of them), expressions\n"
                "within 2x of muparser, one effect step with its hand-over well under 10000 ns\n");
    printTable(reporter, "expr", exprs);
    printTable(reporter, "script", scripts);
    printTable(reporter, "step", scripts);
    benchmark::Shutdown();
    return 0;
}

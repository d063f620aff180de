// The built-in library as scripts use it: compiled and run through an expression object.
#include "engine/exfuncs_test_support.h"

#include "engine/bldfuncs/Bldfuncs.h"
#include "engine/eval/Exeval.h"
#include "engine/vars/Vars.h"

namespace skv::engine {
namespace {

class BuildInScript : public ::testing::Test {
protected:
    BuildInScript() {
        Vars.SetRegFuncs(&Funcs);
        Vars.SetValues("X", Variant(std::int32_t{4}));
        E.OnProvideVarsList = [this] { return &Vars.Vars(); };
        E.OnProvideRegFuncs = [this] { return &Funcs; };
    }
    Variant Run(const std::string& Text) {
        E.AssignSourceStr(Text);
        return E.F();
    }
    TEPRegFuncs Funcs;
    TEPVars Vars;
    TEvalObj E;
};

TEST_F(BuildInScript, ScriptsCallTheLibrary) {
    const std::vector<std::pair<const char*, Variant>> cases = {
        {"ROUND(2.5) + ROUND(-0.5)", Variant(2.0)},
        {"IIF(0, 1, 2) * 10 + IIF(-1, 1, 2)", Variant(21)},
        {"MAX(1, 3, 3, 2) + SETOF(0, 3)", Variant(12)},
        {"RESULT := INC(X) * 10 + X", Variant(55)},
        {"s := \"abcdef\"; Delete(s, 2, 3); RESULT := s", Variant("aef")},
        {"RESULT := Format(\"%s=%.2f\", \"x\", SIN(0) + 0.5)", Variant("x=0.50")},
        {"RESULT := UpperCase(Copy(\"camera\", 1, 3)) + IntToStr(Length(\"ab\"))", Variant("CAM2")},
        {"RESULT := FloatToStrF(1234.5, 2, 15, 1)", Variant("1234.5")},
        {"p := AllocMem(4); FillChar(p, 4, 7); q := AllocMem(4); FillChar(q, 4, 7); "
         "RESULT := CompareMem(p, q, 4); FreeMem(p, 4); FreeMem(q, 4);",
         Variant(1)},
        {"TRY RaiseExcept(12345); EXCEPT RESULT := \"refused\"; END", Variant("refused")},
        {"TRY FillChar(305419896, 4, 0); EXCEPT RESULT := ExceptObject() <> 0; END", Variant(1)},
    };
    for (const auto& [script, expected] : cases) {
        Variant v;
        try {
            v = Run(script);
        } catch (const std::exception& e) {
            ADD_FAILURE() << script << " raised " << e.what();
            continue;
        }
        EXPECT_TRUE(VarEquals(v, expected)) << script << " gave " << v.ToString();
    }
    EXPECT_EQ(Vars.Values("X").ToInteger(), 5); // INC wrote the variable itself
}

} // namespace
} // namespace skv::engine

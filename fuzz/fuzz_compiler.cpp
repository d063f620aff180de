// The script compiler with every built-in function registered: any text compiles or is refused
// with an engine error, and compiling the same text again gives the same code.
#include "Scripthost.h"

using namespace skv::fuzz;

namespace {

struct THost {
    THost() {
        Funcs.SetRegClasses(&Classes);
        Vars.SetRegFuncs(&Funcs);
        SeedEffectVariables(Vars);
    }
    TEPRegFuncs Funcs;
    TEPRegClasses Classes;
    TEPVars Vars;
};

THost& Host() {
    static THost host;
    return host;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    THost& host = Host();
    TEvalObj e;
    e.OnProvideVarsList = [&] { return &host.Vars.Vars(); };
    e.OnProvideRegFuncs = [&] { return &host.Funcs; };
    e.AssignSourceStr(TextOf(data, size));
    if (!RunsOrFailsCleanly([&] { e.ValidateOperation(false); })) return 0;

    const std::string expr = e.GetExpr();
    const std::int32_t constants = e.ConstCount();
    const std::int32_t slots = e.GetArgCount();
    FUZZ_CHECK(slots >= 0);
    FUZZ_CHECK(RunsOrFailsCleanly([&] { e.ValidateOperation(true); }));
    FUZZ_CHECK(e.GetExpr() == expr);
    FUZZ_CHECK(e.ConstCount() == constants);
    FUZZ_CHECK(e.GetArgCount() == slots);
    RunsOrFailsCleanly([&] { e.Check(); });
    return 0;
}

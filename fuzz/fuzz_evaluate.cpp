// Scripts compiled and run once as an effect step, with every built-in function: a run ends with
// a value or an engine error. A check point stops a script after a fixed number of loop turns and
// calls, so an endless loop counts as stopped, not as a hang; files stay in a sandbox folder.
#include "Scripthost.h"

using namespace skv::fuzz;

namespace {

// Loop turns and calls one input may make: enough for the scripts' own loops, small enough that
// a run of any input stays far below the time limit.
constexpr int kCheckBudget = 2000;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TRunHost& host = RunHost();
    host.Box.Reset();
    SeedEffectVariables(host.Vars);
    static const std::int64_t base = host.Funcs.Context().Values.HeldBytes();
    int left = kCheckBudget;
    {
        const TEvalCheckPointScope budget(&CountDown, &left);
        // Objects that scripts construct live as long as their class registry: one per input.
        TEPRegClasses classes;
        host.Funcs.SetRegClasses(&classes);
        TEvalObj e;
        e.OnProvideVarsList = [&] { return &host.Vars.Vars(); };
        e.OnProvideRegFuncs = [&] { return &host.Funcs; };
        e.AssignSourceStr(TextOf(data, size));
        Variant result;
        if (RunsOrFailsCleanly([&] { result = e.F(); }))
            (void)RunsOrFailsCleanly([&] { (void)result.ToString(); });
        host.Funcs.SetRegClasses(nullptr);
    }
    // What values hold must not pile up from input to input: with the variables seeded again, only
    // the last handled exception's object (one text) may still be held.
    SeedEffectVariables(host.Vars);
    FUZZ_CHECK(host.Funcs.Context().Values.HeldBytes() - base < kMaxHeldValueBytes / 2);
    return 0;
}

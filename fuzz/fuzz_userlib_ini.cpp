// User libraries stored in INI files from anywhere: reading never fails, what it read writes a text
// that reads back to the same aliases and functions (names, descriptions, lines), and calling the
// functions with a check point budget ends with a value or an engine error.
#include "Scripthost.h"

#include "engine/component/Expars.h"

#include <tuple>

using namespace skv::fuzz;

namespace {

// Loop turns and calls one input's function calls may make in all.
constexpr int kCheckBudget = 2000;
// Functions called per input: the first few are enough to reach every call path.
constexpr int kCalls = 3;

using TContents = std::vector<std::tuple<std::string, std::string, std::vector<std::string>>>;

TContents ContentsOf(const TEPExprList& List) {
    TContents items;
    for (int i = 0; i < List.Count(); ++i)
        items.emplace_back(List.GetName(i), List.Items(i)->Descr, List.GetSource(i));
    return items;
}

void ReadInto(TEPUserLib& Lib, const TIniFile& Ini) {
    Lib.BeginUpdate();
    Lib.Aliases().ReadItemsFrom(Ini, "Aliases");
    Lib.Functions().ReadItemsFrom(Ini, "Functions");
    Lib.EndUpdate();
}

std::string WrittenText(const TEPUserLib& Lib) {
    TIniFile ini;
    Lib.Aliases().WriteItemsTo(ini, "Aliases");
    Lib.Functions().WriteItemsTo(ini, "Functions");
    return ini.SaveToString();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TRunHost& host = RunHost();
    TIniFile ini;
    ini.LoadFromString(TextOf(data, size));
    TEPUserLib first;
    ReadInto(first, ini);

    const std::string text = WrittenText(first);
    TIniFile stored;
    stored.LoadFromString(text);
    TEPUserLib second;
    ReadInto(second, stored);
    FUZZ_CHECK(ContentsOf(first.Aliases()) == ContentsOf(second.Aliases()));
    FUZZ_CHECK(ContentsOf(first.Functions()) == ContentsOf(second.Functions()));
    FUZZ_CHECK(WrittenText(second) == text);

    host.Box.Reset();
    SeedEffectVariables(host.Vars);
    first.SetRegFuncs(&host.Funcs);
    first.SetVariables(&host.Vars);
    int left = kCheckBudget;
    {
        const TEvalCheckPointScope budget(&CountDown, &left);
        TEPRegClasses classes;
        host.Funcs.SetRegClasses(&classes);
        for (int i = 0; i < std::min(first.Functions().Count(), kCalls); ++i) {
            ArgArray args{Variant(std::int32_t{2}), Variant(0.5), Variant(std::string("x"))};
            Variant result;
            if (RunsOrFailsCleanly(
                    [&] { result = first.CallFunction(first.Functions().GetName(i), args, 2); }))
                (void)RunsOrFailsCleanly([&] { (void)result.ToString(); });
        }
        host.Funcs.SetRegClasses(nullptr);
    }
    first.SetRegFuncs(nullptr);
    first.SetVariables(nullptr);
    return 0;
}

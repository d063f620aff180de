// Variables stored in INI files from anywhere: reading either succeeds or raises an engine error
// after reading the rest, every variable read is in the collection, and what is written once reads
// back to variables that write the same text again.
#include "Fuzzcheck.h"

#include "engine/Inifile.h"
#include "engine/base/Errors.h"
#include "engine/data/Dataaccess.h"
#include "engine/vars/Vars.h"

#include <cstddef>
#include <cstdint>
#include <string>

using namespace skv::engine;

namespace {

constexpr const char* kSection = "Variables";

// A form with one data source that stored variables may name.
struct TForm {
    TComponent Root;
    TEPVars* Vars = new TEPVars(&Root);
    TForm() {
        auto* source = new TDataSource(&Root);
        source->SetName("dsCams");
    }
};

void readInto(TForm& form, TIniFile& ini) {
    try {
        form.Vars->ReadItemsFrom(ini, kSection);
    } catch (const EMathParserError&) {
        // a clear refusal: one stored value was not a number
    }
    for (int i = 0; i < form.Vars->Count(); ++i)
        FUZZ_CHECK(form.Vars->Items(i)->VarColl() == form.Vars);
}

std::string writtenText(TForm& form) {
    TIniFile ini;
    form.Vars->WriteItemsTo(ini, kSection);
    return ini.SaveToString();
}

bool sameVariables(const TEPVars& a, const TEPVars& b) {
    if (a.Count() != b.Count()) return false;
    for (int i = 0; i < a.Count(); ++i) {
        const TVariable& x = *a.Items(i);
        const TVariable& y = *b.Items(i);
        if (x.VarName() != y.VarName() || x.Descr != y.Descr || x.ValueType() != y.ValueType() ||
            x.Expression() != y.Expression() || x.SaveResult() != y.SaveResult() ||
            x.DataField() != y.DataField() || x.ResultField() != y.ResultField() ||
            (x.DataSource() == nullptr) != (y.DataSource() == nullptr) ||
            (x.ResultSource() == nullptr) != (y.ResultSource() == nullptr))
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TIniFile ini;
    ini.LoadFromString(std::string(reinterpret_cast<const char*>(data), size));
    TForm first;
    readInto(first, ini);

    // Stored values pass through 15 significant digits, so the text settles after one write.
    const std::string text = writtenText(first);
    TIniFile stored;
    stored.LoadFromString(text);
    TForm second;
    second.Vars->ReadItemsFrom(stored, kSection); // our own text must read without complaint
    FUZZ_CHECK(sameVariables(*first.Vars, *second.Vars));
    FUZZ_CHECK(writtenText(second) == text);
    return 0;
}

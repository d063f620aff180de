// The INI layout of a variable collection: one counting key per variable followed by its "@" keys.
#include "engine/Inifile.h"
#include "engine/base/Errors.h"
#include "engine/base/Messages.h"
#include "engine/base/Text.h"
#include "engine/vars/Vars.h"

#include <algorithm>

namespace skv::engine {

namespace {

constexpr const char* kVariablesSection = "Variables";
// Keys besides the expression lines that the counting key adds to the number of lines.
constexpr std::int64_t kFixedKeys = 8;
// Data source names longer than this are cut, as the stored layout always did.
constexpr std::size_t kMaxSourceNameLength = 70;

std::string ComponentName(const TDataSource* DS) {
    return DS ? DS->Name() : std::string();
}

std::string JoinLines(const std::vector<std::string>& Lines) {
    std::string text;
    for (std::size_t i = 0; i < Lines.size(); ++i) {
        if (i) text += "\r\n";
        text += Lines[i];
    }
    return text;
}

} // namespace

void TEPVars::WriteItemsTo(TIniFile& Ini, const std::string& Section) {
    for (int i = 0; i < Count(); ++i) {
        TVariable& v = *Vars_.Objects(i);
        const std::string& n = v.VarName();
        const std::vector<std::string> lines = v.ExpressionLines();
        // Only numbers have a place in the layout; any other stored value is written as 0.
        double value = 0;
        try {
            value = v.StoredValue().ToReal();
        } catch (const std::exception&) {
            value = 0;
        }
        Ini.WriteInteger(
            Section, n,
            static_cast<std::int32_t>(std::min<std::size_t>(lines.size() + kFixedKeys, INT32_MAX)));
        Ini.WriteString(Section, "@" + n + "_Descr", v.Descr);
        Ini.WriteInteger(Section, "@" + n + "_Type", v.ValueType());
        Ini.WriteFloat(Section, "@" + n + "_Value", value);
        Ini.WriteString(Section, "@" + n + "_DataSource", ComponentName(v.DataSource()));
        Ini.WriteString(Section, "@" + n + "_DataField", v.DataField());
        Ini.WriteString(Section, "@" + n + "_ResultSource", ComponentName(v.ResultSource()));
        Ini.WriteString(Section, "@" + n + "_ResultField", v.ResultField());
        Ini.WriteBool(Section, "@" + n + "_SaveResult", v.SaveResult());
        for (std::size_t l = 0; l < lines.size(); ++l)
            Ini.WriteString(Section, NumberedLineKey(n, l + 1), lines[l]);
    }
}

void TEPVars::ReadItemsFrom(TIniFile& Ini, const std::string& Section) {
    TVariable* cur = nullptr;
    std::vector<std::string> buffer;
    std::int64_t count = 0;
    std::string badValue; // the first unreadable value, reported once everything else is read

    const auto flush = [&] {
        if (cur && !buffer.empty()) cur->SetExpressionRaw(JoinLines(buffer));
        buffer.clear();
    };

    for (const std::string& key : Ini.ReadSection(Section)) {
        const std::string value = Ini.ReadString(Section, key, "");
        if (key.empty() || key[0] != '@') {
            flush();
            count = Ini.ReadInteger(Section, key, 0);
            try {
                cur = CreateVariable(Owner(), UpStr(key), "");
            } catch (const std::exception&) {
                cur = nullptr; // its "@" keys are skipped
            }
            continue;
        }
        if (!cur) continue;
        const std::string& name = cur->VarName();
        if (key.size() < name.size() + 1 || CompareNames(key.substr(1, name.size()), name) != 0) continue;
        const std::string attr =
            key.size() > name.size() + 2 ? UpStr(key.substr(name.size() + 2)) : std::string();

        if (attr == "DESCR") {
            cur->Descr = value;
        } else if (attr == "TYPE") {
            const std::int32_t t = Ini.ReadInteger(Section, key, -1);
            if (t >= vvValue && t <= vvOnEvent) {
                cur->ValueType_ = static_cast<TVarValueType>(t);
                cur->Untell();
            }
        } else if (attr == "VALUE") {
            double d = 0;
            if (TryStrToFloat(value, d)) {
                cur->StoredValue_ = d;
            } else {
                cur->StoredValue_ = 0.0;
                if (badValue.empty()) badValue = name + "=" + value.substr(0, 40);
            }
        } else if (attr == "DATASOURCE" || attr == "RESULTSOURCE") {
            const std::string source = value.substr(0, kMaxSourceNameLength);
            TDataSource* ds = source.empty() ? nullptr : GetDataSourceComp(Owner(), source);
            if (attr == "DATASOURCE") {
                cur->DataLink_.SetDataSource(ds);
            } else {
                cur->ResultLink_.SetDataSource(ds);
            }
            cur->WatchSource(ds);
        } else if (attr == "DATAFIELD") {
            cur->DataLink_.SetFieldName(value);
        } else if (attr == "RESULTFIELD") {
            cur->ResultLink_.SetFieldName(value);
        } else if (attr == "SAVERESULT") {
            cur->SaveResult_ = Ini.ReadBool(Section, key, false);
            cur->Untell();
        } else if (const std::int64_t line = PositiveKeyNumber(attr); line > 0) {
            buffer.push_back(value);
            if (line >= count - kFixedKeys) flush();
        }
    }
    flush();
    if (!badValue.empty()) throw EMathParserError(MsgWithName("Invalid number in variable value", badValue));
}

void TEPVars::WriteVariablesTo(const std::string& FileName) {
    if (FileName.empty()) return;
    TIniFile ini(FileName);
    ini.EraseSection(kVariablesSection);
    WriteItemsTo(ini, kVariablesSection);
    ini.UpdateFile();
}

void TEPVars::ReadVariablesFrom(const std::string& FileName) {
    if (FileName.empty() || !FindFile(FileName)) return;
    TIniFile ini(FileName);
    FreeVariables();
    BeginUpdate();
    try {
        ReadItemsFrom(ini, kVariablesSection);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

} // namespace skv::engine

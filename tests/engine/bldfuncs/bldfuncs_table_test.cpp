// The built-in library as a whole: every function of the reference list is registered with its
// exact name, arguments, category and help text, and the group switches add and remove exactly
// their groups.
#include "engine/bldfuncs/Bldfuncs.h"
#include "engine/exfuncs_test_support.h"

#include <fstream>
#include <map>
#include <sstream>

namespace skv::engine {
namespace {

struct TRow {
    std::string Name, Args, Category, Help;
    int Group = 0;
};

std::vector<TRow> ReadRows() {
    std::ifstream in(std::string(SKV_TEST_DATA_DIR) + "/builtin_functions.txt");
    std::vector<TRow> rows;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> cells;
        std::stringstream ss(line);
        std::string cell;
        while (std::getline(ss, cell, '|'))
            cells.push_back(cell);
        if (cells.size() != 5) throw std::runtime_error("bad row: " + line);
        rows.push_back({cells[0], cells[1], cells[2], cells[4], std::stoi(cells[3])});
    }
    return rows;
}

const char* CategoryName(TFuncCategory C) {
    static const char* names[] = {"fct_Arithm", "fct_Aggregate", "fct_ExpLog",  "fct_Logical",
                                  "fct_Date",   "fct_Trigonom",  "fct_DBFunc",  "fct_UserDef",
                                  "fct_Custom", "fct_Variant",   "fct_String",  "fct_Convert",
                                  "fct_File",   "fct_System",    "fct_Internal"};
    return names[C];
}

const char* TypeName(TEPTypesType T) {
    static const char* names[] = {"Void",    "Byte",    "Boolean", "Word",     "SmallInt",
                                  "Integer", "LongInt", "Double",  "Extended", "ParserType",
                                  "Array",   "String",  "Variant"};
    return names[T];
}

// "(String, Integer) -> Boolean" as the registry sees it; "(any number)" is the single Array type.
std::string Signature(const TFuncObj& F) {
    std::string s = "(";
    const auto& types = F.ParamTypes();
    if (types.size() == 1 && types[0] == typeArray)
        s += "any number";
    else if (!(types.size() == 1 && types[0] == typeVoid))
        for (std::size_t i = 0; i < types.size(); ++i)
            s += (i ? ", " : "") + std::string(TypeName(types[i]));
    return s + ") -> " + TypeName(F.ResultType());
}

TEST(BuildInTable, EveryReferenceRowIsRegisteredExactly) {
    const std::vector<TRow> rows = ReadRows();
    ASSERT_EQ(rows.size(), 198u);
    TEPRegFuncs r;
    EXPECT_EQ(r.Funcs().Count(), 198 + 4); // and the four run-time object functions
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        const TFuncObj* f = r.FindFunction(row.Name);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->FuncName(), row.Name);
        EXPECT_STREQ(CategoryName(f->Category), row.Category.c_str());
        if (row.Help != "?") {
            EXPECT_EQ(f->Descr(), row.Help);
        }
        if (row.Args[0] == '(') {
            EXPECT_EQ(f->Kind(), fkTypedProc);
            EXPECT_EQ(Signature(*f), row.Args);
        } else {
            EXPECT_EQ(f->Kind(), fkRawProc);
            EXPECT_EQ(f->ArgCount(), std::stoi(row.Args));
        }
    }
}

TEST(BuildInTable, EachSwitchRemovesAndRestoresExactlyItsGroup) {
    const std::vector<TRow> rows = ReadRows();
    using Setter = void (TEPRegFuncs::*)(bool);
    const std::map<int, Setter> switches = {
        {bfgDate, &TEPRegFuncs::SetDateFuncs},
        {bfgExpLog, &TEPRegFuncs::SetExpLogarithmFuncs},
        {bfgTrigonom, &TEPRegFuncs::SetTrigonomFuncs},
        {bfgDB, &TEPRegFuncs::SetDBFuncs},
        {bfgVariantString, &TEPRegFuncs::SetVariantAndStringFuncs},
        {bfgConvert, &TEPRegFuncs::SetConvertFuncs},
        {bfgFile, &TEPRegFuncs::SetFileFuncs},
        {bfgSystem, &TEPRegFuncs::SetSystemFuncs},
    };
    for (const auto& [group, set] : switches) {
        SCOPED_TRACE(group);
        TEPRegFuncs r;
        (r.*set)(false);
        int inGroup = 0;
        for (const TRow& row : rows) {
            EXPECT_EQ(r.FindFunction(row.Name) != nullptr, row.Group != group) << row.Name;
            inGroup += row.Group == group;
        }
        EXPECT_EQ(r.Funcs().Count(), 202 - inGroup);
        (r.*set)(true);
        EXPECT_EQ(r.Funcs().Count(), 202);
    }
}

// The raw functions of the date, exponent, trigonometric and dataset groups give way to a host
// function of the same name; the other groups refuse the clash and stay off.
TEST(BuildInTable, HostFunctionsOfTheSameName) {
    TEPRegFuncs r;
    r.SetTrigonomFuncs(false);
    r.AddFunction("SIN", &testing::CosProc, 1, "host", fct_Custom);
    r.SetTrigonomFuncs(true);
    EXPECT_EQ(r.FindFunction("SIN")->Descr(), "host");
    EXPECT_NE(r.FindFunction("COS"), nullptr);

    r.SetVariantAndStringFuncs(false);
    r.AddFunction("Trim", &testing::CosProc, 1, "host", fct_Custom);
    EXPECT_ENGINE_ERROR(r.SetVariantAndStringFuncs(true), EBadName,
                        "Duplicated identifier. Registered function: Trim");
    EXPECT_FALSE(r.VariantAndStringFuncs());
}

TEST(BuildInTable, RemovingAGroupSkipsNamesAlreadyGone) {
    TEPRegFuncs r;
    r.ClearFunction("COS");
    r.SetTrigonomFuncs(false);
    EXPECT_EQ(r.FindFunction("SIN"), nullptr);
    r.SetTrigonomFuncs(true);
    EXPECT_NE(r.FindFunction("COS"), nullptr);
}

} // namespace
} // namespace skv::engine

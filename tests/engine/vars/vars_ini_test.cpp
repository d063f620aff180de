// The variables' INI layout: round trips, key order, and what stored files may hold.
#include "engine/Inifile.h"
#include "engine/exfuncs_test_support.h"
#include "engine/vars/Vars.h"
#include "model/Tempfolder.h"

#include <gtest/gtest.h>

#include <random>

using namespace skv::engine;
using namespace skv::engine::testing;

namespace {

// Evaluates every expression to 42: these tests are about storing expressions, not computing them.
class TConstExpression : public TVarExpression {
public:
    void SetText(const std::string&) override {}
    TExprLink& Link() override { return Link_; }
    Variant Evaluate() override { return Variant(std::int32_t{42}); }

private:
    TExprLink Link_;
};

class VarsIniTest : public ::testing::Test {
protected:
    void SetUp() override {
        vars->ExpressionFactory = [](TVariable&) { return std::make_unique<TConstExpression>(); };
    }

    std::vector<std::string> Keys() const { return ini.ReadSection("Variables"); }
    void Load(const std::string& text) {
        ini.LoadFromString("[Variables]\n" + text);
        vars->FreeVariables();
        vars->ReadItemsFrom(ini, "Variables");
    }

    TComponent form;
    TEPVars* vars = new TEPVars(&form);
    TIniFile ini;
};

std::string Lines(int count) {
    std::string text;
    for (int i = 1; i <= count; ++i)
        text += (i > 1 ? "\r\n" : "") + std::string("line ") + std::to_string(i);
    return text;
}

} // namespace

TEST_F(VarsIniTest, WritesTheKeysInOrder) {
    TVariable* x = vars->CreateVariable(&form, "X", "");
    x->SetExpression("first\r\nsecond");
    x->SetValueType(vvExpression);
    vars->CreateVariable(&form, "A", "the a")->SetValue(Variant(0.1));
    vars->WriteItemsTo(ini, "Variables");
    std::vector<std::string> expected;
    for (const std::string name : {"A", "X"}) {
        expected.push_back(name);
        for (const char* attribute : {"Descr", "Type", "Value", "DataSource", "DataField", "ResultSource",
                                      "ResultField", "SaveResult"})
            expected.push_back("@" + name + "_" + attribute);
    }
    expected.insert(expected.end(), {"@X_001", "@X_002"});
    EXPECT_EQ(Keys(), expected);
    const std::string text = ini.SaveToString();
    for (const char* line :
         {"X=10\n", "A=8\n", "@A_Descr=the a\n", "@A_Value=0.1\n", "@X_Type=2\n", "@X_Value=42\n",
          "@X_SaveResult=0\n", "@X_001=first\n", "@X_002=second\n", "@X_DataSource=\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
}

TEST_F(VarsIniTest, RoundTripKeepsKindsFlagsAndLines) {
    TVariable* e = vars->CreateVariable(&form, "Expr", "an expression");
    e->SetExpression(Lines(1000));
    e->SetValueType(vvExpression);
    TVariable* c = vars->CreateVariable(&form, "Calc", "");
    c->SetValueType(vvOnEvent);
    TVariable* n = vars->CreateVariable(&form, "Num", "");
    n->SetValue(Variant(std::int32_t{0}));
    n->SetSaveResult(true);
    vars->CreateVariable(&form, "Str", "")->SetValue(Variant("not a number"));
    // Empty lines, the last one included, are lines of their own.
    vars->CreateVariable(&form, "Blank", "")->SetExpression("\r\nkept\r\n\r\n");
    vars->WriteItemsTo(ini, "Variables");
    EXPECT_TRUE(ini.ValueExists("Variables", "@EXPR_999"));
    EXPECT_TRUE(ini.ValueExists("Variables", "@EXPR_1000"));
    EXPECT_EQ(ini.ReadInteger("Variables", "EXPR", 0), 1008);

    TEPVars back(&form);
    back.ReadItemsFrom(ini, "Variables");
    ASSERT_EQ(back.Count(), 5);
    EXPECT_EQ(back.FindVariable("BLANK")->Expression(), "\r\nkept\r\n\r\n");
    TVariable* e2 = back.FindVariable("EXPR");
    EXPECT_EQ(e2->Descr, "an expression");
    EXPECT_EQ(e2->ValueType(), vvExpression);
    EXPECT_EQ(e2->Expression(), Lines(1000));
    EXPECT_EQ(back.FindVariable("CALC")->ValueType(), vvOnEvent);
    const TVariable* n2 = back.FindVariable("NUM");
    EXPECT_TRUE(n2->SaveResult());
    EXPECT_EQ(n2->StoredValue().VType(), varDouble) << "values come back as doubles";
    EXPECT_EQ(n2->StoredValue().RawDouble(), 0.0);
    EXPECT_EQ(back.FindVariable("STR")->StoredValue().RawDouble(), 0.0);
}

TEST_F(VarsIniTest, AttributeKeysMustNameTheCurrentVariable) {
    Load("XY=10\n@X_005=ignored\n@XY_001=kept\n@xy_type=2\n@XY-002=any separator\n"
         "@XYZ_003=not mine\n@XY_Descr=d\n@XY_Unknown=skipped\n@XY_=nothing\n");
    const TVariable* xy = vars->FindVariable("XY");
    ASSERT_NE(xy, nullptr);
    EXPECT_EQ(xy->Expression(), "kept\r\nany separator");
    EXPECT_EQ(xy->ValueType(), vvExpression);
    EXPECT_EQ(xy->Descr, "d");
    EXPECT_EQ(vars->Count(), 1);
}

TEST_F(VarsIniTest, LinesCloseAtTheCountedNumber) {
    // Count 9 means one line: the expression is complete at line 1; a later stray line starts anew.
    Load("A=9\n@A_001=one\n@A_007=stray\nB=x\n@B_001=b1\n@B_002=b2\n");
    EXPECT_EQ(vars->FindVariable("A")->Expression(), "stray");
    EXPECT_EQ(vars->FindVariable("B")->Expression(), "b2")
        << "count 0: every line closes the buffer and replaces";
}

TEST_F(VarsIniTest, BadNamesAndValuesInStoredFiles) {
    // A key that names no valid identifier makes no variable; its "@" keys are skipped.
    Load("2X=9\n@2X_001=lost\nGOOD=8\n@GOOD_Type=7\n@GOOD_SaveResult=5\n");
    EXPECT_EQ(vars->Count(), 1);
    EXPECT_EQ(vars->FindVariable("GOOD")->ValueType(), vvValue) << "an unknown kind is not taken";
    EXPECT_TRUE(vars->FindVariable("GOOD")->SaveResult());

    // An unreadable value is reported after the rest has been read.
    EXPECT_ENGINE_ERROR(Load("A=8\n@A_Value=1e999\nB=8\n@B_Value=2.5\n"), EMathParserError,
                        "Invalid number in variable value: A=1e999");
    EXPECT_EQ(vars->FindVariable("B")->StoredValue().RawDouble(), 2.5);

    EXPECT_ENGINE_ERROR(Load("A=8\n@A_DataSource=Nowhere\n"), EMathParserError,
                        "Wrong DataSource component: Nowhere");
    // A long name is cut before it is looked up.
    EXPECT_ENGINE_ERROR(Load("A=8\n@A_DataSource=" + std::string(500, 'Q') + "\n"), EMathParserError,
                        "Wrong DataSource component: " + std::string(70, 'Q'));
}

TEST_F(VarsIniTest, DataSourcesAreFoundByName) {
    auto* ds = new TDataSource(&form);
    ds->SetName("dsCams");
    Load("A=8\n@A_Type=1\n@A_DataSource=dscams\n@A_DataField=Zoom\n@A_ResultSource=DSCAMS\n");
    TVariable* a = vars->FindVariable("A");
    EXPECT_EQ(a->DataSource(), ds);
    EXPECT_EQ(a->ResultSource(), ds);
    EXPECT_EQ(a->DataField(), "Zoom");
    vars->WriteItemsTo(ini, "Out");
    EXPECT_EQ(ini.ReadString("Out", "@A_DataSource", ""), "dsCams");
    delete ds;
    EXPECT_EQ(a->DataSource(), nullptr);
}

TEST_F(VarsIniTest, GarbageSectionsReadWithoutHarm) {
    std::mt19937 rng(11);
    const std::string alphabet = "@_AXY019=\n\r[];\x01\xE0 -";
    for (int round = 0; round < 300; ++round) {
        std::string junk;
        const std::size_t len = rng() % 400;
        for (std::size_t i = 0; i < len; ++i)
            junk += alphabet[rng() % alphabet.size()];
        try {
            Load(junk);
        } catch (const EMathParserError&) {
            // a clear refusal is fine
        }
        for (int i = 0; i < vars->Count(); ++i)
            ASSERT_EQ(vars->Items(i)->VarColl(), vars);
    }
}

TEST_F(VarsIniTest, FilesAreReadAndWrittenWhole) {
    const skv::test::TempFolder folder;
    const auto path = folder.path() / "vars.ini";
    vars->SetValues("X", Variant(1.5));
    vars->ReadVariablesFrom(path.string()); // missing file: nothing happens
    EXPECT_EQ(vars->Count(), 1);
    {
        TIniFile other(path.string());
        other.WriteString("Other", "keep", "me");
        other.WriteString("Variables", "OLD", "8");
        other.UpdateFile();
    }
    vars->WriteVariablesTo(path.string());
    TIniFile check(path.string());
    EXPECT_EQ(check.ReadString("Other", "keep", ""), "me");
    EXPECT_FALSE(check.ValueExists("Variables", "OLD")) << "the section is written afresh";

    TEPVars loaded(&form);
    loaded.SetValues("PRESENT", Variant(1.0));
    loaded.SetIniFile(path.string());
    EXPECT_EQ(loaded.FindVariable("PRESENT"), nullptr) << "reading replaces the variables";
    EXPECT_EQ(loaded.Values("X").RawDouble(), 1.5);
}

// Name rules and text helpers of the engine.
#include "engine/base/Errors.h"
#include "engine/base/Sortedlist.h"
#include "engine/base/Text.h"
#include "engine/exfuncs_test_support.h"
#include "engine/values/Variant.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace skv::engine;

namespace {

const std::string kCyrSmall = "\xE0\xE1\xFF";   // three Cyrillic small letters
const std::string kCyrCapital = "\xC0\xC1\xDF"; // the same capitals

} // namespace

TEST(ParstypeText, IdentifierRule) {
    struct TCase {
        std::string Name;
        bool Valid;
    };
    const std::vector<TCase> cases = {
        {"_a1", true},    {"X", true},    {kCyrSmall, true}, {"a" + kCyrCapital + "9", true},
        {"1a", false},    {"a b", false}, {"a.b", false},    {"", false},
        {"a\xBF", false}, // 191 is not a letter
    };
    for (const TCase& c : cases)
        EXPECT_EQ(IsValidIdentCyr(c.Name), c.Valid) << c.Name;
}

TEST(ParstypeText, ReservedWords) {
    for (const char* name : {"a-b", "x+y", "a=b", "a~", "Pi", "end", "Unassigned", "except", "shr"})
        EXPECT_TRUE(HasReservedWord(name)) << name;
    for (const char* name : {"PIE", "ENDX", "X", "MODULE", ""})
        EXPECT_FALSE(HasReservedWord(name)) << name;
}

TEST(ParstypeText, UpperCaseWithCyrillic) {
    EXPECT_EQ(UpStr("abc" + kCyrSmall + "09_;"), "ABC" + kCyrCapital + "09_;");
    std::string buffer = "x" + kCyrSmall;
    EXPECT_EQ(std::string(StrUpperCyr(buffer.data())), "X" + kCyrCapital);
    EXPECT_EQ(UpCyr('\xDF'), '\xDF'); // capitals stay
}

TEST(ParstypeText, HexCheck) {
    for (const char* t : {"$FF", "$7fffffff", "$0"})
        EXPECT_TRUE(HexCheck(t)) << t;
    for (const char* t : {"$123456789", "$G1", "FF", "$", ""})
        EXPECT_FALSE(HexCheck(t)) << t;
}

TEST(ParstypeText, InPlaceEdits) {
    std::string s = "  a b  ";
    EXPECT_EQ(RemoveSpaces(s), "a b");
    std::string t = "\ta ";
    EXPECT_EQ(RemoveSpaces(t), "\ta"); // only blanks are trimmed
    std::string u = "a,b,,c";
    EXPECT_EQ(RemoveChar(u, ','), "abc");
    std::string q = "say \"\"hi\"\"";
    EXPECT_EQ(RemoveDoubleQuotes(q), "say \"hi\"");
}

TEST(ParstypeText, ValidStrPosFindsWholeWordsOutsideStrings) {
    struct TCase {
        const char* Text;
        const char* Sub;
        std::size_t Pos;
    };
    const std::size_t none = std::string_view::npos;
    const std::vector<TCase> cases = {
        {"a div b", "DIV", 2},
        {"DIVX div b", "div", 5},
        {"adiv b", "div", none},
        {"\"div\" div 2", "div", 6},
        {"\"a div b\"", "div", none},
        {"div", "DIV", 0},
        {"x"
         "\xE0"
         "div",
         "div", none}, // a Cyrillic letter joins the word
        {"a mod", "mod", 2},
        {"", "mod", none},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(ValidStrPos(c.Text, c.Sub), c.Pos) << c.Text;
}

TEST(ParstypeText, UniqueNames) {
    EXPECT_EQ(GenerateName("skv", "TEP_Vars", 3), "skvEPVars3");
    EXPECT_EQ(GenerateName("", "Variable", 1), "Variable1");
    EXPECT_EQ(GenerateName("a", "TT-2", 0), "aT20");
    EXPECT_EQ(CreateUniqueName("X", "TVariable", {"xvariable1", "XVariable2"}), "XVariable3");
    EXPECT_EQ(CreateUniqueName("", "TVariable", {}), "Variable1");
}

TEST(ParstypeSortedList, FindSortPut) {
    struct TItem {
        std::string Name;
    };
    class TItemList : public TSortedObjList<TItem> {
    public:
        using TSortedObjList<TItem>::Items;

    protected:
        std::string GetString(int Index) const override {
            return Items[static_cast<std::size_t>(Index)]->Name;
        }
        void PutString(int Index, const std::string& Text) override {
            Items[static_cast<std::size_t>(Index)]->Name = Text;
        }
    };
    TItem b{"b"}, a{"A"}, c{"c"}, b2{"B"};
    TItemList list;
    list.Items = {&c, &b, &a};
    list.Sort();
    EXPECT_EQ(list.Get(0), "A");
    EXPECT_EQ(list.Get(2), "c");
    int index = -1;
    EXPECT_TRUE(list.Find("C", index));
    EXPECT_EQ(index, 2);
    EXPECT_FALSE(list.Find("bb", index));
    EXPECT_EQ(index, 2);
    EXPECT_EQ(list.Add(&b2, "B"), -1); // duplicates ignored by default
    list.Duplicates = TDuplicates::dupAccept;
    list.Add(&b2, "B");
    EXPECT_TRUE(list.Find("b", index));
    EXPECT_EQ(index, 1); // the first of the equal ones
    EXPECT_THROW(list.Put(0, "z"), EListError);
    list.Sorted = false;
    list.Put(0, "z");
    EXPECT_EQ(a.Name, "z");
    EXPECT_ENGINE_ERROR(list.Get(9), EListError, "List index out of bounds (9)");
}

TEST(ParstypeText, TextToValue) {
    struct TCase {
        const char* Text;
        bool Ok;
        skv::engine::TVarType Type;
        double Number;
    };
    const std::vector<TCase> cases = {
        {"42", true, varInteger, 42},
        {"-2147483647", true, varInteger, -2147483647.0},
        {"2147483648", true, varDouble, 2147483648.0},
        {"1.0", true, varDouble, 1}, // a decimal separator keeps it a double
        {"1.5", true, varDouble, 1.5},
        {"true", true, varBoolean, -1},
        {"FALSE", true, varBoolean, 0},
        {"$FF", true, varInteger, 255},
        {"$FFFFFFFF", true, varInteger, -1},
        {"abc", false, varInteger, 0},
        {"", false, varInteger, 0},
    };
    for (const TCase& c : cases) {
        Variant v;
        EXPECT_EQ(TextToValue(c.Text, v), c.Ok) << c.Text;
        EXPECT_EQ(v.VType(), c.Type) << c.Text;
        EXPECT_EQ(v.ToReal(), c.Number) << c.Text;
    }
}

// The variables' form-file property: the list of names and numbers, and lists that are refused.
#include "engine/vars/Vars.h"

#include <gtest/gtest.h>

#include <bit>
#include <limits>

using namespace skv::engine;
using namespace skv::stream;

namespace {

std::vector<std::uint8_t> written(TVarsList& List) {
    std::vector<std::uint8_t> out;
    TStreamWriter Writer(out);
    List.WriteData(Writer);
    return out;
}

void read(TVarsList& List, const std::vector<std::uint8_t>& Bytes) {
    TStreamReader Reader(Bytes);
    List.ReadData(Reader);
    EXPECT_TRUE(Reader.atEnd());
}

// The list bytes of name/value pairs built by hand; a value is any pre-encoded value.
struct ListBytes {
    std::vector<std::uint8_t> b{0x0E};
    ListBytes& name(std::string_view n) {
        b.push_back(0x06);
        b.push_back(std::uint8_t(n.size()));
        b.insert(b.end(), n.begin(), n.end());
        return *this;
    }
    ListBytes& raw(std::initializer_list<std::uint8_t> v) {
        b.insert(b.end(), v);
        return *this;
    }
    std::vector<std::uint8_t> end() const {
        auto all = b;
        all.push_back(0);
        return all;
    }
};

} // namespace

TEST(VarsStream, NamesAndNumbersRoundTripIntoAFreshList) {
    TEPVars Source;
    Source.SetValues("Speed", Variant(1.5));
    Source.SetValues("Count", Variant(std::int32_t{3}));
    Source.SetValues("Text", Variant(std::string("2.25")));
    Source.SetValues("Tiny", Variant(std::numeric_limits<double>::denorm_min()));
    Source.SetValues("Big", Variant(-1e300));
    const auto Bytes = written(Source.Vars());
    ASSERT_EQ(Bytes.front(), 0x0E);
    ASSERT_EQ(Bytes.back(), 0x00);

    TEPVars Target;
    Target.SetValues("Old", Variant(7.0));
    read(Target.Vars(), Bytes);
    EXPECT_EQ(Target.FindVariable("Old"), nullptr); // reading replaces the list
    ASSERT_EQ(Target.Count(), 5);
    const std::pair<const char*, double> Expected[] = {{"SPEED", 1.5},
                                                       {"COUNT", 3.0},
                                                       {"TEXT", 2.25},
                                                       {"TINY", std::numeric_limits<double>::denorm_min()},
                                                       {"BIG", -1e300}};
    for (const auto& [Name, Number] : Expected) {
        const Variant V = Target.Values(Name);
        EXPECT_EQ(V.VType(), varDouble) << Name;
        EXPECT_EQ(std::bit_cast<std::uint64_t>(V.ToReal()), std::bit_cast<std::uint64_t>(Number)) << Name;
    }
    EXPECT_EQ(written(Target.Vars()), Bytes); // and writes back the same bytes

    // An empty list is the two bytes, and reading it empties the list.
    TEPVars Empty;
    EXPECT_EQ(written(Empty.Vars()), (std::vector<std::uint8_t>{0x0E, 0x00}));
    read(Target.Vars(), {0x0E, 0x00});
    EXPECT_EQ(Target.Count(), 0);
}

TEST(VarsStream, IntegerValuesAreAccepted) {
    TEPVars Vars;
    read(Vars.Vars(),
         ListBytes().name("A").raw({0x02, 0xFE}).name("B").raw({0x04, 0x00, 0x00, 0x01, 0x00}).end());
    EXPECT_EQ(Vars.Values("A").ToReal(), -2.0);
    EXPECT_EQ(Vars.Values("B").ToReal(), 65536.0);
}

TEST(VarsStream, MalformedListsChangeNothing) {
    const std::uint8_t One[] = {0x05, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F};
    const auto withOne = [&](ListBytes b) {
        return b.raw(
            {One[0], One[1], One[2], One[3], One[4], One[5], One[6], One[7], One[8], One[9], One[10]});
    };
    struct Case {
        const char* Label;
        std::vector<std::uint8_t> Bytes;
        std::size_t Offset;
        const char* Problem;
    };
    const Case Cases[] = {
        {"not a list", {0x06, 1, 'X'}, 0, "the variables must be a list"},
        {"name not a string", withOne(ListBytes().raw({0x02, 1})).end(), 1,
         "a variable name must be a string"},
        {"invalid name", withOne(ListBytes().name("2X")).end(), 1, "invalid variable name \"2X\""},
        {"reserved name", withOne(ListBytes().name("BEGIN")).end(), 1, "invalid variable name \"BEGIN\""},
        {"text value", ListBytes().name("X").raw({0x06, 1, '1'}).end(), 4,
         "the value of a variable must be a number"},
        {"no end", withOne(ListBytes().name("X")).b, 15, "file ends inside a list (1 bytes needed, 0 left)"},
        {"value cut short", ListBytes().name("X").raw({0x05, 0, 0}).b, 5,
         "file ends inside an extended float"},
        {"name without value", ListBytes().name("X").end(), 4, "unknown value type 0x00"},
    };
    for (const auto& C : Cases) {
        TEPVars Vars;
        Vars.SetValues("Keep", Variant(4.0));
        TStreamReader Reader(C.Bytes);
        try {
            Vars.Vars().ReadData(Reader);
            ADD_FAILURE() << C.Label << ": accepted";
        } catch (const StreamError& E) {
            EXPECT_EQ(E.offset(), C.Offset) << C.Label;
            EXPECT_EQ(E.problem().substr(0, std::string(C.Problem).size()), C.Problem) << C.Label;
        }
        ASSERT_EQ(Vars.Count(), 1) << C.Label;
        EXPECT_EQ(Vars.Values("KEEP").ToReal(), 4.0) << C.Label;
    }
}

#include "stream/Componentstream.h"
#include "stream/Extendedfloat.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>

using namespace skv::stream;

namespace {

Extended80 ext(std::uint64_t mantissa, std::uint16_t signExponent) {
    Extended80 e{};
    for (int i = 0; i < 8; ++i)
        e[std::size_t(i)] = std::uint8_t(mantissa >> (8 * i));
    e[8] = std::uint8_t(signExponent);
    e[9] = std::uint8_t(signExponent >> 8);
    return e;
}

std::uint32_t bits(float f) {
    return std::bit_cast<std::uint32_t>(f);
}

} // namespace

TEST(ExtendedFloat, KnownEncodings) {
    EXPECT_EQ(floatToExtended(1.0f), ext(0x8000000000000000ull, 0x3FFF));
    EXPECT_EQ(floatToExtended(-2.0f), ext(0x8000000000000000ull, 0xC000));
    EXPECT_EQ(floatToExtended(0.5f), ext(0x8000000000000000ull, 0x3FFE));
    EXPECT_EQ(floatToExtended(1.5f), ext(0xC000000000000000ull, 0x3FFF));
    EXPECT_EQ(floatToExtended(0.0f), ext(0, 0));
    EXPECT_EQ(floatToExtended(-0.0f), ext(0, 0x8000));
    EXPECT_EQ(floatToExtended(std::numeric_limits<float>::infinity()), ext(0x8000000000000000ull, 0x7FFF));
    // Smallest denormal 2^-149: normalised in the extended type.
    EXPECT_EQ(floatToExtended(std::numeric_limits<float>::denorm_min()),
              ext(0x8000000000000000ull, 16383 - 149));
}

TEST(ExtendedFloat, EveryKindOfFloatRoundTripsBitForBit) {
    const std::uint32_t patterns[] = {
        0x00000000, 0x80000000, 0x00000001, 0x80000001, 0x007FFFFF, 0x00400000, 0x00000300,
        0x00800000, 0x7F7FFFFF, 0xFF7FFFFF, 0x3F800000, 0x3DCCCCCD, 0xC0490FDB, 0x7F800000,
        0xFF800000, 0x7FC00000, 0xFFC00000, 0x7F800001, 0x7FBFFFFF, 0x7FC12345, 0x3F2C0000,
    };
    for (std::uint32_t p : patterns) {
        const float f = std::bit_cast<float>(p);
        EXPECT_EQ(bits(extendedToFloat(floatToExtended(f))), p) << std::hex << p;
    }
    // And a sweep over the whole range, one pattern in every 9973.
    for (std::uint64_t p = 0; p <= 0xFFFFFFFFull; p += 9973) {
        const float f = std::bit_cast<float>(std::uint32_t(p));
        ASSERT_EQ(bits(extendedToFloat(floatToExtended(f))), std::uint32_t(p)) << std::hex << p;
    }
}

TEST(ExtendedFloat, ValuesFromOtherWritersRoundToNearestFloat) {
    // 0.1 as a full-precision extended (0xCCCCCCCCCCCCCCCD * 2^-67) is the float nearest 0.1.
    EXPECT_EQ(extendedToFloat(ext(0xCCCCCCCCCCCCCCCDull, 0x3FFB)), 0.1f);
    // 1 + 2^-24 is halfway between 1 and the next float: ties go to the even one (1).
    EXPECT_EQ(extendedToFloat(ext(0x8000008000000000ull, 0x3FFF)), 1.0f);
    // 1 + 3*2^-24 ties to 1 + 2^-22 (even), just above it rounds up.
    EXPECT_EQ(bits(extendedToFloat(ext(0x8000018000000000ull, 0x3FFF))), 0x3F800002u);
    EXPECT_EQ(bits(extendedToFloat(ext(0x8000008000000001ull, 0x3FFF))), 0x3F800001u);
    // Beyond the float range: infinity; far below the smallest denormal: zero with its sign.
    EXPECT_TRUE(std::isinf(extendedToFloat(ext(0x8000000000000000ull, 0x3FFF + 200))));
    EXPECT_EQ(bits(extendedToFloat(ext(0x8000000000000000ull, 0x8000 | (0x3FFF - 200)))), 0x80000000u);
    // The largest float plus a little more than half an ulp overflows.
    EXPECT_TRUE(std::isinf(extendedToFloat(ext(0xFFFFFF8000000001ull, 0x3FFF + 127))));
    // Half the smallest denormal ties to zero; a bit more rounds up to it; 0.75 of the smallest
    // normal's ulp below it rounds into the normal range.
    EXPECT_EQ(bits(extendedToFloat(ext(0x8000000000000000ull, 16383 - 150))), 0u);
    EXPECT_EQ(bits(extendedToFloat(ext(0x8000000000000001ull, 16383 - 150))), 1u);
    EXPECT_EQ(bits(extendedToFloat(ext(0xFFFFFFFFFFFFFFFFull, 16383 - 127))), 0x00800000u);
    // A NaN whose payload sits below the float's bits stays a NaN.
    EXPECT_TRUE(std::isnan(extendedToFloat(ext(0x8000000000000001ull, 0x7FFF))));
    // An extended denormal or unnormal still means mantissa * 2^-16445: zero as a float.
    EXPECT_EQ(extendedToFloat(ext(0x4000000000000000ull, 0)), 0.0f);
}

TEST(ExtendedFloat, DoublesRoundTripExactlyAndRoundToNearest) {
    EXPECT_EQ(doubleToExtended(1.0), ext(0x8000000000000000ull, 0x3FFF));
    EXPECT_EQ(doubleToExtended(-0.1), ext(0xCCCCCCCCCCCCD000ull, 0xBFFB));
    EXPECT_EQ(doubleToExtended(std::numeric_limits<double>::denorm_min()),
              ext(0x8000000000000000ull, 16383 - 1074));
    const std::uint64_t patterns[] = {0,
                                      0x8000000000000000ull,
                                      1,
                                      0x000FFFFFFFFFFFFFull,
                                      0x0010000000000000ull,
                                      0x7FEFFFFFFFFFFFFFull,
                                      0x7FF0000000000000ull,
                                      0xFFF0000000000000ull,
                                      0x7FF8000000000000ull,
                                      0x7FF0000000000001ull,
                                      0x400921FB54442D18ull};
    for (std::uint64_t p : patterns)
        EXPECT_EQ(std::bit_cast<std::uint64_t>(extendedToDouble(doubleToExtended(std::bit_cast<double>(p)))),
                  p)
            << std::hex << p;
    for (std::uint64_t p = 0x0123456789ABCDEFull, n = 0; n < 100000;
         ++n, p = p * 6364136223846793005ull + 1) {
        const std::uint64_t back =
            std::bit_cast<std::uint64_t>(extendedToDouble(doubleToExtended(std::bit_cast<double>(p))));
        ASSERT_EQ(back, p) << std::hex << p;
    }
    // 1 + 2^-53 ties to 1 (even); a trace more rounds up; 0.1 in full precision is the double 0.1.
    EXPECT_EQ(extendedToDouble(ext(0x8000000000000400ull, 0x3FFF)), 1.0);
    EXPECT_EQ(extendedToDouble(ext(0x8000000000000401ull, 0x3FFF)), std::nextafter(1.0, 2.0));
    EXPECT_EQ(extendedToDouble(ext(0xCCCCCCCCCCCCCCCDull, 0x3FFB)), 0.1);
    EXPECT_TRUE(std::isinf(extendedToDouble(ext(0x8000000000000000ull, 0x3FFF + 1024))));
    EXPECT_EQ(extendedToDouble(ext(0x8000000000000000ull, 16383 - 1075)), 0.0); // half the smallest denormal
    EXPECT_EQ(extendedToDouble(ext(0x8000000000000001ull, 16383 - 1075)),
              std::numeric_limits<double>::denorm_min());
}

TEST(ComponentStream, ListsOfValues) {
    std::vector<std::uint8_t> out;
    TStreamWriter w(out);
    w.writePropertyName("L");
    w.writeListBegin();
    w.writeStringValue("A");
    w.writeDoubleValue(2.0);
    w.writeListEnd();
    const std::vector<std::uint8_t> expected = {1, 'L', 0x0E, 0x06, 1, 'A',  0x05, 0,    0,
                                                0, 0,   0,    0,    0, 0x80, 0x00, 0x40, 0};
    EXPECT_EQ(out, expected);

    TStreamReader r(out);
    std::string_view path;
    std::size_t offset = 0;
    ASSERT_TRUE(r.nextProperty(path, offset));
    EXPECT_EQ(r.readValue().type, StreamValueType::List);
    ASSERT_TRUE(r.nextListItem());
    EXPECT_EQ(r.readValue().text, "A");
    ASSERT_TRUE(r.nextListItem());
    EXPECT_EQ(extendedToDouble(r.readValue().extended), 2.0);
    EXPECT_FALSE(r.nextListItem());
    EXPECT_TRUE(r.atEnd());

    // A list cut short ends with the reader's error at the end of the data.
    const std::vector<std::uint8_t> cut(out.begin(), out.end() - 1);
    TStreamReader c(cut);
    c.nextProperty(path, offset);
    c.readValue();
    while (true) {
        try {
            if (!c.nextListItem()) break;
            c.readValue();
        } catch (const StreamError& e) {
            EXPECT_EQ(e.offset(), cut.size());
            EXPECT_EQ(e.problem(), "file ends inside a list (1 bytes needed, 0 left)");
            return;
        }
    }
    ADD_FAILURE() << "a list without its end marker was accepted";
}

TEST(ComponentStream, IntegersUseTheSmallestType) {
    const std::pair<std::int32_t, std::vector<std::uint8_t>> cases[] = {
        {0, {0x02, 0x00}},
        {127, {0x02, 0x7F}},
        {-128, {0x02, 0x80}},
        {-1, {0x02, 0xFF}},
        {128, {0x03, 0x80, 0x00}},
        {-129, {0x03, 0x7F, 0xFF}},
        {32767, {0x03, 0xFF, 0x7F}},
        {-32768, {0x03, 0x00, 0x80}},
        {16449, {0x03, 0x41, 0x40}},
        {32768, {0x04, 0x00, 0x80, 0x00, 0x00}},
        {-32769, {0x04, 0xFF, 0x7F, 0xFF, 0xFF}},
        {INT32_MIN, {0x04, 0x00, 0x00, 0x00, 0x80}},
    };
    for (const auto& [value, encoding] : cases) {
        std::vector<std::uint8_t> out;
        TStreamWriter(out).writeInteger("I", value);
        std::vector<std::uint8_t> expected = {1, 'I'};
        expected.insert(expected.end(), encoding.begin(), encoding.end());
        EXPECT_EQ(out, expected) << value;

        TStreamReader reader(out);
        std::string_view path;
        std::size_t offset = 0;
        ASSERT_TRUE(reader.nextProperty(path, offset));
        const StreamValue v = reader.readValue();
        EXPECT_TRUE(v.isInteger());
        EXPECT_EQ(v.integer, value);
        EXPECT_TRUE(reader.atEnd());
    }
}

TEST(ComponentStream, StringsSwitchToLongAbove255) {
    for (std::size_t length : {0u, 1u, 255u, 256u, 300u}) {
        const std::string text(length, 'x');
        std::vector<std::uint8_t> out;
        TStreamWriter(out).writeString("S", text);
        const bool isLong = length > 255;
        EXPECT_EQ(out[2], isLong ? 0x0C : 0x06) << length;
        EXPECT_EQ(out.size(), 2 + 1 + (isLong ? 4 : 1) + length);
        TStreamReader reader(out);
        std::string_view path;
        std::size_t offset = 0;
        reader.nextProperty(path, offset);
        const StreamValue v = reader.readValue();
        EXPECT_TRUE(v.isString());
        EXPECT_EQ(v.text, text);
    }
}

TEST(ComponentStream, MalformedValuesNameTheirOffset) {
    struct Case {
        std::vector<std::uint8_t> bytes; // starts at a value-type byte
        std::size_t offset;
        const char* problem;
    };
    const Case cases[] = {
        {{0x01}, 0, "unknown value type 0x01"},
        {{0x0B, 0x00}, 0, "unknown value type 0x0B"},
        {{0x20}, 0, "unknown value type 0x20"},
        {{}, 0, "file ends inside a property value"},
        {{0x03, 0x01}, 1, "file ends inside a 16-bit integer"},
        {{0x05, 1, 2, 3}, 1, "file ends inside an extended float"},
        {{0x06, 0x05, 'a', 'b'}, 2, "file ends inside a string"},
        {{0x0A, 0xFF, 0xFF, 0xFF, 0xFF, 0},
         5,
         "file ends inside binary data (4294967295 bytes needed, 1 left)"},
        {{0x0C, 0x10, 0x00, 0x00}, 1, "file ends inside a long string length"},
        {{0x0C, 0x10, 0x00, 0x00, 0x00, 'a'}, 5, "file ends inside a long string"},
    };
    for (const auto& c : cases) {
        TStreamReader reader(c.bytes);
        try {
            reader.readValue();
            ADD_FAILURE() << c.problem;
        } catch (const StreamError& e) {
            EXPECT_EQ(e.offset(), c.offset) << c.problem;
            EXPECT_EQ(e.problem().rfind(c.problem, 0), 0u) << e.problem();
        }
    }
}

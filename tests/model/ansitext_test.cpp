// The library's code page 1252 texts both ways: every byte comes back, every character 1252 lacks is
// refused by name, and names are trimmed of blanks and control characters.
#include "model/Ansitext.h"

#include <gtest/gtest.h>

using namespace skv::model;

TEST(AnsiText, EveryByteComesBackThroughUtf16AndUtf8) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(utf16ToAnsi(ansiToUtf16(all)), all);
    EXPECT_EQ(utf8ToAnsi(ansiToUtf8(all)), all);

    // The characters Windows gives those bytes, the unassigned ones as C1 controls.
    const std::pair<unsigned char, char16_t> cases[] = {
        {0x41, u'A'},   {0x80, 0x20AC}, {0x81, 0x0081}, {0x8A, 0x0160}, {0x9D, 0x009D},
        {0x9F, 0x0178}, {0xA0, 0x00A0}, {0xE9, 0x00E9}, {0xFF, 0x00FF},
    };
    for (const auto& [byte, character] : cases) {
        EXPECT_EQ(ansiToUtf16(std::string(1, static_cast<char>(byte))), std::u16string(1, character))
            << int(byte);
    }
    EXPECT_EQ(ansiToUtf8("Caf\xE9 \x80"), "Caf\xC3\xA9 \xE2\x82\xAC");
}

TEST(AnsiText, ACharacterWithoutAByteIsRefusedByName) {
    struct Case {
        std::u16string text;
        char32_t refused;
        const char* named; // in the message
    };
    const Case cases[] = {
        {u"Kurve \u03A9", 0x03A9, "\"\xCE\xA9\" (U+03A9)"},
        {u"\u20AC ok, \u0080 not", 0x0080, "(U+0080)"},
        {u"car \U0001F697", 0x1F697, "(U+1F697)"},
        {std::u16string(u"x") + char16_t(0xD800) + u"y", 0xD800, "The character (U+D800)"},
    };
    for (const Case& c : cases) {
        try {
            utf16ToAnsi(c.text);
            ADD_FAILURE() << "accepted U+" << std::hex << unsigned(c.refused);
        } catch (const EAnsiTextError& e) {
            EXPECT_EQ(e.refused(), c.refused);
            EXPECT_NE(std::string(e.what()).find(c.named), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find("code page 1252"), std::string::npos);
        }
    }
    EXPECT_THROW(utf8ToAnsi("\xCE\xA9"), EAnsiTextError);
    // Ill-formed UTF-8 is refused, never read as something else: a stray byte, an overlong form,
    // a sequence cut short.
    for (const char* bad : {"a\xE9z", "\xC0\xAF", "\xE2\x82"})
        EXPECT_THROW(utf8ToAnsi(bad), EAnsiTextError) << bad;
}

TEST(AnsiText, NamesLoseTheBlanksAndControlsAroundThem) {
    const std::pair<const char*, const char*> cases[] = {
        {"  Oval  ", "Oval"}, {"\t\r\nFast lap\x7F", "Fast lap"}, {" a  b ", "a  b"},
        {" \x01\x1F ", ""},   {"\xA0Nbsp\xA0", "\xA0Nbsp\xA0"},   {"", ""},
    };
    for (const auto& [text, trimmed] : cases)
        EXPECT_EQ(trimBlanksAndControls(text), trimmed) << text;
}

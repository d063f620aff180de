#include "model/Ansitext.h"

#include <array>
#include <cstdio>

namespace skv::model {

namespace {

// Code page 1252 positions 0x80..0x9F; the five unassigned ones map to the C1 controls as Windows does.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr char32_t kReplacement = 0xFFFD; // stands for ill-formed input in the refusal

char16_t characterOf(unsigned char byte) {
    return byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : char16_t(byte);
}

// The byte of a character, or -1 when 1252 has none.
int byteOf(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
    for (std::size_t i = 0; i < kHighControls.size(); ++i)
        if (kHighControls[i] == c) return static_cast<int>(0x80 + i);
    return -1;
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string refusalMessage(char32_t c) {
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
    std::string shown;
    // A surrogate or an ill-formed sequence has no character to show, only its number.
    if (c != kReplacement && (c < 0xD800 || c > 0xDFFF)) {
        shown = "\"";
        appendUtf8(shown, c);
        shown += "\" ";
    }
    return "The character " + shown + "(" + code +
           ") cannot be stored: texts hold only the characters of Windows code page 1252";
}

void appendByte(std::string& out, char32_t c) {
    const int byte = byteOf(c);
    if (byte < 0) throw EAnsiTextError(c);
    out += static_cast<char>(byte);
}

// The length of the UTF-8 sequence a lead byte starts, and the bits it carries; 0 for a byte that
// cannot start one.
int sequenceLength(unsigned char lead, char32_t& bits) {
    if (lead < 0x80) return bits = lead, 1;
    if (lead >= 0xC2 && lead < 0xE0) return bits = lead & 0x1F, 2;
    if (lead >= 0xE0 && lead < 0xF0) return bits = lead & 0x0F, 3;
    if (lead >= 0xF0 && lead < 0xF5) return bits = lead & 0x07, 4;
    return 0;
}

// Decodes the sequence at text[i]; kReplacement when it is ill-formed (overlong, a surrogate,
// beyond U+10FFFF, cut short).
char32_t decodeUtf8(std::string_view text, std::size_t& i) {
    char32_t c = 0;
    const int length = sequenceLength(static_cast<unsigned char>(text[i]), c);
    if (length == 0 || i + length > text.size()) return kReplacement;
    for (int k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) return kReplacement;
        c = (c << 6) | (next & 0x3F);
    }
    static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kSmallest[length] || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) return kReplacement;
    i += length;
    return c;
}

} // namespace

EAnsiTextError::EAnsiTextError(char32_t refused)
    : std::runtime_error(refusalMessage(refused)), Refused(refused) {}

std::u16string ansiToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (char ch : text)
        out += characterOf(static_cast<unsigned char>(ch));
    return out;
}

std::string ansiToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char ch : text)
        appendUtf8(out, characterOf(static_cast<unsigned char>(ch)));
    return out;
}

std::string utf16ToAnsi(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        const bool high = c >= 0xD800 && c < 0xDC00;
        if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000)
            throw EAnsiTextError(0x10000 + ((char32_t(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
        appendByte(out, c); // an unpaired surrogate has no byte either
    }
    return out;
}

std::string utf8ToAnsi(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const char32_t c = decodeUtf8(text, i);
        if (c == kReplacement) throw EAnsiTextError(kReplacement);
        appendByte(out, c);
    }
    return out;
}

std::string trimBlanksAndControls(std::string_view text) {
    const auto kept = [](char ch) {
        const auto b = static_cast<unsigned char>(ch);
        return b > 0x20 && b != 0x7F;
    };
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && !kept(text[first]))
        ++first;
    while (last > first && !kept(text[last - 1]))
        --last;
    return std::string(text.substr(first, last - first));
}

} // namespace skv::model

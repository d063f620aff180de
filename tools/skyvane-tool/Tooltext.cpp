#include "Tooltext.h"

#include "model/Ansitext.h"

#include <stdexcept>

namespace skv::tool {

namespace {

// The length of the well-formed UTF-8 sequence at text[i] that encodes a printable character, or 0.
std::size_t printableLength(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
    const unsigned char first = byte(0);
    if (first >= 0x20 && first < 0x7F) return 1;
    std::size_t length = 0;
    char32_t c = 0;
    if (first >= 0xC2 && first <= 0xDF)
        length = 2, c = first & 0x1F;
    else if (first >= 0xE0 && first <= 0xEF)
        length = 3, c = first & 0x0F;
    else if (first >= 0xF0 && first <= 0xF4)
        length = 4, c = first & 0x07;
    if (length == 0 || i + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(k) & 0xC0) != 0x80) return 0;
        c = (c << 6) | (byte(k) & 0x3F);
    }
    static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kSmallest[length] || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) return 0;
    if (c < 0xA0) return 0; // the C1 controls move a terminal as the C0 ones do
    return length;
}

} // namespace

std::string escapeText(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (const std::size_t n = printableLength(text, i)) {
            out.append(text.substr(i, n));
            i += n;
            continue;
        }
        const auto b = static_cast<unsigned char>(text[i++]);
        out += "\\x";
        out += kHex[b >> 4];
        out += kHex[b & 0xF];
    }
    return out;
}

std::string printableAnsi(std::string_view ansiText) {
    return escapeText(model::ansiToUtf8(ansiText));
}

std::string argumentToAnsi(std::string_view utf8, std::string_view what) {
    try {
        return model::utf8ToAnsi(utf8);
    } catch (const model::EAnsiTextError& e) {
        throw std::runtime_error(std::string(what) + ": " + e.what());
    }
}

std::string textFileToAnsi(std::string_view bytes, const std::string& fileName) {
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (bytes.starts_with(kByteOrderMark)) bytes.remove_prefix(kByteOrderMark.size());
    try {
        return model::utf8ToAnsi(bytes);
    } catch (const model::EAnsiTextError& e) {
        throw std::runtime_error(fileName + ": " + e.what());
    }
}

} // namespace skv::tool

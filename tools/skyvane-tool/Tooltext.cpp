#include "Tooltext.h"

#include "model/Ansitext.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
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

// Scripts are short texts; a bigger file is surely not one, and is not read into memory.
constexpr std::uintmax_t kMaxScriptBytes = 16u << 20;

std::string readScriptFile(const std::string& name) {
    if (name == "-") {
        std::string text;
        char buffer[65536];
        while (std::cin.read(buffer, sizeof buffer) || std::cin.gcount() > 0) {
            text.append(buffer, static_cast<std::size_t>(std::cin.gcount()));
            if (text.size() > kMaxScriptBytes)
                throw std::runtime_error("standard input: larger than 16 MiB, not a script");
        }
        if (std::cin.bad()) throw std::runtime_error("standard input: cannot read it");
        return textFileToAnsi(text, "standard input");
    }
    std::error_code ec;
    const auto size = std::filesystem::file_size(name, ec);
    if (ec) throw std::runtime_error(name + ": cannot open the file (" + ec.message() + ")");
    if (size > kMaxScriptBytes) throw std::runtime_error(name + ": larger than 16 MiB, not a script");
    std::ifstream in(name, std::ios::binary);
    if (!in) throw std::runtime_error(name + ": cannot open the file");
    std::string text{std::istreambuf_iterator<char>(in), {}};
    if (in.bad()) throw std::runtime_error(name + ": cannot read the file");
    return textFileToAnsi(text, name);
}

std::string locatedMessage(const std::string& where, int line, int column, const std::string& message) {
    std::string at = where;
    if (line > 0) at += ":" + std::to_string(line) + ":" + std::to_string(column);
    return escapeText(at + ": " + message);
}

} // namespace skv::tool

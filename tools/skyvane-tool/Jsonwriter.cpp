#include "Jsonwriter.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <cmath>

namespace skv::tool {

namespace {

// Code page 1252 positions 0x80..0x9F; the five unassigned ones map to the C1 controls as Windows does.
constexpr char16_t kHighControls[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void appendUtf8(std::string& out, char16_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

} // namespace

std::string ansiToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        const auto b = static_cast<unsigned char>(ch);
        appendUtf8(out, b >= 0x80 && b < 0xA0 ? kHighControls[b - 0x80] : char16_t(b));
    }
    return out;
}

void JsonWriter::newline() {
    out_ += '\n';
    out_.append(levels_.size() * 2, ' ');
}

void JsonWriter::beforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (levels_.empty()) return;
    Level& level = levels_.back();
    if (!level.empty) out_ += level.compact ? ", " : ",";
    if (!level.compact) newline();
    level.empty = false;
}

void JsonWriter::open(char bracket, bool compact) {
    beforeValue();
    out_ += bracket;
    levels_.push_back({compact});
}

void JsonWriter::close(char bracket) {
    const Level level = levels_.back();
    levels_.pop_back();
    if (!level.empty && !level.compact) newline();
    out_ += bracket;
}

JsonWriter& JsonWriter::beginObject() {
    open('{', false);
    return *this;
}

JsonWriter& JsonWriter::endObject() {
    close('}');
    return *this;
}

JsonWriter& JsonWriter::beginArray(bool compact) {
    open('[', compact);
    return *this;
}

JsonWriter& JsonWriter::endArray() {
    close(']');
    return *this;
}

JsonWriter& JsonWriter::key(std::string_view name) {
    beforeValue();
    out_ += nlohmann::json(ansiToUtf8(name)).dump();
    out_ += ": ";
    afterKey_ = true;
    return *this;
}

JsonWriter& JsonWriter::string(std::string_view ansiText) {
    beforeValue();
    out_ += nlohmann::json(ansiToUtf8(ansiText)).dump();
    return *this;
}

JsonWriter& JsonWriter::integer(long long value) {
    beforeValue();
    out_ += std::to_string(value);
    return *this;
}

JsonWriter& JsonWriter::number(float value) {
    if (std::isnan(value)) return string("nan");
    if (std::isinf(value)) return string(value < 0 ? "-inf" : "inf");
    beforeValue();
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    out_.append(text, result.ptr);
    return *this;
}

} // namespace skv::tool

#include "Jsonwriter.h"

#include "model/Ansitext.h"

#include <nlohmann/json.hpp>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace skv::tool {

// The files' texts are Windows code page 1252; JSON wants UTF-8.
using model::ansiToUtf8;

std::string nanText(float value) {
    char text[24];
    std::snprintf(text, sizeof text, "nan:0x%08X",
                  static_cast<unsigned>(std::bit_cast<std::uint32_t>(value)));
    return text;
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

JsonWriter& JsonWriter::beginObject(bool compact) {
    open('{', compact);
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

JsonWriter& JsonWriter::utf8String(std::string_view text) {
    beforeValue();
    out_ += nlohmann::json(std::string(text)).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    return *this;
}

JsonWriter& JsonWriter::integer(long long value) {
    beforeValue();
    out_ += std::to_string(value);
    return *this;
}

JsonWriter& JsonWriter::number(float value) {
    if (std::isnan(value)) return string(nanText(value));
    if (std::isinf(value)) return string(value < 0 ? "-inf" : "inf");
    beforeValue();
    // "-0" reads back as the integer 0: the fraction keeps the sign bit.
    if (value == 0 && std::signbit(value)) {
        out_ += "-0.0";
        return *this;
    }
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    out_.append(text, result.ptr);
    return *this;
}

} // namespace skv::tool

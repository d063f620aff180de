// Pretty-printed JSON for the tool's output: texts converted from the files' 8-bit code page to
// UTF-8, floats as the shortest text that reads back to the same 32-bit value.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace skv::tool {

// "nan:0x7FC00000": a NaN with its 32-bit pattern in hexadecimal, so that its payload comes back.
std::string nanText(float value);

class JsonWriter {
public:
    explicit JsonWriter(std::string& out) : out_(out) {}

    // A compact object or array stays on one line (for short lists of numbers).
    JsonWriter& beginObject(bool compact = false);
    JsonWriter& endObject();
    JsonWriter& beginArray(bool compact = false);
    JsonWriter& endArray();
    JsonWriter& key(std::string_view name);
    JsonWriter& string(std::string_view ansiText);
    // A text that is UTF-8 already (a file name, a key's name).
    JsonWriter& utf8String(std::string_view text);
    JsonWriter& integer(long long value);
    // Infinities and NaN have no JSON number: they are written as the strings "inf", "-inf" and
    // nanText(value), which keeps the NaN's 32-bit pattern.
    JsonWriter& number(float value);

private:
    struct Level {
        bool compact;
        bool empty = true;
    };
    void beforeValue();
    void open(char bracket, bool compact);
    void close(char bracket);
    void newline();
    std::string& out_;
    std::vector<Level> levels_;
    bool afterKey_ = false;
};

} // namespace skv::tool

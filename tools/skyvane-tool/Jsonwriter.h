// Pretty-printed JSON for the tool's output: texts converted from the files' 8-bit code page to
// UTF-8, floats as the shortest text that reads back to the same 32-bit value.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace skv::tool {

class JsonWriter {
public:
    explicit JsonWriter(std::string& out) : out_(out) {}

    JsonWriter& beginObject();
    JsonWriter& endObject();
    // A compact array stays on one line (for short lists of numbers).
    JsonWriter& beginArray(bool compact = false);
    JsonWriter& endArray();
    JsonWriter& key(std::string_view name);
    JsonWriter& string(std::string_view ansiText);
    JsonWriter& integer(long long value);
    // Infinities and NaN have no JSON number: they are written as the strings "inf", "-inf", "nan".
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

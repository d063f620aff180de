// The binary component stream: records of a signature, a class name, a component name and typed
// property entries. Library files are such records back to back; the clipboard carries one.
#pragma once

#include "stream/Bytesink.h"
#include "stream/Extendedfloat.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace skv::stream {

inline constexpr std::string_view kStreamSignature = "TPF0";

enum class StreamValueType : std::uint8_t {
    Int8 = 0x02,
    Int16 = 0x03,
    Int32 = 0x04,
    Extended = 0x05,
    String = 0x06, // length byte, characters
    Ident = 0x07,  // length byte, characters of an enumeration value name
    False = 0x08,
    True = 0x09,
    Binary = 0x0A,  // 4-byte length, bytes
    LString = 0x0C, // 4-byte length, characters
    List = 0x0E,    // values up to an end-of-list byte 0x00
};

// A malformed stream; offset is the position of the offending byte from the start of the data.
class StreamError : public std::runtime_error {
public:
    StreamError(std::size_t offset, const std::string& problem);
    std::size_t offset() const { return offset_; }
    const std::string& problem() const { return problem_; }

private:
    std::size_t offset_;
    std::string problem_;
};

// One property value as read; texts and bytes are views into the reader's data.
struct StreamValue {
    StreamValueType type = StreamValueType::Int8;
    std::size_t offset = 0; // of the value-type byte
    std::int64_t integer = 0;
    Extended80 extended{};
    std::string_view text;
    std::span<const std::uint8_t> bytes;

    bool isInteger() const;
    bool isString() const; // short or long string
};

// Appends records to a byte buffer, or writes them through to a sink.
class TStreamWriter {
public:
    explicit TStreamWriter(std::vector<std::uint8_t>& out) : out_(out) {}
    // Small items are gathered in a buffer of the writer's own; binary payloads of some size go to the
    // sink directly, so a picture is never copied. Call flush() once the last record is written.
    explicit TStreamWriter(TByteSink& sink) : out_(buffer_), sink_(&sink) {}
    TStreamWriter(const TStreamWriter&) = delete;
    TStreamWriter& operator=(const TStreamWriter&) = delete;

    void beginRecord(std::string_view className, std::string_view componentName);
    // In the smallest integer type that holds the value (8, 16 or 32 bits).
    void writeInteger(std::string_view path, std::int32_t value);
    // As an extended float holding the exact value.
    void writeFloat(std::string_view path, float value);
    // Up to 255 characters as a short string, longer ones as a long string.
    void writeString(std::string_view path, std::string_view value);
    void writeIdent(std::string_view path, std::string_view value);
    // One binary value whose payload is the concatenation of the parts.
    void writeBinary(std::string_view path, std::span<const std::span<const std::uint8_t>> parts);
    // End of properties, then end of children (records written here have none).
    void endRecord();

    // For a property that writes its own value, as a list does: the path, then the value calls below.
    void writePropertyName(std::string_view path);
    void writeListBegin();
    void writeListEnd();
    void writeStringValue(std::string_view value);
    // In the smallest integer type that holds the value (8, 16 or 32 bits).
    void writeIntegerValue(std::int32_t value);
    void writeIdentValue(std::string_view value);
    // As an extended float holding the exact value.
    void writeDoubleValue(double value);
    // Hands what is buffered to the sink; nothing to do when writing to a buffer.
    void flush();

private:
    void writeShortString(std::string_view text);
    void writeRaw(std::span<const std::uint8_t> bytes);
    void writeRaw(std::string_view text);
    void flushIfFull();
    std::vector<std::uint8_t> buffer_;
    std::vector<std::uint8_t>& out_;
    TByteSink* sink_ = nullptr;
};

// Reads records from a byte buffer that outlives the reader and every value it hands out.
class TStreamReader {
public:
    explicit TStreamReader(std::span<const std::uint8_t> data) : data_(data) {}

    bool atEnd() const { return pos_ >= data_.size(); }
    std::size_t position() const { return pos_; }

    struct Header {
        std::size_t offset = 0; // of the signature
        std::string_view className;
        std::size_t classNameOffset = 0;
        std::string_view componentName;
    };
    Header readRecordHeader();
    // Reads the next property path; returns false (and consumes the marker) at the end of properties.
    bool nextProperty(std::string_view& path, std::size_t& pathOffset);
    // A list's items follow a List value; false (and the end-of-list marker consumed) after the last one.
    StreamValue readValue();
    bool nextListItem();
    // The end-of-children marker; child components are not supported.
    void readEndOfChildren();

    [[noreturn]] static void fail(std::size_t offset, const std::string& problem);

private:
    const std::uint8_t* take(std::size_t count, const char* what);
    std::uint8_t takeByte(const char* what);
    std::string_view takeText(std::size_t count, const char* what);
    std::string_view readShortString(const char* what);
    std::span<const std::uint8_t> data_;
    std::size_t pos_ = 0;
};

} // namespace skv::stream

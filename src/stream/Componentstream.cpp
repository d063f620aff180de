#include "stream/Componentstream.h"

#include "stream/Littleendian.h"

#include <cstdio>
#include <limits>

namespace skv::stream {

namespace {

std::string hexByte(std::uint8_t b) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", b);
    return text;
}

// Payloads at least this long bypass the writer's buffer; the buffer is handed on once it holds this much.
constexpr std::size_t kPassThroughBytes = 16 * 1024;
constexpr std::size_t kBufferBytes = 64 * 1024;

bool isKnownValueType(std::uint8_t b) {
    return (b >= 0x02 && b <= 0x0A) || b == 0x0C || b == 0x0E;
}

} // namespace

StreamError::StreamError(std::size_t offset, const std::string& problem)
    : std::runtime_error("offset " + std::to_string(offset) + ": " + problem), offset_(offset),
      problem_(problem) {}

bool StreamValue::isInteger() const {
    return type == StreamValueType::Int8 || type == StreamValueType::Int16 || type == StreamValueType::Int32;
}

bool StreamValue::isString() const {
    return type == StreamValueType::String || type == StreamValueType::LString;
}

// ---- writing

void TStreamWriter::writeRaw(std::span<const std::uint8_t> bytes) {
    if (sink_ != nullptr && bytes.size() >= kPassThroughBytes) {
        flush();
        sink_->put(bytes);
        return;
    }
    out_.insert(out_.end(), bytes.begin(), bytes.end());
    flushIfFull();
}

void TStreamWriter::writeRaw(std::string_view text) {
    writeRaw(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

void TStreamWriter::flushIfFull() {
    if (sink_ != nullptr && out_.size() >= kBufferBytes) flush();
}

void TStreamWriter::flush() {
    if (sink_ == nullptr || out_.empty()) return;
    sink_->put(out_);
    out_.clear();
}

void TStreamWriter::writeShortString(std::string_view text) {
    if (text.size() > 255)
        throw std::length_error("short string of " + std::to_string(text.size()) + " characters");
    out_.push_back(static_cast<std::uint8_t>(text.size()));
    writeRaw(text);
}

void TStreamWriter::beginRecord(std::string_view className, std::string_view componentName) {
    writeRaw(kStreamSignature);
    writeShortString(className);
    writeShortString(componentName);
}

void TStreamWriter::writeInteger(std::string_view path, std::int32_t value) {
    writeShortString(path);
    writeIntegerValue(value);
}

void TStreamWriter::writeIntegerValue(std::int32_t value) {
    if (value >= -128 && value <= 127) {
        out_.push_back(static_cast<std::uint8_t>(StreamValueType::Int8));
        out_.push_back(static_cast<std::uint8_t>(value));
    } else if (value >= -32768 && value <= 32767) {
        out_.push_back(static_cast<std::uint8_t>(StreamValueType::Int16));
        le::appendU16(out_, static_cast<std::uint16_t>(value));
    } else {
        out_.push_back(static_cast<std::uint8_t>(StreamValueType::Int32));
        le::appendU32(out_, static_cast<std::uint32_t>(value));
    }
}

void TStreamWriter::writeFloat(std::string_view path, float value) {
    writeShortString(path);
    out_.push_back(static_cast<std::uint8_t>(StreamValueType::Extended));
    const Extended80 ext = floatToExtended(value);
    writeRaw(ext);
}

void TStreamWriter::writeString(std::string_view path, std::string_view value) {
    writeShortString(path);
    writeStringValue(value);
}

void TStreamWriter::writePropertyName(std::string_view path) {
    writeShortString(path);
}

void TStreamWriter::writeListBegin() {
    out_.push_back(static_cast<std::uint8_t>(StreamValueType::List));
}

void TStreamWriter::writeListEnd() {
    out_.push_back(0);
}

void TStreamWriter::writeDoubleValue(double value) {
    out_.push_back(static_cast<std::uint8_t>(StreamValueType::Extended));
    const Extended80 ext = doubleToExtended(value);
    writeRaw(ext);
}

void TStreamWriter::writeStringValue(std::string_view value) {
    if (value.size() <= 255) {
        out_.push_back(static_cast<std::uint8_t>(StreamValueType::String));
        writeShortString(value);
        return;
    }
    if (value.size() > std::numeric_limits<std::int32_t>::max())
        throw std::length_error("string too long to stream");
    out_.push_back(static_cast<std::uint8_t>(StreamValueType::LString));
    le::appendU32(out_, static_cast<std::uint32_t>(value.size()));
    writeRaw(value);
}

void TStreamWriter::writeIdent(std::string_view path, std::string_view value) {
    writeShortString(path);
    writeIdentValue(value);
}

void TStreamWriter::writeIdentValue(std::string_view value) {
    out_.push_back(static_cast<std::uint8_t>(StreamValueType::Ident));
    writeShortString(value);
}

void TStreamWriter::writeBinary(std::string_view path, std::span<const std::span<const std::uint8_t>> parts) {
    std::size_t total = 0;
    for (const auto& part : parts)
        total += part.size();
    if (total > std::numeric_limits<std::int32_t>::max())
        throw std::length_error("binary value too long to stream");
    writeShortString(path);
    out_.push_back(static_cast<std::uint8_t>(StreamValueType::Binary));
    le::appendU32(out_, static_cast<std::uint32_t>(total));
    for (const auto& part : parts)
        writeRaw(part);
}

void TStreamWriter::endRecord() {
    out_.push_back(0); // end of properties
    out_.push_back(0); // end of children
}

// ---- reading

void TStreamReader::fail(std::size_t offset, const std::string& problem) {
    throw StreamError(offset, problem);
}

const std::uint8_t* TStreamReader::take(std::size_t count, const char* what) {
    if (count > data_.size() - pos_)
        fail(pos_, std::string("file ends inside ") + what + " (" + std::to_string(count) +
                       " bytes needed, " + std::to_string(data_.size() - pos_) + " left)");
    const std::uint8_t* p = data_.data() + pos_;
    pos_ += count;
    return p;
}

std::uint8_t TStreamReader::takeByte(const char* what) {
    return *take(1, what);
}

std::string_view TStreamReader::takeText(std::size_t count, const char* what) {
    return {reinterpret_cast<const char*>(take(count, what)), count};
}

std::string_view TStreamReader::readShortString(const char* what) {
    const std::size_t length = takeByte(what);
    return takeText(length, what);
}

TStreamReader::Header TStreamReader::readRecordHeader() {
    Header header;
    header.offset = pos_;
    if (takeText(4, "the record signature") != kStreamSignature)
        fail(header.offset, "wrong record signature");
    header.classNameOffset = pos_;
    header.className = readShortString("the class name");
    header.componentName = readShortString("the component name");
    return header;
}

bool TStreamReader::nextProperty(std::string_view& path, std::size_t& pathOffset) {
    pathOffset = pos_;
    path = readShortString("a property name");
    return !path.empty();
}

StreamValue TStreamReader::readValue() {
    StreamValue v;
    v.offset = pos_;
    const std::uint8_t typeByte = takeByte("a property value");
    if (!isKnownValueType(typeByte)) fail(v.offset, "unknown value type " + hexByte(typeByte));
    v.type = static_cast<StreamValueType>(typeByte);
    switch (v.type) {
    case StreamValueType::Int8:
        v.integer = static_cast<std::int8_t>(takeByte("an 8-bit integer"));
        break;
    case StreamValueType::Int16:
        v.integer = static_cast<std::int16_t>(le::readU16(take(2, "a 16-bit integer")));
        break;
    case StreamValueType::Int32:
        v.integer = static_cast<std::int32_t>(le::readU32(take(4, "a 32-bit integer")));
        break;
    case StreamValueType::Extended: {
        const std::uint8_t* p = take(10, "an extended float");
        std::copy(p, p + 10, v.extended.begin());
        break;
    }
    case StreamValueType::String:
        v.text = readShortString("a string");
        break;
    case StreamValueType::Ident:
        v.text = readShortString("an identifier");
        break;
    case StreamValueType::False:
    case StreamValueType::True:
        v.integer = v.type == StreamValueType::True;
        break;
    case StreamValueType::Binary: {
        const std::uint32_t length = le::readU32(take(4, "a binary length"));
        v.bytes = {take(length, "binary data"), length};
        break;
    }
    case StreamValueType::LString: {
        const std::uint32_t length = le::readU32(take(4, "a long string length"));
        v.text = takeText(length, "a long string");
        break;
    }
    case StreamValueType::List:
        break;
    }
    return v;
}

bool TStreamReader::nextListItem() {
    if (pos_ < data_.size() && data_[pos_] != 0) return true;
    takeByte("a list"); // the end-of-list marker, or the error of a list cut short
    return false;
}

void TStreamReader::readEndOfChildren() {
    const std::size_t offset = pos_;
    if (takeByte("the end of the record") != 0) fail(offset, "child components are not supported");
}

} // namespace skv::stream

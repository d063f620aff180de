#include "model/Camerasetstream.h"

#include "stream/Littleendian.h"

#include <array>
#include <cstdint>

namespace skv::model {

using namespace skv::stream;

namespace {

constexpr std::string_view kTypeNames[] = {"CstCarCamSet", "CstRollBarCam"};

void writeCamera(TStreamWriter& writer, const TGPLCarCamera& camera, std::size_t slot) {
    const std::string prefix = "Camera" + std::to_string(slot) + ".";
    const auto& picture = camera.getImage().bytes();
    if (!picture.empty()) {
        // The picture's own data: its 4-byte length, then the JPEG file as loaded.
        std::vector<std::uint8_t> length;
        le::appendU32(length, static_cast<std::uint32_t>(picture.size()));
        const std::array<std::span<const std::uint8_t>, 2> parts = {length, picture};
        writer.writeBinary(prefix + "Image.Data", parts);
    }
    for (std::size_t i = 0; i < kValuesPerCamera; ++i) {
        const float value = valueAt(camera.values(), i);
        if (value != 0.0f) writer.writeFloat(prefix + kValueNames[i], value); // -0.0 counts as 0
    }
    if (!camera.Caption.empty()) writer.writeString(prefix + "Caption", camera.Caption);
    if (!camera.Effect.empty()) writer.writeString(prefix + "Effect", camera.Effect);
}

// ---- reading: applying one property to the item under construction

struct Property {
    std::string_view path;
    std::size_t pathOffset;
    StreamValue value;
};

[[noreturn]] void wrongType(const Property& p, const char* expected) {
    TStreamReader::fail(p.value.offset, "property \"" + std::string(p.path) + "\" expects " + expected);
}

std::int64_t integerOf(const Property& p, std::int64_t min, std::int64_t max) {
    if (!p.value.isInteger()) wrongType(p, "an integer");
    if (p.value.integer < min || p.value.integer > max)
        TStreamReader::fail(p.value.offset, "value " + std::to_string(p.value.integer) + " of property \"" +
                                                std::string(p.path) + "\" is out of range");
    return p.value.integer;
}

std::string stringOf(const Property& p) {
    if (!p.value.isString()) wrongType(p, "a string");
    return std::string(p.value.text);
}

float floatOf(const Property& p) {
    if (p.value.type == StreamValueType::Extended) return extendedToFloat(p.value.extended);
    if (p.value.isInteger()) return static_cast<float>(p.value.integer);
    wrongType(p, "a number");
}

eCameraSetType typeOf(const Property& p) {
    if (p.value.type != StreamValueType::Ident) wrongType(p, "an identifier");
    for (std::size_t i = 0; i < std::size(kTypeNames); ++i)
        if (p.value.text == kTypeNames[i]) return static_cast<eCameraSetType>(i);
    TStreamReader::fail(p.value.offset, "unknown item type \"" + std::string(p.value.text) + "\"");
}

TJPEGImage imageOf(const Property& p) {
    if (p.value.type != StreamValueType::Binary) wrongType(p, "binary data");
    const auto data = p.value.bytes;
    if (data.size() < 4) TStreamReader::fail(p.value.offset, "picture data is shorter than its length field");
    const std::uint32_t length = le::readU32(data.data());
    if (length != data.size() - 4)
        TStreamReader::fail(p.value.offset, "picture length " + std::to_string(length) +
                                                " does not match its " + std::to_string(data.size() - 4) +
                                                " bytes");
    return TJPEGImage(std::vector<std::uint8_t>(data.begin() + 4, data.end()));
}

[[noreturn]] void unknownPath(const Property& p) {
    TStreamReader::fail(p.pathOffset, "unknown property path \"" + std::string(p.path) + "\"");
}

// "CameraN.rest": the camera slot and the camera's own path; false when the path names no camera.
bool splitCameraPath(std::string_view path, std::size_t& slot, std::string_view& rest) {
    constexpr std::string_view kPrefix = "Camera";
    if (path.size() < kPrefix.size() + 2 || path.substr(0, kPrefix.size()) != kPrefix) return false;
    const char digit = path[kPrefix.size()];
    if (digit < '0' || digit > '5' || path[kPrefix.size() + 1] != '.') return false;
    slot = static_cast<std::size_t>(digit - '0');
    rest = path.substr(kPrefix.size() + 2);
    return true;
}

void applyCameraProperty(TGPLCarCamera& camera, std::string_view name, const Property& p) {
    for (std::size_t i = 0; i < kValuesPerCamera; ++i)
        if (name == kValueNames[i]) {
            valueAt(camera.values(), i) = floatOf(p);
            return;
        }
    if (name == "Image.Data") return camera.setImage(std::make_unique<TJPEGImage>(imageOf(p)));
    if (name == "Caption") return void(camera.Caption = stringOf(p));
    if (name == "Effect") return void(camera.Effect = stringOf(p));
    unknownPath(p);
}

void applyProperty(TGPLCarCameraSet& set, const Property& p) {
    const std::string_view path = p.path;
    std::size_t slot = 0;
    std::string_view rest;
    if (splitCameraPath(path, slot, rest)) return applyCameraProperty(set.camera(slot), rest, p);
    if (path == "Type") return void(set.Type = typeOf(p));
    if (path == "Version")
        return void(set.Version = static_cast<std::int32_t>(integerOf(p, INT32_MIN, INT32_MAX)));
    if (path == "Caption") return void(set.Caption = stringOf(p));
    if (path == "Comment") return void(set.Comment = stringOf(p));
    if (path == "ActivationKey")
        return void(set.ActivationKey = static_cast<std::uint16_t>(integerOf(p, 0, 0xFFFF)));
    if (path == "SelectedCamera")
        return void(set.SelectedCamera = static_cast<std::int32_t>(integerOf(p, INT32_MIN, INT32_MAX)));
    unknownPath(p);
}

} // namespace

void writeCameraSet(TStreamWriter& writer, const TGPLCarCameraSet& set) {
    writer.beginRecord(kCameraSetClassName, set.Name);
    if (set.Type != eCameraSetType::CstCarCamSet)
        writer.writeIdent("Type", kTypeNames[static_cast<std::size_t>(set.Type)]);
    // Always written: a reader starts from the constructor's 1, so an omitted 0 would come back as 1.
    writer.writeInteger("Version", set.Version);
    if (!set.Caption.empty()) writer.writeString("Caption", set.Caption);
    if (!set.Comment.empty()) writer.writeString("Comment", set.Comment);
    if (set.ActivationKey != 0) writer.writeInteger("ActivationKey", set.ActivationKey);
    for (std::size_t slot = 0; slot < kCamerasPerSet; ++slot)
        writeCamera(writer, set.camera(slot), slot);
    if (set.SelectedCamera != 0) writer.writeInteger("SelectedCamera", set.SelectedCamera);
    writer.endRecord();
}

std::unique_ptr<TGPLCarCameraSet> readCameraSet(TStreamReader& reader) {
    const auto header = reader.readRecordHeader();
    if (header.className != kCameraSetClassName)
        TStreamReader::fail(header.classNameOffset,
                            "unknown class \"" + std::string(header.className) + "\"");
    auto set = std::make_unique<TGPLCarCameraSet>();
    set->Name = std::string(header.componentName);
    Property p{};
    while (reader.nextProperty(p.path, p.pathOffset)) {
        p.value = reader.readValue();
        applyProperty(*set, p);
    }
    reader.readEndOfChildren();
    return set;
}

std::vector<std::uint8_t> cameraSetRecord(const TGPLCarCameraSet& set) {
    std::vector<std::uint8_t> bytes;
    TStreamWriter writer(bytes);
    writeCameraSet(writer, set);
    return bytes;
}

std::unique_ptr<TGPLCarCameraSet> readSingleCameraSet(std::span<const std::uint8_t> bytes) {
    TStreamReader reader(bytes);
    auto set = readCameraSet(reader);
    if (!reader.atEnd()) TStreamReader::fail(reader.position(), "data follows the item's record");
    return set;
}

} // namespace skv::model

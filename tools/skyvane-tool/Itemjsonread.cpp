// The way back from the tool's JSON to library items.
#include "Itemjson.h"

#include "model/Ansitext.h"
#include "ui/Shortcuttext.h"

#include <nlohmann/json.hpp>

#include <bit>
#include <charconv>
#include <cmath>
#include <limits>

namespace skv::tool {

namespace {

using namespace skv::model;
using nlohmann::json;

// Builds the document as the parser reads it, keeping each fraction's own text (as binary data, which
// no JSON text produces) so that a float is rounded once, from the decimal text, and not via a double.
class RawNumberDocument {
public:
    json root;

    bool null() { return put(json(nullptr)) != nullptr; }
    bool boolean(bool value) { return put(json(value)) != nullptr; }
    bool number_integer(json::number_integer_t value) { return put(json(value)) != nullptr; }
    bool number_unsigned(json::number_unsigned_t value) { return put(json(value)) != nullptr; }
    bool number_float(json::number_float_t, const json::string_t& text) {
        return put(json::binary(json::binary_t::container_type(text.begin(), text.end()))) != nullptr;
    }
    bool string(json::string_t& value) { return put(json(std::move(value))) != nullptr; }
    bool binary(json::binary_t& value) { return put(json::binary(std::move(value))) != nullptr; }
    bool start_object(std::size_t) { return open(json::object()); }
    bool key(json::string_t& name) {
        json& object = *open_.back();
        if (object.contains(name)) throw ItemJsonError("JSON: key \"" + name + "\" given twice");
        slot_ = &object[name];
        return true;
    }
    bool end_object() { return close(); }
    bool start_array(std::size_t) { return open(json::array()); }
    bool end_array() { return close(); }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& e) {
        throw ItemJsonError(std::string("JSON: ") + e.what());
    }

private:
    // The format nests four deep; far deeper input is no dump, and is refused before it costs much.
    static constexpr std::size_t kMaxDepth = 16;
    std::vector<json*> open_;
    json* slot_ = nullptr;

    json* put(json value) {
        if (open_.empty()) {
            root = std::move(value);
            return &root;
        }
        json& parent = *open_.back();
        if (parent.is_array()) {
            parent.push_back(std::move(value));
            return &parent.back();
        }
        *slot_ = std::move(value);
        return slot_;
    }
    bool open(json container) {
        if (open_.size() == kMaxDepth) throw ItemJsonError("JSON: nested deeper than a dump ever is");
        open_.push_back(put(std::move(container)));
        return true;
    }
    bool close() {
        open_.pop_back();
        return true;
    }
};

// Where in the document a value stands, for the messages.
struct Where {
    std::string path;
    [[noreturn]] void fail(const std::string& what) const { throw ItemJsonError("JSON: " + path + what); }
};

void checkKeys(const json& object, std::initializer_list<const char*> known, const Where& where) {
    for (const auto& [name, value] : object.items()) {
        bool found = false;
        for (const char* k : known)
            found = found || name == k;
        if (!found) where.fail("unknown key \"" + name + "\"");
    }
}

const json& objectAt(const json& value, const Where& where) {
    if (!value.is_object()) where.fail("an object expected");
    return value;
}

std::string textOf(const json& object, const char* key, const Where& where) {
    if (!object.contains(key)) return {};
    const json& value = object[key];
    if (!value.is_string()) where.fail("\"" + std::string(key) + "\" must be a text");
    try {
        return utf8ToAnsi(value.get_ref<const std::string&>());
    } catch (const EAnsiTextError& e) {
        where.fail("\"" + std::string(key) + "\": " + e.what());
    }
}

std::int64_t integerOf(const json& object, const char* key, std::int64_t fallback, std::int64_t min,
                       std::int64_t max, const Where& where) {
    if (!object.contains(key)) return fallback;
    const json& value = object[key];
    const bool whole = value.is_number_integer() &&
                       (value.is_number_unsigned() ? value.get<std::uint64_t>() <= std::uint64_t(max)
                                                   : value.get<std::int64_t>() >= min);
    if (!whole || value.get<std::int64_t>() > max)
        where.fail("\"" + std::string(key) + "\" must be a whole number from " + std::to_string(min) +
                   " to " + std::to_string(max));
    return value.get<std::int64_t>();
}

// "nan:0x7FC00001": the pattern must be one of a NaN.
std::optional<float> nanOf(const std::string& text) {
    constexpr std::string_view kPrefix = "nan:0x";
    if (!text.starts_with(kPrefix) || text.size() != kPrefix.size() + 8) return std::nullopt;
    std::uint32_t bits = 0;
    const char* first = text.data() + kPrefix.size();
    const auto [end, ec] = std::from_chars(first, text.data() + text.size(), bits, 16);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    const float value = std::bit_cast<float>(bits);
    if (!std::isnan(value)) return std::nullopt;
    return value;
}

std::optional<float> floatOf(const json& value) {
    if (value.is_number_integer())
        return value.is_number_unsigned() ? static_cast<float>(value.get<std::uint64_t>())
                                          : static_cast<float>(value.get<std::int64_t>());
    if (value.is_binary()) {
        const auto& bytes = value.get_binary();
        const char* first = reinterpret_cast<const char*>(bytes.data());
        float result = 0;
        const auto [end, ec] = std::from_chars(first, first + bytes.size(), result);
        if (ec != std::errc() || end != first + bytes.size()) return std::nullopt;
        return result;
    }
    if (!value.is_string()) return std::nullopt;
    const std::string& text = value.get_ref<const std::string&>();
    if (text == "inf") return std::numeric_limits<float>::infinity();
    if (text == "-inf") return -std::numeric_limits<float>::infinity();
    return nanOf(text);
}

void readValues(const json& values, CarCameraValues& camera, const Where& where) {
    objectAt(values, where);
    for (const auto& [name, value] : values.items()) {
        std::size_t i = 0;
        while (i < kValuesPerCamera && name != kValueNames[i])
            ++i;
        if (i == kValuesPerCamera) where.fail("unknown value \"" + name + "\"");
        const auto number = floatOf(value);
        if (!number)
            where.fail("\"" + name +
                       "\" must be a number within the 32-bit range, \"inf\", \"-inf\" or \"nan:0x\" and "
                       "8 hexadecimal digits");
        valueAt(camera, i) = *number;
    }
}

void readPicture(const json& object, TGPLCarCamera& camera, const TPictureLoader& loadPicture,
                 const Where& where) {
    const std::int64_t size = integerOf(object, "pictureBytes", 0, 0, UINT32_MAX, where);
    if (!object.contains("picture")) {
        if (size != 0)
            where.fail("a picture of " + std::to_string(size) +
                       " bytes that the dump does not hold (dump with --pictures DIR)");
        return;
    }
    const json& name = object["picture"];
    if (!name.is_string()) where.fail("\"picture\" must be a file name");
    camera.setImage(TJPEGImage(loadPicture(name.get<std::string>())));
}

void readCamera(const json& object, TGPLCarCamera& camera, const TPictureLoader& loadPicture,
                const Where& where) {
    objectAt(object, where);
    checkKeys(object, {"caption", "effect", "values", "pictureBytes", "picture"}, where);
    camera.Caption = textOf(object, "caption", where);
    camera.Effect = textOf(object, "effect", where);
    if (object.contains("values")) readValues(object["values"], camera.values(), {where.path + "values: "});
    readPicture(object, camera, loadPicture, where);
}

eCameraSetType typeOf(const json& object, const Where& where) {
    if (!object.contains("type")) return eCameraSetType::CstCarCamSet;
    const json& type = object["type"];
    if (type == "CstCarCamSet") return eCameraSetType::CstCarCamSet;
    if (type == "CstRollBarCam") return eCameraSetType::CstRollBarCam;
    where.fail("\"type\" must be \"CstCarCamSet\" or \"CstRollBarCam\"");
}

// The key's text is written for people; one that says another key than the number is a mistake.
void checkKeyText(const json& object, std::uint16_t key, const Where& where) {
    if (!object.contains("activationKeyText")) return;
    const std::string text = ui::shortcutText(key);
    if (object["activationKeyText"] != text)
        where.fail("\"activationKeyText\" does not match \"activationKey\" " + std::to_string(key) + " (" +
                   text + "); change the number, the text follows it");
}

std::unique_ptr<TGPLCarCameraSet> readItem(const json& object, const TPictureLoader& loadPicture,
                                           const Where& where) {
    objectAt(object, where);
    checkKeys(object,
              {"type", "name", "caption", "version", "comment", "activationKey", "activationKeyText",
               "selectedCamera", "cameras"},
              where);
    auto set = std::make_unique<TGPLCarCameraSet>();
    set->Type = typeOf(object, where);
    set->Name = textOf(object, "name", where);
    set->Caption = textOf(object, "caption", where);
    set->Version = static_cast<std::int32_t>(integerOf(object, "version", 1, INT32_MIN, INT32_MAX, where));
    set->Comment = textOf(object, "comment", where);
    set->ActivationKey = static_cast<std::uint16_t>(integerOf(object, "activationKey", 0, 0, 0xFFFF, where));
    checkKeyText(object, set->ActivationKey, where);
    set->SelectedCamera =
        static_cast<std::int32_t>(integerOf(object, "selectedCamera", 0, INT32_MIN, INT32_MAX, where));
    if (!object.contains("cameras")) return set;
    const json& cameras = object["cameras"];
    if (!cameras.is_array() || cameras.size() != kCamerasPerSet)
        where.fail("\"cameras\" must be an array of " + std::to_string(kCamerasPerSet) + " cameras");
    for (std::size_t slot = 0; slot < kCamerasPerSet; ++slot)
        readCamera(cameras[slot], set->camera(slot), loadPicture,
                   {where.path + "camera " + std::to_string(slot) + ", "});
    return set;
}

} // namespace

TCameraSetList readItemsJson(std::string_view text, const TPictureLoader& loadPicture) {
    RawNumberDocument document;
    json::sax_parse(text.begin(), text.end(), &document);
    if (!document.root.is_array()) throw ItemJsonError("JSON: an array of items expected");
    TCameraSetList items;
    for (std::size_t i = 0; i < document.root.size(); ++i)
        items.push_back(readItem(document.root[i], loadPicture, {"item " + std::to_string(i + 1) + ", "}));
    return items;
}

} // namespace skv::tool

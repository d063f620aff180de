// The JSON that `cmf build` reads, from anywhere: it either gives items or is refused with a message,
// and the items it gives are written back to JSON that reads again to the same items and writes
// again to the same text.
#include "Fuzzcheck.h"
#include "Sameitem.h"

#include "Itemjson.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

using namespace skv::model;
using namespace skv::tool;

namespace {

// The pictures of the second reading, kept under the names the writer gave them.
std::string writeJson(const TCameraSetList& items, std::map<std::string, std::vector<std::uint8_t>>& files) {
    std::string text;
    JsonWriter json(text);
    json.beginArray();
    for (std::size_t i = 0; i < items.size(); ++i)
        writeItemJson(json, *items[i], i, [&](std::size_t item, std::size_t slot, const TJPEGImage& picture) {
            const std::string name = "p" + std::to_string(item) + "-" + std::to_string(slot);
            files[name] = picture.bytes();
            return name;
        });
    json.endArray();
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    // A picture the input names holds the bytes of its name, so that pictures take part.
    const auto nameAsPicture = [](const std::string& name) {
        return std::vector<std::uint8_t>(name.begin(), name.end());
    };
    TCameraSetList items;
    try {
        items = readItemsJson(text, nameAsPicture);
    } catch (const ItemJsonError&) {
        return 0;
    }
    std::map<std::string, std::vector<std::uint8_t>> files;
    const std::string written = writeJson(items, files);
    const auto fromFiles = [&](const std::string& name) { return files.at(name); };
    const TCameraSetList again = readItemsJson(written, fromFiles); // anything but items is a fault
    FUZZ_CHECK(again.size() == items.size());
    for (std::size_t i = 0; i < items.size(); ++i)
        FUZZ_CHECK(skv::fuzz::sameItem(*items[i], *again[i]));
    std::map<std::string, std::vector<std::uint8_t>> filesAgain;
    FUZZ_CHECK(writeJson(again, filesAgain) == written);
    return 0;
}

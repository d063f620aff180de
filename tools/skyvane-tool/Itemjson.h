// A library item as the tool prints it in JSON, and the way back, so that a dump edited by hand or by
// a script can be built into a library again.
#pragma once

#include "Jsonwriter.h"

#include "model/Gplcarcameraset.h"
#include "model/Libraryfile.h"

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace skv::tool {

// Names the file a camera's picture is kept in (and writes it there), given the item's index in the
// library (from 0) and the slot; without one the JSON holds only the picture's size.
using TPictureNamer =
    std::function<std::string(std::size_t item, std::size_t slot, const model::TJPEGImage&)>;

// An object with type, name (when there is one), caption, version, comment, activationKey and its
// text, selectedCamera and the six cameras, each with caption, effect, the nine values by name and
// its picture's size and, with a namer, its file.
void writeItemJson(JsonWriter& json, const model::TGPLCarCameraSet& set, std::size_t index = 0,
                   const TPictureNamer& namePicture = {});

// The bytes of the picture file a dump names.
using TPictureLoader = std::function<std::vector<std::uint8_t>(const std::string& fileName)>;

// JSON that does not make items: "JSON: item 2, camera 1, values: \"xPos\" ..." or the parser's
// own message with the byte offset.
class ItemJsonError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An array of items as writeItemJson writes them. A key left out takes the value of a new item;
// an unknown key, a value of the wrong kind or range, a text that code page 1252 lacks and a picture
// whose size is given but not its file are refused.
model::TCameraSetList readItemsJson(std::string_view text, const TPictureLoader& loadPicture);

} // namespace skv::tool

// A library item as the tool prints it in JSON; shared by the commands that show items.
#pragma once

#include "Jsonwriter.h"

#include "model/Gplcarcameraset.h"

namespace skv::tool {

// An object with caption, type, version, comment, activationKey, selectedCamera and the six cameras.
void writeItemJson(JsonWriter& json, const skv::model::TGPLCarCameraSet& set);

} // namespace skv::tool

// The global input source of the X11 backend: key presses and mouse buttons of every client,
// recorded by the X RECORD extension on connections and a thread of their own.
#pragma once

#include "platform/platform.h"

#include <string>

namespace skv::platform {

// Null with the reason in unavailable when the display cannot be opened or has no RECORD extension.
std::unique_ptr<InputSource> startRecordInput(const std::string& displayName, std::string& unavailable);

} // namespace skv::platform

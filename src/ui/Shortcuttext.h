// Shortcut values (virtual-key code plus 0x2000 Shift, 0x4000 Ctrl, 0x8000 Alt) as the hot-key
// fields show them, and the rules by which a field takes a pressed combination or refuses it.
#pragma once

#include "platform/Shortcut.h"

#include <optional>
#include <string>

namespace skv::ui {

// "Page Up", "A", "F5", "Num 6"; a code without a name of its own is shown as its number ("Key 0xE2").
std::string keyName(int virtualKey);

// "Ctrl+Page Up", "Shift+Ctrl+C", "Alt+F4"; "None" for 0.
std::string shortcutText(platform::Shortcut shortcut);

// How a hot-key field treats the combination the user pressed.
struct TShortcutRules {
    bool refuseWithoutModifier = false; // a bare key is refused
    bool refuseShiftAlone = false;      // Shift as the only modifier is refused
    bool reduceAlt = false;             // a combination with Alt becomes the bare key
};

// The value the field takes for the pressed combination, or nothing when the rules refuse it (the
// field keeps its value).
std::optional<platform::Shortcut> acceptShortcut(platform::Shortcut pressed, const TShortcutRules& rules);

} // namespace skv::ui

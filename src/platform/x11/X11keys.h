// Windows virtual-key codes and X keysyms, both ways: held keys are asked for by virtual key, and
// recorded key presses arrive as keycodes that are named by their keysyms.
#pragma once

#include <cstdint>
#include <vector>

namespace skv::platform {

// The virtual key of a keysym, or 0 when it has none. Where several virtual keys share a keysym
// (Shift and Left Shift), the generic one wins, as the Windows keyboard messages report it.
int virtualKeyOfKeysym(unsigned long keysym);

// Every keysym whose key counts as that virtual key (Shift is either Shift key).
std::vector<unsigned long> keysymsOfVirtualKey(int virtualKey);

// The virtual key of a key whose keysyms without and with Shift are plain and shifted: keypad keys
// are named by their digit (as with Num Lock on), every other key by its plain keysym.
int virtualKeyOfKey(unsigned long plain, unsigned long shifted);

} // namespace skv::platform

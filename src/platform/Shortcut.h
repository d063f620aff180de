// Keys as the program names them everywhere: Windows virtual-key codes, and the 16-bit shortcut
// value (low byte a virtual-key code, 0x2000 Shift, 0x4000 Ctrl, 0x8000 Alt) of hot keys and items.
#pragma once

#include <cstdint>

namespace skv::platform {

namespace vk {
constexpr int LeftButton = 0x01, RightButton = 0x02, MiddleButton = 0x04;
constexpr int Backspace = 0x08, Tab = 0x09, Return = 0x0D;
constexpr int Shift = 0x10, Control = 0x11, Alt = 0x12, Pause = 0x13, CapsLock = 0x14;
constexpr int Escape = 0x1B, Space = 0x20;
constexpr int PageUp = 0x21, PageDown = 0x22, End = 0x23, Home = 0x24;
constexpr int Left = 0x25, Up = 0x26, Right = 0x27, Down = 0x28;
constexpr int PrintScreen = 0x2C, Insert = 0x2D, Delete = 0x2E;
constexpr int Digit0 = 0x30; // '0'..'9' are 0x30..0x39
constexpr int A = 0x41;      // 'A'..'Z' are 0x41..0x5A, the upper-case letters
constexpr int B = 0x42, D = 0x44, E = 0x45, F = 0x46, L = 0x4C, P = 0x50, Q = 0x51, R = 0x52, S = 0x53;
constexpr int W = 0x57, Z = 0x5A;
constexpr int LeftWindows = 0x5B, RightWindows = 0x5C, Apps = 0x5D;
constexpr int Keypad0 = 0x60; // keypad digits 0x60..0x69
constexpr int Keypad6 = 0x66;
constexpr int KeypadMultiply = 0x6A, KeypadPlus = 0x6B, KeypadSeparator = 0x6C, KeypadMinus = 0x6D;
constexpr int KeypadDecimal = 0x6E, KeypadDivide = 0x6F;
constexpr int F1 = 0x70; // F1..F24 are 0x70..0x87
constexpr int NumLock = 0x90, ScrollLock = 0x91;
constexpr int LeftShift = 0xA0, RightShift = 0xA1, LeftControl = 0xA2, RightControl = 0xA3;
constexpr int LeftAlt = 0xA4, RightAlt = 0xA5;
// The punctuation keys of a US keyboard.
constexpr int Semicolon = 0xBA, Equals = 0xBB, Comma = 0xBC, Minus = 0xBD, Period = 0xBE, Slash = 0xBF;
constexpr int Grave = 0xC0, LeftBracket = 0xDB, Backslash = 0xDC, RightBracket = 0xDD, Quote = 0xDE;
} // namespace vk

using Shortcut = std::uint16_t;

constexpr Shortcut kShortcutShift = 0x2000;
constexpr Shortcut kShortcutCtrl = 0x4000;
constexpr Shortcut kShortcutAlt = 0x8000;
constexpr Shortcut kShortcutModifiers = kShortcutShift | kShortcutCtrl | kShortcutAlt;

constexpr Shortcut makeShortcut(int virtualKey, Shortcut modifiers = 0) {
    return static_cast<Shortcut>((virtualKey & 0xFF) | (modifiers & kShortcutModifiers));
}
constexpr int shortcutKey(Shortcut shortcut) {
    return shortcut & 0xFF;
}
constexpr Shortcut shortcutModifiers(Shortcut shortcut) {
    return shortcut & kShortcutModifiers;
}

static_assert(makeShortcut(vk::PageUp, kShortcutCtrl) == 16417);
static_assert(makeShortcut(vk::Insert, kShortcutCtrl) == 16429);

} // namespace skv::platform

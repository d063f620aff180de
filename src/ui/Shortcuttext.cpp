#include "ui/Shortcuttext.h"

#include <cstdio>
#include <utility>

namespace skv::ui {

namespace {

namespace vk = platform::vk;

constexpr std::pair<int, const char*> kNamedKeys[] = {
    {vk::Backspace, "Backspace"},
    {vk::Tab, "Tab"},
    {vk::Return, "Enter"},
    {vk::Pause, "Pause"},
    {vk::CapsLock, "Caps Lock"},
    {vk::Escape, "Esc"},
    {vk::Space, "Space"},
    {vk::PageUp, "Page Up"},
    {vk::PageDown, "Page Down"},
    {vk::End, "End"},
    {vk::Home, "Home"},
    {vk::Left, "Left"},
    {vk::Up, "Up"},
    {vk::Right, "Right"},
    {vk::Down, "Down"},
    {vk::PrintScreen, "Print Screen"},
    {vk::Insert, "Insert"},
    {vk::Delete, "Delete"},
    {vk::LeftWindows, "Left Windows"},
    {vk::RightWindows, "Right Windows"},
    {vk::Apps, "Menu"},
    {vk::KeypadMultiply, "Num *"},
    {vk::KeypadPlus, "Num +"},
    {vk::KeypadSeparator, "Num Enter"},
    {vk::KeypadMinus, "Num -"},
    {vk::KeypadDecimal, "Num Del"},
    {vk::KeypadDivide, "Num /"},
    {vk::NumLock, "Num Lock"},
    {vk::ScrollLock, "Scroll Lock"},
    {vk::Shift, "Shift"},
    {vk::Control, "Ctrl"},
    {vk::Alt, "Alt"},
    {vk::LeftShift, "Shift"},
    {vk::RightShift, "Shift"},
    {vk::LeftControl, "Ctrl"},
    {vk::RightControl, "Ctrl"},
    {vk::Semicolon, ";"},
    {vk::Equals, "="},
    {vk::Comma, ","},
    {vk::Minus, "-"},
    {vk::Period, "."},
    {vk::Slash, "/"},
    {vk::Grave, "`"},
    {vk::LeftBracket, "["},
    {vk::Backslash, "\\"},
    {vk::RightBracket, "]"},
    {vk::Quote, "'"},
};

const char* namedKey(int virtualKey) {
    for (const auto& [code, name] : kNamedKeys)
        if (code == virtualKey) return name;
    return nullptr;
}

} // namespace

std::string keyName(int virtualKey) {
    if ((virtualKey >= vk::Digit0 && virtualKey <= vk::Digit0 + 9) ||
        (virtualKey >= vk::A && virtualKey <= vk::Z))
        return std::string(1, static_cast<char>(virtualKey));
    if (virtualKey >= vk::Keypad0 && virtualKey <= vk::Keypad0 + 9)
        return "Num " + std::to_string(virtualKey - vk::Keypad0);
    if (virtualKey >= vk::F1 && virtualKey < vk::F1 + 24)
        return "F" + std::to_string(virtualKey - vk::F1 + 1);
    if (const char* name = namedKey(virtualKey)) return name;
    char text[16];
    std::snprintf(text, sizeof text, "Key 0x%02X", static_cast<unsigned>(virtualKey & 0xFF));
    return text;
}

std::string shortcutText(platform::Shortcut shortcut) {
    if (shortcut == 0) return "None";
    std::string text;
    if (shortcut & platform::kShortcutShift) text += "Shift+";
    if (shortcut & platform::kShortcutCtrl) text += "Ctrl+";
    if (shortcut & platform::kShortcutAlt) text += "Alt+";
    return text + keyName(platform::shortcutKey(shortcut));
}

std::optional<platform::Shortcut> acceptShortcut(platform::Shortcut pressed, const TShortcutRules& rules) {
    if (rules.reduceAlt && (pressed & platform::kShortcutAlt))
        pressed = platform::makeShortcut(platform::shortcutKey(pressed));
    const platform::Shortcut modifiers = platform::shortcutModifiers(pressed);
    if (rules.refuseWithoutModifier && modifiers == 0) return std::nullopt;
    if (rules.refuseShiftAlone && modifiers == platform::kShortcutShift) return std::nullopt;
    return pressed;
}

} // namespace skv::ui

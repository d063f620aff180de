#include "platform/x11/X11keys.h"

#include "platform/Shortcut.h"

#include <X11/keysym.h>

#include <array>

namespace skv::platform {

namespace {

struct KeyName {
    unsigned long keysym;
    int virtualKey;
};

// Named keys; digits, letters and function keys follow from their ranges below. Generic entries
// come before the sided ones so that a keysym finds the generic virtual key first.
constexpr std::array kNamedKeys = {
    KeyName{XK_BackSpace, vk::Backspace},
    KeyName{XK_Tab, vk::Tab},
    KeyName{XK_ISO_Left_Tab, vk::Tab},
    KeyName{XK_Return, vk::Return},
    KeyName{XK_KP_Enter, vk::Return},
    KeyName{XK_Shift_L, vk::Shift},
    KeyName{XK_Shift_R, vk::Shift},
    KeyName{XK_Control_L, vk::Control},
    KeyName{XK_Control_R, vk::Control},
    KeyName{XK_Alt_L, vk::Alt},
    KeyName{XK_Alt_R, vk::Alt},
    KeyName{XK_ISO_Level3_Shift, vk::Alt},
    KeyName{XK_Shift_L, vk::LeftShift},
    KeyName{XK_Shift_R, vk::RightShift},
    KeyName{XK_Control_L, vk::LeftControl},
    KeyName{XK_Control_R, vk::RightControl},
    KeyName{XK_Alt_L, vk::LeftAlt},
    KeyName{XK_Alt_R, vk::RightAlt},
    KeyName{XK_ISO_Level3_Shift, vk::RightAlt},
    KeyName{XK_Pause, vk::Pause},
    KeyName{XK_Caps_Lock, vk::CapsLock},
    KeyName{XK_Escape, vk::Escape},
    KeyName{XK_space, vk::Space},
    KeyName{XK_Prior, vk::PageUp},
    KeyName{XK_Next, vk::PageDown},
    KeyName{XK_End, vk::End},
    KeyName{XK_Home, vk::Home},
    KeyName{XK_Left, vk::Left},
    KeyName{XK_Up, vk::Up},
    KeyName{XK_Right, vk::Right},
    KeyName{XK_Down, vk::Down},
    KeyName{XK_Print, vk::PrintScreen},
    KeyName{XK_Insert, vk::Insert},
    KeyName{XK_Delete, vk::Delete},
    KeyName{XK_Super_L, vk::LeftWindows},
    KeyName{XK_Super_R, vk::RightWindows},
    KeyName{XK_Menu, vk::Apps},
    KeyName{XK_KP_Multiply, vk::KeypadMultiply},
    KeyName{XK_KP_Add, vk::KeypadPlus},
    KeyName{XK_KP_Separator, vk::KeypadSeparator},
    KeyName{XK_KP_Subtract, vk::KeypadMinus},
    KeyName{XK_KP_Decimal, vk::KeypadDecimal},
    KeyName{XK_KP_Divide, vk::KeypadDivide},
    KeyName{XK_Num_Lock, vk::NumLock},
    KeyName{XK_Scroll_Lock, vk::ScrollLock},
    KeyName{XK_semicolon, vk::Semicolon},
    KeyName{XK_equal, vk::Equals},
    KeyName{XK_comma, vk::Comma},
    KeyName{XK_minus, vk::Minus},
    KeyName{XK_period, vk::Period},
    KeyName{XK_slash, vk::Slash},
    KeyName{XK_grave, vk::Grave},
    KeyName{XK_bracketleft, vk::LeftBracket},
    KeyName{XK_backslash, vk::Backslash},
    KeyName{XK_bracketright, vk::RightBracket},
    KeyName{XK_apostrophe, vk::Quote},
};

constexpr int kFunctionKeys = 24;

bool isKeypadDigit(unsigned long keysym) {
    return (keysym >= XK_KP_0 && keysym <= XK_KP_9) || keysym == XK_KP_Decimal;
}

} // namespace

int virtualKeyOfKeysym(unsigned long keysym) {
    if (keysym >= XK_0 && keysym <= XK_9) return vk::Digit0 + int(keysym - XK_0);
    if (keysym >= XK_a && keysym <= XK_z) return vk::A + int(keysym - XK_a);
    if (keysym >= XK_A && keysym <= XK_Z) return vk::A + int(keysym - XK_A);
    if (keysym >= XK_KP_0 && keysym <= XK_KP_9) return vk::Keypad0 + int(keysym - XK_KP_0);
    if (keysym >= XK_F1 && keysym < XK_F1 + kFunctionKeys) return vk::F1 + int(keysym - XK_F1);
    for (const KeyName& key : kNamedKeys) {
        if (key.keysym == keysym) return key.virtualKey;
    }
    return 0;
}

std::vector<unsigned long> keysymsOfVirtualKey(int virtualKey) {
    if (virtualKey >= vk::Digit0 && virtualKey <= vk::Digit0 + 9)
        return {XK_0 + unsigned(virtualKey - vk::Digit0)};
    if (virtualKey >= vk::A && virtualKey <= vk::Z) return {XK_a + unsigned(virtualKey - vk::A)};
    if (virtualKey >= vk::Keypad0 && virtualKey <= vk::Keypad0 + 9)
        return {XK_KP_0 + unsigned(virtualKey - vk::Keypad0)};
    if (virtualKey >= vk::F1 && virtualKey < vk::F1 + kFunctionKeys)
        return {XK_F1 + unsigned(virtualKey - vk::F1)};
    std::vector<unsigned long> keysyms;
    for (const KeyName& key : kNamedKeys) {
        if (key.virtualKey == virtualKey) keysyms.push_back(key.keysym);
    }
    return keysyms;
}

int virtualKeyOfKey(unsigned long plain, unsigned long shifted) {
    if (isKeypadDigit(shifted)) return virtualKeyOfKeysym(shifted);
    return virtualKeyOfKeysym(plain);
}

} // namespace skv::platform

#include "ui/Hotkeyedit.h"

#include <QApplication>
#include <QKeyEvent>

#include <utility>

namespace skv::ui {

namespace {

namespace vk = platform::vk;

constexpr std::pair<int, int> kSpecialKeys[] = {
    {Qt::Key_Backspace, vk::Backspace},
    {Qt::Key_Return, vk::Return},
    {Qt::Key_Enter, vk::Return},
    {Qt::Key_Pause, vk::Pause},
    {Qt::Key_CapsLock, vk::CapsLock},
    {Qt::Key_Escape, vk::Escape},
    {Qt::Key_Space, vk::Space},
    {Qt::Key_PageUp, vk::PageUp},
    {Qt::Key_PageDown, vk::PageDown},
    {Qt::Key_End, vk::End},
    {Qt::Key_Home, vk::Home},
    {Qt::Key_Left, vk::Left},
    {Qt::Key_Up, vk::Up},
    {Qt::Key_Right, vk::Right},
    {Qt::Key_Down, vk::Down},
    {Qt::Key_Print, vk::PrintScreen},
    {Qt::Key_Insert, vk::Insert},
    {Qt::Key_Delete, vk::Delete},
    {Qt::Key_Menu, vk::Apps},
    {Qt::Key_NumLock, vk::NumLock},
    {Qt::Key_ScrollLock, vk::ScrollLock},
};

// The punctuation keys of a US keyboard, by the character they give without and with Shift.
constexpr std::pair<int, int> kPunctuationKeys[] = {
    {Qt::Key_Semicolon, vk::Semicolon},
    {Qt::Key_Colon, vk::Semicolon},
    {Qt::Key_Equal, vk::Equals},
    {Qt::Key_Plus, vk::Equals},
    {Qt::Key_Comma, vk::Comma},
    {Qt::Key_Less, vk::Comma},
    {Qt::Key_Minus, vk::Minus},
    {Qt::Key_Underscore, vk::Minus},
    {Qt::Key_Period, vk::Period},
    {Qt::Key_Greater, vk::Period},
    {Qt::Key_Slash, vk::Slash},
    {Qt::Key_Question, vk::Slash},
    {Qt::Key_QuoteLeft, vk::Grave},
    {Qt::Key_AsciiTilde, vk::Grave},
    {Qt::Key_BracketLeft, vk::LeftBracket},
    {Qt::Key_BraceLeft, vk::LeftBracket},
    {Qt::Key_Backslash, vk::Backslash},
    {Qt::Key_Bar, vk::Backslash},
    {Qt::Key_BracketRight, vk::RightBracket},
    {Qt::Key_BraceRight, vk::RightBracket},
    {Qt::Key_Apostrophe, vk::Quote},
    {Qt::Key_QuoteDbl, vk::Quote},
};

// The digits as Shift gives them on a US keyboard, "!" for 1 up to "(" for 9 and ")" for 0.
constexpr int kShiftedDigits[] = {
    Qt::Key_ParenRight, Qt::Key_Exclam,      Qt::Key_At,        Qt::Key_NumberSign, Qt::Key_Dollar,
    Qt::Key_Percent,    Qt::Key_AsciiCircum, Qt::Key_Ampersand, Qt::Key_Asterisk,   Qt::Key_ParenLeft};

int keypadKey(int qtKey) {
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return vk::Keypad0 + (qtKey - Qt::Key_0);
    switch (qtKey) {
    case Qt::Key_Asterisk:
        return vk::KeypadMultiply;
    case Qt::Key_Plus:
        return vk::KeypadPlus;
    case Qt::Key_Minus:
        return vk::KeypadMinus;
    case Qt::Key_Period:
    case Qt::Key_Comma:
        return vk::KeypadDecimal;
    case Qt::Key_Slash:
        return vk::KeypadDivide;
    case Qt::Key_Enter:
        return vk::KeypadSeparator;
    default:
        return 0; // the keypad's arrows and the like are the keys they stand for
    }
}

int lookUp(int qtKey) {
    for (const auto& [key, code] : kSpecialKeys)
        if (key == qtKey) return code;
    for (const auto& [key, code] : kPunctuationKeys)
        if (key == qtKey) return code;
    for (int digit = 0; digit < 10; ++digit)
        if (kShiftedDigits[digit] == qtKey) return vk::Digit0 + digit;
    return 0;
}

bool isModifierKey(int qtKey) {
    return qtKey == Qt::Key_Shift || qtKey == Qt::Key_Control || qtKey == Qt::Key_Alt ||
           qtKey == Qt::Key_AltGr || qtKey == Qt::Key_Meta || qtKey == Qt::Key_Super_L ||
           qtKey == Qt::Key_Super_R;
}

} // namespace

int virtualKeyOf(int qtKey, Qt::KeyboardModifiers modifiers) {
    if (modifiers & Qt::KeypadModifier)
        if (const int code = keypadKey(qtKey)) return code;
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return vk::A + (qtKey - Qt::Key_A);
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return vk::Digit0 + (qtKey - Qt::Key_0);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return vk::F1 + (qtKey - Qt::Key_F1);
    return lookUp(qtKey);
}

platform::Shortcut shortcutModifiersOf(Qt::KeyboardModifiers modifiers) {
    platform::Shortcut bits = 0;
    if (modifiers & Qt::ShiftModifier) bits |= platform::kShortcutShift;
    if (modifiers & Qt::ControlModifier) bits |= platform::kShortcutCtrl;
    if (modifiers & Qt::AltModifier) bits |= platform::kShortcutAlt;
    return bits;
}

THotKeyEdit::THotKeyEdit(QWidget* parent) : QLineEdit(parent) {
    setContextMenuPolicy(Qt::NoContextMenu);
    setAcceptDrops(false);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setShortcut(0);
}

void THotKeyEdit::setShortcut(platform::Shortcut shortcut) {
    Value = shortcut;
    setText(QString::fromStdString(shortcutText(shortcut)));
}

bool THotKeyEdit::event(QEvent* event) {
    // Every combination typed here is the field's, not a window's shortcut (Ctrl+C, Del, ...).
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    return QLineEdit::event(event);
}

void THotKeyEdit::keyPressEvent(QKeyEvent* event) {
    event->accept();
    const int qtKey = event->key();
    if (isModifierKey(qtKey)) return;
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    if (qtKey == Qt::Key_Backspace && (modifiers & ~Qt::KeypadModifier) == Qt::NoModifier) {
        setShortcut(0);
        emit shortcutEdited(0);
        return;
    }
    const int code = virtualKeyOf(qtKey, modifiers);
    const std::optional<platform::Shortcut> accepted =
        code == 0 ? std::nullopt
                  : acceptShortcut(platform::makeShortcut(code, shortcutModifiersOf(modifiers)), Rules);
    if (!accepted) {
        QApplication::beep();
        return;
    }
    setShortcut(*accepted);
    emit shortcutEdited(*accepted);
}

} // namespace skv::ui

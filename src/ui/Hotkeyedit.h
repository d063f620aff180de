// A hot-key field: it shows a shortcut value ("Ctrl+Page Up") and takes the combination the user
// presses in it, by the rules it is given, instead of text.
#pragma once

#include "platform/Shortcut.h"
#include "ui/Shortcuttext.h"

#include <QLineEdit>

class QKeyEvent;

namespace skv::ui {

// The virtual-key code of a pressed key (keypad keys as the keypad's codes, the punctuation keys of
// a US keyboard with or without Shift); 0 for a key the shortcut values have no code for.
int virtualKeyOf(int qtKey, Qt::KeyboardModifiers modifiers);
// The Shift, Ctrl and Alt bits of a shortcut value.
platform::Shortcut shortcutModifiersOf(Qt::KeyboardModifiers modifiers);

class THotKeyEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit THotKeyEdit(QWidget* parent = nullptr);

    platform::Shortcut shortcut() const { return Value; }
    void setShortcut(platform::Shortcut shortcut);
    void setRules(const TShortcutRules& rules) { Rules = rules; }

signals:
    // The user pressed a combination the rules let through (or Backspace, which clears the field).
    void shortcutEdited(platform::Shortcut shortcut);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    platform::Shortcut Value = 0;
    TShortcutRules Rules;
};

} // namespace skv::ui

// What the widget tests do to the widgets, as a user would: find a child by its name, click a button,
// retype a field, type characters no key of Qt's test keyboard has; and the preferences' stand-ins
// (no listener, no Wine) that the dialogs are built with.
#pragma once

#include "model/Gamepaths.h"
#include "ui/Options_link.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QTest>

#include <cstdint>
#include <vector>

namespace skv::test {

template <typename T> T* child(const QObject* parent, const char* name) {
    T* found = parent->findChild<T*>(QString::fromLatin1(name));
    if (!found) qWarning("no %s", name);
    return found;
}
template <typename T> T* child(const QObject& parent, const char* name) {
    return child<T>(&parent, name);
}

// A click near the top left corner, where a check box or radio button has its box.
inline void click(const QObject* parent, const char* name) {
    QTest::mouseClick(child<QAbstractButton>(parent, name), Qt::LeftButton, {}, QPoint(6, 6));
}
inline void click(const QObject& parent, const char* name) {
    click(&parent, name);
}

// Other characters than ASCII come as the text of a key without a name, as an input method sends them.
inline void typeText(QWidget* widget, const QString& text) {
    for (const QChar c : text)
        if (c.unicode() < 0x80)
            QTest::keyClick(widget, c.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// Replaces a field's text as a user does: focus, select all, type.
inline void retype(const QObject* parent, const char* field, const QString& text) {
    auto* edit = child<QLineEdit>(parent, field);
    edit->setFocus();
    edit->selectAll();
    typeText(edit, text);
}

inline void activate(QWidget& window) {
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
}

inline void writeBytes(const QString& name, const QByteArray& bytes) {
    QFile file(name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

inline void writeBytes(const QString& name, const std::vector<std::uint8_t>& bytes) {
    writeBytes(name, QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())));
}

inline QByteArray fileBytes(const QString& name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class TNoListener final : public ui::IGameProgramsListener {
public:
    void gameProgramsChanged(const ui::TGamePrograms&) override {}
    void refreshReferenceCamFiles(const ui::TGamePrograms&) override {}
};

// Game paths resolved as written: no Wine prefix, no home folder.
inline const model::TGamePaths& noWine() {
    static const model::TGamePaths paths([](const std::string&) { return std::nullopt; });
    return paths;
}

} // namespace skv::test

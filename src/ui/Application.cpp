#include "ui/Application.h"

#include "ui/Icons.h"
#include "ui/Prompts.h"
#include "ui/Qtext.h"

#include <QLocale>
#include <QStyle>
#include <QWidget>

#include <clocale>

namespace skv::ui {

namespace {

// The window that owns whatever box comes up.
QWidget* boxParent() {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    return QApplication::activeWindow();
}

} // namespace

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // Not the display name: Qt would append that to every window's caption.
    setApplicationName(QStringLiteral("skyvane"));
    // Numbers are written and read with "." whatever the user's language: by Qt, and by the C library,
    // which QApplication has just set to the user's locale.
    QLocale::setDefault(QLocale::c());
    std::setlocale(LC_NUMERIC, "C");
    // The style Qt chose (the platform's, or the one asked for with -style), by name: the proxy owns
    // its base, and the application deletes the style it replaces.
    setStyle(new TDrawnPicturesStyle(style()->name()));
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        showException(std::current_exception());
        return true;
    }
}

void TApplication::showException(const std::exception_ptr& error) {
    QString text = QStringLiteral("An unexpected error occurred");
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        text = messageToQString(e.what());
    } catch (...) {
    }
    showError(boxParent(), text);
}

} // namespace skv::ui

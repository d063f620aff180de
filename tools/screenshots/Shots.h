// What the screenshot program's parts share: a window's picture with its caption, taking it once the
// window is painted, and the pictures of the main window.
#pragma once

#include <QPixmap>
#include <QString>

#include <functional>

class QDir;
class QWidget;

namespace shots {

// The offscreen platform draws no window frames: a window's caption is drawn above its picture in a
// bar of its own, so that the caption can be checked too. A popup (a menu) has neither.
QPixmap withCaption(QWidget& widget);
constexpr int kCaptionBar = 26;

// Writes the picture of a widget (with its caption) to file, saying so on standard output.
bool write(QWidget& widget, const QString& file);
bool writePixmap(const QPixmap& picture, const QString& file);
// Shows the widget and writes its picture once it is laid out and painted.
bool save(QWidget& widget, const QString& file);
// Opens a modal dialog through open and takes its picture while it is up, then closes it.
bool saveModal(const QString& file, const std::function<void()>& open);
// The same, once ready() says the dialog shows what it should (or after five seconds, as a failure).
bool saveModalWhen(const QString& file, const std::function<bool()>& ready,
                   const std::function<void()>& open);

// The main window at its first start with each message over it, and with two libraries open (a page
// with a set, the "Main" tab, each drop-down menu open).
bool saveMainWindow(const char* sample, const QDir& out);

} // namespace shots

#include "ui/Picturebox.h"

#include "ui/Qtext.h"

#include <QPainter>

namespace skv::ui {

QImage toQImage(const model::RgbImage& image) {
    const QImage view(image.pixels.data(), image.width, image.height, image.width * 3, QImage::Format_RGB888);
    return view.copy();
}

TPictureBox::TPictureBox(QWidget* parent) : QWidget(parent) {}

void TPictureBox::setPicture(model::TJPEGImage picture) {
    Picture = std::move(picture);
    Decoded = QImage();
    DecodeError.clear();
    update();
}

void TPictureBox::setPicture(model::TJPEGImage picture, QImage decoded) {
    Picture = std::move(picture);
    Decoded = std::move(decoded);
    DecodeError.clear();
    update();
}

void TPictureBox::clear() {
    setPicture(model::TJPEGImage());
}

void TPictureBox::decode() {
    try {
        Decoded = toQImage(Picture.decode());
    } catch (const model::JpegError& e) {
        DecodeError = messageToQString(e.what());
    }
}

void TPictureBox::paintEvent(QPaintEvent*) {
    if (!hasPicture()) return;
    if (Decoded.isNull() && DecodeError.isEmpty()) decode();
    QPainter painter(this);
    if (!Decoded.isNull()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(rect(), Decoded);
        return;
    }
    // A damaged picture says so where it would stand.
    painter.fillRect(rect(), Qt::black);
    painter.setPen(Qt::white);
    painter.drawText(rect().adjusted(4, 4, -4, -4), Qt::AlignCenter | Qt::TextWordWrap,
                     QStringLiteral("Picture unreadable: ") + DecodeError);
}

} // namespace skv::ui

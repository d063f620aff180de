// A camera picture on screen: the JPEG bytes are kept as they are and decoded the first time the
// box is painted, then drawn stretched to the box.
#pragma once

#include "model/Jpegimage.h"

#include <QImage>
#include <QString>
#include <QWidget>

namespace skv::ui {

// The decoded picture as a QImage (a deep copy; the RGB rows carry no padding).
QImage toQImage(const model::RgbImage& image);

class TPictureBox : public QWidget {
    Q_OBJECT
public:
    explicit TPictureBox(QWidget* parent = nullptr);

    // Shows the picture (none for an empty one); nothing is decoded until it is painted.
    void setPicture(model::TJPEGImage picture);
    // Shows a picture decoded already.
    void setPicture(model::TJPEGImage picture, QImage decoded);
    void clear();

    const model::TJPEGImage& picture() const { return Picture; }
    bool hasPicture() const { return !Picture.empty(); }
    bool decoded() const { return !Decoded.isNull(); }
    // Why the picture could not be decoded; empty while it has not been tried or it worked.
    const QString& decodeError() const { return DecodeError; }

    QSize sizeHint() const override { return {160, 120}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void decode();

    model::TJPEGImage Picture;
    QImage Decoded;
    QString DecodeError;
};

} // namespace skv::ui

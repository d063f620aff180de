// A picture for the benchmarks' libraries: a view of a track drawn here, each one different, and
// JPEG-encoded by the program's own encoder.
#pragma once

#include "model/Jpegimage.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPolygon>
#include <QRandomGenerator>

namespace skv::bench {

// A view of a track as a camera might see it: sky, hills, a road with its kerbs and a crowd of
// detail, so that the JPEG has about the size of a real one (some 12 KB at 320 x 240).
inline model::TJPEGImage drawnView(QRandomGenerator& random) {
    QImage image(320, 240, QImage::Format_RGB888);
    QPainter p(&image);
    QLinearGradient sky(0, 0, 0, 120);
    sky.setColorAt(0, QColor(60 + random.bounded(40), 110 + random.bounded(40), 200 + random.bounded(55)));
    sky.setColorAt(1, QColor(200, 220, 240));
    p.fillRect(0, 0, 320, 130, sky);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 6; ++i) {
        p.setBrush(QColor(40 + random.bounded(60), 90 + random.bounded(60), 40 + random.bounded(30)));
        p.drawEllipse(QPoint(random.bounded(320), 130), 40 + random.bounded(80), 20 + random.bounded(30));
    }
    p.fillRect(0, 130, 320, 110, QColor(70, 130, 60));
    QPolygon road;
    road << QPoint(140 + random.bounded(20), 130) << QPoint(180, 130) << QPoint(320, 240) << QPoint(0, 240);
    p.setBrush(QColor(90, 90, 95));
    p.drawPolygon(road);
    // The crowd on the banks and the grass's texture, which is what makes a picture's JPEG large.
    for (int i = 0; i < 900; ++i) {
        p.setPen(QColor(random.bounded(256), random.bounded(256), random.bounded(256)));
        p.drawPoint(random.bounded(320), 105 + random.bounded(135));
    }
    p.end();
    model::RgbImage rgb{image.width(), image.height(), {}};
    for (int row = 0; row < image.height(); ++row) {
        const uchar* line = image.constScanLine(row);
        rgb.pixels.insert(rgb.pixels.end(), line, line + image.width() * 3);
    }
    return model::TJPEGImage::encode(rgb);
}

} // namespace skv::bench

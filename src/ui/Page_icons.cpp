// The two icons of the page's tree, drawn at 16 and 32 pixels so that they stay sharp at 200%.
#include "ui/Page_items.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <functional>

namespace skv::ui {

namespace {

// Draws the icon on a 16 x 16 grid at each size.
QIcon drawn(const std::function<void(QPainter&)>& draw) {
    QIcon icon;
    for (int size : {16, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 16.0, size / 16.0);
        draw(painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

// A camera body with its lens, and the viewfinder on top.
void drawCamera(QPainter& p) {
    p.setPen(QPen(QColor(30, 30, 30), 1.0));
    p.setBrush(QColor(70, 78, 90));
    p.drawRoundedRect(QRectF(1.5, 5.5, 13, 9), 1.5, 1.5);
    p.drawRect(QRectF(4.5, 3.5, 4, 2));
    p.setBrush(QColor(90, 150, 230));
    p.drawEllipse(QPointF(8, 10), 3.2, 3.2);
    p.setBrush(QColor(230, 240, 255));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(7, 9), 0.9, 0.9);
}

// A camera's path: a curve ending in an arrow head, with the camera as a dot where it starts.
void drawEffect(QPainter& p) {
    const QColor path(230, 130, 20);
    QPainterPath curve;
    curve.moveTo(2.5, 13);
    curve.cubicTo(3, 4, 9, 2, 13, 5.5);
    p.setPen(QPen(path, 1.8, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(curve);
    QPolygonF head;
    head << QPointF(15, 7.5) << QPointF(10.2, 7.2) << QPointF(13.6, 2.8);
    p.setPen(Qt::NoPen);
    p.setBrush(path);
    p.drawPolygon(head);
    p.setPen(QPen(QColor(30, 30, 30), 1.0));
    p.setBrush(QColor(70, 78, 90));
    p.drawEllipse(QPointF(3, 12.5), 2.2, 2.2);
}

} // namespace

QIcon cameraSetIcon() {
    return drawn(drawCamera);
}

QIcon effectIcon() {
    return drawn(drawEffect);
}

} // namespace skv::ui

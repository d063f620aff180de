#include "ui/Icons.h"

#include <QApplication>
#include <QGroupBox>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <utility>

namespace skv::ui {

namespace {

constexpr int kGrid = 16; // the drawings' own size

// Draws on demand and keeps what it drew: the tool bar draws its buttons' size once when it is first
// painted, and a tree that is never shown draws nothing. Sizes are in device pixels; QIcon asks for
// the size times the screen's scale and marks the scale on the pixmap itself.
class TDrawnIconEngine final : public QIconEngine {
public:
    explicit TDrawnIconEngine(std::shared_ptr<const std::function<void(QPainter&)>> draw)
        : Draw(std::move(draw)) {}

    QIconEngine* clone() const override { return new TDrawnIconEngine(Draw); }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return square(size); }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        return {{kGrid, kGrid}, {2 * kGrid, 2 * kGrid}};
    }

    // Active and Selected look as Normal does; Disabled is the style's greyed form of it.
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
        return drawn(square(size).width(), mode == QIcon::Disabled);
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
        const qreal scale = painter->device() ? painter->device()->devicePixelRatio() : 1.0;
        const QSize side = square(rect.size());
        QPixmap shown = pixmap(side * scale, mode, state);
        shown.setDevicePixelRatio(scale);
        painter->drawPixmap(rect.x() + (rect.width() - side.width()) / 2,
                            rect.y() + (rect.height() - side.height()) / 2, shown);
    }

private:
    static QSize square(const QSize& size) {
        const int side = std::max(1, std::min(size.width(), size.height()));
        return {side, side};
    }

    QPixmap drawn(int pixels, bool disabled) {
        const auto [at, added] = Drawn.try_emplace({pixels, disabled});
        if (added) at->second = disabled ? greyed(drawn(pixels, false)) : draw(pixels);
        return at->second;
    }

    QPixmap draw(int pixels) const {
        QPixmap pixmap(pixels, pixels);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(pixels / double(kGrid), pixels / double(kGrid));
        (*Draw)(painter);
        painter.end();
        return pixmap;
    }

    static QPixmap greyed(const QPixmap& normal) {
        QStyleOption option;
        option.palette = QApplication::palette();
        return QApplication::style()->generatedIconPixmap(QIcon::Disabled, normal, &option);
    }

    std::shared_ptr<const std::function<void(QPainter&)>> Draw;
    std::map<std::pair<int, bool>, QPixmap> Drawn; // by side in device pixels, and disabled
};

} // namespace

QIcon drawnIcon(std::function<void(QPainter&)> draw) {
    return QIcon(
        new TDrawnIconEngine(std::make_shared<const std::function<void(QPainter&)>>(std::move(draw))));
}

namespace {

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

const QColor kOutline(40, 40, 40);

// A sheet of paper with its corner folded, in the rectangle given.
void drawSheet(QPainter& p, const QRectF& r) {
    const qreal fold = r.width() * 0.35;
    QPolygonF sheet;
    sheet << r.topLeft() << QPointF(r.right() - fold, r.top()) << QPointF(r.right(), r.top() + fold)
          << r.bottomRight() << r.bottomLeft();
    p.setPen(QPen(kOutline, 1.0));
    p.setBrush(Qt::white);
    p.drawPolygon(sheet);
    p.drawPolyline(QPolygonF() << QPointF(r.right() - fold, r.top())
                               << QPointF(r.right() - fold, r.top() + fold)
                               << QPointF(r.right(), r.top() + fold));
}

void drawFolder(QPainter& p) {
    p.setPen(QPen(kOutline, 1.0));
    p.setBrush(QColor(220, 170, 60));
    p.drawPolygon(QPolygonF() << QPointF(1.5, 3.5) << QPointF(6, 3.5) << QPointF(7.5, 5) << QPointF(13.5, 5)
                              << QPointF(13.5, 13.5) << QPointF(1.5, 13.5));
    p.setBrush(QColor(245, 205, 100));
    p.drawPolygon(QPolygonF() << QPointF(3.5, 7.5) << QPointF(15.5, 7.5) << QPointF(13.5, 13.5)
                              << QPointF(1.5, 13.5));
}

// A rounded board with a white sheet on it and a grey part of its own, all outlined.
void drawBoard(QPainter& p, const QColor& board, const QRectF& outer, qreal corner, const QRectF& sheet,
               const QColor& part, const QRectF& partRect, qreal partCorner) {
    p.setPen(QPen(kOutline, 1.0));
    p.setBrush(board);
    p.drawRoundedRect(outer, corner, corner);
    p.setBrush(Qt::white);
    p.drawRect(sheet);
    p.setBrush(part);
    p.drawRoundedRect(partRect, partCorner, partCorner); // a corner of 0 draws a plain rectangle
}

// A floppy disk: its label and its shutter.
void drawDisk(QPainter& p) {
    drawBoard(p, QColor(50, 90, 170), QRectF(1.5, 1.5, 13, 13), 1.2, QRectF(3.5, 1.5, 9, 6),
              QColor(160, 160, 170), QRectF(5.5, 10, 5, 4.5), 0);
}

// A sign in the bottom right corner: a plus on green, a cross on red.
void drawBadge(QPainter& p, bool plus) {
    p.setPen(Qt::NoPen);
    p.setBrush(plus ? QColor(40, 150, 60) : QColor(200, 40, 40));
    p.drawEllipse(QPointF(11.5, 11.5), 4.2, 4.2);
    p.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap));
    if (plus) {
        p.drawLine(QPointF(11.5, 9.3), QPointF(11.5, 13.7));
        p.drawLine(QPointF(9.3, 11.5), QPointF(13.7, 11.5));
    } else {
        p.drawLine(QPointF(10, 10), QPointF(13, 13));
        p.drawLine(QPointF(13, 10), QPointF(10, 13));
    }
}

void drawCopy(QPainter& p) {
    drawSheet(p, QRectF(1.5, 1.5, 8.5, 10.5));
    drawSheet(p, QRectF(6, 4.5, 8.5, 10.5));
}

void drawScissors(QPainter& p) {
    p.setPen(QPen(kOutline, 1.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(4, 1.5), QPointF(10.5, 10));
    p.drawLine(QPointF(12, 1.5), QPointF(5.5, 10));
    p.setPen(QPen(QColor(190, 40, 40), 1.4));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(4.2, 12.2), 2.4, 2.4);
    p.drawEllipse(QPointF(11.8, 12.2), 2.4, 2.4);
}

// A clipboard: its paper and its clip.
void drawClipboard(QPainter& p) {
    drawBoard(p, QColor(170, 120, 70), QRectF(2.5, 2.5, 11, 12.5), 1, QRectF(4.5, 5, 7, 8.5),
              QColor(150, 150, 160), QRectF(5.5, 1, 5, 3), 0.8);
}

// The small camera that marks the camera actions, top left of what it goes with.
void drawCameraMark(QPainter& p) {
    p.save();
    p.translate(-0.5, -1.5);
    p.scale(0.62, 0.62);
    drawCamera(p);
    p.restore();
}

// Two chevrons pointing along the bar (right, or down for an upright bar), as "more" is shown.
void drawExtension(QPainter& p, bool down) {
    if (down) {
        p.translate(16, 0);
        p.rotate(90);
    }
    p.setPen(QPen(kOutline, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    for (const qreal x : {4.0, 9.0})
        p.drawPolyline(QPolygonF() << QPointF(x, 4) << QPointF(x + 4, 8) << QPointF(x, 12));
}

void drawTool(QPainter& p, eToolIcon icon) {
    switch (icon) {
    case eToolIcon::NewFile:
        return drawSheet(p, QRectF(2.5, 1.5, 11, 13));
    case eToolIcon::OpenFile:
        return drawFolder(p);
    case eToolIcon::SaveFile:
        return drawDisk(p);
    case eToolIcon::NewSet:
        drawCamera(p);
        return drawBadge(p, true);
    case eToolIcon::DeleteSet:
        drawCamera(p);
        return drawBadge(p, false);
    case eToolIcon::CutSet:
        return drawScissors(p);
    case eToolIcon::CopySet:
        return drawCopy(p);
    case eToolIcon::PasteSet:
        return drawClipboard(p);
    case eToolIcon::CopyCamera:
        drawCopy(p);
        return drawCameraMark(p);
    case eToolIcon::PasteCamera:
        drawClipboard(p);
        return drawCameraMark(p);
    }
}

} // namespace

QIcon cameraSetIcon() {
    return drawnIcon(drawCamera);
}

QIcon effectIcon() {
    return drawnIcon(drawEffect);
}

QIcon toolIcon(eToolIcon icon) {
    return drawnIcon([icon](QPainter& p) { drawTool(p, icon); });
}

QIcon TDrawnPicturesStyle::standardIcon(StandardPixmap icon, const QStyleOption* option,
                                        const QWidget* widget) const {
    if (icon == SP_ToolBarHorizontalExtensionButton || icon == SP_ToolBarVerticalExtensionButton) {
        const bool down = icon == SP_ToolBarVerticalExtensionButton;
        return drawnIcon([down](QPainter& p) { drawExtension(p, down); });
    }
    return QProxyStyle::standardIcon(icon, option, widget);
}

// A group box's frame below its title: a faint border with a fainter ring inside it, over a barely
// darkened inside, all shades of black over whatever lies below, its corner pixels left out. Drawn
// in plain rectangles: an antialiased outline of that size costs several times as much.
void TDrawnPicturesStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                        QPainter* painter, const QWidget* widget) const {
    if (element != PE_FrameGroupBox ||
        baseStyle()->name().compare(QLatin1String("fusion"), Qt::CaseInsensitive) != 0)
        return QProxyStyle::drawPrimitive(element, option, painter, widget);
    constexpr int kTitleGap = 3;
    const auto* box = qobject_cast<const QGroupBox*>(widget);
    int top = kTitleGap;
    if (!box || box->isCheckable() || !box->title().isEmpty())
        top += std::max(pixelMetric(PM_ExclusiveIndicatorHeight), option->fontMetrics.height());
    // One pixel in from the left and the top, as the style's picture leaves it clear.
    const QRect f = option->rect.adjusted(1, top + 1, 0, 0);
    if (f.width() < 4 || f.height() < 4) return;
    const int l = f.left(), t = f.top(), r = f.right(), b = f.bottom();
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    // As rectangles, the tall ones in bands of rows: the raster engine hands a fill of more than 95
    // spans to its thread pool and waits for it, and a line drawn with a pen is a span per pixel. At
    // the first paint that would wake two threads several times for each box.
    constexpr int kBand = 32;
    const auto fill = [painter](int left, int top, int right, int bottom, const QColor& shade) {
        for (int y = top; y <= bottom; y += kBand)
            painter->fillRect(QRect(QPoint(left, y), QPoint(right, std::min(y + kBand - 1, bottom))), shade);
    };
    const QColor inside(0, 0, 0, 3), border(0, 0, 0, 26), ring(0, 0, 0, 4);
    fill(l + 1, t + 1, r - 1, b - 1, inside);
    fill(l + 1, t, r - 1, t, border);
    fill(l + 1, b, r - 1, b, border);
    fill(l, t + 1, l, b - 1, border);
    fill(r, t + 1, r, b - 1, border);
    fill(l + 1, t + 1, r - 1, t + 1, ring);
    fill(l + 1, b - 1, r - 1, b - 1, ring);
    fill(l + 1, t + 2, l + 1, b - 2, ring);
    fill(r - 1, t + 2, r - 1, b - 2, ring);
    painter->restore();
}

} // namespace skv::ui

#include "ui/Effectplot.h"

#include "model/Numberformat.h"
#include "ui/Qtext.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <array>
#include <cmath>

namespace skv::ui {

namespace {

// The seven values of a step in the order of the camera variables: X, Y, Z, YAW, PITCH, BANK, ZOOM.
double fieldOf(const model::CarCameraValues& v, int field) {
    static constexpr float model::CarCameraValues::*kFields[] = {
        &model::CarCameraValues::xPos,     &model::CarCameraValues::yPos,  &model::CarCameraValues::zPos,
        &model::CarCameraValues::yaw,      &model::CarCameraValues::pitch, &model::CarCameraValues::bank,
        &model::CarCameraValues::zoomAngle};
    const double value = v.*kFields[field];
    return field >= 3 ? value * model::kDegreesPerRadian : value;
}

// The range of one field over the steps, widened so that a constant still gets a line.
TPlotRange rangeOf(const std::vector<model::CarCameraValues>& steps, int field) {
    double low = fieldOf(steps.front(), field), high = low;
    for (const auto& s : steps) {
        const double v = fieldOf(s, field);
        low = std::min(low, v);
        high = std::max(high, v);
    }
    if (high - low < 1e-9) {
        const double pad = std::max(std::fabs(low) * 0.05, 0.5);
        low -= pad;
        high += pad;
    }
    return {low, high};
}

QString number(double v) {
    return toQString(model::formatCameraValue(v));
}

constexpr double kMargin = 6;

} // namespace

TEffectPlot::TEffectPlot(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("pltPreview"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TEffectPlot::setSteps(std::vector<model::CarCameraValues> steps) {
    Steps = std::move(steps);
    if (!Steps.empty())
        for (int field = 0; field < kFieldCount; ++field)
            Ranges[static_cast<std::size_t>(field)] = rangeOf(Steps, field);
    update();
}

void TEffectPlot::setStale(bool stale) {
    if (Stale == stale) return;
    Stale = stale;
    update();
}

void TEffectPlot::setCursorStep(int step) {
    if (CursorStep == step) return;
    CursorStep = step;
    update();
}

QColor TEffectPlot::ink(const QColor& colour) const {
    if (!Stale) return colour;
    const int grey = qGray(colour.rgb());
    return QColor(grey, grey, grey).lighter(150);
}

void TEffectPlot::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Base));
    if (Steps.empty()) {
        p.setPen(palette().color(QPalette::PlaceholderText));
        p.drawText(rect(), Qt::AlignCenter, QStringLiteral("No steps to show"));
        return;
    }
    // The top view takes the left part, as square as the height allows; the five curves share the rest.
    const QRectF all = QRectF(rect()).adjusted(kMargin, kMargin, -kMargin, -kMargin);
    const double side = std::min(all.height(), all.width() * 0.45);
    paintTopView(p, QRectF(all.topLeft(), QSizeF(side, all.height())));
    const QRectF strips(all.left() + side + kMargin, all.top(), all.width() - side - kMargin, all.height());
    static const char* const kTitles[] = {"Z", "YAW \u00B0", "PITCH \u00B0", "BANK \u00B0", "ZOOM \u00B0"};
    const double h = strips.height() / 5;
    for (int i = 0; i < 5; ++i)
        paintStrip(p, QRectF(strips.left(), strips.top() + i * h, strips.width(), h - 2), i + 2,
                   QString::fromUtf8(kTitles[i]));
}

void TEffectPlot::paintTopView(QPainter& p, const QRectF& area) const {
    const QColor text = ink(palette().color(QPalette::Text));
    p.setPen(ink(QColor(200, 200, 200)));
    p.drawRect(area);
    p.setPen(text);
    const QFontMetricsF fm(font());
    p.drawText(area.adjusted(4, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop, QStringLiteral("Top view: X, Y"));

    const TPlotRange xr = Ranges[0], yr = Ranges[1];
    const QRectF inner = area.adjusted(12, fm.height() + 8, -12, -12);
    // One scale for both axes, so that a circle stays a circle.
    const double scale = std::min(inner.width() / (xr.high - xr.low), inner.height() / (yr.high - yr.low));
    const double cx = (xr.low + xr.high) / 2, cy = (yr.low + yr.high) / 2;
    const auto at = [&](const model::CarCameraValues& v) {
        return QPointF(inner.center().x() + (v.xPos - cx) * scale,
                       inner.center().y() - (v.yPos - cy) * scale);
    };
    QPolygonF path;
    path.reserve(static_cast<int>(Steps.size()));
    for (const auto& s : Steps)
        path << at(s);
    p.setPen(QPen(ink(QColor(30, 90, 200)), 0));
    p.drawPolyline(path);

    // The heading once a second: a short stroke the way the camera looks.
    p.setPen(QPen(ink(QColor(230, 120, 20)), 0));
    for (std::size_t i = 0; i < Steps.size(); i += kStepsPerSecond) {
        const QPointF from = at(Steps[i]);
        p.drawLine(from, from + QPointF(std::cos(Steps[i].yaw), -std::sin(Steps[i].yaw)) * 12);
    }
    p.setPen(QPen(text, 1));
    p.setBrush(ink(QColor(40, 170, 60)));
    p.drawEllipse(path.front(), 4, 4);
    p.setBrush(ink(QColor(210, 40, 40)));
    p.drawRect(QRectF(path.back() - QPointF(4, 4), QSizeF(8, 8)));
    if (CursorStep >= 1 && CursorStep <= static_cast<int>(Steps.size())) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(text, 0));
        p.drawEllipse(path[CursorStep - 1], 6, 6);
    }
    p.setBrush(Qt::NoBrush);
}

void TEffectPlot::paintStrip(QPainter& p, const QRectF& area, int field, const QString& title) const {
    const QColor text = ink(palette().color(QPalette::Text));
    p.setPen(ink(QColor(200, 200, 200)));
    p.drawRect(area);
    const QFontMetricsF fm(font());
    const TPlotRange r = Ranges[static_cast<std::size_t>(field)];
    p.setPen(text);
    const QRectF label = area.adjusted(4, 1, -4, -1);
    p.drawText(label, Qt::AlignLeft | Qt::AlignTop, title);
    p.drawText(label, Qt::AlignRight | Qt::AlignTop, number(r.high));
    p.drawText(label, Qt::AlignRight | Qt::AlignBottom, number(r.low));

    const double labelWidth = fm.horizontalAdvance(QStringLiteral("PITCH \u00B0")) + 12;
    const QRectF curve =
        area.adjusted(labelWidth, 3, -fm.horizontalAdvance(QStringLiteral("-0.000E-0 ")), -3);
    const double n = static_cast<double>(std::max<std::size_t>(Steps.size() - 1, 1));
    const auto xOf = [&](std::size_t i) { return curve.left() + curve.width() * static_cast<double>(i) / n; };
    QPolygonF line;
    line.reserve(static_cast<int>(Steps.size()));
    for (std::size_t i = 0; i < Steps.size(); ++i) {
        const double v = (fieldOf(Steps[i], field) - r.low) / (r.high - r.low);
        line << QPointF(xOf(i), curve.bottom() - v * curve.height());
    }
    p.setPen(QPen(ink(QColor(30, 90, 200)), 0));
    p.drawPolyline(line);
    if (CursorStep >= 1 && CursorStep <= static_cast<int>(Steps.size())) {
        p.setPen(QPen(ink(QColor(210, 40, 40)), 1));
        const double x = xOf(static_cast<std::size_t>(CursorStep - 1));
        p.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
    }
}

} // namespace skv::ui

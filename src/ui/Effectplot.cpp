#include "ui/Effectplot.h"

#include "model/Numberformat.h"
#include "ui/Qtext.h"

#include <QEvent>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <utility>

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

QStaticText title(const QString& text, const QFont& font) {
    QStaticText title(text);
    title.setTextFormat(Qt::PlainText);
    title.prepare(QTransform(), font);
    return title;
}

// A curve (its points in device pixels) as a line through at most two points a pixel column, the
// lowest and the highest there in the order they come: any other point of the column is drawn over
// by the line between those two.
void paintLine(QPainter& p, const std::vector<double>& xs, const std::vector<double>& ys,
               const QColor& colour) {
    QPolygonF line;
    line.reserve(static_cast<int>(xs.size()));
    for (std::size_t i = 0; i < xs.size();) {
        const double column = std::floor(xs[i]);
        std::size_t low = i, high = i, end = i + 1;
        for (; end < xs.size() && std::floor(xs[end]) == column; ++end) {
            if (ys[end] < ys[low]) low = end;
            if (ys[end] > ys[high]) high = end;
        }
        line << QPointF(xs[std::min(low, high)], ys[std::min(low, high)]);
        if (low != high) line << QPointF(xs[std::max(low, high)], ys[std::max(low, high)]);
        i = end;
    }
    p.setPen(QPen(colour, 0));
    p.drawPolyline(line);
}

// A curve that swings across many pixels within a pixel column (a shake, say) covers a band: each
// column is filled from the highest to the lowest place the line reaches in it, which is what
// drawing every segment gives, at a fraction of the cost. False, drawing nothing, for a curve that
// travels less than that, which looks best as a line.
bool paintBand(QPainter& p, const std::vector<double>& xs, const std::vector<double>& ys,
               const QColor& colour) {
    constexpr double kBandTravel = 6; // pixels up and down a column, on average
    const int first = static_cast<int>(std::floor(xs.front()));
    const int columns = static_cast<int>(std::floor(xs.back())) - first + 1;
    if (columns <= 0) return false; // a plot too narrow for its labels runs its time axis backwards
    double travel = 0;
    for (std::size_t i = 1; i < ys.size(); ++i)
        if (std::isfinite(ys[i]) && std::isfinite(ys[i - 1])) travel += std::fabs(ys[i] - ys[i - 1]);
    if (travel < kBandTravel * columns) return false;
    std::vector<std::pair<double, double>> spans(
        static_cast<std::size_t>(columns),
        {std::numeric_limits<double>::max(), std::numeric_limits<double>::lowest()});
    const auto reach = [&](int column, double y) {
        if (!std::isfinite(y)) return; // a value that overflowed a float shows nowhere
        auto& [top, bottom] = spans[static_cast<std::size_t>(column - first)];
        top = std::min(top, y);
        bottom = std::max(bottom, y);
    };
    for (std::size_t i = 0; i < xs.size(); ++i) {
        const int column = static_cast<int>(std::floor(xs[i]));
        reach(column, ys[i]);
        if (i == 0) continue;
        // Where the segment from the step before crosses into this column, both columns reach.
        for (int edge = static_cast<int>(std::floor(xs[i - 1])) + 1; edge <= column; ++edge) {
            const double y = ys[i - 1] + (ys[i] - ys[i - 1]) * (edge - xs[i - 1]) / (xs[i] - xs[i - 1]);
            reach(edge - 1, y);
            reach(edge, y);
        }
    }
    // The columns go to the paint engine as one list of bars: a call per column cost more than the
    // pixels it filled.
    std::vector<QRect> bars;
    bars.reserve(spans.size());
    for (int c = 0; c < columns; ++c) {
        const auto& [top, bottom] = spans[static_cast<std::size_t>(c)];
        if (top > bottom) continue;
        const int row = static_cast<int>(std::floor(top));
        bars.emplace_back(first + c, row, 1, static_cast<int>(std::floor(bottom)) - row + 1);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawRects(bars.data(), static_cast<int>(bars.size()));
    p.setBrush(Qt::NoBrush);
    return true;
}

constexpr double kMargin = 6;
const char* const kTitles[] = {"Z", "YAW \u00B0", "PITCH \u00B0", "BANK \u00B0", "ZOOM \u00B0"};

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
    Labelled = false;
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

void TEffectPlot::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        LaidOut = Labelled = false;
    QWidget::changeEvent(event);
}

QColor TEffectPlot::ink(const QColor& colour) const {
    if (!Stale) return colour;
    const int grey = qGray(colour.rgb());
    return QColor(grey, grey, grey).lighter(150);
}

void TEffectPlot::layOut() {
    const QFontMetricsF fm(font());
    // The top view takes the left part, as square as the height allows; the five curves share the rest.
    const QRectF all = QRectF(rect()).adjusted(kMargin, kMargin, -kMargin, -kMargin);
    const double side = std::min(all.height(), all.width() * 0.45);
    Layout.topView = QRectF(all.topLeft(), QSizeF(side, all.height()));
    Layout.topInner = Layout.topView.adjusted(12, fm.height() + 8, -12, -12);
    const QRectF strips(all.left() + side + kMargin, all.top(), all.width() - side - kMargin, all.height());
    const double h = strips.height() / kStripCount;
    const double titleWidth = fm.horizontalAdvance(QStringLiteral("PITCH \u00B0")) + 12;
    const double numberWidth = fm.horizontalAdvance(QStringLiteral("-0.000E-0 "));
    for (std::size_t i = 0; i < kStripCount; ++i) {
        Layout.strips[i] =
            QRectF(strips.left(), strips.top() + static_cast<double>(i) * h, strips.width(), h - 2);
        Layout.curves[i] = Layout.strips[i].adjusted(titleWidth, 3, -numberWidth, -3);
        Layout.titles[i] = title(QString::fromUtf8(kTitles[i]), font());
    }
    Layout.titles[kStripCount] = title(QStringLiteral("Top view: X, Y"), font());
    Layout.ascent = fm.ascent();
    Layout.lineHeight = fm.height();
    Face = QRawFont::fromFont(font());
    LaidOut = true;
    LaidOutFor = size();
}

// The glyphs of a number need no shaping: they are looked up one by one and set side by side, which
// costs a small part of what laying out ten short texts after every run did.
void TEffectPlot::labelRanges() {
    const auto label = [&](double value) {
        const QString text = toQString(model::formatCameraValue(value));
        TLabel l;
        const QList<quint32> glyphs = Face.glyphIndexesForString(text);
        QList<QPointF> positions;
        positions.reserve(glyphs.size());
        QPointF pen;
        for (const QPointF& advance : Face.advancesForGlyphIndexes(glyphs)) {
            positions << pen;
            pen += advance;
        }
        l.glyphs.setRawFont(Face);
        l.glyphs.setGlyphIndexes(glyphs);
        l.glyphs.setPositions(positions);
        l.width = pen.x();
        return l;
    };
    for (std::size_t strip = 0; strip < kStripCount; ++strip) {
        Highs[strip] = label(Ranges[strip + 2].high);
        Lows[strip] = label(Ranges[strip + 2].low);
    }
    Labelled = true;
}

void TEffectPlot::paintFrames(QPainter& p) const {
    p.fillRect(rect(), palette().color(QPalette::Base));
    // Each frame's edges are filled as bars on the device pixels the one-pixel pen of a drawn
    // rectangle takes (those whose middle is in the pen's width), without the stroking.
    const QColor frame = ink(QColor(200, 200, 200));
    const double ratio = p.deviceTransform().m11(); // the device pixels in one of ours
    const auto pen = [&](double v) {
        return std::pair(static_cast<int>(std::floor((v - 0.5) * ratio - 0.5)) + 1,
                         static_cast<int>(std::floor((v + 0.5) * ratio - 0.5)));
    };
    p.save();
    p.scale(1 / ratio, 1 / ratio);
    const auto outline = [&](const QRectF& r) {
        const auto [left, leftEnd] = pen(r.left());
        const auto [right, rightEnd] = pen(r.right());
        const auto [top, topEnd] = pen(r.top());
        const auto [bottom, bottomEnd] = pen(r.bottom());
        const auto bar = [&](int x0, int x1, int y0, int y1) {
            p.fillRect(QRect(QPoint(x0, y0), QPoint(x1, y1)), frame);
        };
        bar(left, rightEnd, top, topEnd);
        bar(left, rightEnd, bottom, bottomEnd);
        bar(left, leftEnd, top, bottomEnd);
        bar(right, rightEnd, top, bottomEnd);
    };
    outline(Layout.topView);
    for (const QRectF& strip : Layout.strips)
        outline(strip);
    p.restore();
    p.setPen(ink(palette().color(QPalette::Text)));
    p.drawStaticText(Layout.topView.topLeft() + QPointF(4, 2), Layout.titles[kStripCount]);
    for (std::size_t i = 0; i < kStripCount; ++i)
        p.drawStaticText(Layout.strips[i].topLeft() + QPointF(4, 1), Layout.titles[i]);
}

void TEffectPlot::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (Steps.empty()) {
        p.fillRect(rect(), palette().color(QPalette::Base));
        p.setPen(palette().color(QPalette::PlaceholderText));
        p.drawText(rect(), Qt::AlignCenter, QStringLiteral("No steps to show"));
        return;
    }
    if (!LaidOut || LaidOutFor != size()) layOut();
    if (!Labelled) labelRanges();
    paintFrames(p);
    paintTopView(p);
    // The curves share their time axis: the x of each step is the same in all five. The curves are
    // drawn in device pixels, the unit in which a pixel column is one.
    const QRectF& curve = Layout.curves[0];
    const double n = static_cast<double>(std::max<std::size_t>(Steps.size() - 1, 1));
    const double ratio = p.deviceTransform().m11(); // the device pixels in one of ours
    std::vector<double> xs(Steps.size());
    for (std::size_t i = 0; i < xs.size(); ++i)
        xs[i] = (curve.left() + curve.width() * static_cast<double>(i) / n) * ratio;
    for (int strip = 0; strip < kStripCount; ++strip)
        paintStrip(p, strip, xs, ratio);
}

void TEffectPlot::paintTopView(QPainter& p) const {
    const QColor text = ink(palette().color(QPalette::Text));
    const TPlotRange xr = Ranges[0], yr = Ranges[1];
    const QRectF& inner = Layout.topInner;
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
    std::vector<QLineF> ticks;
    ticks.reserve(Steps.size() / kStepsPerSecond + 1);
    for (std::size_t i = 0; i < Steps.size(); i += kStepsPerSecond) {
        const QPointF from = path[static_cast<int>(i)];
        ticks.emplace_back(from, from + QPointF(std::cos(Steps[i].yaw), -std::sin(Steps[i].yaw)) * 12);
    }
    p.setPen(QPen(ink(QColor(230, 120, 20)), 0));
    p.drawLines(ticks.data(), static_cast<int>(ticks.size()));
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

void TEffectPlot::paintStrip(QPainter& p, int strip, const std::vector<double>& xs, double ratio) const {
    const auto s = static_cast<std::size_t>(strip);
    const QRectF label = Layout.strips[s].adjusted(4, 1, -4, -1);
    p.setPen(ink(palette().color(QPalette::Text)));
    p.drawGlyphRun(QPointF(label.right() - Highs[s].width, label.top() + Layout.ascent), Highs[s].glyphs);
    p.drawGlyphRun(QPointF(label.right() - Lows[s].width, label.bottom() - Layout.lineHeight + Layout.ascent),
                   Lows[s].glyphs);

    const int field = strip + 2;
    const TPlotRange r = Ranges[static_cast<std::size_t>(field)];
    const QRectF& curve = Layout.curves[s];
    const double yScale = curve.height() / (r.high - r.low);
    std::vector<double> ys(Steps.size());
    for (std::size_t i = 0; i < ys.size(); ++i)
        ys[i] = (curve.bottom() - (fieldOf(Steps[i], field) - r.low) * yScale) * ratio;
    const QColor colour = ink(QColor(30, 90, 200));
    p.save();
    p.scale(1 / ratio, 1 / ratio);
    if (!paintBand(p, xs, ys, colour)) paintLine(p, xs, ys, colour);
    p.restore();
    if (CursorStep >= 1 && CursorStep <= static_cast<int>(Steps.size())) {
        p.setPen(QPen(ink(QColor(210, 40, 40)), 1));
        const double x = xs[static_cast<std::size_t>(CursorStep - 1)] / ratio;
        p.drawLine(QPointF(x, Layout.strips[s].top()), QPointF(x, Layout.strips[s].bottom()));
    }
}

} // namespace skv::ui

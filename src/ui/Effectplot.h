// The effect editor's drawing of a played effect: the camera's path seen from above and its height,
// angles and zoom against time, with the step the time slider shows marked.
#pragma once

#include "model/Carcameravalues.h"

#include <QGlyphRun>
#include <QRawFont>
#include <QStaticText>
#include <QWidget>

#include <array>
#include <vector>

namespace skv::ui {

// The lowest and highest value a curve shows.
struct TPlotRange {
    double low;
    double high;
};

class TEffectPlot : public QWidget {
    Q_OBJECT
public:
    // Steps a second, as direct control plays them.
    static constexpr int kStepsPerSecond = 37;

    explicit TEffectPlot(QWidget* parent = nullptr);

    // The camera after each step, step 1 first.
    void setSteps(std::vector<model::CarCameraValues> steps);
    const std::vector<model::CarCameraValues>& steps() const { return Steps; }
    // A plot that no longer matches the script (it does not compile) is drawn in grey.
    void setStale(bool stale);
    bool isStale() const { return Stale; }
    // The step marked, 1-based; 0 marks none.
    void setCursorStep(int step);

    QSize sizeHint() const override { return {520, 380}; }
    QSize minimumSizeHint() const override { return {320, 240}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    static constexpr int kFieldCount = 7;
    static constexpr int kStripCount = 5; // Z, YAW, PITCH, BANK, ZOOM

    // Where each part goes at the widget's size and font, worked out once for both.
    struct TLayout {
        QRectF topView;                                  // the top view's frame
        QRectF topInner;                                 // where its path may go
        std::array<QRectF, kStripCount> strips{};        // each curve's frame
        std::array<QRectF, kStripCount> curves{};        // where each curve may go
        std::array<QStaticText, kStripCount + 1> titles; // the curves' and then the top view's
        double ascent = 0;
        double lineHeight = 0;
    };
    // A number as the glyphs that show it, from its baseline's left end.
    struct TLabel {
        QGlyphRun glyphs;
        double width = 0;
    };

    void layOut();
    void labelRanges();
    void paintFrames(class QPainter& p) const;
    void paintTopView(class QPainter& p) const;
    void paintStrip(class QPainter& p, int strip, const std::vector<double>& xs, double ratio) const;
    QColor ink(const QColor& colour) const;

    std::vector<model::CarCameraValues> Steps;
    // The range of each of the seven values (angles in degrees), found once per run.
    std::array<TPlotRange, kFieldCount> Ranges{};
    bool Stale = false;
    int CursorStep = 0;
    // Worked out at the first paint after a change of size, font or style.
    TLayout Layout;
    bool LaidOut = false;
    QSize LaidOutFor;
    // Each curve's highest and lowest value, laid out at the first paint after a run.
    QRawFont Face;
    std::array<TLabel, kStripCount> Highs, Lows;
    bool Labelled = false;
};

} // namespace skv::ui

// The effect editor's drawing of a played effect: the camera's path seen from above and its height,
// angles and zoom against time, with the step the time slider shows marked.
#pragma once

#include "model/Carcameravalues.h"

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

private:
    void paintTopView(class QPainter& p, const QRectF& area) const;
    void paintStrip(class QPainter& p, const QRectF& area, int field, const QString& title) const;
    QColor ink(const QColor& colour) const;

    static constexpr int kFieldCount = 7;

    std::vector<model::CarCameraValues> Steps;
    // The range of each of the seven values (angles in degrees), found once per run.
    std::array<TPlotRange, kFieldCount> Ranges{};
    bool Stale = false;
    int CursorStep = 0;
};

} // namespace skv::ui

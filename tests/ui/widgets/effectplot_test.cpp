// The effect editor's plot as it is drawn: what it keeps between paints (the layout, the glyphs of its
// numbers) never shows a size, font or run that is gone, and a curve that shakes faster than the
// pixels is a solid band while a slow one stays a thin line.
#include "ui/Guitest.h"

#include "ui/Effectplot.h"

#include <cmath>

using namespace skv;

namespace {

const QRgb kCurve = qRgb(30, 90, 200);

std::vector<model::CarCameraValues> zOf(int count, double (*z)(int)) {
    std::vector<model::CarCameraValues> steps(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        steps[static_cast<std::size_t>(i)].zPos = static_cast<float>(z(i));
        steps[static_cast<std::size_t>(i)].xPos = static_cast<float>(i % 50);
        steps[static_cast<std::size_t>(i)].yaw = static_cast<float>(i) / 100;
        steps[static_cast<std::size_t>(i)].zoomAngle = 0.9f;
    }
    return steps;
}
double shake(int i) {
    return i % 2 ? 1.3 : 0.7;
}
double rise(int i) {
    return 1 + 0.001 * i;
}

QImage drawn(ui::TEffectPlot& plot) {
    QImage image(plot.size(), QImage::Format_RGB32);
    plot.render(&image);
    return image;
}

// Rows of the curve's colour in each pixel column of the top strip (Z), right of the top view:
// {first row, last row, how many} for every column the curve reaches.
struct TColumn {
    int x, top, bottom, count;
};
std::vector<TColumn> zColumns(const QImage& image) {
    std::vector<TColumn> columns;
    const int stripBottom = 6 + (image.height() - 12) / 5 - 2;
    for (int x = static_cast<int>(image.width() * 0.45) + 12; x < image.width(); ++x) {
        TColumn c{x, -1, -1, 0};
        for (int y = 0; y < stripBottom; ++y)
            if (image.pixel(x, y) == kCurve) {
                if (c.top < 0) c.top = y;
                c.bottom = y;
                ++c.count;
            }
        if (c.count > 0) columns.push_back(c);
    }
    return columns;
}

} // namespace

class TestEffectPlot : public QObject {
    Q_OBJECT
private slots:
    void keptPlotDrawsAsAFreshOne();
    void shakeIsABandAndARiseALine();
};

void TestEffectPlot::keptPlotDrawsAsAFreshOne() {
    QFont big = QApplication::font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    const struct {
        const char* what;
        QSize size;
        const QFont* font;
        int count;
        bool stale;
    } cases[] = {
        {"resized", {700, 460}, nullptr, 370, false},
        {"another font", {538, 420}, &big, 370, false},
        {"another run", {538, 420}, nullptr, 740, false},
        {"greyed", {538, 420}, nullptr, 370, true},
        {"narrower than its labels", {90, 60}, nullptr, 370, false},
    };
    for (const auto& c : cases) {
        ui::TEffectPlot kept;
        kept.resize(538, 420);
        kept.setSteps(zOf(370, rise));
        kept.setCursorStep(100);
        drawn(kept); // whatever it keeps is now made for the first state
        kept.resize(c.size);
        if (c.font) kept.setFont(*c.font);
        kept.setSteps(zOf(c.count, shake));
        kept.setStale(c.stale);

        ui::TEffectPlot fresh;
        fresh.resize(c.size);
        if (c.font) fresh.setFont(*c.font);
        fresh.setSteps(zOf(c.count, shake));
        fresh.setCursorStep(100);
        fresh.setStale(c.stale);
        QVERIFY2(drawn(kept) == drawn(fresh), c.what);
    }
}

void TestEffectPlot::shakeIsABandAndARiseALine() {
    for (int count : {370, 4440}) {
        ui::TEffectPlot plot;
        plot.resize(538, 420);
        plot.setSteps(zOf(count, shake));
        const auto band = zColumns(drawn(plot));
        QVERIFY(band.size() > 100);
        for (std::size_t i = 0; i < band.size(); ++i) {
            // Every column of the band is filled without a gap, and no column is left out.
            QCOMPARE(band[i].count, band[i].bottom - band[i].top + 1);
            if (i > 0) QCOMPARE(band[i].x, band[i - 1].x + 1);
        }
        // The shake spans most of the strip's height in each column.
        QVERIFY(band[band.size() / 2].bottom - band[band.size() / 2].top > 40);

        plot.setSteps(zOf(count, rise));
        const auto line = zColumns(drawn(plot));
        QCOMPARE(line.size(), band.size());
        for (const auto& c : line)
            QVERIFY2(c.count <= 2, qPrintable(QStringLiteral("column %1: %2 rows").arg(c.x).arg(c.count)));
    }
}

SKV_GUI_TEST_MAIN(TestEffectPlot)
#include "effectplot_test.moc"

#include "ui/View.h"

#include "model/Numberformat.h"
#include "ui/Picturebox.h"
#include "ui/Properties.h"
#include "ui/Qtext.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace skv::ui {

namespace {

struct ValueRow {
    const char* caption;
    const char* name;
    bool angle; // shown in degrees
};

constexpr std::array<ValueRow, 7> kValueRows = {{
    {"X:", "lblX", false},
    {"Y:", "lblY", false},
    {"Z:", "lblZ", false},
    {"Yaw:", "lblYaw", true},
    {"Pitch:", "lblPitch", true},
    {"Bank:", "lblBank", true},
    {"Zoom Angle:", "lblZoomAngle", true},
}};

constexpr int kFocusMargin = 3; // the outer panel's border, which takes the highlight colour

std::array<float, 7> shownValues(const model::TGPLCarCamera& c) {
    return {c.xPos, c.yPos, c.zPos, c.yaw, c.pitch, c.bank, c.zoomAngle};
}

} // namespace

TfrmView::TfrmView(const QString& title, TdlgProperties* properties, QWidget* parent)
    : QFrame(parent), Properties(properties) {
    setObjectName(QStringLiteral("frmView"));
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
    showFocus(false);

    Top = makeStrip("pnlTop");
    Top->setText(title);
    Bottom = makeStrip("pnlBottom");

    Area = new QStackedWidget(this);
    Area->setObjectName(QStringLiteral("pnlArea"));
    Area->setAutoFillBackground(true);
    Area->setBackgroundRole(QPalette::Window);
    Area->setForegroundRole(QPalette::WindowText);
    Picture = new TPictureBox(Area);
    Picture->setObjectName(QStringLiteral("imgPicture"));
    Values = makeValues();
    Area->addWidget(Picture);
    Area->addWidget(Values);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kFocusMargin, kFocusMargin, kFocusMargin, kFocusMargin);
    layout->setSpacing(0);
    layout->addWidget(Top);
    layout->addWidget(Area, 1);
    layout->addWidget(Bottom);
    refresh();
}

QLabel* TfrmView::makeStrip(const char* name) {
    auto* strip = new QLabel(this);
    strip->setObjectName(QString::fromLatin1(name));
    strip->setAlignment(Qt::AlignCenter);
    strip->setTextFormat(Qt::PlainText); // a caption is shown as typed, never as markup
    strip->setAutoFillBackground(true);
    // Explicit roles: a child takes its parent's otherwise, and the view's changes with its focus.
    strip->setBackgroundRole(QPalette::Window);
    strip->setForegroundRole(QPalette::WindowText);
    QPalette palette = strip->palette();
    palette.setColor(QPalette::Window, Qt::black);
    palette.setColor(QPalette::WindowText, QColor(kStripRed, kStripGreen, kStripBlue));
    strip->setPalette(palette);
    strip->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    strip->setContentsMargins(2, 2, 2, 2);
    // A long caption is cut at the strip's end instead of widening the view.
    strip->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    return strip;
}

QWidget* TfrmView::makeValues() {
    auto* values = new QWidget(Area);
    values->setObjectName(QStringLiteral("pnlValues"));
    auto* grid = new QGridLayout(values);
    grid->setContentsMargins(8, 6, 8, 6);
    grid->setVerticalSpacing(2);
    for (std::size_t i = 0; i < kValueRows.size(); ++i) {
        const ValueRow& row = kValueRows[i];
        auto* caption = new QLabel(QString::fromLatin1(row.caption), values);
        caption->setObjectName(QString::fromLatin1(row.name) + QStringLiteral("Caption"));
        auto* value = new QLabel(values);
        value->setObjectName(QString::fromLatin1(row.name));
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        const int r = static_cast<int>(i);
        grid->addWidget(caption, r, 0);
        grid->addWidget(value, r, 1);
        ValueLabels[i] = value;
    }
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(static_cast<int>(kValueRows.size()), 1);
    return values;
}

QString TfrmView::title() const {
    return Top->text();
}

void TfrmView::setCamera(model::TGPLCarCamera* camera) {
    Camera = camera;
    refresh();
}

void TfrmView::refresh() {
    if (!Camera) {
        Bottom->clear();
        setToolTip({});
        Picture->clear();
        for (QLabel* label : ValueLabels)
            label->clear();
        Area->setCurrentWidget(Values);
        return;
    }
    Bottom->setText(toQString(Camera->Caption));
    setToolTip(toQString(Camera->getInfo()));
    const std::array<float, 7> values = shownValues(*Camera);
    for (std::size_t i = 0; i < values.size(); ++i) {
        const double shown = kValueRows[i].angle ? values[i] * model::kDegreesPerRadian : values[i];
        ValueLabels[i]->setText(QString::fromStdString(model::formatCameraValue(shown)));
    }
    // The picture's bytes are handed over; they are decoded when the view is painted.
    Picture->setPicture(Camera->getImage());
    Area->setCurrentWidget(Picture->hasPicture() ? static_cast<QWidget*>(Picture) : Values);
}

bool TfrmView::editProperties() {
    if (!Camera || !Properties) return false;
    const bool changed = Properties->edit(*Camera, title());
    refresh();
    if (changed) emit cameraChanged();
    return changed;
}

bool TfrmView::showsPicture() const {
    return Area->currentWidget() == Picture;
}

void TfrmView::showFocus(bool focused) {
    setBackgroundRole(focused ? QPalette::Highlight : QPalette::Button);
}

void TfrmView::focusInEvent(QFocusEvent* event) {
    QFrame::focusInEvent(event);
    showFocus(true);
    emit focusChanged(true);
}

void TfrmView::focusOutEvent(QFocusEvent* event) {
    QFrame::focusOutEvent(event);
    // A menu opening, or another window coming to the front, moves no focus inside the page: the
    // view stays the one the camera actions work on.
    if (event->reason() == Qt::PopupFocusReason || event->reason() == Qt::ActiveWindowFocusReason) return;
    showFocus(false);
    emit focusChanged(false);
}

void TfrmView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!Area->geometry().contains(event->position().toPoint())) return QFrame::mouseDoubleClickEvent(event);
    event->accept();
    editProperties();
}

} // namespace skv::ui

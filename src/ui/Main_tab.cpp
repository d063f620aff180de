// The "Main" tab: the logo, the direct-control controls, the GPL option, the game selector and the
// link label.
#include "ui/Main.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QSlider>
#include <QVBoxLayout>

namespace skv::ui {

namespace {

// The banner at the top of the tab: a vane over an evening sky and the program's name, drawn at
// whatever size and scale the tab gives it.
class TLogo final : public QWidget {
public:
    explicit TLogo(QWidget* parent) : QWidget(parent) {
        setObjectName(QStringLiteral("imgLogo"));
        setFixedHeight(64);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF r = rect();
        QLinearGradient sky(r.topLeft(), r.bottomLeft());
        sky.setColorAt(0, QColor(28, 44, 92));
        sky.setColorAt(1, QColor(232, 140, 60));
        p.fillRect(r, sky);

        // A wind vane: an arrow on its post, turned into the wind.
        const QPointF foot(34, r.bottom() - 6);
        p.setPen(QPen(QColor(20, 20, 30), 2.0));
        p.drawLine(foot, foot - QPointF(0, 40));
        QPainterPath arrow;
        arrow.moveTo(8, 22);
        arrow.lineTo(60, 22);
        arrow.lineTo(50, 14);
        arrow.moveTo(60, 22);
        arrow.lineTo(50, 30);
        p.setPen(QPen(QColor(248, 218, 101), 3.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(arrow);
        p.setBrush(QColor(248, 218, 101));
        p.drawPolygon(QPolygonF() << QPointF(8, 22) << QPointF(16, 12) << QPointF(20, 22));

        QFont name = font();
        name.setPointSizeF(name.pointSizeF() * 1.9);
        name.setBold(true);
        p.setFont(name);
        p.setPen(Qt::white);
        p.drawText(r.adjusted(76, 0, -8, 0), Qt::AlignVCenter | Qt::AlignLeft,
                   QStringLiteral("Brightlap Skyvane"));
    }
};

QLabel* label(const QString& text, const char* name, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

QCheckBox* checkBox(const char* text, const char* name, QWidget* parent) {
    auto* box = new QCheckBox(QString::fromLatin1(text), parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

// A track bar 0..100 with its caption before it and its position in percent after it.
QSlider* addTrackBar(QGridLayout* grid, int row, const char* caption, const char* name, QWidget* parent) {
    const QString stem = QString::fromLatin1(name).mid(3); // "Speed"
    QLabel* title = label(QString::fromLatin1(caption), "", parent);
    title->setObjectName(QStringLiteral("lbl") + stem);
    auto* bar = new QSlider(Qt::Horizontal, parent);
    bar->setObjectName(QString::fromLatin1(name));
    bar->setRange(0, 100);
    bar->setPageStep(10);
    bar->setTickPosition(QSlider::TicksBelow);
    bar->setTickInterval(10);
    title->setBuddy(bar);
    QLabel* percent = label(QStringLiteral("100%"), "", parent);
    percent->setObjectName(QStringLiteral("lbl") + stem + QStringLiteral("Value"));
    percent->setMinimumWidth(percent->sizeHint().width());
    percent->setText(QStringLiteral("0%")); // the bar's position until it is set
    percent->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QObject::connect(bar, &QSlider::valueChanged, percent,
                     [percent](int value) { percent->setText(QStringLiteral("%1%").arg(value)); });
    grid->addWidget(title, row, 0);
    grid->addWidget(bar, row, 1);
    grid->addWidget(percent, row, 2);
    return bar;
}

} // namespace

QWidget* TfrmMain::makeMainTab() {
    auto* tab = new QWidget;
    tab->setObjectName(QStringLiteral("tabMain"));
    auto* options = new QHBoxLayout;
    options->addWidget(makeGplOptionGroup(tab), 1);
    options->addWidget(makeGameSelectorGroup(tab), 1);

    auto* links = new QWidget(tab);
    links->setObjectName(QStringLiteral("pnlLinks"));
    LinkLabel = label(QString(), "Label1", links);
    LinkLabel->setTextFormat(Qt::PlainText);
    QFont underlined = LinkLabel->font();
    underlined.setUnderline(true);
    LinkLabel->setFont(underlined);
    auto* linksLayout = new QHBoxLayout(links);
    linksLayout->setContentsMargins(4, 0, 4, 0);
    linksLayout->addStretch(1);
    linksLayout->addWidget(LinkLabel);

    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(new TLogo(tab));
    layout->addWidget(makeDirectControlGroup(tab));
    layout->addLayout(options);
    layout->addStretch(1);
    layout->addWidget(links);
    return tab;
}

QWidget* TfrmMain::makeDirectControlGroup(QWidget* parent) {
    auto* group = new QGroupBox(QStringLiteral("Direct Control"), parent);
    group->setObjectName(QStringLiteral("grpDirectControl"));
    QLabel* text = label(QStringLiteral("Advanced camera control during GPL replay with use of HotKeys."),
                         "lblDirectControl", group);
    text->setWordWrap(true);
    DirectControl = checkBox("Enable Direct Control.", "chkHotkeyDirectControl", group);

    auto* bars = new QGridLayout;
    bars->setColumnStretch(1, 1);
    Speed = addTrackBar(bars, 0, "Key Control Speed", "tbrSpeed", group);
    Smooth = addTrackBar(bars, 1, "Smoothing", "tbrSmooth", group);

    LookMode = checkBox("Mouse Look Mode", "chkDefaultLookMode", group);
    BankMode = checkBox("Mouse Bank Mode", "chkDefaultBankMode", group);
    auto* modes = new QHBoxLayout;
    modes->addWidget(LookMode);
    modes->addWidget(BankMode);
    modes->addStretch(1);

    // Why direct control cannot work here, or why the game cannot be reached; hidden while all is well.
    DirectControlProblem = label(QString(), "lblDirectControlProblem", group);
    DirectControlProblem->setWordWrap(true);
    DirectControlProblem->setTextFormat(Qt::PlainText);
    DirectControlProblem->setStyleSheet(QStringLiteral("color: #b00000;"));
    DirectControlProblem->hide();

    auto* layout = new QVBoxLayout(group);
    layout->addWidget(text);
    layout->addWidget(DirectControl);
    layout->addLayout(bars);
    layout->addLayout(modes);
    layout->addWidget(DirectControlProblem);
    return group;
}

QWidget* TfrmMain::makeGplOptionGroup(QWidget* parent) {
    auto* group = new QGroupBox(QStringLiteral("GPL Option"), parent);
    group->setObjectName(QStringLiteral("grpGPLOption"));
    GplInWindow = checkBox("Run GPL in Window", "chkGPLInWindow", group);
    QLabel* note =
        label(QStringLiteral("(N/A for Nascar; use video config util)"), "lblGPLInWindowNote", group);
    note->setWordWrap(true);
    auto* layout = new QVBoxLayout(group);
    layout->addWidget(GplInWindow);
    layout->addWidget(note);
    layout->addStretch(1);
    return group;
}

QWidget* TfrmMain::makeGameSelectorGroup(QWidget* parent) {
    auto* group = new QGroupBox(QStringLiteral("GPL / NR2003 selector"), parent);
    group->setObjectName(QStringLiteral("grpGameSelector"));
    GameSelector = new QComboBox(group);
    GameSelector->setObjectName(QStringLiteral("cbxGameSelector"));
    GameSelector->addItems({QStringLiteral("GPL"), QStringLiteral("NR2003")});
    auto* layout = new QVBoxLayout(group);
    layout->addWidget(GameSelector);
    layout->addStretch(1);
    return group;
}

} // namespace skv::ui

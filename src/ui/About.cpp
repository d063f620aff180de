#include "ui/About.h"

#include <QDialogButtonBox>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace skv::ui {

namespace {

// The program's mark: a wind vane turning over a strip of evening sky.
class TAboutLogo final : public QWidget {
public:
    explicit TAboutLogo(QWidget* parent) : QWidget(parent) {
        setObjectName(QStringLiteral("imgAboutLogo"));
        setFixedSize(96, 96);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QLinearGradient sky(0, 0, 0, height());
        sky.setColorAt(0, QColor(28, 44, 92));
        sky.setColorAt(1, QColor(232, 140, 60));
        p.fillRect(rect(), sky);
        const QColor gold(248, 218, 101);
        p.setPen(QPen(QColor(20, 20, 30), 3.0));
        p.drawLine(QPointF(48, 88), QPointF(48, 40));
        p.setPen(QPen(gold, 4.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawLine(QPointF(14, 40), QPointF(84, 40));
        p.drawLine(QPointF(84, 40), QPointF(72, 30));
        p.drawLine(QPointF(84, 40), QPointF(72, 50));
        p.setBrush(gold);
        p.drawPolygon(QPolygonF() << QPointF(14, 40) << QPointF(24, 26) << QPointF(28, 40));
    }
};

} // namespace

TdlgAbout::TdlgAbout(QWidget* mainWindow) : QDialog(mainWindow), MainWindow(mainWindow) {
    setObjectName(QStringLiteral("dlgAbout"));
    setWindowTitle(QStringLiteral("About"));
    setModal(true);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("pnlLogo"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(2, 2, 2, 2);
    panelLayout->addWidget(new TAboutLogo(panel));

    lblName = new QLabel(this);
    lblName->setObjectName(QStringLiteral("lblName"));
    QFont bold = lblName->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.3);
    lblName->setFont(bold);
    auto* line = new QLabel(QStringLiteral("Camera sets and live camera control for filming replays."), this);
    line->setObjectName(QStringLiteral("lblDescription"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("btnOK"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* texts = new QVBoxLayout;
    texts->addStretch(1);
    texts->addWidget(lblName);
    texts->addWidget(line);
    texts->addStretch(1);
    auto* top = new QHBoxLayout;
    top->addWidget(panel);
    top->addSpacing(8);
    top->addLayout(texts, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TdlgAbout::showEvent(QShowEvent* event) {
    lblName->setText(MainWindow->windowTitle());
    QDialog::showEvent(event);
    // Centred on the screen, as the box is always shown.
    if (const QScreen* screen = MainWindow->screen())
        move(screen->availableGeometry().center() - rect().center());
}

} // namespace skv::ui

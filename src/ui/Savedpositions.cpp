#include "ui/Savedpositions.h"

#include "directcontrol/Savedpositions.h"
#include "ui/Qtext.h"

#include <QFontDatabase>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSplitter>
#include <QVBoxLayout>

namespace skv::ui {

namespace {

using directcontrol::TSavedPositions;

// "Courier New" where it is installed, else the system's fixed-pitch face: the values line up
// either way.
QFont positionsFont() {
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    if (!QFontInfo(font).fixedPitch()) font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    return font;
}

QPlainTextEdit* logBox(const char* title, const char* name, QSplitter* splitter) {
    auto* group = new QGroupBox(QString::fromLatin1(title), splitter);
    auto* box = new QPlainTextEdit(group);
    box->setObjectName(QString::fromLatin1(name));
    box->setReadOnly(true);
    box->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* layout = new QVBoxLayout(group);
    layout->addWidget(box);
    splitter->addWidget(group);
    return box;
}

void append(QPlainTextEdit* box, const std::vector<std::string>& lines) {
    QString text;
    for (const std::string& line : lines)
        text += messageToQString(line) + QLatin1Char('\n');
    QTextCursor end(box->document());
    end.movePosition(QTextCursor::End);
    end.insertText(text);
}

} // namespace

TfrmSavedPositions::TfrmSavedPositions(TSavedPositions& positions, QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("frmSavedPositions"));
    setWindowTitle(QStringLiteral("frmSavedPositions"));
    Splitter = new QSplitter(Qt::Vertical, this);
    Splitter->setObjectName(QStringLiteral("splTop"));
    Splitter->setChildrenCollapsible(false);
    PitCam = logBox("Pit Camera Positions", "rcePitCam", Splitter);
    RollBar = logBox("Roll Bar Camera Positions", "rceRollBar", Splitter);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Splitter);
    resize(360, 480);

    append(PitCam, positions.pitCam().lines());
    append(RollBar, positions.rollBar().lines());
    // The logs are the direct-control stack's, which the main window may take down first.
    const QPointer<TfrmSavedPositions> self(this);
    positions.setAppendedCallback(
        [self](TSavedPositions::Camera camera, const std::vector<std::string>& block) {
            if (!self) return;
            append(camera == TSavedPositions::Camera::PitCam ? self->PitCam : self->RollBar, block);
        });
}

// The fixed-pitch face is looked up when the window is first shown: a font lookup costs start-up
// time, and most sessions never open this window.
void TfrmSavedPositions::showEvent(QShowEvent* event) {
    if (!FontChosen) {
        const QFont font = positionsFont();
        PitCam->setFont(font);
        RollBar->setFont(font);
        FontChosen = true;
    }
    QWidget::showEvent(event);
}

void TfrmSavedPositions::showPositions() {
    show();
    raise();
    activateWindow();
}

} // namespace skv::ui

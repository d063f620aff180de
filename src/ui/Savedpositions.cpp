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
    : QWidget(parent, Qt::Window), Positions(positions) {
    setObjectName(QStringLiteral("frmSavedPositions"));
    setWindowTitle(QStringLiteral("frmSavedPositions"));
    resize(360, 480);
    // The logs are the direct-control stack's, which the main window may take down first. Until the
    // boxes are made, the logs alone hold the lines.
    const QPointer<TfrmSavedPositions> self(this);
    positions.setAppendedCallback(
        [self](TSavedPositions::Camera camera, const std::vector<std::string>& block) {
            if (!self || !self->Splitter) return;
            append(camera == TSavedPositions::Camera::PitCam ? self->PitCam : self->RollBar, block);
        });
}

// Made when the window is first shown (most sessions never open it), with the lines noted so far
// and the fixed-pitch face, whose lookup costs start-up time.
void TfrmSavedPositions::build() {
    if (Splitter) return;
    Splitter = new QSplitter(Qt::Vertical, this);
    Splitter->setObjectName(QStringLiteral("splTop"));
    Splitter->setChildrenCollapsible(false);
    PitCam = logBox("Pit Camera Positions", "rcePitCam", Splitter);
    RollBar = logBox("Roll Bar Camera Positions", "rceRollBar", Splitter);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Splitter);
    const QFont font = positionsFont();
    PitCam->setFont(font);
    RollBar->setFont(font);
    append(PitCam, Positions.pitCam().lines());
    append(RollBar, Positions.rollBar().lines());
}

void TfrmSavedPositions::setVisible(bool visible) {
    if (visible) build();
    QWidget::setVisible(visible);
}

QPlainTextEdit* TfrmSavedPositions::pitCam() {
    build();
    return PitCam;
}

QPlainTextEdit* TfrmSavedPositions::rollBar() {
    build();
    return RollBar;
}

void TfrmSavedPositions::showPositions() {
    show();
    raise();
    activateWindow();
}

} // namespace skv::ui

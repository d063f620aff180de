#include "ui/Effect.h"

#include "effects/Effectplayer.h"
#include "model/Ansitext.h"
#include "model/Numberformat.h"
#include "ui/Effectplot.h"
#include "ui/Effectpreview.h"
#include "ui/Prompts.h"
#include "ui/Qtext.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTextBlock>
#include <QVBoxLayout>

namespace skv::ui {

namespace {

constexpr int kStepsPerSecond = TEffectPlot::kStepsPerSecond;

// "Line 2, column 6: " before a message that knows its place.
QString placed(const effects::TScriptError& error) {
    const QString message = messageToQString(error.message).replace(QLatin1Char('\r'), QLatin1Char(' '));
    if (error.line <= 0) return message;
    return QStringLiteral("<a href=\"#\">Line %1, column %2</a>: %3")
        .arg(error.line)
        .arg(error.column)
        .arg(message.toHtmlEscaped());
}

} // namespace

TfrmEffect::TfrmEffect(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmEffect"));
    setWindowTitle(QStringLiteral("Edit Effect"));
    resize(1040, 560);
}

// Made when the editor is first opened, not at start-up: its fields, and the preview with its thread.
void TfrmEffect::build() {
    if (Preview) return;
    Preview = new TEffectPreview(this);
    auto* group = new QGroupBox(QStringLiteral("Effect"), this);
    group->setObjectName(QStringLiteral("grpEffect"));
    Text = new QPlainTextEdit(group);
    Text->setObjectName(QStringLiteral("mmoEffect"));
    Text->setLineWrapMode(QPlainTextEdit::NoWrap);
    Text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text->setTabChangesFocus(false);
    connect(Text, &QPlainTextEdit::textChanged, this, [this] {
        Changed = true;
        requestPreview();
    });
    // The engine's message for the text as it stands; its place is a link that moves the cursor.
    Error = new QLabel(group);
    Error->setObjectName(QStringLiteral("lblError"));
    Error->setWordWrap(true);
    Error->setTextFormat(Qt::RichText);
    Error->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    Error->setStyleSheet(QStringLiteral("color: #b00000"));
    connect(Error, &QLabel::linkActivated, this, [this] { moveCursorTo(ErrorLine, ErrorColumn); });
    auto* textLayout = new QVBoxLayout(group);
    textLayout->addWidget(Text, 1);
    textLayout->addWidget(Error);

    auto* previewGroup = new QGroupBox(QStringLiteral("Preview"), this);
    previewGroup->setObjectName(QStringLiteral("grpPreview"));
    Plot = new TEffectPlot(previewGroup);
    Time = new QSlider(Qt::Horizontal, previewGroup);
    Time->setObjectName(QStringLiteral("sldTime"));
    Time->setRange(1, 1);
    connect(Time, &QSlider::valueChanged, this, &TfrmEffect::showStep);
    StepValues = new QLabel(previewGroup);
    StepValues->setObjectName(QStringLiteral("lblStep"));
    StepValues->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Length = new QSpinBox(previewGroup);
    Length->setObjectName(QStringLiteral("spnLength"));
    Length->setRange(1, 120);
    Length->setValue(10);
    Length->setSuffix(QStringLiteral(" s"));
    connect(Length, &QSpinBox::valueChanged, this, [this] { requestPreview(); });
    auto* lengthLabel = new QLabel(QStringLiteral("&Length:"), previewGroup);
    lengthLabel->setObjectName(QStringLiteral("lblLength"));
    lengthLabel->setBuddy(Length);
    auto* timeRow = new QHBoxLayout;
    timeRow->addWidget(Time, 1);
    timeRow->addWidget(lengthLabel);
    timeRow->addWidget(Length);
    auto* previewLayout = new QVBoxLayout(previewGroup);
    previewLayout->addWidget(Plot, 1);
    previewLayout->addLayout(timeRow);
    previewLayout->addWidget(StepValues);
    connect(Preview, &TEffectPreview::finished, this, &TfrmEffect::showPreview);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("btnsDialog"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("btnOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("btnCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmEffect::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TfrmEffect::reject);

    auto* panes = new QHBoxLayout;
    panes->addWidget(group, 4);
    panes->addWidget(previewGroup, 5);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(panes, 1);
    layout->addWidget(buttons);
}

TfrmEffect::~TfrmEffect() = default;

void TfrmEffect::setVisible(bool visible) {
    if (visible) build();
    QDialog::setVisible(visible);
}

TEffectPreview& TfrmEffect::preview() {
    build();
    return *Preview;
}

bool TfrmEffect::edit(model::TGPLCarCameraSet& item) {
    build();
    // The fixed-pitch font is looked up when the editor is first opened, not at start-up.
    Text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    Item = &item;
    Start = item.Camera0.values();
    Plot->setSteps({});
    Plot->setStale(false);
    Error->clear();
    StepValues->clear();
    Text->setPlainText(linesToQString(item.effect()));
    Text->moveCursor(QTextCursor::Start);
    Changed = false;
    Text->setFocus();
    Preview->runNow(); // the item's own script at once; typing waits for a pause
    const bool stored = exec() == QDialog::Accepted && Changed;
    Item = nullptr;
    return stored;
}

std::optional<std::string> TfrmEffect::script() const {
    try {
        return linesToAnsi(documentText(*Text->document()));
    } catch (const model::EAnsiTextError&) {
        return std::nullopt;
    }
}

void TfrmEffect::requestPreview() {
    const auto text = script();
    if (!text) {
        Preview->stop();
        return;
    }
    Preview->request(*text, Start, Length->value() * kStepsPerSecond);
}

void TfrmEffect::showPreview(const TPreviewResult& result) {
    ErrorLine = ErrorColumn = 0;
    if (result.compileError) {
        // The last good plot stays, greyed, until the script compiles again.
        ErrorLine = result.compileError->line;
        ErrorColumn = result.compileError->column;
        Error->setText(placed(*result.compileError));
        Plot->setStale(true);
        return;
    }
    Error->setText(result.failure ? QStringLiteral("Step %1: %2")
                                        .arg(result.failure->frame)
                                        .arg(messageToQString(result.failure->message).toHtmlEscaped())
                                  : QString());
    Plot->setStale(false);
    Plot->setSteps(result.steps);
    const int count = static_cast<int>(result.steps.size());
    Time->setRange(std::min(count, 1), std::max(count, 1));
    showStep(Time->value());
}

void TfrmEffect::showStep(int step) {
    const auto& steps = Plot->steps();
    if (step < 1 || step > static_cast<int>(steps.size())) {
        Plot->setCursorStep(0);
        StepValues->setText(QStringLiteral("No steps"));
        return;
    }
    Plot->setCursorStep(step);
    const model::CarCameraValues& v = steps[static_cast<std::size_t>(step - 1)];
    const auto num = [](double x) { return toQString(model::formatCameraValue(x)); };
    const auto deg = [&](double radians) { return num(radians * model::kDegreesPerRadian) + QChar(0x00B0); };
    StepValues->setText(
        QStringLiteral("Step %1 (%2 s)   X %3   Y %4   Z %5   YAW %6   PITCH %7   BANK %8   ZOOM %9")
            .arg(step)
            .arg(QString::number(step / double(kStepsPerSecond), 'f', 1))
            .arg(num(v.xPos), num(v.yPos), num(v.zPos), deg(v.yaw), deg(v.pitch), deg(v.bank),
                 deg(v.zoomAngle)));
}

void TfrmEffect::moveCursorTo(int line, int column) {
    const QTextBlock block = Text->document()->findBlockByNumber(line - 1);
    if (!block.isValid()) return;
    QTextCursor cursor(block);
    cursor.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor,
                        std::min(column - 1, block.length() - 1));
    Text->setTextCursor(cursor);
    Text->setFocus();
}

void TfrmEffect::accept() {
    if (!Changed) return QDialog::accept();
    std::string text;
    try {
        text = linesToAnsi(documentText(*Text->document()));
    } catch (const model::EAnsiTextError& e) {
        showError(this, messageToQString(e.what()));
        return;
    }
    if (!Checker) Checker = std::make_unique<effects::TEffectPlayer>();
    const auto error = Checker->checkScript(text);
    if (error) {
        showError(this, messageToQString(error->message));
        if (error->line > 0) moveCursorTo(error->line, error->column);
        return;
    }
    if (Item) Item->setEffect(text);
    QDialog::accept();
}

void TfrmEffect::done(int result) {
    if (Preview) Preview->stop(); // nothing runs for a closed editor
    QDialog::done(result);
}

} // namespace skv::ui

#include "ui/Effect.h"

#include "effects/Effectplayer.h"
#include "model/Ansitext.h"
#include "ui/Prompts.h"
#include "ui/Qtext.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace skv::ui {

TfrmEffect::TfrmEffect(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmEffect"));
    setWindowTitle(QStringLiteral("Edit Effect"));

    auto* group = new QGroupBox(QStringLiteral("Effect"), this);
    group->setObjectName(QStringLiteral("grpEffect"));
    Text = new QPlainTextEdit(group);
    Text->setObjectName(QStringLiteral("mmoEffect"));
    Text->setLineWrapMode(QPlainTextEdit::NoWrap);
    Text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text->setTabChangesFocus(false);
    connect(Text, &QPlainTextEdit::textChanged, this, [this] { Changed = true; });
    (new QVBoxLayout(group))->addWidget(Text);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("btnsDialog"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("btnOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("btnCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmEffect::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TfrmEffect::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group, 1);
    layout->addWidget(buttons);
    resize(560, 420);
}

TfrmEffect::~TfrmEffect() = default;

bool TfrmEffect::edit(model::TGPLCarCameraSet& item) {
    // The fixed-pitch font is looked up when the editor is first opened, not at start-up.
    Text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    Item = &item;
    Text->setPlainText(linesToQString(item.effect()));
    Text->moveCursor(QTextCursor::Start);
    Changed = false;
    Text->setFocus();
    const bool stored = exec() == QDialog::Accepted && Changed;
    Item = nullptr;
    return stored;
}

void TfrmEffect::accept() {
    if (!Changed) return QDialog::accept();
    std::string script;
    try {
        script = linesToAnsi(documentText(*Text->document()));
    } catch (const model::EAnsiTextError& e) {
        showError(this, messageToQString(e.what()));
        return;
    }
    if (!Checker) Checker = std::make_unique<effects::TEffectPlayer>();
    const std::string error = Checker->check(script);
    if (!error.empty()) {
        showError(this, messageToQString(error));
        return;
    }
    if (Item) Item->setEffect(script);
    QDialog::accept();
}

} // namespace skv::ui

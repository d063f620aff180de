#include "ui/Comment.h"

#include "model/Ansitext.h"
#include "ui/Prompts.h"
#include "ui/Qtext.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace skv::ui {

TfrmComment::TfrmComment(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmComment"));
    setWindowTitle(QStringLiteral("Authors Comment - "));
    resize(480, 320);
}

// Made when the editor is first opened, not at start-up.
void TfrmComment::build() {
    if (Text) return;
    Text = new QPlainTextEdit(this);
    Text->setObjectName(QStringLiteral("mmoComment"));
    Text->setLineWrapMode(QPlainTextEdit::NoWrap);
    Text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    connect(Text, &QPlainTextEdit::textChanged, this, [this] { Changed = true; });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Text);
}

void TfrmComment::setVisible(bool visible) {
    if (visible) build();
    QDialog::setVisible(visible);
}

bool TfrmComment::edit(model::TGPLCarCameraSet& item) {
    build();
    Item = &item;
    // "[*]" in a caption is Qt's placeholder for the modified mark; doubled it shows as typed.
    setWindowTitle(QStringLiteral("Authors Comment - ") +
                   toQString(item.Caption).replace(QStringLiteral("[*]"), QStringLiteral("[*][*]")));
    Text->setPlainText(linesToQString(item.Comment));
    Text->moveCursor(QTextCursor::Start);
    Changed = false;
    Stored = false;
    Text->setFocus();
    exec();
    Item = nullptr;
    return Stored;
}

void TfrmComment::reject() {
    if (Changed && Item) {
        try {
            Item->Comment = linesToAnsi(documentText(*Text->document()));
        } catch (const model::EAnsiTextError& e) {
            showError(this, messageToQString(e.what()));
            return;
        }
        Stored = true;
    }
    QDialog::reject();
}

} // namespace skv::ui

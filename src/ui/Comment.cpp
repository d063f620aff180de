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
    Text = new QPlainTextEdit(this);
    Text->setObjectName(QStringLiteral("mmoComment"));
    Text->setLineWrapMode(QPlainTextEdit::NoWrap);
    Text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    connect(Text, &QPlainTextEdit::textChanged, this, [this] { Changed = true; });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Text);
    resize(480, 320);
}

bool TfrmComment::edit(model::TGPLCarCameraSet& item) {
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

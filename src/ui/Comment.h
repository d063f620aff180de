// The author's comment of a library item, edited in a window that has no buttons: closing it keeps
// what was typed.
#pragma once

#include "model/Gplcarcameraset.h"

#include <QDialog>

class QPlainTextEdit;

namespace skv::ui {

class TfrmComment : public QDialog {
    Q_OBJECT
public:
    explicit TfrmComment(QWidget* parent = nullptr);

    // Opens the editor on the item's comment; true when the window closed after a change, which is
    // then stored (CR LF line ends) as the item's comment.
    bool edit(model::TGPLCarCameraSet& item);

    bool changed() const { return Changed; }
    void setVisible(bool visible) override;

public slots:
    // Every way of closing (the close button, Escape) ends here; a text the library cannot hold
    // keeps the window open.
    void reject() override;

private:
    void build();

    QPlainTextEdit* Text = nullptr;
    model::TGPLCarCameraSet* Item = nullptr;
    bool Changed = false;
    bool Stored = false;
};

} // namespace skv::ui

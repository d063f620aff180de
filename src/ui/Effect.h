// The effect editor: an effect item's script in a text field. OK after a change runs the engine's
// syntax check and stays open, showing the engine's message, until the script passes.
#pragma once

#include "model/Gplcarcameraset.h"

#include <QDialog>

#include <memory>

class QPlainTextEdit;

namespace skv::effects {
class TEffectPlayer;
}

namespace skv::ui {

class TfrmEffect : public QDialog {
    Q_OBJECT
public:
    explicit TfrmEffect(QWidget* parent = nullptr);
    ~TfrmEffect() override;

    // Opens the editor on the item's script; true when OK stored a changed script (CR LF line ends)
    // into the item.
    bool edit(model::TGPLCarCameraSet& item);

    bool changed() const { return Changed; }

public slots:
    void accept() override;

private:
    // Checks with a player of the editor's own, set up as the control thread's: a check never
    // touches the engine objects another thread may be running. Made at the first check.
    std::unique_ptr<effects::TEffectPlayer> Checker;
    QPlainTextEdit* Text = nullptr;
    model::TGPLCarCameraSet* Item = nullptr;
    bool Changed = false;
};

} // namespace skv::ui

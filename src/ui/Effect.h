// The effect editor: an effect item's script in a text field, with a preview that plays the script
// as it is typed and draws where the camera goes. OK after a change runs the engine's syntax check
// and stays open, showing the engine's message, until the script passes.
#pragma once

#include "model/Gplcarcameraset.h"

#include <QDialog>

#include <memory>
#include <optional>
#include <string>

class QLabel;
class QPlainTextEdit;
class QSlider;
class QSpinBox;

namespace skv::effects {
class TEffectPlayer;
}

namespace skv::ui {

class TEffectPlot;
class TEffectPreview;
struct TPreviewResult;

class TfrmEffect : public QDialog {
    Q_OBJECT
public:
    explicit TfrmEffect(QWidget* parent = nullptr);
    ~TfrmEffect() override;

    // Opens the editor on the item's script; true when OK stored a changed script (CR LF line ends)
    // into the item. The preview starts from the item's Camera0 values.
    bool edit(model::TGPLCarCameraSet& item);

    bool changed() const { return Changed; }
    TEffectPreview& preview();
    void setVisible(bool visible) override;

public slots:
    void accept() override;
    void done(int result) override;

private:
    void build();
    // The text as the engine reads it, or nothing when it holds a character 1252 lacks.
    std::optional<std::string> script() const;
    void requestPreview();
    void showPreview(const TPreviewResult& result);
    void showStep(int step);
    // Puts the text cursor on a 1-based line and column of the script.
    void moveCursorTo(int line, int column);

    // Checks with a player of the editor's own, set up as the control thread's: a check never
    // touches the engine objects another thread may be running. Made at the first check.
    std::unique_ptr<effects::TEffectPlayer> Checker;
    TEffectPreview* Preview = nullptr;
    QPlainTextEdit* Text = nullptr;
    QLabel* Error = nullptr;
    TEffectPlot* Plot = nullptr;
    QSlider* Time = nullptr;
    QLabel* StepValues = nullptr;
    QSpinBox* Length = nullptr;
    model::TGPLCarCameraSet* Item = nullptr;
    model::CarCameraValues Start{};
    int ErrorLine = 0;
    int ErrorColumn = 0;
    bool Changed = false;
};

} // namespace skv::ui

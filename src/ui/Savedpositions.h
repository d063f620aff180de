// The window of saved camera positions: what the save-position hot keys noted during a replay, the
// pit camera's above and the roll-bar camera's below, for the user to copy values from.
#pragma once

#include <QWidget>

class QPlainTextEdit;
class QSplitter;

namespace skv::directcontrol {
class TSavedPositions;
}

namespace skv::ui {

class TfrmSavedPositions final : public QWidget {
    Q_OBJECT
public:
    // Shows the logs as they stand and each block added from now on, also while hidden. The logs
    // may go before the window.
    explicit TfrmSavedPositions(directcontrol::TSavedPositions& positions, QWidget* parent = nullptr);

    // Shows the window, or brings it forward when it is up already; it never hides it.
    void showPositions();

    // The boxes, made first if the window has not been shown yet.
    QPlainTextEdit* pitCam();
    QPlainTextEdit* rollBar();
    void setVisible(bool visible) override;

private:
    void build();

    directcontrol::TSavedPositions& Positions;
    QPlainTextEdit* PitCam = nullptr;
    QPlainTextEdit* RollBar = nullptr;
    QSplitter* Splitter = nullptr; // made with the boxes
};

} // namespace skv::ui

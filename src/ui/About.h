// The about box: the logo, the main window's caption of the moment (the product and its version), a
// line on what the program is for, and OK.
#pragma once

#include <QDialog>

class QLabel;

namespace skv::ui {

class TdlgAbout : public QDialog {
    Q_OBJECT
public:
    // mainWindow gives the caption shown each time the box opens.
    explicit TdlgAbout(QWidget* mainWindow);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* MainWindow;
    QLabel* lblName = nullptr;
};

} // namespace skv::ui

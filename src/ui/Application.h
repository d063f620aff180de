// The program's QApplication: what an event handler lets escape is shown in the standard error box
// and the program goes on, as if the failed action had not been started.
#pragma once

#include <QApplication>

#include <exception>

namespace skv::ui {

class TApplication : public QApplication {
    Q_OBJECT
public:
    // The title every window and message box carries.
    static constexpr const char* kTitle = "Brightlap Skyvane";

    TApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Shows the exception's message in the standard error box (through the prompter).
    static void showException(const std::exception_ptr& error);
};

} // namespace skv::ui

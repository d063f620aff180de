// The program's QApplication and the way its slots run: what a slot that reacts to the user throws
// is shown in the standard error box and the program goes on, as if the action had not been started.
#pragma once

#include <QApplication>

#include <exception>
#include <utility>

namespace skv::ui {

class TApplication : public QApplication {
    Q_OBJECT
public:
    // The title every window and message box carries.
    static constexpr const char* kTitle = "Brightlap Skyvane";

    TApplication(int& argc, char** argv);

    // The last resort for an exception that left an event handler unguarded: it is shown and the
    // event counts as handled. Qt's own frames between the throw and here are not exception-safe, so
    // what the user can start runs through guarded() instead.
    bool notify(QObject* receiver, QEvent* event) override;

    // Shows the exception's message in the standard error box (through the prompter).
    static void showException(const std::exception_ptr& error);
};

// A slot that never lets an exception into Qt: work runs, and what it throws is shown in the error
// box. Connect it to any signal: connect(button, &QPushButton::clicked, guarded([this] { save(); })).
template <typename Work> auto guarded(Work work) {
    return [work = std::move(work)]() mutable {
        try {
            work();
        } catch (...) {
            TApplication::showException(std::current_exception());
        }
    };
}

} // namespace skv::ui

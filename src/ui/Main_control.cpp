// The "Direct Control" group at work: the track bars and options feed the control thread, the check
// box and the shown flag switch the global input source, the keys it delivers are handled here on
// the user-interface thread, and the thread's status texts come to the status bar queued.
#include "ui/Main.h"

#include "directcontrol/Directcontrol_stack.h"
#include "directcontrol/Directcontrol_status.h"
#include "ui/Application.h"
#include "ui/Qtext.h"
#include "ui/Savedpositions.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QSlider>

namespace skv::ui {

using directcontrol::LinkStatus;

directcontrol::TItemLists& TfrmMain::itemLists() {
    return Stack->itemLists();
}

void TfrmMain::connectDirectControl() {
    connect(Speed, &QSlider::valueChanged, this, [this](int position) {
        if (!MovingBarByKey) Stack->thread().setSpeed(position);
    });
    connect(Smooth, &QSlider::valueChanged, this, [this](int position) {
        if (!MovingBarByKey) Stack->thread().setSmooth(position);
    });
    connect(LookMode, &QCheckBox::toggled, this, [this](bool on) { Stack->thread().setLookMode(on); });
    connect(BankMode, &QCheckBox::toggled, this, [this](bool on) { Stack->thread().setBankMode(on); });
    connect(DirectControl, &QCheckBox::toggled, this, guarded([this] { setMode(); }));

    // Both come from other threads and only post: neither waits for this one.
    Stack->setStatusCallback([this](const std::string& text) {
        QMetaObject::invokeMethod(
            this, [this, text] { statusArrived(text); }, Qt::QueuedConnection);
    });
    Stack->setInputWakeUp([this] {
        QMetaObject::invokeMethod(this, guarded([this] { Stack->dispatchInput(); }), Qt::QueuedConnection);
    });
    showDirectControlProblem();
}

// The first show: the thread is made with the track bars and the two options as they stand.
void TfrmMain::startDirectControl() {
    Stack->start({Speed->value(), Smooth->value(), LookMode->isChecked(), BankMode->isChecked()});
}

void TfrmMain::showSavedPositions() {
    if (SavedPositions) SavedPositions->showPositions();
}

void TfrmMain::gameLaunched() {
    setMode();
}

void TfrmMain::setMode() {
    InputProblem = Stack->setMode(Shown, DirectControl->isChecked());
    showDirectControlProblem();
}

// A reason the game cannot be reached stays in the group until the link is up again or another
// game is selected: the status bar goes on to other texts. The game simply not being in front is
// no problem: the status bar says so.
void TfrmMain::statusArrived(const std::string& text) {
    setStatusText(messageToQString(text));
    const std::string notAttached = directcontrol::kNotAttachedText;
    if (text.rfind(notAttached + ": ", 0) == 0) {
        if (text != directcontrol::linkStatusText(LinkStatus::NoGameWindow))
            LinkProblem = messageToQString(text);
    } else if (text != notAttached) {
        LinkProblem.clear(); // a status line: the link is up
    }
    showDirectControlProblem();
}

// What stands in the way, most basic first: a machine that cannot offer direct control, an input
// source that could not be made, a game that is there but cannot be reached.
void TfrmMain::showDirectControlProblem() {
    QString problem;
    const std::string unavailable = Stack->unavailableReason();
    if (!unavailable.empty())
        problem = QStringLiteral("Direct control is not available here: ") + messageToQString(unavailable);
    else if (!InputProblem.empty())
        problem = QStringLiteral("The hot keys cannot be heard: ") + messageToQString(InputProblem);
    else
        problem = LinkProblem;
    DirectControlProblem->setText(problem);
    DirectControlProblem->setVisible(!problem.isEmpty());
}

// Input first, then the receiver of the status, then the thread, joined: after this nothing of
// direct control calls the window.
void TfrmMain::stopDirectControl() {
    Stack->shutDown();
}

// ---- what the hot keys ask of the window ----

bool TfrmMain::directControlEnabled() const {
    return DirectControl->isChecked();
}

bool TfrmMain::applicationActive() const {
    return QGuiApplication::applicationState() == Qt::ApplicationActive;
}

// Asked of the backend: Qt knows only the keys that reach this program's windows.
bool TfrmMain::keyDown(int virtualKey) const {
    return Stack->platform().keyDown(virtualKey);
}

// The thread has the new value already: the bar only shows it.
void TfrmMain::speedPositionChanged(int position) {
    MovingBarByKey = true;
    Speed->setValue(position);
    MovingBarByKey = false;
}

void TfrmMain::smoothPositionChanged(int position) {
    MovingBarByKey = true;
    Smooth->setValue(position);
    MovingBarByKey = false;
}

} // namespace skv::ui

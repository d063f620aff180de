// The pieces every window stands on: an exception thrown by a slot or reaching the event loop shows
// the error box and the program goes on, the real message boxes answer with the button pressed, exception
// texts read in either encoding, the hot-key field takes combinations instead of text, and the drawn
// icons are drawn when shown, at the size shown.
#include "support/Widgets.h"
#include "ui/Guitest.h"

#include "ui/Hotkeyedit.h"
#include "ui/Icons.h"
#include "ui/Qtext.h"

#include <QAction>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <stdexcept>

using namespace skv;
using test::TModal;

class TestQtLayer : public QObject {
    Q_OBJECT

private slots:
    void anEscapedExceptionShowsTheErrorBoxAndTheProgramGoesOn();
    void theDialogPrompterAnswersWithThePressedButton();
    void messagesReadAsUtf8OrAsTheEnginesBytes();
    void hotKeyFieldTakesCombinations();
    void drawnIconDrawsEachSizeOnceWhenShown();
};

namespace {

// An object whose handler of its own event type fails, as an unguarded handler would.
class TFailingHandler final : public QObject {
public:
    static constexpr QEvent::Type kFail = QEvent::User;
    bool event(QEvent* event) override {
        if (event->type() == kFail) throw std::runtime_error("Unguarded failure");
        return QObject::event(event);
    }
};

} // namespace

void TestQtLayer::anEscapedExceptionShowsTheErrorBoxAndTheProgramGoesOn() {
    test::TScriptedPrompter prompter;
    QWidget window;
    auto* failing = new QPushButton(QStringLiteral("Fail"), &window);
    auto* working = new QPushButton(QStringLiteral("Work"), &window);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(failing);
    layout->addWidget(working);
    int clicks = 0;
    QObject::connect(failing, &QPushButton::clicked,
                     ui::guarded([] { throw std::runtime_error("Cannot open file /x/\xC3\xA9.cam"); }));
    QObject::connect(working, &QPushButton::clicked, [&] { ++clicks; });
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    prompter.answer(ui::eAnswer::Ok);
    QTest::mouseClick(failing, Qt::LeftButton);
    QCOMPARE(prompter.asked().size(), std::size_t(1));
    QCOMPARE(prompter.asked().at(0).kind, ui::eQuestion::Error);
    QCOMPARE(prompter.asked().at(0).text, QStringLiteral("Cannot open file /x/\u00E9.cam"));
    QVERIFY(!failing->isDown());
    QTest::mouseClick(working, Qt::LeftButton);
    QCOMPARE(clicks, 1);

    // What an unguarded handler lets reach the event loop is shown too, and the loop goes on.
    TFailingHandler handler;
    prompter.answer(ui::eAnswer::Ok);
    QCoreApplication::postEvent(&handler, new QEvent(TFailingHandler::kFail));
    QTRY_COMPARE(prompter.asked().size(), std::size_t(2));
    QCOMPARE(prompter.asked().at(1).text, QStringLiteral("Unguarded failure"));
    QTest::mouseClick(working, Qt::LeftButton);
    QCOMPARE(clicks, 2);
    SKV_VERIFY_PROMPTER(prompter);
}

void TestQtLayer::theDialogPrompterAnswersWithThePressedButton() {
    ui::TDialogPrompter dialogs;
    struct Case {
        ui::eQuestion kind;
        QMessageBox::StandardButton pressed;
        ui::eAnswer answer;
    };
    const Case cases[] = {
        {ui::eQuestion::YesNoCancelYesToAll, QMessageBox::YesToAll, ui::eAnswer::YesToAll},
        {ui::eQuestion::YesNoCancel, QMessageBox::Cancel, ui::eAnswer::Cancel},
        {ui::eQuestion::YesNo, QMessageBox::No, ui::eAnswer::No},
        {ui::eQuestion::Information, QMessageBox::Ok, ui::eAnswer::Ok},
    };
    for (const Case& c : cases) {
        QString text;
        int buttons = 0;
        TModal modal([&](QDialog* d) {
            auto* box = qobject_cast<QMessageBox*>(d);
            QVERIFY(box);
            text = box->text();
            buttons = static_cast<int>(box->buttons().size());
            QTest::mouseClick(box->button(c.pressed), Qt::LeftButton);
        });
        QCOMPARE(dialogs.ask(nullptr, c.kind, QStringLiteral("Overwrite it?")), c.answer);
        SKV_VERIFY_MODAL(modal);
        QCOMPARE(text, QStringLiteral("Overwrite it?"));
        QCOMPARE(buttons, c.kind == ui::eQuestion::YesNoCancelYesToAll ? 4
                          : c.kind == ui::eQuestion::YesNoCancel       ? 3
                          : c.kind == ui::eQuestion::YesNo             ? 2
                                                                       : 1);
    }
}

// A UTF-8 message is read in the error box above, the lines the editors store in their walks.
void TestQtLayer::messagesReadAsUtf8OrAsTheEnginesBytes() {
    // A script's own text in the engine's message: 1252 bytes, which are no UTF-8.
    QCOMPARE(ui::messageToQString("Unknown name: Kurven\xE4nderung \x80"),
             QStringLiteral("Unknown name: Kurven\u00E4nderung \u20AC"));
    QCOMPARE(ui::linesToQString("a\r\nb"), QStringLiteral("a\nb"));
}

void TestQtLayer::hotKeyFieldTakesCombinations() {
    QWidget window;
    auto* edit = new ui::THotKeyEdit(&window);
    edit->setRules({.reduceAlt = true});
    (new QVBoxLayout(&window))->addWidget(edit);
    // A window's shortcut does not take the keys typed into the field.
    auto* nextTab = new QAction(&window);
    nextTab->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageUp));
    window.addAction(nextTab);
    int triggered = 0;
    QObject::connect(nextTab, &QAction::triggered, [&] { ++triggered; });
    window.show();
    test::activate(window);
    edit->setFocus();

    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        platform::Shortcut value;
        const char* text;
    };
    const Case cases[] = {
        {Qt::Key_PageUp, Qt::ControlModifier, 16417, "Ctrl+Page Up"},
        {Qt::Key_A, Qt::ControlModifier | Qt::AltModifier, 0x41, "A"}, // Alt takes the key bare
        {Qt::Key_Insert, Qt::ShiftModifier | Qt::ControlModifier, 0x602D, "Shift+Ctrl+Insert"},
        {Qt::Key_6, Qt::KeypadModifier, 0x66, "Num 6"},
        {Qt::Key_Exclam, Qt::ShiftModifier, 0x2031, "Shift+1"},
        {Qt::Key_Bar, Qt::ShiftModifier, 0x20DC, "Shift+\\"},
        {Qt::Key_F5, Qt::NoModifier, 0x74, "F5"},
        {Qt::Key_C, Qt::ControlModifier, 0x4043, "Ctrl+C"},
        {Qt::Key_Backspace, Qt::NoModifier, 0, "None"},
    };
    for (const Case& c : cases) {
        QTest::keyClick(edit, c.key, c.modifiers);
        QCOMPARE(edit->shortcut(), c.value);
        QCOMPARE(edit->text(), QString::fromLatin1(c.text));
    }
    QCOMPARE(triggered, 0);
    // A modifier alone is no combination yet.
    edit->setShortcut(0x41);
    QTest::keyClick(edit, Qt::Key_Control, Qt::ControlModifier);
    QCOMPARE(edit->text(), QStringLiteral("A"));
}

void TestQtLayer::drawnIconDrawsEachSizeOnceWhenShown() {
    int draws = 0;
    // The left half of the 16 x 16 grid in red.
    const QIcon icon = ui::drawnIcon([&](QPainter& p) {
        ++draws;
        p.fillRect(QRectF(0, 0, 8, 16), Qt::red);
    });
    const QIcon copy = icon;
    QCOMPARE(draws, 0);

    const QImage small = icon.pixmap(16).toImage();
    QCOMPARE(small.size(), QSize(16, 16));
    const QImage large = copy.pixmap(32).toImage();
    QCOMPARE(large.size(), QSize(32, 32));
    // Drawn at 32, not 16 scaled up: the half's edge falls between pixels 15 and 16.
    QCOMPARE(large.pixelColor(15, 20), QColor(Qt::red));
    QCOMPARE(large.pixelColor(16, 20).alpha(), 0);
    QCOMPARE(draws, 2);

    // Shown again, and greyed for a disabled button, nothing is drawn anew.
    QCOMPARE(icon.pixmap(16).toImage(), small);
    const QImage greyed = icon.pixmap(QSize(16, 16), QIcon::Disabled).toImage();
    QCOMPARE(draws, 2);
    QVERIFY(greyed.pixelColor(4, 8) != small.pixelColor(4, 8));
    QCOMPARE(greyed.pixelColor(12, 8).alpha(), 0);
}

SKV_GUI_TEST_MAIN(TestQtLayer)
#include "qtlayer_test.moc"

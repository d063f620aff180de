// What the widget tests share: a prompter that answers every question from a script (and notes any
// question nobody expected), a driver for modal dialogs that fails a test instead of hanging it,
// pictures drawn for the tests, and the main function that runs a test class offscreen.
#pragma once

#include "model/Jpegimage.h"
#include "ui/Application.h"
#include "ui/Prompts.h"

#include <QApplication>
#include <QColor>
#include <QDialog>
#include <QImage>
#include <QPainter>
#include <QPointer>
#include <QStringList>
#include <QTest>
#include <QTimer>

#include <deque>
#include <functional>
#include <optional>
#include <variant>
#include <vector>

namespace skv::test {

// Answers the questions of the program from a script, one answer per question, in order.
class TScriptedPrompter final : public ui::IPrompter {
public:
    struct TAsked {
        ui::eQuestion kind;
        QString text;
    };

    TScriptedPrompter() { ui::setPrompter(this); }
    ~TScriptedPrompter() override { ui::setPrompter(nullptr); }
    TScriptedPrompter(const TScriptedPrompter&) = delete;
    TScriptedPrompter& operator=(const TScriptedPrompter&) = delete;

    // The next message box is answered so.
    void answer(ui::eAnswer answer) { Answers.emplace_back(answer); }
    // The next file dialog gives this file, or is cancelled.
    void chooseFile(const QString& path) { Answers.emplace_back(FileAnswer{path}); }
    void cancelFile() { Answers.emplace_back(FileAnswer{std::nullopt}); }

    ui::eAnswer ask(QWidget*, ui::eQuestion kind, const QString& text) override {
        Asked.push_back({kind, text});
        if (Answers.empty() || !std::holds_alternative<ui::eAnswer>(Answers.front())) {
            Unexpected << QStringLiteral("message: ") + text;
            return ui::eAnswer::Cancel;
        }
        const ui::eAnswer given = std::get<ui::eAnswer>(Answers.front());
        Answers.pop_front();
        if (!offers(kind, given)) Unexpected << QStringLiteral("no such button for: ") + text;
        return given;
    }

    std::optional<QString> openFileName(QWidget*, const ui::TFileRequest& request) override {
        return file(request);
    }
    std::optional<QString> saveFileName(QWidget*, const ui::TFileRequest& request) override {
        return file(request);
    }

    const std::vector<TAsked>& asked() const { return Asked; }
    QStringList askedTexts() const {
        QStringList texts;
        for (const TAsked& a : Asked)
            texts << a.text;
        return texts;
    }
    const std::vector<ui::TFileRequest>& fileRequests() const { return Requests; }
    // Questions that came without an answer waiting for them.
    const QStringList& unexpected() const { return Unexpected; }
    std::size_t unanswered() const { return Answers.size(); }

private:
    struct FileAnswer {
        std::optional<QString> path;
    };

    static bool offers(ui::eQuestion kind, ui::eAnswer answer) {
        using ui::eAnswer;
        switch (kind) {
        case ui::eQuestion::Information:
        case ui::eQuestion::Error:
            return answer == eAnswer::Ok;
        case ui::eQuestion::YesNo:
            return answer == eAnswer::Yes || answer == eAnswer::No;
        case ui::eQuestion::YesNoCancel:
            return answer == eAnswer::Yes || answer == eAnswer::No || answer == eAnswer::Cancel;
        case ui::eQuestion::YesNoCancelYesToAll:
            return answer != eAnswer::Ok;
        }
        return false;
    }

    std::optional<QString> file(const ui::TFileRequest& request) {
        Requests.push_back(request);
        if (Answers.empty() || !std::holds_alternative<FileAnswer>(Answers.front())) {
            Unexpected << QStringLiteral("file dialog: ") + request.caption;
            return std::nullopt;
        }
        const FileAnswer given = std::get<FileAnswer>(Answers.front());
        Answers.pop_front();
        return given.path;
    }

    std::deque<std::variant<ui::eAnswer, FileAnswer>> Answers;
    std::vector<TAsked> Asked;
    std::vector<ui::TFileRequest> Requests;
    QStringList Unexpected;
};

// Runs drive on the next modal dialog as soon as it is up; given several, each drives the next time
// a modal dialog comes up after the one before (also the same dialog shown again). A dialog that does
// not come, or is still up when the limit has passed, is closed and noted as a failure, so a test
// never waits forever.
class TModal {
public:
    using TDrive = std::function<void(QDialog*)>;

    explicit TModal(TDrive drive, int limitMs = 5000)
        : TModal(std::vector<TDrive>{std::move(drive)}, limitMs) {}
    explicit TModal(std::vector<TDrive> drives, int limitMs = 5000) : Drives(std::move(drives)) {
        QApplication::instance()->installEventFilter(&Shows);
        Poll.setInterval(5);
        QObject::connect(&Poll, &QTimer::timeout, [this] { poll(); });
        Poll.start();
        Limit.setSingleShot(true);
        QObject::connect(&Limit, &QTimer::timeout, [this] { giveUp(); });
        Limit.start(limitMs);
    }

    bool ran() const { return Driven == Drives.size(); }
    const QString& failure() const { return Failure; }

private:
    // Counts the dialogs shown, so that a dialog shown again is told from one still up.
    class TShowCounter final : public QObject {
    public:
        std::size_t count = 0;
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() == QEvent::Show && qobject_cast<QDialog*>(watched)) ++count;
            return false;
        }
    };

    void poll() {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || Driven == Drives.size() || Shows.count < NeededShows) return;
        NeededShows = Shows.count + 1;
        if (++Driven == Drives.size()) Poll.stop();
        Drives[Driven - 1](dialog);
    }

    void giveUp() {
        Poll.stop();
        if (!ran())
            Failure = Driven == 0 ? QStringLiteral("no modal dialog came up")
                                  : QStringLiteral("dialog %1 did not come up").arg(Driven + 1);
        else if (QApplication::activeModalWidget())
            Failure = QStringLiteral("the dialog stayed open");
        while (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            dialog->done(QDialog::Rejected);
    }

    std::vector<TDrive> Drives;
    std::size_t Driven = 0;
    std::size_t NeededShows = 0;
    TShowCounter Shows;
    QTimer Poll, Limit;
    QString Failure;
};

// A picture drawn for a test: a sky over a field, the horizon at the given height (0..1).
inline model::TJPEGImage drawnPicture(double horizon, QColor sky = QColor(90, 140, 230)) {
    QImage image(64, 48, QImage::Format_RGB888);
    QPainter painter(&image);
    const int y = static_cast<int>(horizon * image.height());
    painter.fillRect(0, 0, image.width(), y, sky);
    painter.fillRect(0, y, image.width(), image.height() - y, QColor(60, 130, 50));
    painter.end();
    model::RgbImage rgb{image.width(), image.height(), {}};
    for (int row = 0; row < image.height(); ++row) {
        const uchar* line = image.constScanLine(row);
        rgb.pixels.insert(rgb.pixels.end(), line, line + image.width() * 3);
    }
    return model::TJPEGImage::encode(rgb);
}

} // namespace skv::test

// Every question answered as scripted, every answer used, every modal dialog driven.
#define SKV_VERIFY_PROMPTER(prompter)                                                                        \
    do {                                                                                                     \
        QVERIFY2((prompter).unexpected().isEmpty(), qPrintable((prompter).unexpected().join("; ")));         \
        QCOMPARE((prompter).unanswered(), std::size_t(0));                                                   \
    } while (false)
#define SKV_VERIFY_MODAL(modal)                                                                              \
    do {                                                                                                     \
        QVERIFY2((modal).failure().isEmpty(), qPrintable((modal).failure()));                                \
        QVERIFY((modal).ran());                                                                              \
    } while (false)

// The program's own application object, on the offscreen platform unless another one is asked for.
#define SKV_GUI_TEST_MAIN(TestClass)                                                                         \
    int main(int argc, char** argv) {                                                                        \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");         \
        skv::ui::TApplication app(argc, argv);                                                               \
        TestClass test;                                                                                      \
        return QTest::qExec(&test, argc, argv);                                                              \
    }

// The effect editor's preview driven as a user drives it: the plot holds what skyvane-tool effect
// prints for the same script and start, compile errors point at their place and grey the last good
// plot, an endless loop ends at the step budget while the editor goes on taking keys, and a burst
// of keys leaves a single run.
#include "support/Widgets.h"
#include "ui/Guitest.h"

#include "model/Gplcarcameraset.h"
#include "ui/Effect.h"
#include "ui/Effectplot.h"
#include "ui/Effectpreview.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTextDocumentFragment>

#include <charconv>

using namespace skv;
using test::child;
using test::TModal;

namespace {

// Replaces the script as a user does: select all, type it line by line.
void retypeScript(QPlainTextEdit* text, const QStringList& lines) {
    text->setFocus();
    text->selectAll();
    for (int i = 0; i < lines.size(); ++i) {
        if (i > 0) QTest::keyClick(text, Qt::Key_Return);
        QTest::keyClicks(text, lines[i]);
    }
}

// As skyvane-tool prints a value: the shortest text that reads back to the same float.
std::string shortest(float v) {
    char buffer[32];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, v).ptr);
}

std::string csvOf(const std::vector<model::CarCameraValues>& steps) {
    std::string csv = "FRAMES,X,Y,Z,YAW,PITCH,BANK,ZOOM\n";
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const auto& s = steps[i];
        csv += std::to_string(i + 1);
        for (float v : {s.xPos, s.yPos, s.zPos, s.yaw, s.pitch, s.bank, s.zoomAngle})
            csv += "," + shortest(v);
        csv += "\n";
    }
    return csv;
}

const QStringList kOrbit = {
    "{ a quarter turn round the car in ten seconds }",
    "a := FRAMES * 6.2831853 / 1480; // radians",
    "X := -6 * COS(a);",
    "Y := -6 * SIN(a);",
    "YAW := a;",
    "IF ZOOM > 0.3 THEN ZOOM := ZOOM * 0.998;",
};

} // namespace

class TestEffectPreview : public QObject {
    Q_OBJECT
private slots:
    void plotHoldsWhatTheToolPrintsAndErrorsGreyIt();
    void endlessLoopEndsAtTheBudgetWhileKeysAreTaken();
    void burstOfKeysLeavesOneRun();
    void keptPlayerGivesWhatANewOneGives();
};

// The orbit's plot, then scripts that do not compile: each error shown at its place over the last good
// plot, greyed, until a good script plots again.
void TestEffectPreview::plotHoldsWhatTheToolPrintsAndErrorsGreyIt() {
    ui::TfrmEffect editor;
    model::TGPLCarCameraSet item;
    item.Type = model::eCameraSetType::CstRollBarCam;
    item.Camera0.zPos = 0.8f;
    item.Camera0.pitch = -0.05f;
    item.Camera0.zoomAngle = 0.9f;
    const struct {
        QStringList lines;
        QString shown;
    } errors[] = {
        {{"Z := (Z + 1;", "X := 1;"}, "Line 1, column 6: Missing brackets in expression. Expression: (Z + 1"},
        {{"Z := 1;", "X := X +* 2;", "Y := 2;"}, "Line 2, column 9: Syntax error in expression: * 2"},
        {{"{ rise", "  slowly } Z := Z + 0.01", "X := 1"},
         "Line 3, column 3: Semicolon expected. Statement: Z := Z + 0.01 X"},
    };
    std::vector<model::CarCameraValues> plotted;
    TModal modal(
        [&](QDialog* d) {
            auto* text = child<QPlainTextEdit>(d, "mmoEffect");
            auto* error = child<QLabel>(d, "lblError");
            auto* plot = child<ui::TEffectPlot>(d, "pltPreview");
            retypeScript(text, kOrbit);
            QTRY_VERIFY_WITH_TIMEOUT(editor.preview().idle(), 3000);
            plotted = plot->steps();
            QCOMPARE(plotted.size(), std::size_t(370));
            const float lastZ = plotted.back().zPos;
            for (const auto& c : errors) {
                retypeScript(text, c.lines);
                QTRY_VERIFY_WITH_TIMEOUT(editor.preview().idle(), 3000);
                QVERIFY(plot->isStale());
                QCOMPARE(QTextDocumentFragment::fromHtml(error->text()).toPlainText(), c.shown);
                QCOMPARE(plot->steps().back().zPos, lastZ); // the last good plot, greyed
            }
            retypeScript(text, {"Z := Z + 0.02;"});
            QTRY_VERIFY_WITH_TIMEOUT(editor.preview().idle(), 3000);
            QVERIFY(!plot->isStale());
            QVERIFY(error->text().isEmpty());
            QVERIFY(plot->steps().back().zPos > lastZ);
            QTest::mouseClick(d->findChild<QWidget*>(QStringLiteral("btnCancel")), Qt::LeftButton);
        },
        15000);
    QVERIFY(!editor.edit(item));
    SKV_VERIFY_MODAL(modal);

    QTemporaryDir dir;
    QFile script(dir.filePath(QStringLiteral("orbit.txt")));
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write(kOrbit.join(QLatin1Char('\n')).toUtf8());
    script.close();
    const auto& c = item.Camera0;
    QStringList start;
    for (float v : {c.xPos, c.yPos, c.zPos, c.yaw, c.pitch, c.bank, c.zoomAngle})
        start << QString::fromStdString(shortest(v));
    QProcess tool;
    tool.start(QStringLiteral(SKV_RUNTIME_DIR "/skyvane-tool"),
               {QStringLiteral("effect"), script.fileName(), QStringLiteral("--frames"),
                QStringLiteral("370"), QStringLiteral("--start"), start.join(QLatin1Char(','))});
    QVERIFY(tool.waitForFinished(10000));
    QCOMPARE(tool.exitCode(), 0);
    QCOMPARE(tool.readAllStandardOutput().toStdString(), csvOf(plotted));
}

void TestEffectPreview::endlessLoopEndsAtTheBudgetWhileKeysAreTaken() {
    ui::TfrmEffect editor;
    model::TGPLCarCameraSet item;
    item.Type = model::eCameraSetType::CstRollBarCam;
    item.setEffect("WHILE 1 DO X := X + 1 //");
    // The user interface's own timer fires while a run is in progress, and a key typed then reaches
    // the text. A run lasts one budget and a loaded machine may give the timer no turn in it: then
    // a blank typed while nothing runs asks for another run, until a key lands in one.
    bool typed = false;
    int blanks = 0;
    QTimer probe;
    probe.setInterval(5);
    TModal modal([&](QDialog* d) {
        QPointer<QPlainTextEdit> text = child<QPlainTextEdit>(d, "mmoEffect");
        text->moveCursor(QTextCursor::End);
        QObject::connect(&probe, &QTimer::timeout, [&, text] {
            if (typed || !text) return;
            if (editor.preview().runsAlive() > 0 && editor.preview().runsPlayed() > 0) {
                QTest::keyClick(text, Qt::Key_A);
                typed = true;
            } else if (editor.preview().idle()) {
                QTest::keyClick(text, Qt::Key_Space);
                ++blanks;
            }
        });
        probe.start();
        auto* error = child<QLabel>(d, "lblError");
        QTRY_VERIFY_WITH_TIMEOUT(typed && editor.preview().idle(), 15000);
        QCOMPARE(text->toPlainText(),
                 QStringLiteral("WHILE 1 DO X := X + 1 //") + QString(blanks, u' ') + u'a');
        QCOMPARE(error->text(), QStringLiteral("Step 1: Time limit exceeded"));
        QTest::mouseClick(d->findChild<QWidget*>(QStringLiteral("btnCancel")), Qt::LeftButton);
    });
    QVERIFY(!editor.edit(item));
    SKV_VERIFY_MODAL(modal);
}

void TestEffectPreview::burstOfKeysLeavesOneRun() {
    ui::TfrmEffect editor;
    model::TGPLCarCameraSet item;
    item.Type = model::eCameraSetType::CstRollBarCam;
    // Some 3 ms a step: a two-minute preview runs for seconds, so it is surely going when the keys come.
    item.setEffect("FOR i := 1 TO 200000 DO Y := Y + 0.000001; //");
    int mostAlive = 0;
    TModal modal(
        [&](QDialog* d) {
            auto* text = child<QPlainTextEdit>(d, "mmoEffect");
            auto* length = child<QSpinBox>(d, "spnLength");
            QTRY_COMPARE(editor.preview().runsPlayed(), 1); // the run the editor opened with
            length->selectAll();
            QTest::keyClicks(length, "120");
            QTRY_COMPARE_WITH_TIMEOUT(editor.preview().runsPlayed(), 2, 3000);
            QCOMPARE(editor.preview().runsAlive(), 1);
            text->moveCursor(QTextCursor::End);
            for (int i = 0; i < 50; ++i) {
                QTest::keyClick(text, Qt::Key_X, Qt::NoModifier, 2);
                mostAlive = std::max(mostAlive, editor.preview().runsAlive());
            }
            // The stale run stops at once; the new one starts after the pause.
            QTRY_COMPARE_WITH_TIMEOUT(editor.preview().runsAlive(), 0, ui::TEffectPreview::kDebounceMs / 2);
            QTRY_COMPARE_WITH_TIMEOUT(editor.preview().runsPlayed(), 3, 2000);
            QCOMPARE(editor.preview().runsAlive(), 1);
            // Closing the editor stops that run too.
            QTest::mouseClick(d->findChild<QWidget*>(QStringLiteral("btnCancel")), Qt::LeftButton);
        },
        20000);
    QVERIFY(!editor.edit(item));
    SKV_VERIFY_MODAL(modal);
    // A run started per key would pile up behind the busy worker; the cancelled one may already be
    // answered by the time a key has been handled.
    QVERIFY2(mostAlive <= 1, qPrintable(QString::number(mostAlive)));
    QTRY_COMPARE_WITH_TIMEOUT(editor.preview().runsAlive(), 0, 200);
    QCOMPARE(editor.preview().runsPlayed(), 3);
}

// The editor plays every run on the player it keeps. Whatever a script leaves behind (the random
// sequence moved on, its own variables, a memory block or a file it did not give back, a failure
// halfway) must not change a later run: each run equals the same run on a new player, and the
// player is kept where a reset makes it as good as new.
void TestEffectPreview::keptPlayerGivesWhatANewOneGives() {
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("h.txt")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    const std::string path = "\"" + file.fileName().toStdString() + "\"";
    const struct {
        std::string script;
        bool keepsPlayer;
    } runs[] = {
        {"X := X + Random(1000); Y := Random(7);", true},
        {"IF FRAMES = 1 THEN n := 100; n := n + 1; Z := n;", true},
        {"Y := FRAMES; IF FRAMES = 90 THEN Y := 1 / 0;", true},
        {"X := AllocMem(16) + FRAMES;", false},
        {"Z := (Z + 1;", true},
        {"IF FRAMES = 1 THEN h := FileOpen(" + path + ", 0); X := h;", false},
        {"", true},
    };
    model::CarCameraValues start{};
    start.zPos = 0.8f;
    ui::TPreviewPlayer kept;
    int made = 1;
    bool replaced = false; // the run before left something behind: this one gets a new player
    for (const auto& run : runs)
        for (int time = 0; time < 2; ++time) {
            if (replaced) ++made;
            const ui::TPreviewResult fresh = ui::playPreview(run.script, start, 120);
            const ui::TPreviewResult again = kept.play(run.script, start, 120);
            QVERIFY2(again.steps == fresh.steps, run.script.c_str());
            QCOMPARE(again.compileError.has_value(), fresh.compileError.has_value());
            QCOMPARE(again.failure.has_value(), fresh.failure.has_value());
            if (fresh.failure) QCOMPARE(again.failure->frame, fresh.failure->frame);
            QCOMPARE(kept.playersMade(), made);
            replaced = !run.keepsPlayer;
        }
    QCOMPARE(kept.playersMade(), 5); // one at the start, one after each of the four leaking runs
}

SKV_GUI_TEST_MAIN(TestEffectPreview)
#include "effectpreview_test.moc"

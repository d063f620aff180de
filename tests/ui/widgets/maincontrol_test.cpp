// The "Direct Control" group driven as a user drives it, over the scripted backend with a game in
// front: the track bars and their labels, the speed and smoothing hot keys, L and B, the game
// selector while attached, the status bar, a backend that cannot offer direct control, and a close
// while an effect runs.
#include "support/Widgets.h"
#include "ui/Guitest.h"

#include "directcontrol/Directcontrol_stack.h"
#include "directcontrol/Gamestage.h"
#include "engine/Inifile.h"
#include "model/Libraryfile.h"
#include "ui/Main.h"
#include "ui/Program.h"
#include "ui/Savedpositions.h"
#include "ui/View.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>

using namespace skv;
using directcontrol::ControlMode;
using directcontrol::testing::GameStage;
using test::child;
namespace vk = platform::vk;

namespace {

// The program with its settings in a folder of its own, direct control over the stage's backend,
// the stage's game in front and its reference camera files where the preferences point.
struct TWorld {
    test::TScriptedPrompter prompter;
    QTemporaryDir folder;
    GameStage game;
    std::unique_ptr<ui::TProgram> program;

    std::string settings() const { return folder.filePath(QStringLiteral("skyvane.INI")).toStdString(); }

    ui::TfrmMain& start(const std::string& extra = {},
                        std::unique_ptr<platform::Platform> backend = nullptr) {
        const std::string text = "[General]\nFirstRun=0\nFirstNR2003=0\n[Files]\nGPL=" +
                                 (game.folder.path() / "gpl" / "gpl.exe").string() +
                                 "\nNR2003=" + (game.folder.path() / "nr2003" / "NR2003.exe").string() +
                                 "\n" + extra;
        test::writeBytes(QString::fromStdString(settings()), QByteArray::fromStdString(text));
        if (!backend) backend = std::make_unique<directcontrol::testing::LentPlatform>(game.platform);
        program = std::make_unique<ui::TProgram>(
            ui::TProgramSetup{settings(), folder.path(), std::move(backend)}, game.paths);
        ui::TfrmMain& window = program->main();
        QSignalSpy started(&window, &ui::TfrmMain::started);
        window.show();
        if (!started.wait(5000)) qWarning("the window did not start");
        return window;
    }
    directcontrol::DirectControl& thread() { return program->main().directControl().thread(); }
    QString status() const { return child<QLabel>(program->main(), "pnlStatus")->text(); }

    // A key pressed in the game: the backend's source hands it to the window, which handles it when
    // its event loop comes round; then the thread has taken it over.
    bool press(int key, bool ctrl = false) {
        platform::InputEvent event;
        event.virtualKey = key;
        event.ctrlDown = ctrl;
        game.platform.postInput(event);
        QTest::qWait(0);
        QApplication::processEvents();
        return thread().waitForPass(std::chrono::seconds(5));
    }
    bool attach() {
        thread().changeMode(false);
        return thread().waitForPass(std::chrono::seconds(5)) && thread().attached();
    }
    // How often the status line with this text was drawn into the game.
    int drawn(const std::string& part) const {
        int n = 0;
        for (const auto& d : game.platform.statusDrawings())
            n += d.text.find(part) != std::string::npos;
        return n;
    }
};

} // namespace

class TestMainControl : public QObject {
    Q_OBJECT

private slots:
    void trackBarsFeedTheThreadAndShowPercent();
    void hotKeysMoveTheBarsOnceAndLeaveTheStoredModes();
    void selectorChangeWhileAttachedDetachesAtOnceAndACloseStopsTheEffect();
    void statusBarSaysWhyTheLinkIsDown();
    void withoutDirectControlTheGroupSaysWhyAndTheRestWorks();
    void saveKeysFillTheBoxesOfTheSavedPositionsWindow();
};

void TestMainControl::trackBarsFeedTheThreadAndShowPercent() {
    TWorld world;
    ui::TfrmMain& window = world.start("[MainForm]\nSpeed=20\nSmooth=80\nDefaultLookMode=1\n");
    // The stored values reach the thread when the window first shows.
    QCOMPARE(world.thread().speedPosition(), 20);
    QCOMPARE(world.thread().smoothPosition(), 80);
    QVERIFY(world.thread().lookMode());
    QVERIFY(!world.thread().bankMode());

    const struct {
        const char *bar, *label;
        int (directcontrol::DirectControl::*position)() const;
    } bars[] = {{"tbrSpeed", "lblSpeedValue", &directcontrol::DirectControl::speedPosition},
                {"tbrSmooth", "lblSmoothValue", &directcontrol::DirectControl::smoothPosition}};
    for (const auto& b : bars) {
        auto* bar = child<QSlider>(window, b.bar);
        QVERIFY2(bar, b.bar);
        bar->setFocus();
        QTest::keyClick(bar, Qt::Key_End);
        QCOMPARE(child<QLabel>(window, b.label)->text(), QStringLiteral("100%"));
        QCOMPARE((world.thread().*b.position)(), 100);
        QTest::keyClick(bar, Qt::Key_PageDown);
        QCOMPARE(child<QLabel>(window, b.label)->text(), QStringLiteral("90%"));
        QCOMPARE((world.thread().*b.position)(), 90);
        QTest::keyClick(bar, Qt::Key_Home);
        QTest::keyClick(bar, Qt::Key_Left); // held at 0
        QCOMPARE(child<QLabel>(window, b.label)->text(), QStringLiteral("0%"));
        QCOMPARE((world.thread().*b.position)(), 0);
    }
    QTest::mouseClick(child<QCheckBox>(window, "chkDefaultBankMode"), Qt::LeftButton);
    QVERIFY(world.thread().bankMode());
}

void TestMainControl::hotKeysMoveTheBarsOnceAndLeaveTheStoredModes() {
    TWorld world;
    ui::TfrmMain& window = world.start("[MainForm]\nSpeed=50\nSmooth=94\n");
    QVERIFY(world.attach());
    auto* speed = child<QSlider>(window, "tbrSpeed");
    auto* smooth = child<QSlider>(window, "tbrSmooth");
    const struct {
        int key;
        QSlider* bar;
        int expected;
        const char* line; // the part of the game's status line that shows the new value
    } keys[] = {{'2', speed, 51, "Speed=51"},   {'1', speed, 50, "Speed=50"},
                {'1', speed, 49, "Speed=49"},   {'4', smooth, 95, "Smooth=95"},
                {'3', smooth, 94, "Smooth=94"}, {'3', smooth, 93, "Smooth=93"}};
    for (const auto& k : keys) {
        const int before = world.drawn(k.line);
        QVERIFY(world.press(k.key));
        QTRY_COMPARE(k.bar->value(), k.expected);
        QCOMPARE(world.thread().speedPosition(), speed->value());
        QCOMPARE(world.thread().smoothPosition(), smooth->value());
        // One setSpeed or setSmooth, one status line: the bar moving did not send the value again.
        QCOMPARE(world.drawn(k.line) - before, 1);
    }
    QCOMPARE(child<QLabel>(window, "lblSpeedValue")->text(), QStringLiteral("49%"));
    QCOMPARE(child<QLabel>(window, "lblSmoothValue")->text(), QStringLiteral("93%"));

    // L and B switch the thread's modes; the stored defaults stay as they were.
    QVERIFY(world.press(vk::L));
    QVERIFY(world.press(vk::B));
    QVERIFY(world.thread().lookMode() && world.thread().bankMode());
    QVERIFY(!child<QCheckBox>(window, "chkDefaultLookMode")->isChecked());
    QVERIFY(!child<QCheckBox>(window, "chkDefaultBankMode")->isChecked());
    QVERIFY(window.close());
    world.program.reset();
    engine::TIniFile ini;
    ini.LoadFromFile(world.settings());
    QCOMPARE(ini.ReadString("MainForm", "DefaultLookMode", "?"), std::string("0"));
    QCOMPARE(ini.ReadString("MainForm", "DefaultBankMode", "?"), std::string("0"));
}

void TestMainControl::selectorChangeWhileAttachedDetachesAtOnceAndACloseStopsTheEffect() {
    TWorld world;
    model::TCameraSetList items;
    items.push_back(std::make_unique<model::TGPLCarCameraSet>());
    items.back()->Caption = "Low";
    items.push_back(std::make_unique<model::TGPLCarCameraSet>());
    items.back()->Caption = "Drift";
    items.back()->Type = model::eCameraSetType::CstRollBarCam;
    items.back()->setEffect("X := X + 0.5;\r\n");
    const QString library = world.folder.filePath(QStringLiteral("one.cmf"));
    model::saveLibraryFile(library.toStdString(), items);
    ui::TfrmMain& window = world.start("[Open Cmf Files]\nfile1=" + library.toStdString() + "\n");
    QVERIFY(world.attach());
    QVERIFY(world.press(vk::PageUp));
    QTRY_VERIFY(world.status().startsWith(QStringLiteral("Mode=Static / Set=Low")));

    world.game.selectGame(true);
    auto* selector = child<QComboBox>(window, "cbxGameSelector");
    selector->setFocus();
    QTest::keyClick(selector, Qt::Key_Down);
    QCOMPARE(selector->currentIndex(), 1);
    QCOMPARE(world.status(), QStringLiteral("Not Attached")); // at once, before any event comes round
    QVERIFY(!world.thread().attached());
    QVERIFY(world.thread().isNR2003());
    QCOMPARE(window.actGPL->text(), QStringLiteral("Nascar Racing 2003"));
    // The library's page makes its views when first shown: show it, then read their titles.
    QTabBar* tabs = child<QTabWidget>(window, "pgcMain")->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
    QStringList titles;
    for (auto* view : window.findChildren<ui::TfrmView*>())
        titles << view->title();
    titles.sort();
    QCOMPARE(titles, QStringList({"Front", "Left", "Rear", "Right", "Roof"}));
    // The next key attaches to the game now selected.
    QVERIFY(world.press(vk::PageUp));
    QVERIFY(world.thread().attached());

    // Closed while an effect runs, the window stops the thread: no step is written after.
    QVERIFY(world.press(vk::Insert, true));
    QCOMPARE(world.thread().mode(), ControlMode::EffectRollBar);
    const std::size_t attached = world.game.writes().size();
    QTRY_VERIFY(world.game.writes().size() >= attached + 3);
    QVERIFY(window.close());
    QVERIFY(!window.directControl().input().installed());
    const std::size_t written = world.game.writes().size();
    QTest::qWait(100); // some steps' time
    QCOMPARE(world.game.writes().size(), written);
    world.program.reset();
}

void TestMainControl::statusBarSaysWhyTheLinkIsDown() {
    TWorld world;
    ui::TfrmMain& window = world.start();
    world.game.platform.setForeground(world.game.otherWindow);
    QVERIFY(world.press(vk::PageUp));
    QTRY_COMPARE(world.status(), QStringLiteral("Not Attached: the game's window is not in front"));
    QVERIFY(child<QLabel>(window, "lblDirectControlProblem")->isHidden()); // nothing to fix there

    // The game's memory out of reach is something to fix: the group says so too.
    world.game.platform.setForeground(world.game.gameWindow);
    world.game.memory->exit();
    world.thread().changeMode(false); // the key above has woken it for attaching already
    QVERIFY(world.thread().waitForPass(std::chrono::seconds(5)));
    QTRY_VERIFY(world.status().startsWith(QStringLiteral("Not Attached")));
    QTRY_VERIFY(!child<QLabel>(window, "lblDirectControlProblem")->isHidden());
    QCOMPARE(child<QLabel>(window, "lblDirectControlProblem")->text(), world.status());
}

void TestMainControl::withoutDirectControlTheGroupSaysWhyAndTheRestWorks() {
    TWorld world;
    auto backend = std::make_unique<platform::FakePlatform>();
    backend->setUnavailableReason("no X display to listen to");
    ui::TfrmMain& window = world.start({}, std::move(backend));
    auto* problem = child<QLabel>(window, "lblDirectControlProblem");
    QVERIFY(!problem->isHidden());
    QCOMPARE(problem->text(),
             QStringLiteral("Direct control is not available here: no X display to listen to"));
    QVERIFY(!window.directControl().input().installed());
    QTest::keyClick(child<QSlider>(window, "tbrSpeed"), Qt::Key_Right);
    QCOMPARE(child<QLabel>(window, "lblSpeedValue")->text(), QStringLiteral("51%"));
    window.actNew->trigger();
    QCOMPARE(window.pages().size(), std::size_t(1));
}

void TestMainControl::saveKeysFillTheBoxesOfTheSavedPositionsWindow() {
    TWorld world;
    ui::TfrmMain& window = world.start();
    ui::TfrmSavedPositions& saved = world.program->savedPositions();

    // Noted before the window is first opened: its boxes, made then, show what was noted.
    world.game.platform.setForeground(world.game.otherWindow);
    QVERIFY(world.press(vk::R)); // not attached: nothing noted
    world.game.platform.setForeground(world.game.gameWindow);
    QVERIFY(world.attach());
    model::CarCameraBlock block = directcontrol::testing::distinctBlock(0);
    block[3].xPos = 1.5f;
    world.game.setRollBarMemory(block);
    model::CarCameraValues pitRecord{};
    pitRecord.xPos = 0.1f;
    world.game.setPitMemory(pitRecord);
    QVERIFY(world.press(vk::R));
    QVERIFY(world.press(vk::P));

    // Shown by the menu, never hidden by it; closed, it goes on taking positions.
    window.actSavedPositions->trigger();
    QVERIFY(saved.isVisible());
    auto* pit = child<QPlainTextEdit>(saved, "rcePitCam");
    auto* roof = child<QPlainTextEdit>(saved, "rceRollBar");
    QVERIFY(pit && roof && pit->isReadOnly() && roof->isReadOnly());
    QCOMPARE(saved.windowTitle(), QStringLiteral("frmSavedPositions"));
    QVERIFY(roof->toPlainText().startsWith(QStringLiteral("[Position0]\nX=1.5\n")));
    QVERIFY(pit->toPlainText().startsWith(QStringLiteral("[Position0]\nX=0.100000001490116\n")));
    QVERIFY(QFontInfo(pit->font()).fixedPitch() && QFontInfo(roof->font()).fixedPitch());
    window.actSavedPositions->trigger();
    QVERIFY(saved.isVisible());
    saved.close();
    QVERIFY(!saved.isVisible());
    QVERIFY(world.press(vk::R));
    QCOMPARE(roof->toPlainText().count(QStringLiteral("[Position1]")), 1); // taken while hidden
    window.actSavedPositions->trigger();
    QVERIFY(saved.isVisible());
    const QStringList lines = roof->toPlainText().split(QLatin1Char('\n'));
    QCOMPARE(lines.count(QStringLiteral("[Position0]")), 1);
    QCOMPARE(lines.count(QStringLiteral("[Position1]")), 1);
    QCOMPARE(lines.indexOf(QStringLiteral("[Position1]")), 9); // after a whole block, no "Name=" line
    QCOMPARE(pit->toPlainText().count(QStringLiteral("[Position")), 1);
}

SKV_GUI_TEST_MAIN(TestMainControl)
#include "maincontrol_test.moc"

// The launchers of the main window: the game with its window option, the tools with an empty path,
// a launch that cannot start, the link label and the logo through the default browser, and the about
// box with the caption of the moment.
#include "support/Programstart.h"
#include "support/Widgets.h"

#include "ui/Launch.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QToolButton>
#include <QUrl>

#include <cstdlib>
#include <filesystem>

using namespace skv;
using test::child;
using test::click;
using test::TModal;
using ui::eAnswer;

namespace {

// Notes what would be started instead of starting it.
class TRecordingLauncher final : public ui::ILauncher {
public:
    TRecordingLauncher() { ui::setLauncher(this); }
    ~TRecordingLauncher() override { ui::setLauncher(nullptr); }
    void launch(const ui::TLaunch& what) override { Started.push_back(what); }
    std::vector<ui::TLaunch> Started;
};

using TStart = test::TProgramStart;

void clickWidget(const QWidget& window, const char* name) {
    auto* widget = child<QWidget>(window, name);
    QVERIFY2(widget && widget->isVisible(), name);
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
}

// Receives the addresses the desktop would open.
class TBrowser final : public QObject {
    Q_OBJECT
public:
    explicit TBrowser(const QString& scheme) : Scheme(scheme) {
        QDesktopServices::setUrlHandler(Scheme, this, "open");
    }
    ~TBrowser() override { QDesktopServices::unsetUrlHandler(Scheme); }
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened << url; }

private:
    QString Scheme;
};

} // namespace

class TestLaunch : public QObject {
    Q_OBJECT
private slots:
    void theGameAndTheAboutBoxFollowTheWindowOfTheMoment();
    void withoutWineTheGameSaysWhyAndAToolWithoutAPathOffersThePreferences();
    void theLinkAndTheLogoOpenTheBrowser();
};

void TestLaunch::theGameAndTheAboutBoxFollowTheWindowOfTheMoment() {
    TStart s;
    TRecordingLauncher launched;
    ui::TfrmMain& window = s.start("[Files]\nGPL=C:\\Sierra\\gpl\\gpl.exe\nNR2003=D:\\NR\\nr2003.exe\n");
    click(window, "btnGPL");
    click(window, "chkGPLInWindow");
    click(window, "btnGPL");
    // NR2003 takes no parameters, whatever the GPL option says.
    child<QComboBox>(window, "cbxGameSelector")->setCurrentIndex(1);
    QCOMPARE(child<QToolButton>(window, "btnGPL")->text(), QStringLiteral("Nascar Racing 2003"));
    click(window, "btnGPL");
    const std::vector<ui::TLaunch> expected = {
        {"C:\\Sierra\\gpl\\gpl.exe", "-ko\"0:rasterizer:fullScreen:1\"", ""},
        {"C:\\Sierra\\gpl\\gpl.exe", "-ko\"0:rasterizer:fullScreen:0\"", ""},
        {"D:\\NR\\nr2003.exe", "", ""},
    };
    QVERIFY(launched.Started == expected);

    // The about box shows the window's caption of the moment too.
    QStringList shown;
    const auto read = [&](QDialog* d) {
        shown << d->windowTitle() << child<QLabel>(*d, "lblName")->text();
        QTest::mouseClick(d->findChild<QAbstractButton*>(QStringLiteral("btnOK")), Qt::LeftButton);
    };
    TModal about({read, read});
    window.actAbout->trigger();
    window.setWindowTitle(QStringLiteral("Brightlap Skyvane - Camsets0.cmf"));
    window.actAbout->trigger();
    SKV_VERIFY_MODAL(about);
    QCOMPARE(shown, (QStringList{"About", "Brightlap Skyvane", "About", "Brightlap Skyvane - Camsets0.cmf"}));
    SKV_VERIFY_PROMPTER(s.prompter);
}

void TestLaunch::withoutWineTheGameSaysWhyAndAToolWithoutAPathOffersThePreferences() {
    TStart s;
    // The real launcher, with no Wine to be found: the user reads why the game did not start.
    QTemporaryDir empty;
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", empty.path().toLocal8Bit());
    ui::TfrmMain& window = s.start("[Files]\nGPL=/games/gpl/gpl.exe\n");
    s.prompter.answer(eAnswer::Ok);
    click(window, "btnGPL");
    qputenv("PATH", path);
    QCOMPARE(s.prompter.asked().size(), std::size_t(1));
    QCOMPARE(s.prompter.asked()[0].kind, ui::eQuestion::Error);
    const QString said = s.prompter.asked()[0].text;
    QVERIFY2(said.contains("Wine") && said.contains("/games/gpl/gpl.exe"), qPrintable(said));

    // The tools, through a launcher that notes what it would start.
    TRecordingLauncher launched;
    const char* const buttons[] = {"btnVideoCapture", "btnImageCapture", "btnMovieEditor",
                                   "btnReplayAnalyser"};
    for (const char* button : buttons) {
        s.prompter.answer(eAnswer::No);
        click(window, button);
    }
    QCOMPARE(
        s.prompter.askedTexts().mid(1),
        (QStringList{"There is no video capture application specified. Open the preferences dialog now ?",
                     "There is no image capture application specified. Open the preferences dialog now ?",
                     "There is no movie editor specified. Open the preferences dialog now ?",
                     "There is no replay analyser specified. Open the preferences dialog now ?"}));
    QCOMPARE(s.prompter.asked().back().kind, ui::eQuestion::YesNo);
    QVERIFY(QApplication::activeModalWidget() == nullptr);

    // Yes: the preferences come up; a path typed there is what the button starts next, in the
    // program's own folder.
    s.prompter.answer(eAnswer::Yes);
    QString shownAs;
    TModal preferences([&](QDialog* d) {
        shownAs = d->objectName();
        QTest::keyClicks(child<QLineEdit>(*d, "edtMovieEditorPath"), "/opt/cut/cutter");
        QTest::keyClicks(child<QLineEdit>(*d, "edtReplayAnalyserPath"), "C:\\Tools\\Replay\\ra.exe");
        click(*d, "btnClose");
    });
    click(window, "btnMovieEditor");
    SKV_VERIFY_MODAL(preferences);
    QCOMPARE(shownAs, QStringLiteral("dlgOptions"));
    QVERIFY(launched.Started.empty());
    click(window, "btnMovieEditor");
    click(window, "btnReplayAnalyser");
    QVERIFY((launched.Started ==
             std::vector<ui::TLaunch>{{"/opt/cut/cutter", "", "/opt/cut/"},
                                      {"C:\\Tools\\Replay\\ra.exe", "", "C:\\Tools\\Replay\\"}}));
    SKV_VERIFY_PROMPTER(s.prompter);
}

void TestLaunch::theLinkAndTheLogoOpenTheBrowser() {
    TStart s;
    TBrowser browser(QStringLiteral("https"));
    ui::TfrmMain& window = s.start("[Best Links]\nTitle1=Camera corner\nLink1=https://cams.example/corner\n");
    QCOMPARE(child<QLabel>(window, "Label1")->text(), QStringLiteral("Camera corner"));
    clickWidget(window, "Label1");
    clickWidget(window, "imgLogo");
    QCOMPARE(browser.opened,
             (QList<QUrl>{QUrl("https://cams.example/corner"), QUrl("https://cams.example/corner")}));
    SKV_VERIFY_PROMPTER(s.prompter);

    // An address no browser can open is said as the error box says it.
    TStart broken;
    ui::TfrmMain& other = broken.start("[Best Links]\nTitle1=Broken\nLink1=https://[cams\n");
    broken.prompter.answer(eAnswer::Ok);
    clickWidget(other, "Label1");
    SKV_VERIFY_PROMPTER(broken.prompter);
    QCOMPARE(broken.prompter.askedTexts(), QStringList{"Couldn't launch default browser"});
    QCOMPARE(browser.opened.size(), 2);

    // No target: nothing happens.
    TStart none;
    ui::TfrmMain& plain = none.start("[Best Links]\nTitle1=Nothing\nLink1=\n");
    clickWidget(plain, "Label1");
    SKV_VERIFY_PROMPTER(none.prompter);
    QCOMPARE(browser.opened.size(), 2);
}

SKV_GUI_TEST_MAIN(TestLaunch)
#include "launch_test.moc"

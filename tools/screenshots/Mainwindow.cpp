// The main window's pictures: its first start, with the getting-started message, the preferences and
// the NR2003 notes each over it, then two libraries open, a page and the "Main" tab, each of its
// drop-down menus open, and a page in the NR2003 layout.
#include "Shots.h"

#include "directcontrol/Directcontrol_stack.h"
#include "engine/Inifile.h"
#include "model/Gamepaths.h"
#include "model/Libraryfile.h"
#include "platform/fake/Fakeplatform.h"
#include "ui/Main.h"
#include "ui/Main_settings.h"
#include "ui/Program.h"
#include "ui/Savedpositions.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QEventLoop>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include <filesystem>
#include <vector>

namespace shots {

namespace {

using namespace skv;

// The window with another one (a message, a menu) where the screen shows it over the window.
QPixmap composed(QWidget& window, QWidget& over) {
    const QPixmap base = withCaption(window);
    const QPixmap top = withCaption(over);
    const qreal ratio = base.devicePixelRatio();
    const bool framed = over.windowType() != Qt::Popup;
    QPoint at = over.geometry().topLeft() - window.geometry().topLeft();
    at.ry() += framed ? 0 : kCaptionBar;
    const QRect baseRect(QPoint(0, 0), base.deviceIndependentSize().toSize());
    const QRect topRect(at, top.deviceIndependentSize().toSize());
    const QRect all = baseRect.united(topRect);
    QPixmap picture(all.size() * ratio);
    picture.setDevicePixelRatio(ratio);
    picture.fill(QColor(200, 200, 200));
    QPainter painter(&picture);
    painter.drawPixmap(baseRect.topLeft() - all.topLeft(), base);
    painter.drawPixmap(topRect.topLeft() - all.topLeft(), top);
    return picture;
}

// Runs the event loop until the window has run the steps of its first show; each modal dialog that
// comes up meanwhile is pictured over the window and closed, one file each.
bool startAndPicture(ui::TfrmMain& window, const std::vector<QString>& files) {
    bool ok = true;
    std::size_t next = 0;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) return;
        QApplication::processEvents();
        ok &= next < files.size() && writePixmap(composed(window, *dialog), files[next]);
        ++next;
        dialog->done(QDialog::Rejected);
    });
    QEventLoop started;
    QObject::connect(&window, &ui::TfrmMain::started, &started, &QEventLoop::quit);
    poll.start();
    window.show();
    started.exec();
    QApplication::processEvents();
    return ok && next == files.size();
}

// Opens each drop-down menu of the first tool bar and takes its picture over the window.
bool pictureMenus(ui::TfrmMain& window, const QDir& out) {
    bool ok = true;
    for (const char* name : {"File", "Set", "Camera", "Extra", "Help"}) {
        auto* button = window.findChild<QToolButton*>(QStringLiteral("btn") + QString::fromLatin1(name));
        if (!button || !button->menu()) return false;
        QWidget* menu = button->menu();
        const QString file =
            out.filePath(QStringLiteral("main-menu-%1.png").arg(QString::fromLatin1(name).toLower()));
        QTimer::singleShot(50, [&] {
            QApplication::processEvents();
            ok &= menu->isVisible() && writePixmap(composed(window, *menu), file);
            menu->close();
        });
        button->showMenu();
    }
    return ok;
}

// A second library for the window's second tab: the sample's car camera sets under other names.
std::string secondLibrary(const char* sample, const QDir& out) {
    model::TCameraSetList items;
    for (auto& item : model::loadLibraryFile(sample)) {
        if (item->isEffect()) continue;
        item->Caption = "Oval " + item->Caption;
        items.push_back(std::move(item));
    }
    const std::string file = out.filePath(QStringLiteral("Ovals.cmf")).toStdString();
    model::saveLibraryFile(file, items);
    return file;
}

void selectFirstSet(ui::TfrmMain& window, int tab) {
    auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("pgcMain"));
    tabs->setCurrentIndex(tab);
    auto* tree = tabs->currentWidget()->findChild<QTreeView*>(QStringLiteral("treCameraSets"));
    tree->setCurrentIndex(tree->model()->index(0, 0));
    QApplication::processEvents();
}

// The saved-positions window after a few saves of both cameras, as the hot keys note them.
bool saveSavedPositions(ui::TProgram& program, const QDir& out) {
    directcontrol::TSavedPositions& positions = program.main().directControl().savedPositions();
    for (int n = 0; n < 3; ++n) {
        model::CarCameraValues roof{};
        roof.xPos = 12.25f + float(n);
        roof.yPos = -3.5f * float(n);
        roof.zPos = 1.1f;
        roof.yaw = 0.1f * float(n);
        roof.pitch = -0.05f;
        roof.zoomAngle = 1.0f;
        positions.addRollBarPosition("", roof);
        if (n == 2) continue;
        model::CarCameraValues pit = roof;
        pit.xPos = -140.0f - float(n);
        pit.bank = 0.02f;
        positions.addPitCamPosition("", pit);
    }
    return save(program.savedPositions(), out.filePath(QStringLiteral("saved-positions.png")));
}

// The "Main" tab where the system offers no direct control: the group says why.
bool saveWithoutDirectControl(const std::string& settings, const model::TGamePaths& paths, const QDir& out) {
    auto backend = std::make_unique<platform::FakePlatform>();
    backend->setUnavailableReason("cannot open the X display \":0\" for recording input");
    ui::TProgram program({settings, out.absolutePath(), std::move(backend)}, paths);
    bool ok = startAndPicture(program.main(), {});
    program.main().findChild<QTabWidget*>(QStringLiteral("pgcMain"))->setCurrentIndex(0);
    QApplication::processEvents();
    ok &= write(program.main(), out.filePath(QStringLiteral("main-tab-direct-control-unavailable.png")));
    return ok;
}

// A tool button with no path set: its question, then the preferences its Yes opens.
bool pictureLauncherPreferences(ui::TfrmMain& window, const QDir& out) {
    bool question = false, preferences = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        QApplication::processEvents();
        question = write(*box, out.filePath(QStringLiteral("main-launcher-question.png")));
        QTimer::singleShot(0, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            if (!dialog || dialog->objectName() != QStringLiteral("dlgOptions")) return;
            QApplication::processEvents();
            preferences = write(*dialog, out.filePath(QStringLiteral("main-launcher-preferences.png")));
            dialog->close();
        });
        box->button(QMessageBox::Yes)->click();
    });
    window.actVideoCapture->trigger();
    return question && preferences;
}

} // namespace

bool saveMainWindow(const char* sample, const QDir& out) {
    // No game folder is looked for: the reference camera files go nowhere.
    const model::TGamePaths paths([](const std::string&) { return std::nullopt; });
    const std::string settings = out.filePath(QStringLiteral("main.INI")).toStdString();
    std::filesystem::remove(settings);
    bool ok = true;
    {
        ui::TProgram first({settings, out.absolutePath(), std::make_unique<platform::FakePlatform>()}, paths);
        ok &= startAndPicture(first.main(), {out.filePath(QStringLiteral("main-first-start.png")),
                                             out.filePath(QStringLiteral("main-first-start-preferences.png")),
                                             out.filePath(QStringLiteral("main-first-start-nr2003.png"))});
    }
    ui::writeOpenCmfFiles(settings, {std::filesystem::absolute(sample).string(), secondLibrary(sample, out)});
    ui::TProgram again({settings, out.absolutePath(), std::make_unique<platform::FakePlatform>()}, paths);
    ui::TfrmMain& window = again.main();
    ok &= startAndPicture(window, {});
    ok &= write(window, out.filePath(QStringLiteral("main-two-libraries-main-tab.png")));
    selectFirstSet(window, 1);
    ok &= write(window, out.filePath(QStringLiteral("main-two-libraries.png")));
    ok &= pictureMenus(window, out);
    ok &= pictureLauncherPreferences(window, out);
    ok &= saveModal(out.filePath(QStringLiteral("about.png")), [&] { window.actAbout->trigger(); });
    // The same window for NR2003: the pages lay their views out for that game.
    window.findChild<QComboBox*>(QStringLiteral("cbxGameSelector"))->setCurrentIndex(1);
    selectFirstSet(window, 2);
    ok &= write(window, out.filePath(QStringLiteral("main-two-libraries-nr2003.png")));
    ok &= saveSavedPositions(again, out);
    ok &= saveWithoutDirectControl(settings, paths, out);
    return ok;
}

} // namespace shots

// Writes a PNG of every dialog, of a camera view in both of its forms, of a library page in both
// games' layouts and of the main window, filled from the sample library, so that a person can look at
// them: skv-screenshots SAMPLE.cmf OUTPUT-FOLDER. Run it with QT_SCALE_FACTOR=2 for the pictures at 200%.
#include "Shots.h"

#include "model/Gamepaths.h"
#include "model/Libraryfile.h"
#include "ui/Application.h"
#include "ui/Comment.h"
#include "ui/Distribution.h"
#include "ui/Effect.h"
#include "ui/Effectpreview.h"
#include "ui/Help.h"
#include "ui/Name.h"
#include "ui/Options.h"
#include "ui/Page.h"
#include "ui/Page_actions.h"
#include "ui/Page_clipboard.h"
#include "ui/Properties.h"
#include "ui/View.h"

#include <QDir>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <memory>

using namespace skv;

namespace shots {

QPixmap withCaption(QWidget& widget) {
    const QPixmap content = widget.grab();
    if (!widget.isWindow() || widget.windowType() == Qt::Popup) return content;
    const qreal ratio = content.devicePixelRatio();
    const int bar = kCaptionBar;
    QPixmap framed(content.width(), content.height() + qRound(bar * ratio));
    framed.setDevicePixelRatio(ratio);
    framed.fill(QColor(60, 60, 60));
    QPainter painter(&framed);
    painter.setPen(Qt::white);
    painter.drawText(QRect(8, 0, qRound(content.width() / ratio) - 16, bar), Qt::AlignVCenter | Qt::AlignLeft,
                     widget.windowTitle());
    painter.drawPixmap(QPoint(0, bar), content);
    return framed;
}

bool writePixmap(const QPixmap& picture, const QString& file) {
    const bool written = picture.save(file);
    std::cout << (written ? "wrote " : "could not write ") << file.toStdString() << '\n';
    return written;
}

bool write(QWidget& widget, const QString& file) {
    return writePixmap(withCaption(widget), file);
}

// Takes the picture of a widget once it is laid out and painted.
bool save(QWidget& widget, const QString& file) {
    widget.show();
    QApplication::processEvents();
    return write(widget, file);
}

bool saveModal(const QString& file, const std::function<void()>& open) {
    bool written = false;
    QTimer::singleShot(0, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) return;
        QApplication::processEvents();
        written = write(*modal, file);
        modal->close();
    });
    open();
    return written;
}

bool saveModalWhen(const QString& file, const std::function<bool()>& ready,
                   const std::function<void()>& open) {
    bool written = false;
    QTimer poll;
    QElapsedTimer waited;
    waited.start();
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || (!ready() && waited.elapsed() < 5000)) return;
        poll.stop();
        QApplication::processEvents();
        written = ready() && write(*modal, file);
        modal->close();
    });
    poll.start();
    open();
    return written;
}

} // namespace shots

namespace {

using shots::save;
using shots::saveModal;

const model::TGPLCarCameraSet* firstOf(const model::TCameraSetList& items, bool effect) {
    for (const auto& item : items)
        if (item->isEffect() == effect) return item.get();
    return nullptr;
}

// The effect with the longest script, which shows the editor best.
const model::TGPLCarCameraSet* longestEffect(const model::TCameraSetList& items) {
    const model::TGPLCarCameraSet* longest = nullptr;
    for (const auto& item : items)
        if (item->isEffect() && (!longest || item->effect().size() > longest->effect().size()))
            longest = item.get();
    return longest;
}

// The listener the preferences need; the screenshots touch no game folder.
class TNoGames final : public ui::IGameProgramsListener {
public:
    void gameProgramsChanged(const ui::TGamePrograms&) override {}
    void refreshReferenceCamFiles(const ui::TGamePrograms&) override {}
};

// The row of the first item of a kind, and of the effect with the longest script.
int rowOf(const model::TCameraSetList& items, const model::TGPLCarCameraSet* wanted) {
    for (std::size_t row = 0; row < items.size(); ++row)
        if (items[row].get() == wanted) return static_cast<int>(row);
    return 0;
}

void selectRow(ui::TfrmPage& page, int row) {
    auto* tree = page.findChild<QTreeView*>(QStringLiteral("treCameraSets"));
    tree->setCurrentIndex(tree->model()->index(row, 0));
}

// A page as a tab of the main window shows it: a set with the focus on one of its views, then the
// effect with the longest script.
bool savePages(const char* library, const model::TCameraSetList& items, ui::TPageServices& services,
               const QDir& out) {
    bool ok = true;
    for (const model::eGame game : {model::eGame::gGPL, model::eGame::gNR2003}) {
        const bool nr2003 = game == model::eGame::gNR2003;
        const QString layout = QString::fromLatin1(nr2003 ? "nr2003" : "gpl");
        auto page = ui::openLibraryPage(QString::fromLocal8Bit(library), services, game, false);
        if (!page) return false;
        page->setWindowTitle(QStringLiteral("Library page, %1 layout").arg(nr2003 ? "NR2003" : "GPL"));
        page->resize(590, 470);
        services.actions.setActivePage(page.get());
        page->show();
        QApplication::setActiveWindow(page.get());
        selectRow(*page, rowOf(items, firstOf(items, false)));
        page->view(4)->setFocus();
        ok &= save(*page, out.filePath(QStringLiteral("page-%1-set.png").arg(layout)));
        selectRow(*page, rowOf(items, longestEffect(items)));
        ok &= save(*page, out.filePath(QStringLiteral("page-%1-effect.png").arg(layout)));
    }
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    ui::TApplication app(argc, argv);
    if (argc != 3) {
        std::cerr << "usage: skv-screenshots SAMPLE.cmf OUTPUT-FOLDER\n";
        return 2;
    }
    const model::TCameraSetList items = model::loadLibraryFile(argv[1]);
    const QDir out(QString::fromLocal8Bit(argv[2]));
    const std::filesystem::path settings = std::filesystem::path(argv[2]) / "screenshots.INI";
    std::filesystem::remove(settings);
    model::TGPLCarCameraSet set;
    set.Caption = firstOf(items, false)->Caption;
    for (std::size_t slot = 0; slot < 6; ++slot)
        set.camera(slot) = firstOf(items, false)->camera(slot);
    set.Comment = firstOf(items, false)->Comment + "\r\nSecond line of the comment.";
    model::TGPLCarCameraSet effect;
    effect.Caption = longestEffect(items)->Caption;
    effect.setEffect(longestEffect(items)->effect());

    const model::TGamePaths paths;
    TNoGames noGames;
    ui::TdlgOptions options(settings.string(), noGames, paths);
    ui::TdlgProperties properties;
    bool ok = true;

    // Two views side by side as a page holds them: a picture, and the values of a camera without
    // one, which has the focus.
    QWidget page;
    page.setWindowTitle(QStringLiteral("Two camera views of a library page"));
    auto* row = new QHBoxLayout(&page);
    auto* picture = new ui::TfrmView(QStringLiteral("Roll Bar"), &properties, &page);
    picture->setCamera(&set.Camera0);
    model::TGPLCarCamera noPicture;
    noPicture = set.Camera3;
    noPicture.removeImage();
    auto* values = new ui::TfrmView(QStringLiteral("Front Suspension"), &properties, &page);
    values->setCamera(&noPicture);
    for (ui::TfrmView* view : {picture, values}) {
        view->setFixedSize(260, 230);
        row->addWidget(view);
    }
    page.show();
    QApplication::setActiveWindow(&page);
    values->setFocus();
    ok &= save(page, out.filePath("views.png"));
    ok &= save(*picture, out.filePath("view-picture.png"));
    ok &= save(*values, out.filePath("view-values-focused.png"));
    page.hide();

    ui::TdlgName name;
    name.setName("Broadcast");
    ok &= save(name, out.filePath("name.png"));
    name.hide();
    ok &= saveModal(out.filePath("properties.png"),
                    [&] { properties.edit(set.Camera1, QStringLiteral("Nose")); });
    ui::TfrmEffect editor;
    ok &= saveModal(out.filePath("effect.png"), [&] { editor.edit(effect); });
    // The editor previewing the library's effects and the shipped orbit, each once its run is drawn.
    std::vector<std::unique_ptr<model::TGPLCarCameraSet>> previewed;
    const auto addEffect = [&](const std::string& caption, const std::string& script,
                               const model::CarCameraValues& start) {
        auto& e = *previewed.emplace_back(std::make_unique<model::TGPLCarCameraSet>());
        e.Type = model::eCameraSetType::CstRollBarCam;
        e.Caption = caption;
        e.setEffect(script);
        e.Camera0.values() = start;
    };
    for (const auto& item : items)
        if (item->isEffect()) addEffect(item->Caption, item->effect(), item->Camera0.values());
    if (std::ifstream orbit(std::string(SKV_DATA_DIR) + "/effects/orbit.txt"); orbit) {
        model::CarCameraValues start{};
        start.zPos = 0.8f;
        start.zoomAngle = 0.9f;
        addEffect("Orbit", std::string{std::istreambuf_iterator<char>(orbit), {}}, start);
    }
    for (std::size_t i = 0; i < previewed.size(); ++i)
        ok &= shots::saveModalWhen(
            out.filePath(QStringLiteral("effect-preview-%1.png").arg(i + 1)),
            [&] { return editor.preview().idle(); }, [&] { editor.edit(*previewed[i]); });
    ui::TfrmComment comment;
    ok &= saveModal(out.filePath("comment.png"), [&] { comment.edit(set); });
    ui::TdlgDistributeCarCamSet distribution(options, paths);
    ok &= save(distribution, out.filePath("distribution.png"));
    distribution.hide();
    ok &= save(options, out.filePath("options-directories.png"));
    options.hide();
    // The "Keys" page is hidden in the dialog; for its picture it is shown.
    auto* pages = options.findChild<QTabWidget*>(QStringLiteral("pgcOptions"));
    pages->setTabVisible(1, true);
    pages->setCurrentIndex(1);
    ok &= save(options, out.filePath("options-keys.png"));
    options.hide();

    ui::TItemClipboard clipboard;
    ui::TPageActions actions(clipboard);
    model::TCamFileBuffer camFileBuffer;
    ui::TPageServices services{name,          properties, editor,  comment, distribution,
                               camFileBuffer, clipboard,  actions, {},      {}};
    ok &= savePages(argv[1], items, services, out);
    ok &= shots::saveMainWindow(argv[1], out);

    // The help window with the pages built beside the program, on a chapter and on a search.
    ui::TfrmHelp help(QCoreApplication::applicationDirPath() + QStringLiteral("/help"));
    help.showChapter(QStringLiteral("effects.html"));
    ok &= save(help, out.filePath("help-effects.png"));
    help.findChild<QLineEdit*>(QStringLiteral("edtSearch"))->setText(QStringLiteral("zoom"));
    help.showChapter(QStringLiteral("mouse-control.html"));
    ok &= save(help, out.filePath("help-search.png"));
    help.showChapter(QStringLiteral("functions.html"));
    ok &= save(help, out.filePath("help-functions.png"));
    return ok ? 0 : 1;
}

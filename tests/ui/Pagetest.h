// What the library page tests share: the dialogs, buffer, clipboard and actions a page works with,
// pages made and shown as the main window will make them, and small ways to build items and files.
#pragma once

#include "ui/Guitest.h"

#include "model/Libraryfile.h"
#include "ui/Comment.h"
#include "ui/Distribution.h"
#include "ui/Effect.h"
#include "ui/Name.h"
#include "ui/Options.h"
#include "ui/Page.h"
#include "ui/Page_actions.h"
#include "ui/Page_clipboard.h"
#include "ui/Page_items.h"
#include "ui/Properties.h"
#include "ui/View.h"

#include <QAction>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTreeView>

#include <memory>
#include <string>
#include <vector>

namespace skv::test {

class TNoGamesListener final : public ui::IGameProgramsListener {
public:
    void gameProgramsChanged(const ui::TGamePrograms&) override {}
    void refreshReferenceCamFiles(const ui::TGamePrograms&) override {}
};

inline const model::TGamePaths& noWinePaths() {
    static const model::TGamePaths paths([](const std::string&) { return std::nullopt; });
    return paths;
}

inline void activate(QWidget& window) {
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
}

struct TPageFixture {
    QTemporaryDir folder;
    TNoGamesListener listener;
    ui::TdlgName name;
    ui::TdlgProperties properties;
    ui::TfrmEffect effect;
    ui::TfrmComment comment;
    ui::TdlgOptions options{path("skyvane.INI").toStdString(), listener, noWinePaths()};
    ui::TdlgDistributeCarCamSet distribution{options, noWinePaths()};
    model::TCamFileBuffer camFileBuffer;
    ui::TItemClipboard clipboard;
    ui::TPageActions actions{clipboard};
    ui::TPageServices services{name,          properties, effect,  comment,       distribution,
                               camFileBuffer, clipboard,  actions, folder.path(), folder.path()};

    QString path(const QString& file) const { return folder.filePath(file); }

    // A page as the main window shows one: its window active, its actions the active ones.
    std::unique_ptr<ui::TfrmPage> page(model::eGame game = model::eGame::gGPL) {
        auto page = std::make_unique<ui::TfrmPage>(services, game);
        show(*page);
        return page;
    }
    void show(ui::TfrmPage& page) {
        for (QAction* action : actions.all())
            page.addAction(action);
        page.resize(620, 480);
        page.show();
        activate(page);
        actions.setActivePage(&page);
    }
};

inline std::unique_ptr<model::TGPLCarCameraSet> item(const std::string& caption, bool effect = false) {
    auto set = std::make_unique<model::TGPLCarCameraSet>();
    set->Caption = caption;
    if (effect) set->Type = model::eCameraSetType::CstRollBarCam;
    return set;
}

inline ui::TCameraSetTree* treeOf(const ui::TfrmPage& page) {
    return page.findChild<ui::TCameraSetTree*>(QStringLiteral("treCameraSets"));
}

// The captions in tree order, as the tree shows them.
inline QStringList captions(const ui::TfrmPage& page) {
    QStringList shown;
    const QAbstractItemModel* model = treeOf(page)->model();
    for (int row = 0; row < model->rowCount(); ++row)
        shown << model->index(row, 0).data().toString();
    return shown;
}

// Clicks the node of this row, as the user selects an item.
inline void clickNode(const ui::TfrmPage& page, int row, Qt::KeyboardModifiers modifiers = {}) {
    QTreeView* tree = treeOf(page);
    const QRect node = tree->visualRect(tree->model()->index(row, 0));
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, modifiers, node.center());
}

inline QString sheetOf(const ui::TfrmPage& page) {
    return page.findChild<QStackedWidget*>(QStringLiteral("pgcItem"))->currentWidget()->objectName();
}

inline std::vector<std::uint8_t> fileBytes(const QString& name) {
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = file.readAll();
    return {bytes.begin(), bytes.end()};
}

inline void saveItems(const QString& name, const model::TCameraSetList& items) {
    model::saveLibraryFile(name.toStdString(), items);
}

} // namespace skv::test

#include "ui/Page.h"

#include "ui/Application.h"
#include "ui/Hotkeyedit.h"
#include "ui/Page_actions.h"
#include "ui/Page_clipboard.h"
#include "ui/Page_items.h"
#include "ui/Qtext.h"
#include "ui/View.h"

#include <QAction>
#include <QEvent>
#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace skv::ui {

namespace {

// The panel each view stands in: NR2003 shows "Right" (camera 3) bottom right and "Left" (camera 4)
// bottom left, where GPL has the front and the rear suspension.
constexpr std::array<int, TfrmPage::kViews> kGplPanels = {0, 1, 2, 3, 4};
constexpr std::array<int, TfrmPage::kViews> kNr2003Panels = {0, 1, 2, 4, 3};

QString viewTitle(model::eGame game, int view) {
    const auto& titles = game == model::eGame::gNR2003 ? model::kNr2003SlotTitles : model::kGplSlotTitles;
    return QString::fromLatin1(titles[static_cast<std::size_t>(view)]);
}

QPushButton* button(const char* text, const char* name, QWidget* parent) {
    auto* b = new QPushButton(QString::fromLatin1(text), parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

} // namespace

TfrmPage::TfrmPage(TPageServices& services, model::eGame game, QWidget* parent)
    : QWidget(parent), Services(services), Game(game) {
    setObjectName(QStringLiteral("frmPage"));
    build();
    showSelection();
}

TfrmPage::~TfrmPage() {
    // The views point into the items, which go with the tree's model.
    detachViews();
}

void TfrmPage::build() {
    Items = new TCameraSetModel(this);
    Tree = new TCameraSetTree(this);
    Tree->setObjectName(QStringLiteral("treCameraSets"));
    Tree->setModel(Items);
    connect(Tree->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!Loading) showSelection();
    });
    connect(Tree, &QAbstractItemView::clicked, this, &TfrmPage::showSelection);
    connect(Tree, &TCameraSetTree::nodeDropped, this, &TfrmPage::moveNode);
    connect(Items, &TCameraSetModel::renameRequested, this, &TfrmPage::rename);

    Sheets = new QStackedWidget(this);
    Sheets->setObjectName(QStringLiteral("pgcItem"));
    NoSheet = new QWidget(Sheets);
    NoSheet->setObjectName(QStringLiteral("tabNone"));
    Sheets->addWidget(NoSheet);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(Sheets, 12);
    layout->addWidget(Tree, 5);
}

void TfrmPage::makeSheets() {
    if (SheetsMade) return;
    SheetsMade = true;
    SetSheet = makeSetSheet();
    EffectSheet = makeEffectSheet();
    Sheets->addWidget(SetSheet);
    Sheets->addWidget(EffectSheet);
    makeViews();
    showSelection();
}

void TfrmPage::setVisible(bool visible) {
    if (visible) makeSheets();
    QWidget::setVisible(visible);
}

TfrmView* TfrmPage::view(int index) {
    makeSheets();
    return Views.at(static_cast<std::size_t>(index));
}

QWidget* TfrmPage::makeSetSheet() {
    auto* sheet = new QWidget(Sheets);
    sheet->setObjectName(QStringLiteral("tabCarCameraSet"));

    auto* group = new QGroupBox(QStringLiteral("Set Properties"), sheet);
    group->setObjectName(QStringLiteral("grpSetProperties"));
    auto* label =
        new QLabel(QStringLiteral("HotKey to activate the set during replay in direct control mode"), group);
    label->setObjectName(QStringLiteral("lblHotKey"));
    label->setWordWrap(true);
    Hotkey = new THotKeyEdit(group);
    Hotkey->setObjectName(QStringLiteral("hkActivate"));
    Hotkey->setRules({.reduceAlt = true});
    Hotkey->installEventFilter(this);
    label->setBuddy(Hotkey);
    QPushButton* comment = button("&Authors Comment", "btnAuthorsComment", group);
    connect(comment, &QPushButton::clicked, this, guarded([this] { editComment(); }));
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(label);
    groupLayout->addWidget(Hotkey);
    groupLayout->addStretch(1);
    groupLayout->addWidget(comment);

    auto* grid = new QGridLayout(sheet);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(4);
    for (int n = 0; n < kViews; ++n) {
        auto* panel = new QFrame(sheet);
        panel->setObjectName(QStringLiteral("pnlView") + QString::number(n));
        panel->setAccessibleName(QString::number(n));
        auto* panelLayout = new QVBoxLayout(panel);
        panelLayout->setContentsMargins(0, 0, 0, 0);
        Panels[static_cast<std::size_t>(n)] = panel;
    }
    // Two columns: view 0 beside the group, then views 1 and 2, then views 3 and 4.
    grid->addWidget(Panels[0], 0, 0);
    grid->addWidget(group, 0, 1);
    grid->addWidget(Panels[1], 1, 0);
    grid->addWidget(Panels[2], 1, 1);
    grid->addWidget(Panels[3], 2, 0);
    grid->addWidget(Panels[4], 2, 1);
    for (int i = 0; i < 3; ++i)
        grid->setRowStretch(i, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    return sheet;
}

QWidget* TfrmPage::makeEffectSheet() {
    auto* sheet = new QWidget(Sheets);
    sheet->setObjectName(QStringLiteral("tabEffect"));
    auto* group = new QGroupBox(QStringLiteral("Effect"), sheet);
    group->setObjectName(QStringLiteral("grpEffect"));
    EffectText = new QPlainTextEdit(group);
    EffectText->setObjectName(QStringLiteral("mmoEffect"));
    EffectText->setReadOnly(true);
    EffectText->setLineWrapMode(QPlainTextEdit::NoWrap);
    EffectText->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    EffectText->viewport()->installEventFilter(this);
    QPushButton* edit = button("&Edit", "btnEdit", group);
    connect(edit, &QPushButton::clicked, this, guarded([this] { editEffect(); }));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(edit);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(EffectText, 1);
    groupLayout->addLayout(buttons);
    auto* layout = new QVBoxLayout(sheet);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(group);
    return sheet;
}

void TfrmPage::makeViews() {
    const auto& panels = Game == model::eGame::gNR2003 ? kNr2003Panels : kGplPanels;
    for (int n = 0; n < kViews; ++n) {
        QFrame* panel = Panels[static_cast<std::size_t>(panels[static_cast<std::size_t>(n)])];
        auto* view = new TfrmView(viewTitle(Game, n), &Services.properties, panel);
        view->setObjectName(QStringLiteral("frmView") + QString::number(n));
        panel->layout()->addWidget(view);
        connect(view, &TfrmView::focusChanged, this,
                [this, n](bool focused) { viewFocusChanged(n, focused); });
        connect(view, &TfrmView::cameraChanged, this, [this] { setModified(true); });
        Views[static_cast<std::size_t>(n)] = view;
    }
}

void TfrmPage::setGame(model::eGame game) {
    Game = game;
    if (!SheetsMade) return; // they are made for the game of the time
    for (TfrmView*& view : Views) {
        view->disconnect(this);
        delete view;
        view = nullptr;
    }
    if (FocusedView >= 0) {
        FocusedView = -1;
        updateCameraActions(false);
    }
    makeViews();
    showSelection();
}

void TfrmPage::setModified(bool modified) {
    if (Modified == modified) return;
    Modified = modified;
    emit modifiedChanged(modified);
}

std::vector<const directcontrol::TItemIdentity*> TfrmPage::identities() const {
    return Items->identities();
}

int TfrmPage::selectedRow() const {
    const QModelIndexList rows = Tree->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.front().row();
}

model::TGPLCarCameraSet* TfrmPage::selectedItem() const {
    const int row = selectedRow();
    return row < 0 ? nullptr : &Items->item(row);
}

void TfrmPage::select(int row) {
    if (row < 0 || row >= Items->count()) return Tree->selectionModel()->clear();
    const QModelIndex index = Items->index(row);
    Tree->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    Tree->scrollTo(index);
}

void TfrmPage::detachViews() {
    for (TfrmView* view : Views)
        if (view) view->setCamera(nullptr);
}

void TfrmPage::showSelection() {
    model::TGPLCarCameraSet* item = selectedItem();
    if (!SheetsMade) return updateActions(); // the sheets show it once they are made
    if (!item) {
        detachViews();
        Sheets->setCurrentWidget(NoSheet);
    } else if (item->isEffect()) {
        Hotkey->setShortcut(item->ActivationKey);
        detachViews();
        EffectText->setPlainText(linesToQString(item->effect()));
        Sheets->setCurrentWidget(EffectSheet);
    } else {
        Hotkey->setShortcut(item->ActivationKey);
        for (int n = 0; n < kViews; ++n)
            Views[static_cast<std::size_t>(n)]->setCamera(&item->camera(static_cast<std::size_t>(n)));
        Sheets->setCurrentWidget(SetSheet);
    }
    updateActions();
}

void TfrmPage::viewFocusChanged(int index, bool focused) {
    FocusedView = focused ? index : -1;
    updateCameraActions(focused);
}

void TfrmPage::updateActions() {
    TPageActions& a = Services.actions;
    if (a.activePage() != this) return;
    const model::TGPLCarCameraSet* item = selectedItem();
    const bool set = item && !item->isEffect();
    a.actNewCamSet->setEnabled(true);
    for (QAction* action : {a.actDeleteCamSet, a.actCutCamSet, a.actCopyCamSet, a.actRenameCamSet})
        action->setEnabled(item != nullptr);
    for (QAction* action : {a.actDistributeCamSet, a.actImportGPLCamfile, a.actExportGPLCamfile})
        action->setEnabled(set);
    a.actPasteCamSet->setEnabled(Services.clipboard.holdsItem());
}

void TfrmPage::updateCameraActions(bool on) {
    TPageActions& a = Services.actions;
    if (a.activePage() != this) return;
    a.actPropertiesCamera->setEnabled(on);
    a.actCopyCamera->setEnabled(on);
    a.actPasteCamera->setEnabled(on && Services.clipboard.holdsCamera());
}

void TfrmPage::keyReleased() {
    model::TGPLCarCameraSet* item = selectedItem();
    if (!item || !Hotkey || Hotkey->shortcut() == item->ActivationKey) return;
    item->ActivationKey = Hotkey->shortcut();
    setModified(true);
}

bool TfrmPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Hotkey && event->type() == QEvent::KeyRelease) keyReleased();
    if (EffectText && watched == EffectText->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        guarded([this] { editEffect(); })();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace skv::ui

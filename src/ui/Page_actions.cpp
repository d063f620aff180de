#include "ui/Page_actions.h"

#include "ui/Application.h"
#include "ui/Page.h"
#include "ui/Page_clipboard.h"

#include <QAction>
#include <QKeySequence>

namespace skv::ui {

namespace {

struct TActionRow {
    QAction* TPageActions::*member;
    const char* name;
    const char* caption;
    const char* hint;
    const char* shortcut; // in QKeySequence's portable form; empty for none
    void (TfrmPage::*run)();
};

constexpr TActionRow kActions[] = {
    {&TPageActions::actNewCamSet, "actNewCamSet", "&New", "New Camera Set", "", &TfrmPage::newCameraSet},
    {&TPageActions::actDeleteCamSet, "actDeleteCamSet", "&Delete", "Delete Camera Set", "Del",
     &TfrmPage::deleteCameraSet},
    {&TPageActions::actRenameCamSet, "actRenameCamSet", "&Rename", "Rename Camera Set", "",
     &TfrmPage::renameCameraSet},
    {&TPageActions::actCopyCamSet, "actCopyCamSet", "&Copy", "Copy Camera Set", "Ctrl+C",
     &TfrmPage::copyCameraSet},
    {&TPageActions::actCutCamSet, "actCutCamSet", "&Cut", "Cut Camera Set", "Ctrl+X",
     &TfrmPage::cutCameraSet},
    {&TPageActions::actPasteCamSet, "actPasteCamSet", "&Paste", "Paste Camera Set", "Ctrl+V",
     &TfrmPage::pasteCameraSet},
    {&TPageActions::actDistributeCamSet, "actDistributeCamSet", "&Distribute", "Distribute Camera Set", "",
     &TfrmPage::distributeCameraSet},
    {&TPageActions::actImportGPLCamfile, "actImportGPLCamfile", "Import GPL camfile", "Import GPL camfile",
     "", &TfrmPage::importCamFile},
    {&TPageActions::actExportGPLCamfile, "actExportGPLCamfile", "Export GPL camfile", "Export GPL camfile",
     "", &TfrmPage::exportCamFile},
    {&TPageActions::actCopyCamera, "actCopyCamera", "&Copy", "Copy Camera", "Shift+Ctrl+C",
     &TfrmPage::copyCamera},
    {&TPageActions::actPasteCamera, "actPasteCamera", "&Paste", "Paste Camera", "Shift+Ctrl+V",
     &TfrmPage::pasteCamera},
    {&TPageActions::actPropertiesCamera, "actPropertiesCamera", "&Properties", "Properties Camera", "",
     &TfrmPage::propertiesCamera},
};

} // namespace

TPageActions::TPageActions(TItemClipboard& clipboard, QObject* parent) : QObject(parent) {
    for (const TActionRow& row : kActions) {
        auto* action = new QAction(QString::fromLatin1(row.caption), this);
        action->setObjectName(QString::fromLatin1(row.name));
        action->setToolTip(QString::fromLatin1(row.hint));
        action->setStatusTip(QString::fromLatin1(row.hint));
        action->setShortcut(QKeySequence(QString::fromLatin1(row.shortcut), QKeySequence::PortableText));
        action->setEnabled(false);
        const auto run = row.run;
        connect(action, &QAction::triggered, this, guarded([this, run] {
                    if (Active) (Active->*run)();
                }));
        this->*row.member = action;
    }
    connect(&clipboard, &TItemClipboard::changed, this, &TPageActions::showActiveStates);
}

std::vector<QAction*> TPageActions::all() const {
    std::vector<QAction*> actions;
    for (const TActionRow& row : kActions)
        actions.push_back(this->*row.member);
    return actions;
}

void TPageActions::setActivePage(TfrmPage* page) {
    disconnect(ActiveGone);
    Active = page;
    if (!page) return disableAll();
    // A page that closes takes its states with it.
    ActiveGone = connect(page, &QObject::destroyed, this, &TPageActions::disableAll);
    showActiveStates();
}

void TPageActions::disableAll() {
    for (QAction* action : all())
        action->setEnabled(false);
}

void TPageActions::showActiveStates() {
    if (!Active) return;
    Active->updateActions();
    Active->updateCameraActions(Active->focusedView() >= 0);
}

} // namespace skv::ui

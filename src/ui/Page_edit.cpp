// The page's operations on items and cameras: new, delete, rename, the clipboard, dragging, the
// editors, the game camera files and distribution.
#include "ui/Page.h"

#include "model/Ansitext.h"
#include "ui/Comment.h"
#include "ui/Distribution.h"
#include "ui/Effect.h"
#include "ui/Filefilter.h"
#include "ui/Name.h"
#include "ui/Page_clipboard.h"
#include "ui/Page_items.h"
#include "ui/Prompts.h"
#include "ui/Qtext.h"
#include "ui/View.h"

#include <QFileInfo>
#include <QPlainTextEdit>

namespace skv::ui {

namespace {

constexpr const char* kCamFileFilter = "GPL Camera File|*.cam";

TFileRequest camFileRequest(const char* caption, const QString& folder) {
    TFileRequest request;
    request.caption = QString::fromLatin1(caption);
    request.folder = folder;
    request.filter = QString::fromStdString(qtFileFilter(kCamFileFilter));
    request.defaultSuffix = QStringLiteral("cam");
    request.confirmOverwrite = true;
    return request;
}

} // namespace

bool TfrmPage::addCameraSet(std::unique_ptr<model::TGPLCarCameraSet> item) {
    int row = Items->find(item->Caption);
    if (row >= 0) {
        eAnswer answer = eAnswer::Yes;
        if (!OverwriteAll)
            answer = prompter().ask(this, eQuestion::YesNoCancelYesToAll,
                                    QStringLiteral("The Car Camera Set '") + toQString(item->Caption) +
                                        QStringLiteral("' already exists, overwrite it?"));
        if (answer == eAnswer::Cancel) return false;
        if (answer == eAnswer::YesToAll) OverwriteAll = true;
        if (answer == eAnswer::No) {
            setModified(true);
            updateActions();
            return true;
        }
        if (row == selectedRow()) detachViews(); // they show the item that goes
        Items->replace(row, std::move(item));
    } else {
        row = Items->append(std::move(item));
    }
    if (!Loading) {
        select(row);
        showSelection();
    }
    setModified(true);
    updateActions();
    emit itemsChanged();
    return true;
}

void TfrmPage::newCameraSet() {
    TdlgName& dialog = Services.name;
    dialog.setName({});
    while (dialog.exec() == QDialog::Accepted) {
        if (Items->find(dialog.name()) >= 0) {
            // Opened again with the name as it was typed, so that it can be corrected.
            showInformation(this, QStringLiteral("Name already exists!"));
            continue;
        }
        auto item = std::make_unique<model::TGPLCarCameraSet>();
        item->Type = dialog.getType();
        item->Caption = dialog.name();
        const int row = Items->append(std::move(item));
        select(row);
        showSelection();
        setModified(true);
        emit itemsChanged();
        return;
    }
}

void TfrmPage::deleteCameraSet() {
    if (selectedRow() < 0) return;
    if (!confirmYesNo(this, QStringLiteral("Delete current Camera Set ?"))) return;
    removeSelected();
}

void TfrmPage::removeSelected() {
    const int row = selectedRow();
    if (row < 0) return;
    detachViews();
    Items->remove(row);
    select(std::min(row, Items->count() - 1));
    showSelection();
    setModified(true);
    emit itemsChanged();
}

void TfrmPage::renameCameraSet() {
    const int row = selectedRow();
    if (row < 0) return;
    Tree->setFocus();
    Tree->edit(Items->index(row));
}

// The edited text, taken as the new caption or refused with the node's text left as it was.
void TfrmPage::rename(int row, const QString& text) {
    std::string caption;
    try {
        caption = model::trimBlanksAndControls(toAnsi(text));
    } catch (const model::EAnsiTextError& e) {
        return tellLater(messageToQString(e.what()));
    }
    if (caption.empty()) return tellLater(QStringLiteral("Name is empty!"));
    if (Items->find(caption, row) >= 0) return tellLater(QStringLiteral("Name already exists!"));
    Items->setCaption(row, std::move(caption));
    setModified(true);
}

// A refusal of the in-place editor is told once the editor has closed: a message box while it is
// still open would take its focus and end the edit a second time.
void TfrmPage::tellLater(const QString& text) {
    QMetaObject::invokeMethod(
        this, [this, text] { showInformation(this, text); }, Qt::QueuedConnection);
}

void TfrmPage::copyCameraSet() {
    model::TGPLCarCameraSet* item = selectedItem();
    if (!item) return;
    item->SelectedCamera = -1;
    Services.clipboard.put(*item);
    updateActions();
    updateCameraActions(FocusedView >= 0);
}

void TfrmPage::cutCameraSet() {
    if (!selectedItem()) return;
    copyCameraSet();
    removeSelected();
}

void TfrmPage::pasteCameraSet() {
    std::unique_ptr<model::TGPLCarCameraSet> item = Services.clipboard.take();
    if (!item || item->SelectedCamera != -1) return;
    addCameraSet(std::move(item));
}

void TfrmPage::copyCamera() {
    model::TGPLCarCameraSet* item = selectedItem();
    if (!item || FocusedView < 0) return;
    item->SelectedCamera = FocusedView;
    Services.clipboard.put(*item);
}

void TfrmPage::pasteCamera() {
    model::TGPLCarCameraSet* item = selectedItem();
    if (!item || FocusedView < 0) return;
    const std::unique_ptr<model::TGPLCarCameraSet> copied = Services.clipboard.take();
    if (!copied || copied->SelectedCamera < 0 || copied->SelectedCamera >= kViews) return;
    item->camera(static_cast<std::size_t>(FocusedView)) =
        copied->camera(static_cast<std::size_t>(copied->SelectedCamera));
    view(FocusedView)->refresh();
    setModified(true);
}

void TfrmPage::propertiesCamera() {
    if (FocusedView < 0) return;
    view(FocusedView)->editProperties(); // a change marks the page through the view's cameraChanged
}

void TfrmPage::moveNode(int from, int target) {
    if (!Items->moveBefore(from, target)) return;
    setModified(true);
    emit itemsChanged();
}

void TfrmPage::editEffect() {
    model::TGPLCarCameraSet* item = selectedItem();
    if (!item || !item->isEffect() || !Services.effect.edit(*item)) return;
    EffectText->setPlainText(linesToQString(item->effect()));
    setModified(true);
}

void TfrmPage::editComment() {
    model::TGPLCarCameraSet* item = selectedItem();
    if (item && Services.comment.edit(*item)) setModified(true);
}

void TfrmPage::importCamFile() {
    model::TGPLCarCameraSet* item = selectedItem();
    if (!item) return;
    const std::optional<QString> file =
        prompter().openFileName(this, camFileRequest("Import GPL camfile", Services.camFileFolder));
    if (!file) return;
    Services.camFileFolder = QFileInfo(*file).absolutePath();
    Services.camFileBuffer.importCamFile(*item, pathFromQString(*file));
    showSelection();
    setModified(true);
}

void TfrmPage::exportCamFile() {
    model::TGPLCarCameraSet* item = selectedItem();
    if (!item) return;
    const std::optional<QString> file =
        prompter().saveFileName(this, camFileRequest("Export GPL camfile", Services.camFileFolder));
    if (!file) return;
    Services.camFileFolder = QFileInfo(*file).absolutePath();
    Services.camFileBuffer.exportCamFile(*item, pathFromQString(*file));
}

void TfrmPage::distributeCameraSet() {
    model::TGPLCarCameraSet* item = selectedItem();
    if (!item || item->isEffect()) return;
    Services.distribution.distribute(*item, Game, Services.camFileBuffer);
}

} // namespace skv::ui

// The window's library files: a new page, opening one into a tab, closing, saving, and reopening the
// files of the last session.
#include "ui/Main.h"

#include "ui/Libraryprefetch.h"
#include "ui/Page.h"
#include "ui/Prompts.h"
#include "ui/Qtext.h"

#include <QFileInfo>
#include <QTabWidget>

namespace skv::ui {

std::unique_ptr<TfrmPage> TfrmMain::makePage() {
    return std::make_unique<TfrmPage>(*Services, game());
}

// The new tab comes last and becomes the active one.
void TfrmMain::addPage(std::unique_ptr<TfrmPage> page) {
    TfrmPage* added = page.release();
    const int index = Tabs->addTab(added, QString());
    showFileName(added);
    activateTab(index);
}

// Runs the tab-change step once, whether or not the tab was the active one already.
void TfrmMain::activateTab(int index) {
    if (Tabs->currentIndex() == index) return tabChanged();
    Tabs->setCurrentIndex(index);
}

void TfrmMain::removePage(TfrmPage* page) {
    Tabs->removeTab(Tabs->indexOf(page));
    delete page;
}

// The tab is captioned with the file-name part of the page's file.
void TfrmMain::showFileName(TfrmPage* page) {
    Tabs->setTabText(Tabs->indexOf(page), QFileInfo(page->fileName()).fileName());
}

void TfrmMain::newFile() {
    if (!Services) return;
    std::unique_ptr<TfrmPage> page = makePage();
    page->newFile(QStringLiteral("Camsets%1.cmf").arg(NewFileCounter++));
    addPage(std::move(page));
}

void TfrmMain::openFile() {
    if (!Services) return;
    const std::optional<QString> chosen =
        prompter().openFileName(this, libraryFileRequest(QStringLiteral("Open"), Services->libraryFolder));
    if (!chosen) return;
    Services->libraryFolder = QFileInfo(*chosen).absolutePath();
    if (std::unique_ptr<TfrmPage> page = openLibraryPage(*chosen, *Services, game(), false, this))
        addPage(std::move(page));
}

void TfrmMain::closeFile() {
    TfrmPage* page = activePage();
    if (page && page->closeQuery()) removePage(page);
}

void TfrmMain::saveFile() {
    TfrmPage* page = activePage();
    if (!page) return;
    page->save();
    showFileName(page); // an untitled page was saved under a chosen name
}

void TfrmMain::saveFileAs() {
    TfrmPage* page = activePage();
    if (!page) return;
    page->saveAs();
    showFileName(page);
}

// The files open at the last quit, in their order; one that cannot be read any more is left out without
// a word. "Main" is the active tab at the end, and the lists hold the last file's items. A reopened
// page is not shown on its way (which would lay it out only to hide it again): its tab is added and
// the lists take its items, as its activation would have left them. The files' bytes come from the
// reading begun when the window was made, where there was one.
void TfrmMain::reopenFiles() {
    if (!Services) return;
    const std::unique_ptr<TLibraryPrefetch> prefetched = std::move(Prefetch);
    TLibraryReader read;
    if (prefetched) read = [&prefetched](const std::string& file) { return prefetched->take(file); };
    for (const std::string& file : Settings.openCmfFiles) {
        std::unique_ptr<TfrmPage> page =
            openLibraryPage(pathToQString(file), *Services, game(), true, this, read);
        if (!page) continue;
        itemLists().rebuild(page->identities());
        TfrmPage* added = page.release();
        Tabs->addTab(added, QString());
        showFileName(added);
    }
    activateTab(0);
}

} // namespace skv::ui

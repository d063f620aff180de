// The page's file: a new page, loading, saving under the page's name or a chosen one, and the
// question before a page with changes closes.
#include "ui/Page.h"

#include "model/Libraryfile.h"
#include "ui/Filefilter.h"
#include "ui/Page_items.h"
#include "ui/Prompts.h"
#include "ui/Qtext.h"

#include <QFileInfo>

#include <string>
#include <unordered_set>

namespace skv::ui {

namespace {

constexpr const char* kLibraryFilter = "Camera Manager Format|*.cmf";

} // namespace

void TfrmPage::newFile(const QString& name) {
    FileName = name;
    Untitled = true;
    setModified(false);
}

bool TfrmPage::loadFromFile(const QString& fileName, const TLibraryReader& read) {
    const std::string path = pathFromQString(fileName);
    model::TCameraSetList items = read ? read(path) : model::loadLibraryFile(path);
    OverwriteAll = false;
    // Shown once at the end: a selection shown per item would copy every picture into the views.
    Loading = true;
    // A run of items with captions the page does not hold yet joins the tree in one insertion; an
    // item whose caption is there already goes through addCameraSet and its question.
    model::TCameraSetList run;
    std::unordered_set<std::string> runCaptions;
    const auto addRun = [&] {
        if (run.empty()) return;
        Items->append(std::move(run));
        run.clear();
        runCaptions.clear();
        setModified(true);
        emit itemsChanged();
    };
    for (auto& item : items) {
        if (Items->find(item->Caption) < 0 && runCaptions.insert(item->Caption).second) {
            run.push_back(std::move(item));
            continue;
        }
        addRun();
        if (addCameraSet(std::move(item))) continue;
        Loading = false;
        return false;
    }
    addRun();
    Loading = false;
    FileName = fileName;
    Untitled = false;
    select(0);
    showSelection();
    setModified(false);
    return true;
}

bool TfrmPage::save() {
    if (Untitled) return saveAs();
    return writeTo(FileName);
}

TFileRequest libraryFileRequest(const QString& caption, const QString& folder) {
    TFileRequest request;
    request.caption = caption;
    request.folder = folder;
    request.filter = QString::fromStdString(qtFileFilter(kLibraryFilter));
    request.defaultSuffix = QStringLiteral("cmf");
    return request;
}

bool TfrmPage::saveAs() {
    TFileRequest request = libraryFileRequest(QStringLiteral("Save As"), Services.libraryFolder);
    request.fileName = QFileInfo(FileName).fileName();
    request.confirmOverwrite = true;
    const std::optional<QString> chosen = prompter().saveFileName(this, request);
    if (!chosen) return false;
    Services.libraryFolder = QFileInfo(*chosen).absolutePath();
    if (!writeTo(*chosen)) return false;
    FileName = *chosen;
    Untitled = false;
    return true;
}

// The file is replaced only once the new one is complete; a failure leaves it and the page as they were.
bool TfrmPage::writeTo(const QString& fileName) {
    try {
        model::saveLibraryFile(pathFromQString(fileName), Items->items());
    } catch (const model::FileWriteError& e) {
        showError(this, messageToQString(e.what()));
        return false;
    }
    setModified(false);
    return true;
}

bool TfrmPage::closeQuery() {
    if (!Modified) return true;
    switch (prompter().ask(this, eQuestion::YesNoCancel,
                           QStringLiteral("File ") + FileName +
                               QStringLiteral(" is changed do you want to save it?"))) {
    case eAnswer::Yes:
        return save();
    case eAnswer::No:
        return true;
    default:
        return false;
    }
}

std::unique_ptr<TfrmPage> openLibraryPage(const QString& fileName, TPageServices& services, model::eGame game,
                                          bool quietly, QWidget* parent, const TLibraryReader& read) {
    auto page = std::make_unique<TfrmPage>(services, game, parent);
    try {
        if (!page->loadFromFile(fileName, read)) return nullptr;
    } catch (const model::LibraryFileError& e) {
        if (!quietly) showError(parent, QStringLiteral("Cannot open file ") + messageToQString(e.what()));
        return nullptr;
    }
    return page;
}

} // namespace skv::ui

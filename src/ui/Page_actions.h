// The actions that work on a library page, made in one place: each forwards to the active page,
// which alone sets their states from its selection and the clipboard.
#pragma once

#include <QObject>
#include <QPointer>

#include <vector>

class QAction;

namespace skv::ui {

class TfrmPage;
class TItemClipboard;

class TPageActions : public QObject {
    Q_OBJECT
public:
    // The clipboard decides the Paste actions; its changes reach the active page.
    explicit TPageActions(TItemClipboard& clipboard, QObject* parent = nullptr);

    // The item actions.
    QAction* actNewCamSet = nullptr;
    QAction* actDeleteCamSet = nullptr;
    QAction* actRenameCamSet = nullptr;
    QAction* actCopyCamSet = nullptr;
    QAction* actCutCamSet = nullptr;
    QAction* actPasteCamSet = nullptr;
    QAction* actDistributeCamSet = nullptr;
    QAction* actImportGPLCamfile = nullptr;
    QAction* actExportGPLCamfile = nullptr;
    // The camera actions, on the focused view.
    QAction* actCopyCamera = nullptr;
    QAction* actPasteCamera = nullptr;
    QAction* actPropertiesCamera = nullptr;

    std::vector<QAction*> all() const;

    // The page the actions now work on and whose states they show; nullptr disables them all.
    void setActivePage(TfrmPage* page);
    TfrmPage* activePage() const { return Active; }

private:
    void showActiveStates();
    void disableAll();

    QPointer<TfrmPage> Active;
    QMetaObject::Connection ActiveGone;
};

} // namespace skv::ui

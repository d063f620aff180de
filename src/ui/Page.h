// A library page: one library file's items in a tree it owns them through, the selected item beside
// it (five camera views, or an effect's script), and every operation the actions start on them.
#pragma once

#include "directcontrol/Itemlists.h"
#include "model/Camfile.h"
#include "model/Distribute.h"
#include "model/Gplcarcameraset.h"
#include "ui/Prompts.h"

#include <QString>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;

namespace skv::ui {

class TCameraSetModel;
class TCameraSetTree;
class TdlgDistributeCarCamSet;
class TdlgName;
class TdlgProperties;
class TfrmComment;
class TfrmEffect;
class TfrmView;
class THotKeyEdit;
class TItemClipboard;
class TPageActions;

// Gives the items of a library file, raising model::LibraryFileError as model::loadLibraryFile does.
using TLibraryReader =
    std::function<std::vector<std::unique_ptr<model::TGPLCarCameraSet>>(const std::string&)>;

// What every page uses and the main window owns: the dialogs made once at start-up, the shared game
// camera file buffer, the clipboard, the actions, and the folders the file dialogs start in.
struct TPageServices {
    TdlgName& name;
    TdlgProperties& properties;
    TfrmEffect& effect;
    TfrmComment& comment;
    TdlgDistributeCarCamSet& distribution;
    model::TCamFileBuffer& camFileBuffer;
    TItemClipboard& clipboard;
    TPageActions& actions;
    QString libraryFolder; // the program's folder at first, then where the user last chose a library
    QString camFileFolder; // the same for game camera files
};

class TfrmPage : public QWidget {
    Q_OBJECT
public:
    static constexpr int kViews = 5;

    TfrmPage(TPageServices& services, model::eGame game, QWidget* parent = nullptr);
    ~TfrmPage() override;

    const QString& fileName() const { return FileName; }
    bool modified() const { return Modified; }
    bool untitled() const { return Untitled; }
    bool overwriteAll() const { return OverwriteAll; }
    int focusedView() const { return FocusedView; }
    model::eGame game() const { return Game; }

    // An empty page named name, untitled until saved under a chosen name.
    void newFile(const QString& name);
    // Adds the file's items (asking before an item replaces one of the same caption), selects the
    // first and clears modified. False when the user cancelled; raises model::LibraryFileError when
    // the file cannot be read, before anything is added. read gives the file's items
    // (model::loadLibraryFile when none is given).
    bool loadFromFile(const QString& fileName, const TLibraryReader& read = {});
    // Writes the items in tree order (an untitled page asks for a name first); true when written.
    bool save();
    bool saveAs();
    // Whether the page may close, asking to save unsaved changes.
    bool closeQuery();
    // Adds the item at the end, or over the item of the same caption after asking; false on Cancel.
    bool addCameraSet(std::unique_ptr<model::TGPLCarCameraSet> item);

    // Makes the five views again, titled and placed for the game, and shows the selection in them
    // (a page whose sheets are not made yet makes them for this game when they are).
    void setGame(model::eGame game);

    model::TGPLCarCameraSet* selectedItem() const;
    // The view in slot index; a page not shown yet makes its sheets for it.
    TfrmView* view(int index);
    // The identities of the items in tree order, for the direct-control lists.
    std::vector<const directcontrol::TItemIdentity*> identities() const;

    // A page about to be shown makes its sheets first.
    void setVisible(bool visible) override;

    // The states of the item actions, and of the camera actions (on: a view has the focus).
    void updateActions();
    void updateCameraActions(bool on);

public slots:
    void newCameraSet();
    void deleteCameraSet();
    void renameCameraSet();
    void copyCameraSet();
    void cutCameraSet();
    void pasteCameraSet();
    void distributeCameraSet();
    void importCamFile();
    void exportCamFile();
    void copyCamera();
    void pasteCamera();
    void propertiesCamera();
    // A key was released: a changed activation key of the selected item is stored.
    void keyReleased();

signals:
    // Items were added, replaced, removed or reordered: the direct-control lists are out of date.
    void itemsChanged();
    void modifiedChanged(bool modified);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    void makeSheets();
    QWidget* makeSetSheet();
    QWidget* makeEffectSheet();
    void makeViews();
    void setModified(bool modified);

    int selectedRow() const;
    void select(int row);
    void showSelection();
    void detachViews();
    void viewFocusChanged(int index, bool focused);

    void removeSelected();
    void rename(int row, const QString& text);
    void moveNode(int from, int target);
    void editEffect();
    void editComment();
    bool writeTo(const QString& fileName);
    void tellLater(const QString& text);

    TPageServices& Services;
    model::eGame Game;
    QString FileName;
    bool Modified = false;
    bool Untitled = false;
    bool OverwriteAll = false;
    bool Loading = false; // items are being added by a load: the selection is shown once at its end
    int FocusedView = -1;

    // The sheets and their views are made when the page is first shown (or a view is asked for): a
    // page reopened behind another tab lays out nothing until the user goes to it.
    bool SheetsMade = false;
    TCameraSetModel* Items = nullptr;
    TCameraSetTree* Tree = nullptr;
    QStackedWidget* Sheets = nullptr;
    QWidget* NoSheet = nullptr;
    QWidget* SetSheet = nullptr;
    QWidget* EffectSheet = nullptr;
    THotKeyEdit* Hotkey = nullptr;
    QPlainTextEdit* EffectText = nullptr;
    std::array<QFrame*, kViews> Panels{};
    std::array<TfrmView*, kViews> Views{};
};

// The file dialog's request for a library file, starting in folder.
TFileRequest libraryFileRequest(const QString& caption, const QString& folder);

// Opens a library file into a new page. Null when the file cannot be read (the user is told the
// file and the reader's reason, unless quietly, as when the last session's files are reopened) or
// when the user cancelled the overwrite question.
std::unique_ptr<TfrmPage> openLibraryPage(const QString& fileName, TPageServices& services, model::eGame game,
                                          bool quietly, QWidget* parent = nullptr,
                                          const TLibraryReader& read = {});

} // namespace skv::ui

// Every message box and file dialog of the program goes through one prompter, so that tests can
// install one that answers each question from a script instead of waiting for a person.
#pragma once

#include <QString>

#include <cstdint>
#include <optional>

class QWidget;

namespace skv::ui {

enum class eAnswer : std::uint8_t { Ok, Yes, No, Cancel, YesToAll };

// The kinds of message box, each with its buttons.
enum class eQuestion : std::uint8_t {
    Information,        // OK
    Error,              // OK; the standard error box
    YesNo,              // a confirmation
    YesNoCancel,        // a confirmation that can stop what is going on
    YesNoCancelYesToAll // the overwrite question of loading and pasting
};

struct TFileRequest {
    QString caption;
    QString folder;   // where the dialog starts; a file's path starts in its folder
    QString fileName; // preset in the name field
    QString filter;   // Qt's form ("Pictures (*.jpg *.jpeg);;...")
    QString defaultSuffix;
    bool mustExist = true;         // open dialogs only
    bool confirmOverwrite = false; // save dialogs only
};

class IPrompter {
public:
    virtual ~IPrompter() = default;
    virtual eAnswer ask(QWidget* parent, eQuestion kind, const QString& text) = 0;
    // The chosen file's full path; nothing when the user cancels.
    virtual std::optional<QString> openFileName(QWidget* parent, const TFileRequest& request) = 0;
    virtual std::optional<QString> saveFileName(QWidget* parent, const TFileRequest& request) = 0;
};

// Shows the questions in QMessageBox and QFileDialog.
class TDialogPrompter final : public IPrompter {
public:
    eAnswer ask(QWidget* parent, eQuestion kind, const QString& text) override;
    std::optional<QString> openFileName(QWidget* parent, const TFileRequest& request) override;
    std::optional<QString> saveFileName(QWidget* parent, const TFileRequest& request) override;
};

// The prompter in use: the dialogs, unless another one is installed (nullptr puts the dialogs back).
// Used on the user-interface thread only.
IPrompter& prompter();
void setPrompter(IPrompter* installed);

// The short forms the windows use.
void showInformation(QWidget* parent, const QString& text);
void showError(QWidget* parent, const QString& text);
bool confirmYesNo(QWidget* parent, const QString& text);

} // namespace skv::ui

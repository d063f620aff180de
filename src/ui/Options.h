// The preferences dialog: the paths of the two games and of four tool applications, kept in the
// settings file, and the hidden page of hot-key fields that shows the fixed hot-key table.
#pragma once

#include "model/Gamepaths.h"
#include "ui/Options_link.h"
#include "ui/Options_settings.h"

#include <QDialog>

#include <array>
#include <functional>
#include <string>

class QLineEdit;
class QTabWidget;

namespace skv::ui {

class THotKeyEdit;

// A page whose widgets make cost start-up and are rarely wanted: make runs once, when the page is
// about to be shown or make() is called.
class TPageMadeWhenShown final : public QWidget {
public:
    explicit TPageMadeWhenShown(std::function<void()> make, QWidget* parent = nullptr);
    void make();
    void setVisible(bool visible) override;

private:
    std::function<void()> Make;
};

class TdlgOptions : public QDialog {
    Q_OBJECT
public:
    // Reads "Files" and "Best Links" from settingsFile, tells listener the game paths and has the
    // reference camera files refreshed. paths finds a typed path on disk for Browse.
    TdlgOptions(std::string settingsFile, IGameProgramsListener& listener, const model::TGamePaths& paths,
                QWidget* parent = nullptr);

    // The six fields as they stand (paths in this platform's encoding).
    TOptionsFiles files() const;
    TGamePrograms gamePrograms() const;
    // The link label of the main window, as the settings file gives it.
    const TBestLink& bestLink() const { return Link; }

    // Writes the six fields back to "Files" (at exit); raises skv::model::FileWriteError.
    void writeSettings() const;

    // The hot-key field of a row of the table ("hkSpeedUp"), or nullptr; the page's fields are
    // made for it if they were not yet.
    THotKeyEdit* hotKeyField(const char* control) const;

public slots:
    // Every close, by any button or key, refreshes the reference camera files.
    void done(int result) override;

private:
    void fillDirectoriesPage(QWidget* page);
    void fillKeysPage();
    void browse(QLineEdit* field, const QString& presetName);
    void gamePathEdited();

    std::string SettingsFile;
    IGameProgramsListener& Listener;
    const model::TGamePaths& Paths;
    TBestLink Link;
    QTabWidget* Pages = nullptr;
    TPageMadeWhenShown* Keys = nullptr;
    std::array<QLineEdit*, 6> Fields{}; // in the order of TOptionsFiles
};

} // namespace skv::ui

// The preferences dialog's part of the settings file: the paths of the games and of the tool
// applications ("Files", read at start-up, written at exit) and the link label ("Best Links", read only).
#pragma once

#include <string>

namespace skv::ui {

// File-system paths in this platform's own encoding, as the file dialogs give them: they name files
// on disk, they are not library texts.
struct TOptionsFiles {
    std::string gplPath = "C:\\Sierra\\gpl\\gpl.exe";
    std::string nr2003Path = "C:\\Papyrus\\NASCAR Racing 2003 Season\\nr2003.exe";
    std::string videoCapturePath;
    std::string imageCapturePath;
    std::string movieEditorPath;
    std::string replayAnalyserPath;

    bool operator==(const TOptionsFiles&) const = default;
};

// "Best Links": the file may carry another title and target for the main window's link label.
struct TBestLink {
    std::string title = "Skyvane";
    std::string target = "https://skyvane.example/";

    bool operator==(const TBestLink&) const = default;
};

struct TOptionsSettings {
    TOptionsFiles files;
    TBestLink link;

    bool operator==(const TOptionsSettings&) const = default;
};

// Never fails: a missing or unreadable file gives the defaults (problem, when given, says why the
// file was not read). A key that is present but empty is an empty path, not the default.
TOptionsSettings readOptionsSettings(const std::string& fileName, std::string* problem = nullptr);

// Writes the six "Files" keys (an empty path as an empty value) and keeps everything else in the
// file; raises skv::model::FileWriteError, the old file untouched, when it cannot be replaced.
void writeOptionsFiles(const std::string& fileName, const TOptionsFiles& files);

} // namespace skv::ui

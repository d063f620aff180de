// The main window's part of the program's settings file ("MainForm", "General", "Open Cmf Files"),
// read with the defaults for anything missing or unreadable; the open files are written when the quit
// begins, the rest when the window goes.
#pragma once

#include "ui/Settingsfile.h"

#include <string>
#include <vector>

namespace skv::ui {

struct TMainSettings {
    // "MainForm": the window position and the direct-control controls.
    int top = 100;
    int left = 100;
    bool directControl = true;
    int speed = 50;  // track bar "Key Control Speed", 0..100
    int smooth = 94; // track bar "Smoothing", 0..100
    bool defaultLookMode = false;
    bool defaultBankMode = false;

    // "General".
    bool firstRun = true;
    bool firstNR2003 = true;
    int gameSelector = 0; // 0 = "GPL", 1 = "NR2003"
    bool gplRunInWindow = false;

    // "Open Cmf Files": the library files open at the last quit, in tab order (every value of the
    // section in file order, whatever its key).
    std::vector<std::string> openCmfFiles;

    bool operator==(const TMainSettings&) const = default;
};

// Reads fileName. Never fails: a missing, unreadable or garbled file, and every value that is not of
// its kind, gives the default; problem (when given) receives a line saying why the file was not read.
TMainSettings readMainSettings(const std::string& fileName, std::string* problem = nullptr);

// Writes "MainForm" and "General" into fileName, keeping every other section and key the file holds
// (the preferences dialog's, "Open Cmf Files"). The file is replaced only once the new one is
// complete, so a failed write (raised as skv::model::FileWriteError) leaves the old file as it was. A
// file that could not be read is replaced by a clean one.
void writeMainSettings(const std::string& fileName, const TMainSettings& settings);

// Erases "Open Cmf Files" and writes the files as "file1", "file2", ... in their order; the rest of the
// file is kept, and a failure is raised as by writeMainSettings.
void writeOpenCmfFiles(const std::string& fileName, const std::vector<std::string>& files);

} // namespace skv::ui

// The program's settings file as a whole: where it lives, reading it without ever failing, and
// replacing it only once the new text is complete. The main window and the preferences dialog each
// write their own sections through it and keep everybody else's.
#pragma once

#include "engine/Inifile.h"

#include <string>

namespace skv::ui {

// The settings file of a program: its path with the extension replaced by ".INI".
std::string settingsFileOf(const std::string& programPath);

// Where the program keeps its settings: a file named as settingsFileOf(programPath) in configFolder
// (made here when missing) for an installed program, whoever runs it, and for a program whose folder
// cannot be written; else settingsFileOf(programPath), beside a program that lives in a folder of its
// own. "installed" says that its shipped files lie in the installed layout (see findDataFolder).
std::string chooseSettingsFile(const std::string& programPath, const std::string& configFolder,
                               bool installed);

// Loads the file as it stands into ini; leaves ini empty (and, when asked for, gives the reason) when
// it cannot be read. A missing file is no problem: it is made at the first write.
void loadSettingsFile(engine::TIniFile& ini, const std::string& fileName, std::string* problem = nullptr);

// Replaces fileName with ini's text once that is complete; raises skv::model::FileWriteError and
// leaves the old file as it was when it cannot.
void saveSettingsFile(const std::string& fileName, const engine::TIniFile& ini);

} // namespace skv::ui

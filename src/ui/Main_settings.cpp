#include "ui/Main_settings.h"

#include "ui/Settingsfile.h"

#include <algorithm>

namespace skv::ui {

namespace {

constexpr const char* kMainForm = "MainForm";
constexpr const char* kGeneral = "General";
constexpr const char* kOpenFiles = "Open Cmf Files";

// Track bar positions stay on the bar, as the bar itself would keep them.
int trackBarPosition(const engine::TIniFile& ini, const char* key, int def) {
    return std::clamp(ini.ReadInteger(kMainForm, key, def), 0, 100);
}

void read(const engine::TIniFile& ini, TMainSettings& s) {
    s.top = ini.ReadInteger(kMainForm, "Top", s.top);
    s.left = ini.ReadInteger(kMainForm, "Left", s.left);
    s.directControl = ini.ReadBool(kMainForm, "DirectControl", s.directControl);
    s.speed = trackBarPosition(ini, "Speed", s.speed);
    s.smooth = trackBarPosition(ini, "Smooth", s.smooth);
    s.defaultLookMode = ini.ReadBool(kMainForm, "DefaultLookMode", s.defaultLookMode);
    s.defaultBankMode = ini.ReadBool(kMainForm, "DefaultBankMode", s.defaultBankMode);

    s.firstRun = ini.ReadBool(kGeneral, "FirstRun", s.firstRun);
    s.firstNR2003 = ini.ReadBool(kGeneral, "FirstNR2003", s.firstNR2003);
    s.gameSelector = ini.ReadBool(kGeneral, "GameSelector", s.gameSelector != 0) ? 1 : 0;
    s.gplRunInWindow = ini.ReadBool(kGeneral, "GPLRunInWindow", s.gplRunInWindow);

    // Every line in file order, as the section was written: a key's name is no file's number.
    for (const std::string& key : ini.ReadSection(kOpenFiles)) {
        std::string path = ini.ReadString(kOpenFiles, key, "");
        if (!path.empty()) s.openCmfFiles.push_back(std::move(path));
    }
}

void write(engine::TIniFile& ini, const TMainSettings& s) {
    ini.WriteInteger(kMainForm, "Top", s.top);
    ini.WriteInteger(kMainForm, "Left", s.left);
    ini.WriteBool(kMainForm, "DirectControl", s.directControl);
    ini.WriteInteger(kMainForm, "Speed", s.speed);
    ini.WriteInteger(kMainForm, "Smooth", s.smooth);
    ini.WriteInteger(kMainForm, "DefaultLookMode", s.defaultLookMode ? 1 : 0);
    ini.WriteInteger(kMainForm, "DefaultBankMode", s.defaultBankMode ? 1 : 0);

    ini.WriteBool(kGeneral, "FirstRun", s.firstRun);
    ini.WriteBool(kGeneral, "FirstNR2003", s.firstNR2003);
    ini.WriteBool(kGeneral, "GameSelector", s.gameSelector != 0);
    ini.WriteBool(kGeneral, "GPLRunInWindow", s.gplRunInWindow);
}

} // namespace

TMainSettings readMainSettings(const std::string& fileName, std::string* problem) {
    engine::TIniFile ini;
    loadSettingsFile(ini, fileName, problem);
    TMainSettings settings;
    read(ini, settings);
    return settings;
}

void writeMainSettings(const std::string& fileName, const TMainSettings& settings) {
    engine::TIniFile ini;
    loadSettingsFile(ini, fileName);
    write(ini, settings);
    saveSettingsFile(fileName, ini);
}

void writeOpenCmfFiles(const std::string& fileName, const std::vector<std::string>& files) {
    engine::TIniFile ini;
    loadSettingsFile(ini, fileName);
    ini.EraseSection(kOpenFiles);
    for (std::size_t i = 0; i < files.size(); ++i)
        ini.WriteString(kOpenFiles, "file" + std::to_string(i + 1), files[i]);
    saveSettingsFile(fileName, ini);
}

} // namespace skv::ui

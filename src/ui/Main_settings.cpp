#include "ui/Main_settings.h"

#include "ui/Settingsfile.h"

#include <algorithm>
#include <charconv>
#include <map>

namespace skv::ui {

namespace {

constexpr const char* kMainForm = "MainForm";
constexpr const char* kGeneral = "General";
constexpr const char* kOpenFiles = "Open Cmf Files";

// The number of an "Open Cmf Files" key ("file3" gives 3); 0 for any other key.
int openFileNumber(const std::string& key) {
    if (key.size() < 5 || key.size() > 13) return 0;
    std::string prefix = key.substr(0, 4);
    std::transform(prefix.begin(), prefix.end(), prefix.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    if (prefix != "file") return 0;
    int number = 0;
    const char* end = key.data() + key.size();
    const auto [stop, error] = std::from_chars(key.data() + 4, end, number);
    if (error != std::errc() || stop != end || number < 1) return 0;
    return number;
}

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

    // Ordered by number, so a hand-edited section still reopens the tabs in their order; the first
    // of two keys with one number wins, as it does for every key.
    std::map<int, std::string> files;
    for (const std::string& key : ini.ReadSection(kOpenFiles)) {
        const int number = openFileNumber(key);
        if (number == 0) continue;
        const std::string path = ini.ReadString(kOpenFiles, key, "");
        if (!path.empty()) files.emplace(number, path);
    }
    for (auto& [number, path] : files)
        s.openCmfFiles.push_back(std::move(path));
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

    ini.EraseSection(kOpenFiles);
    for (std::size_t i = 0; i < s.openCmfFiles.size(); ++i)
        ini.WriteString(kOpenFiles, "file" + std::to_string(i + 1), s.openCmfFiles[i]);
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

} // namespace skv::ui

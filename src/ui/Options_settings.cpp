#include "ui/Options_settings.h"

#include "ui/Settingsfile.h"

#include <array>
#include <utility>

namespace skv::ui {

namespace {

constexpr const char* kFiles = "Files";
constexpr const char* kBestLinks = "Best Links";

// The keys of "Files" and the field each one holds.
std::array<std::pair<const char*, std::string TOptionsFiles::*>, 6> fileKeys() {
    return {{{"GPL", &TOptionsFiles::gplPath},
             {"NR2003", &TOptionsFiles::nr2003Path},
             {"VideoCapture", &TOptionsFiles::videoCapturePath},
             {"ImageCapture", &TOptionsFiles::imageCapturePath},
             {"MovieEditor", &TOptionsFiles::movieEditorPath},
             {"ReplayAnalyser", &TOptionsFiles::replayAnalyserPath}}};
}

} // namespace

TOptionsSettings readOptionsSettings(const std::string& fileName, std::string* problem) {
    engine::TIniFile ini;
    loadSettingsFile(ini, fileName, problem);
    TOptionsSettings s;
    for (const auto& [key, field] : fileKeys())
        s.files.*field = ini.ReadString(kFiles, key, s.files.*field);
    s.link.title = ini.ReadString(kBestLinks, "Title1", s.link.title);
    s.link.target = ini.ReadString(kBestLinks, "Link1", s.link.target);
    return s;
}

void writeOptionsFiles(const std::string& fileName, const TOptionsFiles& files) {
    engine::TIniFile ini;
    loadSettingsFile(ini, fileName);
    for (const auto& [key, field] : fileKeys())
        ini.WriteString(kFiles, key, files.*field);
    saveSettingsFile(fileName, ini);
}

} // namespace skv::ui

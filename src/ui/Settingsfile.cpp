#include "ui/Settingsfile.h"

#include "model/Atomicfile.h"

#include <cstdint>
#include <filesystem>
#include <span>

namespace skv::ui {

std::string settingsFileOf(const std::string& programPath) {
    std::filesystem::path path(programPath);
    path.replace_extension(".INI");
    return path.string();
}

void loadSettingsFile(engine::TIniFile& ini, const std::string& fileName, std::string* problem) {
    ini.Clear();
    std::error_code error;
    if (!std::filesystem::exists(fileName, error)) return;
    try {
        ini.LoadFromFile(fileName);
    } catch (const engine::EIniFileError& e) {
        ini.Clear();
        if (problem) *problem = std::string(e.what()) + ": the settings start from their defaults";
    }
}

void saveSettingsFile(const std::string& fileName, const engine::TIniFile& ini) {
    const std::string text = ini.SaveToString();
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    model::writeFileAtomically(fileName, std::span<const std::uint8_t>(bytes, text.size()));
}

} // namespace skv::ui

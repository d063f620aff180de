#include "ui/Settingsfile.h"

#include "model/Atomicfile.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <span>

namespace skv::ui {

namespace {

// Whether a file can be made in folder: the only sure test is making one (permissions alone do not
// tell a read-only mount or another user's folder).
bool folderWritable(const std::filesystem::path& folder) {
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) return false;
    const auto probe = folder / (".skyvane-probe-" + std::to_string(std::random_device{}()));
    const bool made = std::ofstream(probe).good();
    std::filesystem::remove(probe, error);
    return made;
}

} // namespace

std::string settingsFileOf(const std::string& programPath) {
    std::filesystem::path path(programPath);
    path.replace_extension(".INI");
    return path.string();
}

std::string chooseSettingsFile(const std::string& programPath, const std::string& configFolder,
                               bool installed) {
    const std::filesystem::path beside(settingsFileOf(programPath));
    // The superuser may write into the system's program folder, but a settings file there would be
    // every user's and outlive the package.
    if (!installed && folderWritable(beside.parent_path())) return beside.string();
    std::error_code error;
    std::filesystem::create_directories(configFolder, error);
    return (std::filesystem::path(configFolder) / beside.filename()).string();
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

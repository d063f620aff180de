// The link into the running game: recognising its window, finding its car-camera blocks in its
// memory by the first record of the reference camera file, and reading and writing them.
#pragma once

#include "directcontrol/Directcontrol_ports.h"
#include "model/Gamepaths.h"
#include "platform/platform.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace skv::directcontrol {

// What the program knows of one game; nothing else of the game is relied on.
struct GameConstants {
    const char* title;             // of its main window, exact and case-sensitive
    platform::Address searchStart; // the searched window of its address space
    std::size_t searchLength;
    const char* referenceFile; // the camera file the key comes from, below the game folder
    int blockCount;            // consecutive car-camera blocks written
    std::int64_t pitCamOffset; // of the pit-camera record from the first block
};

const GameConstants& gameConstants(bool isNR2003);

// The search key: xPos, yPos, zPos of the reference file's first record, as the game stores them.
constexpr std::size_t kSearchKeySize = 12;
// The last offsets of the searched window that are never tried, although a key would fit there.
constexpr std::size_t kUntriedTail = 100;

// The lowest offset of the window at which the key's bytes stand, trying offsets 0 up to
// window.size() - kUntriedTail - 1 only; empty when there is none.
std::optional<std::size_t> findSearchKey(std::span<const std::uint8_t> window,
                                         std::span<const std::uint8_t, kSearchKeySize> key);

// Why an attach could not go on, when the user should be told; its text begins "Not Attached".
class EGameLinkError : public std::runtime_error {
public:
    explicit EGameLinkError(const std::string& reason);
};

// How the link stands, for the user to read.
enum class LinkStatus : std::uint8_t {
    NotAttached,      // detached, or no attach tried yet
    NoGameWindow,     // the window in front is not the selected game's
    NoProcess,        // the window names no process that can be opened
    MemoryUnreadable, // the searched window cannot be read
    NoReferenceFile,  // the reference camera file cannot be read
    KeyNotFound,      // the game does not hold the reference file's first record
    Attached,
    WriteFailed, // a camera write failed and dropped the link
};

class TGameLink : public GameLinkPort {
public:
    // Uses the backend and the path resolver; both outlive the link.
    TGameLink(platform::Platform& platform, const model::TGamePaths& paths);
    ~TGameLink() override;

    // The configured executables of the games, whose folders hold the reference camera files. May
    // be called on any thread.
    void setGamePrograms(std::string gplProgram, std::string nr2003Program);

    // Takes the window in front; throws EGameLinkError when the reference camera file cannot be read,
    // the game's memory is out of reach or the desktop backend is gone, returns false for every
    // other miss.
    bool attachGame(bool isNR2003) override;
    void detach() override;
    bool attached() const override { return Attached; }
    WindowId gameWindow() const override { return GameWindow; }
    bool readRollBar(model::CarCameraBlock& block) override;
    bool readPitCam(model::CarCameraValues& record) override;
    bool writeRollBar(const model::CarCameraBlock& block) override;
    bool writePitCam(const model::CarCameraValues& record) override;

    LinkStatus status() const { return Status; }
    platform::Address rollBarAddress() const { return RollBarAddress; }
    platform::Address pitCamAddress() const { return PitCamAddress; }
    // The disk path of the selected game's reference camera file.
    std::filesystem::path referenceFilePath(bool isNR2003) const;

private:
    platform::Platform& Platform;
    const model::TGamePaths& Paths;
    mutable std::mutex ProgramsLock;
    std::string GplProgram, Nr2003Program;

    const GameConstants* Game = nullptr; // the game of the last attach attempt
    bool Attached = false;
    WindowId GameWindow = 0;
    std::unique_ptr<platform::GameProcess> Process;
    platform::Address RollBarAddress = 0, PitCamAddress = 0;
    LinkStatus Status = LinkStatus::NotAttached;
    std::vector<std::uint8_t> ScanBuffer; // the searched window, allocated once

    bool fail(LinkStatus status);
    std::array<std::uint8_t, kSearchKeySize> readSearchKey(bool isNR2003) const;
};

} // namespace skv::directcontrol

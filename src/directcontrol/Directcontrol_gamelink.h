// The link into the running game: recognising its window, finding its car-camera blocks in its
// memory by the first record of the reference camera file, and reading and writing them.
#pragma once

#include "model/Carcameravalues.h"
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

using platform::WindowId;

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
    WrongProcess,     // the window's process does not run the configured game executable
    NotWritable,      // the camera records do not lie in memory the game may write
    Attached,
    WriteFailed, // a camera write failed and dropped the link
};

// "Attached", or "Not Attached" and why, for the status bar.
const char* linkStatusText(LinkStatus status);

// How the link stands and why, as the status bar shows it: for an attach that failed with an
// EGameLinkError, the text of that error, which can say more than linkStatusText().
struct LinkState {
    LinkStatus status = LinkStatus::NotAttached;
    std::string text = linkStatusText(LinkStatus::NotAttached);
    friend bool operator==(const LinkState&, const LinkState&) = default;
};

// Calls come from the control thread and, for single steps and live reads, from the user-interface
// thread, never from both at once (DirectControl sees to that).
class TGameLink {
public:
    // Uses the backend and the path resolver; both outlive the link.
    TGameLink(platform::Platform& platform, const model::TGamePaths& paths);
    ~TGameLink();
    TGameLink(const TGameLink&) = delete;
    TGameLink& operator=(const TGameLink&) = delete;

    // The configured executables of the games, whose folders hold the reference camera files. May
    // be called on any thread.
    void setGamePrograms(std::string gplProgram, std::string nr2003Program);

    // Tries to find the game in front (the window in front, or a window of that title inside it, as
    // in a virtual desktop) and its camera records; true when the link is up. Throws EGameLinkError
    // when the reference camera file cannot be read, the game's memory is out of reach, the
    // window's process is not the configured game or its records are not writable there, or the
    // desktop backend is gone; returns false for every other miss.
    bool attachGame(bool isNR2003);
    void detach();
    bool attached() const { return Attached; }
    // The game's window found at the last attach attempt (0 after detach).
    WindowId gameWindow() const { return GameWindow; }
    // Whether the game is in front now: its window, or the window in front it was found in at the
    // attach (Wine's virtual desktop, which holds the game's window as a child and is the one in
    // front while the user plays).
    bool gameInFront();
    // Reads of the car-camera block 0 and of the pit-camera record; false when the read failed.
    bool readRollBar(model::CarCameraBlock& block);
    bool readPitCam(model::CarCameraValues& record);
    // Writes the block into every car-camera block of the game, or the pit-camera record; false
    // when a write failed (the caller drops the link).
    bool writeRollBar(const model::CarCameraBlock& block);
    bool writePitCam(const model::CarCameraValues& record);

    LinkStatus status() const { return State.status; }
    // The status with its text; the reason of a failure stays until the next attach attempt.
    const LinkState& state() const { return State; }
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
    WindowId FrontWindow = 0; // the window in front at the attach: the game's or one holding it
    std::unique_ptr<platform::GameProcess> Process;
    platform::Address RollBarAddress = 0, PitCamAddress = 0;
    LinkState State;
    std::vector<std::uint8_t> ScanBuffer; // the searched window, allocated once

    bool fail(LinkStatus status);
    [[noreturn]] void failWith(LinkStatus status, const std::string& reason);
    void setStatus(LinkStatus status);
    std::array<std::uint8_t, kSearchKeySize> readSearchKey(bool isNR2003) const;
    std::string configuredProgram(bool isNR2003) const;
    platform::ProcessId findGameWindow(const GameConstants& game);
    void checkRecords(const std::optional<platform::ProcessMap>& map, const GameConstants& game);
};

} // namespace skv::directcontrol

#include "directcontrol/Directcontrol_gamelink.h"

#include "directcontrol/Directcontrol_processcheck.h"
#include "model/Camfile.h"
#include "model/Fileerror.h"
#include "model/Gplcarcameraset.h"
#include "stream/Littleendian.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <functional>

namespace skv::directcontrol {

using model::CarCameraBlock;
using model::CarCameraValues;

namespace {

constexpr GameConstants kGpl{
    "Papyrus Window", 0x5F0000, 0x100000, "cars\\cars67\\brabham\\brabham.cam", 7, 10256};
constexpr GameConstants kNr2003{"NR2003", 0xC30000, 0x100000, "series\\cup\\pacecar.cam", 20, -216};

constexpr std::size_t kRecordSize = sizeof(CarCameraValues);
constexpr std::size_t kBlockSize = sizeof(CarCameraBlock);

void writeU32(std::uint8_t* p, std::uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8)
        *p++ = static_cast<std::uint8_t>(v >> shift);
}

CarCameraValues decodeRecord(const std::uint8_t* p) {
    CarCameraValues record;
    for (std::size_t i = 0; i < model::kValuesPerCamera; ++i, p += 4)
        model::valueAt(record, i) = std::bit_cast<float>(stream::le::readU32(p));
    return record;
}

void encodeRecord(const CarCameraValues& record, std::uint8_t* p) {
    for (std::size_t i = 0; i < model::kValuesPerCamera; ++i, p += 4)
        writeU32(p, std::bit_cast<std::uint32_t>(model::valueAt(record, i)));
}

} // namespace

const GameConstants& gameConstants(bool isNR2003) {
    return isNR2003 ? kNr2003 : kGpl;
}

std::optional<std::size_t> findSearchKey(std::span<const std::uint8_t> window,
                                         std::span<const std::uint8_t, kSearchKeySize> key) {
    if (window.size() <= kUntriedTail) return std::nullopt;
    // A key may start at any offset up to the untried tail, so it may reach into the tail.
    const std::size_t lastStart = window.size() - kUntriedTail - 1;
    const auto end = window.begin() + std::ptrdiff_t(std::min(window.size(), lastStart + kSearchKeySize));
    const auto at =
        std::search(window.begin(), end, std::boyer_moore_horspool_searcher(key.begin(), key.end()));
    if (at == end) return std::nullopt;
    return std::size_t(at - window.begin());
}

EGameLinkError::EGameLinkError(const std::string& reason) : std::runtime_error("Not Attached: " + reason) {}

const char* linkStatusText(LinkStatus status) {
    switch (status) {
    case LinkStatus::NotAttached:
        return "Not Attached";
    case LinkStatus::NoGameWindow:
        return "Not Attached: the game's window is not in front";
    case LinkStatus::NoProcess:
        return "Not Attached: the game's window names no process that can be opened";
    case LinkStatus::MemoryUnreadable:
        return "Not Attached: the game's memory cannot be read";
    case LinkStatus::NoReferenceFile:
        return "Not Attached: the reference camera file cannot be read";
    case LinkStatus::KeyNotFound:
        return "Not Attached: the game does not hold the first camera of its reference camera file";
    case LinkStatus::WrongProcess:
        return "Not Attached: the game's window belongs to a process that does not run the game";
    case LinkStatus::NotWritable:
        return "Not Attached: the game's camera records are not in memory it may write";
    case LinkStatus::Attached:
        return "Attached";
    case LinkStatus::WriteFailed:
        return "Not Attached: a camera write into the game failed";
    }
    return "Not Attached";
}

TGameLink::TGameLink(platform::Platform& platform, const model::TGamePaths& paths)
    : Platform(platform), Paths(paths) {}

TGameLink::~TGameLink() = default;

void TGameLink::setGamePrograms(std::string gplProgram, std::string nr2003Program) {
    std::lock_guard guard(ProgramsLock);
    GplProgram = std::move(gplProgram);
    Nr2003Program = std::move(nr2003Program);
}

std::string TGameLink::configuredProgram(bool isNR2003) const {
    std::lock_guard guard(ProgramsLock);
    return isNR2003 ? Nr2003Program : GplProgram;
}

std::filesystem::path TGameLink::referenceFilePath(bool isNR2003) const {
    return Paths.resolveBelow(configuredProgram(isNR2003), gameConstants(isNR2003).referenceFile);
}

void TGameLink::setStatus(LinkStatus status) {
    State = {status, linkStatusText(status)};
}

bool TGameLink::fail(LinkStatus status) {
    // No handle is kept for a link that is not up; the next attempt opens its own.
    Process.reset();
    Attached = false;
    RollBarAddress = PitCamAddress = 0;
    setStatus(status);
    return false;
}

void TGameLink::failWith(LinkStatus status, const std::string& reason) {
    fail(status);
    EGameLinkError error(reason);
    State.text = error.what();
    throw error;
}

std::array<std::uint8_t, kSearchKeySize> TGameLink::readSearchKey(bool isNR2003) const {
    // Through a camera set, as a library item holds it, so the records stand in file order.
    model::TGPLCarCameraSet set;
    set.Type = model::eCameraSetType::CstCarCamSet;
    model::TCamFileBuffer file;
    file.importCamFile(set, referenceFilePath(isNR2003));
    CarCameraBlock block{};
    set.getValues(block);
    std::array<std::uint8_t, kRecordSize> record{};
    encodeRecord(block[0], record.data());
    std::array<std::uint8_t, kSearchKeySize> key{};
    std::copy_n(record.begin(), kSearchKeySize, key.begin());
    return key;
}

// The window in front when it carries the game's title, else a window of that title nested in it;
// sets GameWindow (0 when there is neither).
platform::ProcessId TGameLink::findGameWindow(const GameConstants& game) {
    const WindowId front = Platform.foregroundWindow();
    GameWindow = 0;
    FrontWindow = front;
    if (front == 0) return 0;
    if (Platform.windowTitle(front) == game.title)
        GameWindow = front;
    else
        GameWindow = Platform.findWindowBelow(front, game.title);
    return GameWindow == 0 ? 0 : Platform.windowProcess(GameWindow);
}

bool TGameLink::gameInFront() {
    if (GameWindow == 0) return false;
    const WindowId front = Platform.foregroundWindow();
    return front != 0 && (front == GameWindow || front == FrontWindow);
}

void TGameLink::checkRecords(const std::optional<platform::ProcessMap>& map, const GameConstants& game) {
    if (!map) return;
    const std::size_t blocks = std::size_t(game.blockCount) * kBlockSize;
    char where[64];
    if (!writableRange(*map, RollBarAddress, blocks)) {
        std::snprintf(where, sizeof where, "0x%llX", static_cast<unsigned long long>(RollBarAddress));
        failWith(LinkStatus::NotWritable, std::string("the game's camera blocks at ") + where +
                                              " are not writable memory of its process");
    }
    if (!writableRange(*map, PitCamAddress, kRecordSize)) {
        std::snprintf(where, sizeof where, "0x%llX", static_cast<unsigned long long>(PitCamAddress));
        failWith(LinkStatus::NotWritable,
                 std::string("the game's pit camera at ") + where + " is not writable memory of its process");
    }
}

bool TGameLink::attachGame(bool isNR2003) {
    const GameConstants& game = gameConstants(isNR2003);
    Game = &game;
    Attached = false;
    const platform::ProcessId pid = findGameWindow(game);
    if (GameWindow == 0) {
        // A desktop that went away (the X server ended) is worth saying; no window in front is not.
        if (!Platform.isAvailable()) failWith(LinkStatus::NoGameWindow, Platform.unavailableReason());
        return fail(LinkStatus::NoGameWindow);
    }

    // Each attempt starts from a new handle; the one of the previous link is closed first.
    Process.reset();
    if (pid != 0) Process = Platform.openProcess(pid);
    if (!Process) failWith(LinkStatus::NoProcess, "the game's window names no process that can be opened");

    // Where the system lists the process's mappings, the process must be the configured game.
    const std::optional<platform::ProcessMap> map = Process->processMap();
    const std::string program = programFileName(configuredProgram(isNR2003));
    if (map && !program.empty() && !runsProgram(*map, program)) {
        const std::string runs = map->program.empty() ? std::string("another program") : map->program;
        failWith(LinkStatus::WrongProcess, "the game's window belongs to process " + std::to_string(pid) +
                                               " (" + runs + "), which has no " + program + " loaded");
    }

    ScanBuffer.resize(game.searchLength);
    if (!Process->read(game.searchStart, ScanBuffer.data(), ScanBuffer.size())) {
        const std::string why = Process->lastError();
        failWith(LinkStatus::MemoryUnreadable, why.empty() ? "the game's memory cannot be read" : why);
    }

    std::array<std::uint8_t, kSearchKeySize> key{};
    try {
        key = readSearchKey(isNR2003);
    } catch (const model::EFileError& e) {
        failWith(LinkStatus::NoReferenceFile, std::string("reference camera file: ") + e.what());
    }

    const std::optional<std::size_t> offset = findSearchKey(ScanBuffer, key);
    if (!offset) return fail(LinkStatus::KeyNotFound);
    RollBarAddress = game.searchStart + *offset;
    PitCamAddress = platform::Address(std::int64_t(RollBarAddress) + game.pitCamOffset);
    checkRecords(map, game);
    Attached = true;
    setStatus(LinkStatus::Attached);
    return true;
}

void TGameLink::detach() {
    // Why the last attempt failed, or that a write failed, stays readable until the next attempt.
    if (State.status == LinkStatus::Attached) setStatus(LinkStatus::NotAttached);
    Process.reset();
    Attached = false;
    RollBarAddress = PitCamAddress = 0;
    GameWindow = FrontWindow = 0;
}

bool TGameLink::readRollBar(CarCameraBlock& block) {
    std::array<std::uint8_t, kBlockSize> bytes{};
    if (!Attached || !Process->read(RollBarAddress, bytes.data(), bytes.size())) return false;
    block = model::decodeCameraBlock(bytes);
    return true;
}

bool TGameLink::readPitCam(CarCameraValues& record) {
    std::array<std::uint8_t, kRecordSize> bytes{};
    if (!Attached || !Process->read(PitCamAddress, bytes.data(), bytes.size())) return false;
    record = decodeRecord(bytes.data());
    return true;
}

bool TGameLink::writeRollBar(const CarCameraBlock& block) {
    if (!Attached) return false;
    std::array<std::uint8_t, kBlockSize> bytes{};
    model::encodeCameraBlock(block, bytes);
    // Block 0 first; the first failure ends the step, the blocks after it stay as they were.
    for (int k = 0; k < Game->blockCount; ++k) {
        if (!Process->write(RollBarAddress + platform::Address(k) * kBlockSize, bytes.data(), bytes.size())) {
            setStatus(LinkStatus::WriteFailed);
            return false;
        }
    }
    return true;
}

bool TGameLink::writePitCam(const CarCameraValues& record) {
    if (!Attached) return false;
    std::array<std::uint8_t, kRecordSize> bytes{};
    encodeRecord(record, bytes.data());
    if (Process->write(PitCamAddress, bytes.data(), bytes.size())) return true;
    setStatus(LinkStatus::WriteFailed);
    return false;
}

} // namespace skv::directcontrol

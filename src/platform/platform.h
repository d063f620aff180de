// The operating-system seam of direct control: the window in front and its process, the game's
// memory, held keys, the pointer, the screen, the status line in a window and a global input source.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace skv::platform {

// An opaque window identity; 0 is no window.
using WindowId = std::uint64_t;
// A process id; 0 is no process.
using ProcessId = std::uint32_t;
// An address in another process.
using Address = std::uint64_t;

// Window titles are read with room for 98 characters; longer titles come back cut to that length.
constexpr std::size_t kMaxTitleLength = 98;

struct ScreenSize {
    int width = 0, height = 0;
};

struct CursorPos {
    int x = 0, y = 0;
};

// The band the status line is drawn in, in window coordinates: filled black, the text white from
// its top-left corner, clipped to the band.
struct StatusBand {
    static constexpr int left = 15, top = 8, right = 640, bottom = 20;
};

// One mapping of a process's address space, [start, end).
struct MappedRegion {
    Address start = 0, end = 0;
    bool readable = false, writable = false;
    std::string file; // the mapped file's path; empty for memory of its own
};

// What the system tells of a process: its mappings, and the program its command line names.
struct ProcessMap {
    std::vector<MappedRegion> regions;
    std::string program;
};

// An opened process. Destroying the object closes the handle.
class GameProcess {
public:
    virtual ~GameProcess() = default;
    GameProcess() = default;
    GameProcess(const GameProcess&) = delete;
    GameProcess& operator=(const GameProcess&) = delete;

    // All of size bytes, or false (a partial transfer is a failure).
    virtual bool read(Address address, void* buffer, std::size_t size) = 0;
    virtual bool write(Address address, const void* data, std::size_t size) = 0;
    // What went wrong at the last failed read or write, in plain words; empty before any failure.
    virtual std::string lastError() const = 0;
    // The process's mappings where the system lists them; nullopt where it does not.
    virtual std::optional<ProcessMap> processMap() { return std::nullopt; }
};

enum class MouseButton : std::uint8_t { Left, Right, Middle };

// One event of the global input source.
struct InputEvent {
    enum class Kind : std::uint8_t { KeyDown, ButtonDown, ButtonUp };
    Kind kind = Kind::KeyDown;
    int virtualKey = 0;                     // KeyDown: the Windows virtual-key code
    MouseButton button = MouseButton::Left; // ButtonDown / ButtonUp
    // KeyDown: Alt was held, or the key is Alt itself; such keys are system keys, which hot keys
    // never see.
    bool altDown = false;
    // KeyDown: Shift / Ctrl were held when the key went down. Read here, not later: by the time the
    // user-interface thread handles the key the user may have let go of them.
    bool shiftDown = false, ctrlDown = false;
};

// Every key-down and every mouse-button change of the whole desktop, whichever program has the
// focus. The source collects events on a thread of its own; the owner's thread takes them with
// dispatchPending(), and the wake-up callback tells it when to (it runs on the collecting thread and
// should only schedule that call, for instance by posting to the owner's event loop).
class InputSource {
public:
    using Handler = std::function<void(const InputEvent&)>;
    using WakeUp = std::function<void()>;

    virtual ~InputSource() = default;
    InputSource() = default;
    InputSource(const InputSource&) = delete;
    InputSource& operator=(const InputSource&) = delete;

    // Runs handler for each event collected since the last call, in order, on the calling thread;
    // returns how many there were.
    virtual std::size_t dispatchPending(const Handler& handler) = 0;
    // Called on the collecting thread whenever events are waiting; may be empty.
    virtual void setWakeUp(WakeUp wakeUp) = 0;
};

// One backend. Calls may come from the user-interface thread and from the control thread, never
// from both at once, except the input source, which has its own rules.
class Platform {
public:
    virtual ~Platform() = default;
    Platform() = default;
    Platform(const Platform&) = delete;
    Platform& operator=(const Platform&) = delete;

    // Empty when the backend works here; else why not, in plain words ("no X display ...").
    virtual std::string unavailableReason() const = 0;
    bool isAvailable() const { return unavailableReason().empty(); }

    virtual WindowId foregroundWindow() = 0;
    // At most kMaxTitleLength bytes; empty for no window or no title.
    virtual std::string windowTitle(WindowId window) = 0;
    // 0 when the window does not say.
    virtual ProcessId windowProcess(WindowId window) = 0;
    // The first window at any depth below window whose title is exactly title, or 0: a desktop in a
    // window of its own (Wine's virtual desktop) holds the program's windows as its children. 0 in a
    // backend whose windows hold no others.
    virtual WindowId findWindowBelow(WindowId /*window*/, const std::string& /*title*/) { return 0; }
    // A handle for reading and writing; null only when the process cannot be addressed at all
    // (failures of access show in the reads and writes and their lastError()).
    virtual std::unique_ptr<GameProcess> openProcess(ProcessId process) = 0;

    // Whether the key of that virtual-key code is held down now.
    virtual bool keyDown(int virtualKey) = 0;
    // The same for several keys at one moment (down has one entry per key): a backend that asks a
    // server overrides it to ask once, since the control thread reads a dozen keys every step.
    virtual void keysDown(std::span<const int> virtualKeys, std::span<bool> down) {
        for (std::size_t i = 0; i < virtualKeys.size() && i < down.size(); ++i)
            down[i] = keyDown(virtualKeys[i]);
    }
    virtual CursorPos cursorPos() = 0;
    virtual void setCursorPos(int x, int y) = 0;
    // Of the primary screen, in pixels.
    virtual ScreenSize screenSize() = 0;
    // Draws the status line into the window (see StatusBand).
    virtual void drawStatusLine(WindowId window, const std::string& text) = 0;

    // Starts a global input source; null with the reason in unavailable when there can be none.
    virtual std::unique_ptr<InputSource> createInputSource(std::string& unavailable) = 0;
};

// The backend of the system this program was built for.
std::unique_ptr<Platform> createPlatform();

} // namespace skv::platform

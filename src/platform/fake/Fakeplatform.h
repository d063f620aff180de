// A scripted backend for tests: windows with titles and processes, in-memory process address
// spaces whose reads and writes can be made to fail and be watched, held keys, a pointer and
// injected input.
#pragma once

#include "platform/platform.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <limits>
#include <map>
#include <mutex>
#include <set>
#include <vector>

namespace skv::platform {

// The address space of one scripted process: mapped regions of bytes. A transfer succeeds only when
// it lies wholly inside one region and touches no address made to fail.
class FakeMemory {
public:
    struct Transfer {
        Address address = 0;
        std::size_t size = 0;
        friend bool operator==(const Transfer&, const Transfer&) = default;
    };

    // Maps size zero bytes at base; regions must not overlap.
    void map(Address base, std::size_t size);
    // What the process tells of itself from now on: its program and the regions listed with their
    // files and rights (mapped or not). Until this is called it tells nothing, as on systems that
    // do not list a process's mappings.
    void describe(ProcessMap map);
    std::optional<ProcessMap> description() const;
    // Direct access for the test, bypassing failures and the logs; throws outside the regions.
    void poke(Address address, const void* data, std::size_t size);
    void peek(Address address, void* buffer, std::size_t size) const;

    // Reads or writes that touch the address fail from now on. A read fails only when it is at most
    // maxSize bytes long, so a test can fail the reads of a record while a long read across it works.
    void failReadsAt(Address address, std::size_t maxSize = std::numeric_limits<std::size_t>::max());
    void failWritesAt(Address address);
    void clearFailures();
    // The process has ended: every transfer fails.
    void exit();

    // Successful writes, in order; the log is cleared by clearLog(), and long runs turn it off.
    std::vector<Transfer> writes() const;
    void keepLog(bool keep);
    // Sees every write as it happens, with its bytes and whether it was made, under the memory's
    // lock (so it must not call the memory); an empty one stops watching.
    using WriteWatcher =
        std::function<void(const Transfer& transfer, const std::uint8_t* data, bool written)>;
    void watchWrites(WriteWatcher watcher);
    std::size_t readCount() const;
    void clearLog();

    // Used by the process handles.
    bool read(Address address, void* buffer, std::size_t size, std::string& error);
    bool write(Address address, const void* data, std::size_t size, std::string& error);

private:
    mutable std::mutex Lock;
    std::map<Address, std::vector<std::uint8_t>> Regions;
    std::map<Address, std::size_t> FailingReads; // address, longest read that fails there
    std::set<Address> FailingWrites;
    bool Exited = false;
    std::vector<Transfer> WriteLog;
    bool KeepLog = true;
    WriteWatcher Watcher;
    std::size_t Reads = 0;
    std::optional<ProcessMap> Description;

    std::uint8_t* locate(Address address, std::size_t size);
    bool readFails(Address address, std::size_t size) const;
    static bool touches(const std::set<Address>& failing, Address address, std::size_t size);
};

class FakePlatform : public Platform {
public:
    FakePlatform();
    ~FakePlatform() override;

    // --- scripting ---
    void setUnavailableReason(std::string reason);
    // A window; with a parent, one nested in that window (as in a virtual desktop).
    WindowId addWindow(std::string title, ProcessId process, WindowId parent = 0);
    void setWindowTitle(WindowId window, std::string title);
    void setForeground(WindowId window);
    // A process with an empty address space; the returned memory stays shared with the handles.
    std::shared_ptr<FakeMemory> addProcess(ProcessId process);
    void setKeyDown(int virtualKey, bool down);
    void setScreenSize(int width, int height);
    // The user moves the pointer (setCursorPos is the program moving it).
    void moveCursor(int x, int y);
    // Queues an event on every input source made so far.
    void postInput(const InputEvent& event);

    struct StatusDrawing {
        WindowId window = 0;
        std::string text;
        friend bool operator==(const StatusDrawing&, const StatusDrawing&) = default;
    };
    std::vector<StatusDrawing> statusDrawings() const;
    // Process handles open now, and ever opened.
    int openHandles() const;
    int handlesOpened() const;
    // How often the program has moved the pointer, and read a window title.
    int cursorMoves() const;
    int titleReads() const;

    // --- Platform ---
    std::string unavailableReason() const override;
    WindowId foregroundWindow() override;
    std::string windowTitle(WindowId window) override;
    ProcessId windowProcess(WindowId window) override;
    WindowId findWindowBelow(WindowId window, const std::string& title) override;
    std::unique_ptr<GameProcess> openProcess(ProcessId process) override;
    bool keyDown(int virtualKey) override;
    CursorPos cursorPos() override;
    void setCursorPos(int x, int y) override;
    ScreenSize screenSize() override;
    void drawStatusLine(WindowId window, const std::string& text) override;
    std::unique_ptr<InputSource> createInputSource(std::string& unavailable) override;

    struct InputQueue;

private:
    struct Window {
        std::string title;
        ProcessId process = 0;
        WindowId parent = 0;
    };

    mutable std::mutex Lock;
    std::string Unavailable;
    std::map<WindowId, Window> Windows;
    WindowId NextWindow = 1;
    WindowId Foreground = 0;
    std::map<ProcessId, std::shared_ptr<FakeMemory>> Processes;
    std::set<int> KeysDown;
    CursorPos Cursor;
    int CursorMoves = 0;
    int TitleReads = 0;
    ScreenSize Screen{1024, 768};
    std::vector<StatusDrawing> Drawings;
    std::vector<std::weak_ptr<InputQueue>> Inputs;
    std::shared_ptr<std::atomic<int>> OpenHandles;
    int Opened = 0;
};

} // namespace skv::platform

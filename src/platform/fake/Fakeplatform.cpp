#include "platform/fake/Fakeplatform.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace skv::platform {

// --- FakeMemory ---

void FakeMemory::map(Address base, std::size_t size) {
    std::lock_guard guard(Lock);
    for (const auto& [start, bytes] : Regions) {
        if (base < start + bytes.size() && start < base + size)
            throw std::invalid_argument("FakeMemory::map: regions overlap");
    }
    Regions.emplace(base, std::vector<std::uint8_t>(size));
}

std::uint8_t* FakeMemory::locate(Address address, std::size_t size) {
    auto it = Regions.upper_bound(address);
    if (it == Regions.begin()) return nullptr;
    --it;
    const Address offset = address - it->first;
    if (offset > it->second.size() || size > it->second.size() - offset) return nullptr;
    return it->second.data() + offset;
}

void FakeMemory::poke(Address address, const void* data, std::size_t size) {
    std::lock_guard guard(Lock);
    std::uint8_t* target = locate(address, size);
    if (!target) throw std::out_of_range("FakeMemory::poke outside the mapped regions");
    std::memcpy(target, data, size);
}

void FakeMemory::peek(Address address, void* buffer, std::size_t size) const {
    std::lock_guard guard(Lock);
    const std::uint8_t* source = const_cast<FakeMemory*>(this)->locate(address, size);
    if (!source) throw std::out_of_range("FakeMemory::peek outside the mapped regions");
    std::memcpy(buffer, source, size);
}

void FakeMemory::failReadsAt(Address address, std::size_t maxSize) {
    std::lock_guard guard(Lock);
    FailingReads[address] = maxSize;
}

void FakeMemory::failWritesAt(Address address) {
    std::lock_guard guard(Lock);
    FailingWrites.insert(address);
}

void FakeMemory::clearFailures() {
    std::lock_guard guard(Lock);
    FailingReads.clear();
    FailingWrites.clear();
}

void FakeMemory::exit() {
    std::lock_guard guard(Lock);
    Exited = true;
}

void FakeMemory::describe(ProcessMap map) {
    std::lock_guard guard(Lock);
    Description = std::move(map);
}

std::optional<ProcessMap> FakeMemory::description() const {
    std::lock_guard guard(Lock);
    return Description;
}

std::vector<FakeMemory::Transfer> FakeMemory::writes() const {
    std::lock_guard guard(Lock);
    return WriteLog;
}

std::size_t FakeMemory::readCount() const {
    std::lock_guard guard(Lock);
    return Reads;
}

void FakeMemory::keepLog(bool keep) {
    std::lock_guard guard(Lock);
    KeepLog = keep;
}

void FakeMemory::watchWrites(WriteWatcher watcher) {
    std::lock_guard guard(Lock);
    Watcher = std::move(watcher);
}

void FakeMemory::clearLog() {
    std::lock_guard guard(Lock);
    WriteLog.clear();
    Reads = 0;
}

bool FakeMemory::touches(const std::set<Address>& failing, Address address, std::size_t size) {
    auto it = failing.lower_bound(address);
    return it != failing.end() && *it - address < size;
}

bool FakeMemory::readFails(Address address, std::size_t size) const {
    for (auto it = FailingReads.lower_bound(address); it != FailingReads.end() && it->first - address < size;
         ++it) {
        if (size <= it->second) return true;
    }
    return false;
}

bool FakeMemory::read(Address address, void* buffer, std::size_t size, std::string& error) {
    std::lock_guard guard(Lock);
    if (Exited) {
        error = "the process has ended";
        return false;
    }
    const std::uint8_t* source = locate(address, size);
    if (!source || readFails(address, size)) {
        error = "the memory cannot be read";
        return false;
    }
    std::memcpy(buffer, source, size);
    ++Reads;
    return true;
}

bool FakeMemory::write(Address address, const void* data, std::size_t size, std::string& error) {
    std::lock_guard guard(Lock);
    if (Exited) {
        error = "the process has ended";
        return false;
    }
    std::uint8_t* target = locate(address, size);
    const bool written = target && !touches(FailingWrites, address, size);
    if (Watcher) Watcher({address, size}, static_cast<const std::uint8_t*>(data), written);
    if (!written) {
        error = "the memory cannot be written";
        return false;
    }
    std::memcpy(target, data, size);
    if (KeepLog) WriteLog.push_back({address, size});
    return true;
}

// --- process handles and input ---

namespace {

class FakeProcess : public GameProcess {
public:
    FakeProcess(std::shared_ptr<FakeMemory> memory, std::shared_ptr<std::atomic<int>> openHandles)
        : Memory(std::move(memory)), OpenHandles(std::move(openHandles)) {
        ++*OpenHandles;
    }
    ~FakeProcess() override { --*OpenHandles; }

    bool read(Address address, void* buffer, std::size_t size) override {
        return Memory->read(address, buffer, size, Error);
    }
    bool write(Address address, const void* data, std::size_t size) override {
        return Memory->write(address, data, size, Error);
    }
    std::string lastError() const override { return Error; }
    std::optional<ProcessMap> processMap() override { return Memory->description(); }

private:
    std::shared_ptr<FakeMemory> Memory;
    std::shared_ptr<std::atomic<int>> OpenHandles;
    std::string Error;
};

} // namespace

struct FakePlatform::InputQueue {
    std::mutex Lock;
    std::deque<InputEvent> Events;
    InputSource::WakeUp WakeUp;
};

namespace {

class FakeInputSource : public InputSource {
public:
    explicit FakeInputSource(std::shared_ptr<FakePlatform::InputQueue> queue) : Queue(std::move(queue)) {}

    std::size_t dispatchPending(const Handler& handler) override {
        std::deque<InputEvent> events;
        {
            std::lock_guard guard(Queue->Lock);
            events.swap(Queue->Events);
        }
        for (const InputEvent& event : events)
            handler(event);
        return events.size();
    }

    void setWakeUp(WakeUp wakeUp) override {
        std::lock_guard guard(Queue->Lock);
        Queue->WakeUp = std::move(wakeUp);
    }

private:
    std::shared_ptr<FakePlatform::InputQueue> Queue;
};

} // namespace

// --- FakePlatform ---

FakePlatform::FakePlatform() : OpenHandles(std::make_shared<std::atomic<int>>(0)) {}
FakePlatform::~FakePlatform() = default;

void FakePlatform::setUnavailableReason(std::string reason) {
    std::lock_guard guard(Lock);
    Unavailable = std::move(reason);
}

WindowId FakePlatform::addWindow(std::string title, ProcessId process, WindowId parent) {
    std::lock_guard guard(Lock);
    const WindowId id = NextWindow++;
    Windows[id] = {std::move(title), process, parent};
    return id;
}

void FakePlatform::setWindowTitle(WindowId window, std::string title) {
    std::lock_guard guard(Lock);
    Windows.at(window).title = std::move(title);
}

void FakePlatform::setForeground(WindowId window) {
    std::lock_guard guard(Lock);
    Foreground = window;
}

std::shared_ptr<FakeMemory> FakePlatform::addProcess(ProcessId process) {
    std::lock_guard guard(Lock);
    auto& memory = Processes[process];
    if (!memory) memory = std::make_shared<FakeMemory>();
    return memory;
}

void FakePlatform::setKeyDown(int virtualKey, bool down) {
    std::lock_guard guard(Lock);
    if (down)
        KeysDown.insert(virtualKey);
    else
        KeysDown.erase(virtualKey);
}

void FakePlatform::setScreenSize(int width, int height) {
    std::lock_guard guard(Lock);
    Screen = {width, height};
}

void FakePlatform::moveCursor(int x, int y) {
    std::lock_guard guard(Lock);
    Cursor = {x, y};
}

void FakePlatform::postInput(const InputEvent& event) {
    std::vector<std::shared_ptr<InputQueue>> queues;
    {
        std::lock_guard guard(Lock);
        for (const auto& weak : Inputs) {
            if (auto queue = weak.lock()) queues.push_back(std::move(queue));
        }
    }
    for (const auto& queue : queues) {
        InputSource::WakeUp wakeUp;
        {
            std::lock_guard guard(queue->Lock);
            queue->Events.push_back(event);
            wakeUp = queue->WakeUp;
        }
        if (wakeUp) wakeUp();
    }
}

std::vector<FakePlatform::StatusDrawing> FakePlatform::statusDrawings() const {
    std::lock_guard guard(Lock);
    return Drawings;
}

int FakePlatform::openHandles() const {
    return OpenHandles->load();
}

int FakePlatform::handlesOpened() const {
    std::lock_guard guard(Lock);
    return Opened;
}

int FakePlatform::cursorMoves() const {
    std::lock_guard guard(Lock);
    return CursorMoves;
}

int FakePlatform::titleReads() const {
    std::lock_guard guard(Lock);
    return TitleReads;
}

std::string FakePlatform::unavailableReason() const {
    std::lock_guard guard(Lock);
    return Unavailable;
}

WindowId FakePlatform::foregroundWindow() {
    std::lock_guard guard(Lock);
    return Foreground;
}

std::string FakePlatform::windowTitle(WindowId window) {
    std::lock_guard guard(Lock);
    ++TitleReads;
    auto it = Windows.find(window);
    if (it == Windows.end()) return {};
    return it->second.title.substr(0, kMaxTitleLength);
}

ProcessId FakePlatform::windowProcess(WindowId window) {
    std::lock_guard guard(Lock);
    auto it = Windows.find(window);
    return it == Windows.end() ? 0 : it->second.process;
}

WindowId FakePlatform::findWindowBelow(WindowId window, const std::string& title) {
    std::lock_guard guard(Lock);
    // Windows are numbered in the order they were made, so the first found is the first made.
    for (const auto& [id, entry] : Windows) {
        if (entry.title != title) continue;
        for (WindowId above = entry.parent; above != 0; above = Windows.at(above).parent)
            if (above == window) return id;
    }
    return 0;
}

std::unique_ptr<GameProcess> FakePlatform::openProcess(ProcessId process) {
    std::lock_guard guard(Lock);
    auto it = Processes.find(process);
    if (it == Processes.end()) return nullptr;
    ++Opened;
    return std::make_unique<FakeProcess>(it->second, OpenHandles);
}

bool FakePlatform::keyDown(int virtualKey) {
    std::lock_guard guard(Lock);
    return KeysDown.count(virtualKey) != 0;
}

CursorPos FakePlatform::cursorPos() {
    std::lock_guard guard(Lock);
    return Cursor;
}

void FakePlatform::setCursorPos(int x, int y) {
    std::lock_guard guard(Lock);
    Cursor = {x, y};
    ++CursorMoves;
}

ScreenSize FakePlatform::screenSize() {
    std::lock_guard guard(Lock);
    return Screen;
}

void FakePlatform::drawStatusLine(WindowId window, const std::string& text) {
    std::lock_guard guard(Lock);
    Drawings.push_back({window, text});
}

std::unique_ptr<InputSource> FakePlatform::createInputSource(std::string& unavailable) {
    std::lock_guard guard(Lock);
    if (!Unavailable.empty()) {
        unavailable = Unavailable;
        return nullptr;
    }
    auto queue = std::make_shared<InputQueue>();
    Inputs.push_back(queue);
    return std::make_unique<FakeInputSource>(std::move(queue));
}

} // namespace skv::platform

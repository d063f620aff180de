// fakegame32: the stand-in game built for Windows, to be run under Wine (or on Windows). It holds the
// game's camera blocks at the game's fixed addresses, which lie inside its own image as a real game's
// globals do, shows a window with the game's title, and talks over its standard input and output as
// the Linux stand-in does:
//
//   fakegame32 --game gpl|nr2003 --offset N --camfile FILE [--commands none]
//
// With "--commands none" it reads no commands and runs until it is ended, as a game started by
// Skyvane does. Started without "--game" (as Skyvane starts the game, with the game's own parameters,
// which it ignores) it is the GPL game at offset 0x2000 over the camera file the game keeps below its
// own folder (cars\cars67\brabham\brabham.cam), and reads no commands.
//
//   dump     "block K W0 .. W53" for every car-camera block (hex 32-bit words), then "end"
//   pit      "pit W0 .. W8"
//   focus    brings the window to the front, then "ok"
//   title T  sets the window title to T, then "ok"
//   quit     exits
// At start it prints "ready PID WINDOW ADDRESS" (its own process id and window handle, and the first
// block's address, in hex).
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kWindowSize = 0x100000;
constexpr std::size_t kRecordSize = 36, kBlockSize = 216, kCamFileSize = 228, kRecordsStart = 12;
constexpr UINT kSetTitle = WM_APP + 1, kFocus = WM_APP + 2;

struct Game {
    const char* title;
    std::uintptr_t searchStart;
    int blocks;
    long pitOffset;
};

constexpr Game kGpl{"Papyrus Window", 0x5F0000, 7, 10256};
constexpr Game kNr2003{"NR2003", 0xC30000, 20, -216};

// The image is based at 0x400000; these globals reach from just above it past both games' windows
// (0x5F0000 and 0xC30000, each 1 MiB), so the fixed addresses are memory of the program's own, as
// they are in the games. Nothing else can be placed there: the system's own start-up memory lies
// at those addresses in a process that does not own them.
alignas(4096) unsigned char Globals[0xA00000];

[[noreturn]] void fail(const std::string& message) {
    std::fprintf(stderr, "fakegame32: %s\n", message.c_str());
    std::exit(2);
}

unsigned char* at(std::uintptr_t address) {
    const auto base = reinterpret_cast<std::uintptr_t>(Globals);
    if (address < base || address + kWindowSize > base + sizeof Globals)
        fail("the game's window does not lie in the image (is the image base 0x400000?)");
    return Globals + (address - base);
}

void printWords(const unsigned char* bytes, std::size_t size) {
    for (std::size_t i = 0; i < size; i += 4) {
        std::uint32_t word = 0;
        std::memcpy(&word, bytes + i, 4);
        std::printf(" %08x", static_cast<unsigned>(word));
    }
    std::printf("\n");
}

struct Setup {
    const Game* game = nullptr;
    long offset = -1;
    std::string camFile;
    bool commands = true;
};

// The folder of this program, with its final backslash.
std::string programFolder() {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string program(path, length);
    return program.substr(0, program.find_last_of("\\/") + 1);
}

Setup parse(int argc, char** argv) {
    Setup setup;
    bool named = false;
    for (int i = 1; i < argc; ++i)
        named = named || std::string(argv[i]) == "--game";
    if (!named) {
        setup.game = &kGpl;
        setup.offset = 0x2000;
        setup.camFile = programFolder() + "cars\\cars67\\brabham\\brabham.cam";
        setup.commands = false;
        return setup;
    }
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i], value = argv[i + 1];
        if (arg == "--game")
            setup.game = value == "gpl" ? &kGpl : value == "nr2003" ? &kNr2003 : nullptr;
        else if (arg == "--offset")
            setup.offset = std::strtol(value.c_str(), nullptr, 0);
        else if (arg == "--camfile")
            setup.camFile = value;
        else if (arg == "--commands")
            setup.commands = value != "none";
    }
    if (!setup.game || setup.offset < 0 || setup.camFile.empty())
        fail("usage: fakegame32 --game gpl|nr2003 --offset N --camfile FILE");
    return setup;
}

unsigned char* layOut(const Setup& setup) {
    FILE* in = std::fopen(setup.camFile.c_str(), "rb");
    if (!in) fail("cannot open " + setup.camFile);
    unsigned char cam[kCamFileSize];
    const std::size_t got = std::fread(cam, 1, sizeof cam, in);
    std::fclose(in);
    if (got < kCamFileSize) fail(setup.camFile + " is shorter than a camera file");
    const Game& game = *setup.game;
    const long end = setup.offset + long(game.blocks * kBlockSize);
    const long pit = setup.offset + game.pitOffset;
    if (end > long(kWindowSize) || pit < 0 || pit + long(kRecordSize) > long(kWindowSize))
        fail("the blocks and the pit record do not fit into the window at that offset");
    unsigned char* window = at(game.searchStart);
    unsigned char* first = window + setup.offset;
    for (int k = 0; k < game.blocks; ++k)
        std::memcpy(first + k * kBlockSize, cam + kRecordsStart, kBlockSize);
    const float pitRecord[9] = {0, 0, 0, 0, 0, 0, 1.0f, 0, 0};
    std::memcpy(window + pit, pitRecord, kRecordSize);
    return first;
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case kSetTitle:
        SetWindowTextA(window, reinterpret_cast<const char*>(lParam));
        return 0;
    case kFocus:
        SetForegroundWindow(window);
        SetFocus(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

struct Session {
    const Game* game;
    unsigned char* first;
    HWND window;
};

// Commands are read on a thread of their own; what changes the window is handed to the window's
// thread and waited for.
DWORD WINAPI commands(void* data) {
    const Session& s = *static_cast<Session*>(data);
    char line[512];
    while (std::fgets(line, sizeof line, stdin)) {
        std::string command(line);
        while (!command.empty() && (command.back() == '\n' || command.back() == '\r'))
            command.pop_back();
        if (command == "quit") break;
        if (command == "dump") {
            for (int k = 0; k < s.game->blocks; ++k) {
                std::printf("block %d", k);
                printWords(s.first + k * kBlockSize, kBlockSize);
            }
            std::printf("end\n");
        } else if (command == "pit") {
            std::printf("pit");
            printWords(s.first + s.game->pitOffset, kRecordSize);
        } else if (command == "focus") {
            SendMessageA(s.window, kFocus, 0, 0);
            std::printf("ok\n");
        } else if (command.rfind("title ", 0) == 0) {
            const std::string title = command.substr(6);
            SendMessageA(s.window, kSetTitle, 0, reinterpret_cast<LPARAM>(title.c_str()));
            std::printf("ok\n");
        } else {
            std::printf("unknown command\n");
        }
        std::fflush(stdout);
    }
    PostMessageA(s.window, WM_CLOSE, 0, 0);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const Setup setup = parse(argc, argv);
    // Lines end in a line feed alone, as the Linux stand-in's do.
    _setmode(_fileno(stdout), _O_BINARY);
    unsigned char* first = layOut(setup);

    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = "SkyvaneStandInGame";
    if (!RegisterClassA(&windowClass)) fail("cannot register the window class");
    HWND window = CreateWindowA(windowClass.lpszClassName, setup.game->title, WS_OVERLAPPEDWINDOW, 0, 0, 640,
                                480, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (!window) fail("cannot create the window");
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    SetForegroundWindow(window);

    std::printf("ready %lu %llx %llx\n", GetCurrentProcessId(),
                static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(window)),
                static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(first)));
    std::fflush(stdout);

    Session session{setup.game, first, window};
    if (setup.commands && !CreateThread(nullptr, 0, commands, &session, 0, nullptr))
        fail("cannot start the command thread");
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}

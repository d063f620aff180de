// fakegame: a stand-in for a running game, for tests and demonstrations. It shows an X11 window with
// the game's title, holds camera blocks at the game's memory window, lets other processes read and
// write them, and prints them on request so a test can see exactly what was written.
//
//   fakegame --game gpl|nr2003 --offset N --camfile FILE [--image NAME] [--memory read-only]
//
// Like the game, it has its program image mapped: a file named gpl.exe or nr2003.exe (or NAME), so
// that a check of the process's mappings finds it. With "--memory read-only" the camera blocks may be
// read but not written.
//
// Commands on standard input, one a line:
//   dump     "block K W0 .. W53" for every car-camera block (hex 32-bit words), then "end"
//   pit      "pit W0 .. W8"
//   band     "band WHITE BLACK OTHER": pixel counts of the status-line band of the window
//   focus    gives the window the input focus again, then "ok"
//   title T  sets the window title to T, then "ok"
//   quit     exits
// At start it prints "ready PID WINDOW ADDRESS" (window id and the first block's address in hex).
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kWindowSize = 0x100000;
constexpr std::size_t kRecordSize = 36, kBlockSize = 216, kCamFileSize = 228, kRecordsStart = 12;

struct Game {
    const char* title;
    std::uintptr_t searchStart;
    int blocks;
    long pitOffset; // from the first block
};

constexpr Game kGpl{"Papyrus Window", 0x5F0000, 7, 10256};
constexpr Game kNr2003{"NR2003", 0xC30000, 20, -216};

struct Options {
    const Game* game = nullptr;
    long offset = -1;
    std::string camFile;
    std::string image;
    bool readOnly = false;
};

[[noreturn]] void fail(const std::string& message) {
    std::fprintf(stderr, "fakegame: %s\n", message.c_str());
    std::exit(2);
}

Options parseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc) fail("missing value after " + arg);
        const std::string value = argv[++i];
        if (arg == "--game") {
            if (value == "gpl")
                options.game = &kGpl;
            else if (value == "nr2003")
                options.game = &kNr2003;
            else
                fail("--game takes gpl or nr2003");
        } else if (arg == "--offset") {
            char* end = nullptr;
            options.offset = std::strtol(value.c_str(), &end, 0);
            if (*end != '\0' || options.offset < 0) fail("--offset takes a number");
        } else if (arg == "--camfile") {
            options.camFile = value;
        } else if (arg == "--image") {
            options.image = value;
        } else if (arg == "--memory") {
            if (value != "read-only") fail("--memory takes read-only");
            options.readOnly = true;
        } else {
            fail("unknown option " + arg);
        }
    }
    if (!options.game || options.offset < 0 || options.camFile.empty())
        fail("usage: fakegame --game gpl|nr2003 --offset N --camfile FILE [--image NAME] [--memory "
             "read-only]");
    if (options.image.empty()) options.image = options.game == &kGpl ? "gpl.exe" : "nr2003.exe";
    return options;
}

std::vector<unsigned char> readCamFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) fail("cannot open " + path);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < kCamFileSize) fail(path + " is shorter than a camera file");
    return bytes;
}

// The game's memory window with the blocks laid out as the game keeps them; returns the first
// block's address.
unsigned char* layOutMemory(const Options& options, const std::vector<unsigned char>& camFile) {
    const Game& game = *options.game;
    const long first = options.offset;
    const long end = first + long(game.blocks * kBlockSize);
    const long pit = first + game.pitOffset;
    if (end > long(kWindowSize) || pit < 0 || pit + long(kRecordSize) > long(kWindowSize))
        fail("the blocks and the pit record do not fit into the window at that offset");

    void* where = mmap(reinterpret_cast<void*>(game.searchStart), kWindowSize, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
    if (where == MAP_FAILED || reinterpret_cast<std::uintptr_t>(where) != game.searchStart)
        fail("cannot map the memory window: " + std::string(std::strerror(errno)));
    auto* window = static_cast<unsigned char*>(where);
    for (int k = 0; k < game.blocks; ++k)
        std::memcpy(window + first + k * kBlockSize, camFile.data() + kRecordsStart, kBlockSize);
    // A pit record that cannot be taken for the search key: zoom 1.0, everything else 0.
    const float pitRecord[9] = {0, 0, 0, 0, 0, 0, 1.0f, 0, 0};
    std::memcpy(window + pit, pitRecord, kRecordSize);
    return window + first;
}

// Maps a page of a file of that name into memory, as a program's image is, and removes the file: the
// mapping keeps its name.
void mapImage(const std::string& name) {
    char folder[] = "/tmp/fakegame-XXXXXX";
    if (!mkdtemp(folder)) fail("cannot make a folder for the image: " + std::string(std::strerror(errno)));
    const std::string path = std::string(folder) + "/" + name;
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
    if (fd < 0 || ftruncate(fd, 4096) != 0) fail("cannot make the image " + path);
    void* image = mmap(nullptr, 4096, PROT_READ, MAP_PRIVATE, fd, 0);
    close(fd);
    unlink(path.c_str());
    rmdir(folder);
    if (image == MAP_FAILED) fail("cannot map the image " + path);
}

void printWords(const unsigned char* bytes, std::size_t size) {
    for (std::size_t i = 0; i < size; i += 4) {
        std::uint32_t word = 0;
        std::memcpy(&word, bytes + i, 4);
        std::printf(" %08x", static_cast<unsigned>(word));
    }
    std::printf("\n");
}

class GameWindow {
public:
    explicit GameWindow(const char* title) {
        Dpy = XOpenDisplay(nullptr);
        if (!Dpy) fail("cannot open the X display");
        const int screen = DefaultScreen(Dpy);
        XSetWindowAttributes attributes{};
        attributes.background_pixel = BlackPixel(Dpy, screen);
        // It takes the keyboard, as a game does. The X server passes recorded input on only when
        // it has something to send to some client: keys that no client takes would wait in the
        // recording until other traffic came.
        attributes.event_mask = StructureNotifyMask | KeyPressMask | KeyReleaseMask;
        Win = XCreateWindow(Dpy, RootWindow(Dpy, screen), 0, 0, 640, 480, 0, CopyFromParent, InputOutput,
                            CopyFromParent, CWBackPixel | CWEventMask, &attributes);
        setTitle(title);
        const long pid = getpid();
        XChangeProperty(Dpy, Win, XInternAtom(Dpy, "_NET_WM_PID", False), XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&pid), 1);
        XMapWindow(Dpy, Win);
        for (XEvent event;;) {
            XNextEvent(Dpy, &event);
            if (event.type == MapNotify) break;
        }
        focus();
    }
    ~GameWindow() { XCloseDisplay(Dpy); }

    void setTitle(const std::string& title) {
        XStoreName(Dpy, Win, title.c_str());
        XChangeProperty(Dpy, Win, XInternAtom(Dpy, "_NET_WM_NAME", False),
                        XInternAtom(Dpy, "UTF8_STRING", False), 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(title.data()), int(title.size()));
        // A round trip, so that "ok" means every other client already sees the new title.
        XSync(Dpy, False);
    }

    void focus() {
        XSetInputFocus(Dpy, Win, RevertToParent, CurrentTime);
        XSync(Dpy, False);
    }

    // Pixels of the status-line band that are white, black and anything else.
    void printBand() {
        XImage* image = XGetImage(Dpy, Win, 15, 8, 625, 12, AllPlanes, ZPixmap);
        if (!image) {
            std::printf("band error\n");
            return;
        }
        const int screen = DefaultScreen(Dpy);
        long white = 0, black = 0, other = 0;
        for (int y = 0; y < 12; ++y) {
            for (int x = 0; x < 625; ++x) {
                const unsigned long pixel = XGetPixel(image, x, y);
                if (pixel == WhitePixel(Dpy, screen))
                    ++white;
                else if (pixel == BlackPixel(Dpy, screen))
                    ++black;
                else
                    ++other;
            }
        }
        XDestroyImage(image);
        std::printf("band %ld %ld %ld\n", white, black, other);
    }

    int fd() const { return ConnectionNumber(Dpy); }
    Window id() const { return Win; }

    // Takes and drops what the server sent.
    void drain() {
        while (XPending(Dpy)) {
            XEvent event;
            XNextEvent(Dpy, &event);
        }
    }

private:
    Display* Dpy = nullptr;
    Window Win = 0;
};

// True to go on, false on "quit".
bool runCommand(const std::string& line, const Game& game, const unsigned char* first, GameWindow& window) {
    if (line == "quit") return false;
    if (line == "dump") {
        for (int k = 0; k < game.blocks; ++k) {
            std::printf("block %d", k);
            printWords(first + k * kBlockSize, kBlockSize);
        }
        std::printf("end\n");
    } else if (line == "pit") {
        std::printf("pit");
        printWords(first + game.pitOffset, kRecordSize);
    } else if (line == "band") {
        window.printBand();
    } else if (line == "focus") {
        window.focus();
        std::printf("ok\n");
    } else if (line.rfind("title ", 0) == 0) {
        window.setTitle(line.substr(6));
        std::printf("ok\n");
    } else {
        std::printf("unknown command\n");
    }
    std::fflush(stdout);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    const Options options = parseOptions(argc, argv);
    const std::vector<unsigned char> camFile = readCamFile(options.camFile);
    unsigned char* first = layOutMemory(options, camFile);
    mapImage(options.image);
    if (options.readOnly && mprotect(first - options.offset, kWindowSize, PROT_READ) != 0)
        fail("cannot protect the memory window");
    // Let any process of this user read and write the memory, whatever the ptrace restrictions.
    prctl(PR_SET_PTRACER, PR_SET_PTRACER_ANY, 0, 0, 0);

    GameWindow window(options.game->title);
    std::printf("ready %d %lx %lx\n", int(getpid()), static_cast<unsigned long>(window.id()),
                static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(first)));
    std::fflush(stdout);

    std::string pending;
    for (;;) {
        pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {window.fd(), POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return 1;
        }
        if (fds[1].revents & (POLLERR | POLLHUP)) return 1;
        if (fds[1].revents & POLLIN) window.drain();
        if (!(fds[0].revents & (POLLIN | POLLHUP))) continue;
        char chunk[256];
        const ssize_t got = read(STDIN_FILENO, chunk, sizeof chunk);
        if (got <= 0) return 0; // the test has gone: end like a game that is closed
        pending.append(chunk, std::size_t(got));
        for (std::size_t nl; (nl = pending.find('\n')) != std::string::npos;) {
            const std::string line = pending.substr(0, nl);
            pending.erase(0, nl + 1);
            if (!runCommand(line, *options.game, first, window)) return 0;
        }
    }
}

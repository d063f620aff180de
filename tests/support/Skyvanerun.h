// The real skyvane program as the end-to-end tests run it: copied into a folder of its own with a
// settings file that reopens a film library, started on a private X server, and typed at through
// XTest while the Windows stand-in game is in front under Wine; and the film those tests
// fly, checked in the game's own memory however the test reads it.
#pragma once

#include "directcontrol/Directcontrol_gamelink.h"
#include "model/Gamepaths.h"
#include "model/Gplcarcameraset.h"
#include "model/Libraryfile.h"
#include "platform/fake/Fakeplatform.h"
#include "support/Xsession.h"

#include <gtest/gtest.h>
// After the test framework: Xlib's macros (None, Bool) would break its headers.
#include "support/Xwindows.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <bit>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace skv::testing {

// The car-camera blocks of a game, each as its 54 32-bit words (dumpBlocks() of a stand-in game).
using Blocks = std::vector<std::vector<std::uint32_t>>;

template <class Pred> bool waitFor(Pred pred, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

inline std::vector<std::uint32_t> wordsOf(const model::CarCameraBlock& block) {
    std::vector<std::uint32_t> words;
    for (const auto& record : block)
        for (std::size_t v = 0; v < model::kValuesPerCamera; ++v)
            words.push_back(std::bit_cast<std::uint32_t>(model::valueAt(record, v)));
    return words;
}

// Where the game link looks for the reference camera file of a GPL game installed at gplProgram.
inline std::filesystem::path referenceCamFilePath(const std::string& gplProgram) {
    platform::FakePlatform none;
    const model::TGamePaths paths;
    directcontrol::TGameLink link(none, paths);
    link.setGamePrograms(gplProgram, "");
    return link.referenceFilePath(false);
}

// The reference camera file written there, with key as its first record.
inline std::filesystem::path writeReferenceCamFile(const std::string& gplProgram, const float (&key)[3]) {
    const std::filesystem::path reference = referenceCamFilePath(gplProgram);
    std::filesystem::create_directories(reference.parent_path());
    writeCamFile(reference.string(), key);
    return reference;
}

// The library a film is made from: two sets whose records all differ ("Low" and "High"; record 0
// keeps the game's key, so that the link finds the game again whatever was written) and the effect
// "Drift", which moves the roof camera half a unit a step.
struct FilmLibrary {
    std::string path;
    std::vector<std::uint32_t> low, high;

    FilmLibrary(const std::filesystem::path& folder, const float (&key)[3])
        : path((folder / "films.cmf").string()) {
        model::TCameraSetList items;
        for (const auto& [caption, base] : {std::pair{"Low", 100.0f}, std::pair{"High", 500.0f}}) {
            model::CarCameraBlock block{};
            for (std::size_t r = 0; r < block.size(); ++r)
                for (std::size_t v = 0; v < model::kValuesPerCamera; ++v)
                    model::valueAt(block[r], v) = base + float(r * 10 + v);
            block[0].xPos = key[0];
            block[0].yPos = key[1];
            block[0].zPos = key[2];
            auto set = std::make_unique<model::TGPLCarCameraSet>();
            set->Caption = caption;
            set->setValues(block);
            (items.empty() ? low : high) = wordsOf(block);
            items.push_back(std::move(set));
        }
        auto effect = std::make_unique<model::TGPLCarCameraSet>();
        effect->Caption = "Drift";
        effect->Type = model::eCameraSetType::CstRollBarCam;
        effect->setEffect("X := X + 0.5;\r\n");
        items.push_back(std::move(effect));
        model::saveLibraryFile(path, items);
    }
};

// Pixels of the status-line band of a window that are white, black and anything else.
struct BandPixels {
    long white = 0, black = 0, other = 0;
};
inline BandPixels statusBand(Display* dpy, Window window) {
    BandPixels band;
    const int width = platform::StatusBand::right - platform::StatusBand::left;
    const int height = platform::StatusBand::bottom - platform::StatusBand::top;
    XImage* image = XGetImage(dpy, window, platform::StatusBand::left, platform::StatusBand::top,
                              unsigned(width), unsigned(height), AllPlanes, ZPixmap);
    if (!image) return band;
    const int screen = DefaultScreen(dpy);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            ++(pixel == WhitePixel(dpy, screen)   ? band.white
               : pixel == BlackPixel(dpy, screen) ? band.black
                                                  : band.other);
        }
    }
    XDestroyImage(image);
    return band;
}

// The program installed in folder and run on display, and a second client of that display that types.
class SkyvaneRun {
public:
    SkyvaneRun(std::filesystem::path folder, std::string display)
        : Folder(std::move(folder)), DisplayName(std::move(display)),
          Typist(XOpenDisplay(DisplayName.c_str())) {}
    ~SkyvaneRun() {
        Program.reset();
        if (Typist) XCloseDisplay(Typist);
    }
    SkyvaneRun(const SkyvaneRun&) = delete;
    SkyvaneRun& operator=(const SkyvaneRun&) = delete;

    // Whether the display answers and has XTest.
    bool canType() const {
        int event = 0, error = 0, major = 0, minor = 0;
        return Typist && XTestQueryExtension(Typist, &event, &error, &major, &minor);
    }
    Display* typist() const { return Typist; }
    ChildProcess& program() { return *Program; }

    // The program copied into the folder, so that its settings file lies there, with the files it
    // ships that are named beside it.
    void copyProgram(std::initializer_list<const char*> shipped = {}) {
        const std::filesystem::path program = Folder / "skyvane";
        std::filesystem::copy_file(SKV_RUNTIME_DIR "/skyvane", program,
                                   std::filesystem::copy_options::overwrite_existing);
        std::filesystem::permissions(program, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add);
        for (const char* file : shipped)
            std::filesystem::copy_file(std::filesystem::path(SKV_RUNTIME_DIR) / file, Folder / file);
    }

    // The program copied with a settings file: direct control on, the game GPL at gplProgram, the
    // library reopened.
    void install(const std::string& gplProgram, const std::string& library) {
        copyProgram();
        std::ofstream(Folder / "skyvane.INI") << "[MainForm]\nDirectControl=1\nSpeed=50\nSmooth=94\n"
                                              << "[General]\nFirstRun=0\nFirstNR2003=0\nGameSelector=0\n"
                                              << "[Files]\nGPL=" << gplProgram << "\n"
                                              << "[Open Cmf Files]\nfile1=" << library << "\n";
    }

    // Starts the program with a configuration folder of the run's own, so that nothing outside the
    // folder is read or written; its window, or 0 when it did not come up in time.
    Window start(std::chrono::milliseconds timeout) {
        Program = std::make_unique<ChildProcess>(
            std::vector<std::string>{(Folder / "skyvane").string()},
            std::vector<std::string>{"DISPLAY=" + DisplayName, "QT_QPA_PLATFORM=xcb",
                                     "XDG_CONFIG_HOME=" + (Folder / "config").string()});
        return waitForTopLevelWindow(Typist, "Brightlap Skyvane", timeout);
    }

    void type(KeySym key, bool ctrl = false) { typeKey(Typist, key, ctrl ? ControlMask : 0); }

    // A left click at a point of the window, as the user's hand gives it.
    void click(Window window, int x, int y) {
        Window child = 0;
        int rootX = 0, rootY = 0;
        XTranslateCoordinates(Typist, window, DefaultRootWindow(Typist), x, y, &rootX, &rootY, &child);
        XTestFakeMotionEvent(Typist, DefaultScreen(Typist), rootX, rootY, CurrentTime);
        XTestFakeButtonEvent(Typist, 1, True, CurrentTime);
        XTestFakeButtonEvent(Typist, 1, False, CurrentTime);
        XSync(Typist, False);
    }

private:
    std::filesystem::path Folder;
    std::string DisplayName;
    Display* Typist;
    std::unique_ptr<ChildProcess> Program;
};

// The film, flown with the hot keys while the game is in front; blocks() reads the game's blocks
// (all of them; empty when they cannot be read), focusGame() gives it the keyboard as the user's
// click does. Page Up writes the first set into every block, Page Up again the second; Ctrl+Insert
// runs "Drift", which moves the roof camera by the script's half unit a step at about 37 steps a
// second and leaves the rest of the record alone; End stops it where it is.
inline void flyTheFilm(SkyvaneRun& run, const FilmLibrary& library, const std::function<Blocks()>& blocks,
                       const std::function<void()>& focusGame) {
    constexpr std::size_t kRoof = 3 * model::kValuesPerCamera; // the roof camera's first word
    const auto roofX = [&] {
        const Blocks now = blocks();
        return now.empty() ? NAN : std::bit_cast<float>(now[0][kRoof]);
    };
    // The program may still be making its input source when the first key comes: a key nobody heard
    // changes nothing, so it is typed again until the game shows it.
    const auto everyBlockHolds = [&](const std::vector<std::uint32_t>& set) {
        const Blocks now = blocks();
        return now.size() == 7 &&
               std::all_of(now.begin(), now.end(), [&](const auto& b) { return b == set; });
    };
    bool written = false;
    for (int attempt = 0; attempt < 10 && !written; ++attempt) {
        focusGame();
        run.type(XK_Prior);
        written = waitFor([&] { return everyBlockHolds(library.low); }, std::chrono::seconds(2));
    }
    ASSERT_TRUE(written) << "Page Up did not write the first set into the game";
    run.type(XK_Prior);
    ASSERT_TRUE(waitFor([&] { return everyBlockHolds(library.high); }, std::chrono::seconds(5)))
        << "Page Up again did not write the second set";

    const float start = roofX();
    run.type(XK_Insert, true);
    ASSERT_TRUE(waitFor([&] { return roofX() > start; }, std::chrono::seconds(5)))
        << "the effect did not start";
    const float x0 = roofX();
    const auto t0 = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    const Blocks moved = blocks();
    ASSERT_FALSE(moved.empty());
    const float x1 = std::bit_cast<float>(moved[0][kRoof]);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double rate = double(x1 - x0) / 0.5 / seconds;
    std::printf("[ film     ] effect: %.1f writes a second (%.3f s measured)\n", rate, seconds);
    EXPECT_GT(rate, 25.0);
    EXPECT_LT(rate, 45.0);
    EXPECT_EQ(std::fmod(x1 - start, 0.5f), 0.0f) << "the roof camera moved by whole steps of the script";
    for (std::size_t v = 1; v < model::kValuesPerCamera; ++v)
        EXPECT_EQ(moved[0][kRoof + v], library.high[kRoof + v]) << "the script moved only X, value " << v;

    run.type(XK_End);
    ASSERT_TRUE(waitFor(
        [&] {
            const float a = roofX();
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
            return roofX() == a;
        },
        std::chrono::seconds(5)))
        << "End did not stop the effect";
    const float stopped = roofX();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(roofX(), stopped);
}

} // namespace skv::testing

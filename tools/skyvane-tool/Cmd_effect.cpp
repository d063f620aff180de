// The "effect" command: an effect script played as direct control plays it, step by step, with the
// camera values of every step printed as CSV.
#include "Commands.h"
#include "Toolargs.h"
#include "Tooltext.h"

#include "effects/Effectplayer.h"

#include <charconv>
#include <cmath>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <system_error>

namespace skv::tool {

namespace {

using model::CarCameraValues;

constexpr const char* kUsage =
    "usage: skyvane-tool effect FILE --frames N [--start X,Y,Z,YAW,PITCH,BANK,ZOOM]\n";

struct EffectArgs {
    std::string file;
    std::int32_t frames = 0;
    CarCameraValues start{};
};

template <class T> std::optional<T> parseNumber(std::string_view text) {
    T value{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// Seven finite 32-bit numbers separated by commas; the reason why not in err.
bool parseStart(const std::string& text, CarCameraValues& start, std::ostream& err) {
    float* fields[] = {&start.xPos,  &start.yPos, &start.zPos,     &start.yaw,
                       &start.pitch, &start.bank, &start.zoomAngle};
    std::vector<std::string_view> parts;
    for (std::size_t from = 0;;) {
        const std::size_t comma = text.find(',', from);
        parts.push_back(std::string_view(text).substr(from, comma - from));
        if (comma == std::string::npos) break;
        from = comma + 1;
    }
    if (parts.size() != std::size(fields)) {
        err << "skyvane-tool effect: --start needs 7 values X,Y,Z,YAW,PITCH,BANK,ZOOM, not " << parts.size()
            << '\n';
        return false;
    }
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const auto value = parseNumber<float>(parts[i]);
        if (!value || !std::isfinite(*value)) {
            err << "skyvane-tool effect: --start: \"" << parts[i] << "\" is not a 32-bit number\n";
            return false;
        }
        *fields[i] = *value;
    }
    return true;
}

// Usage errors are explained on err; an empty result sends the caller to the usage text.
std::optional<EffectArgs> parseEffect(const std::vector<std::string>& words, std::ostream& err) {
    EffectArgs args;
    bool haveFile = false, haveFrames = false, haveStart = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& w = words[i];
        const bool option = w == "--frames" || w == "--start";
        if (option && ((w == "--frames" && haveFrames) || (w == "--start" && haveStart))) {
            err << "skyvane-tool effect: " << w << " given twice\n";
            return std::nullopt;
        }
        if (option && i + 1 == words.size()) {
            err << "skyvane-tool effect: " << w << " needs a value\n";
            return std::nullopt;
        }
        if (w == "--frames") {
            const auto n = parseWholeNumber(words[++i], 0, INT32_MAX, "skyvane-tool effect: --frames", err);
            if (!n) return std::nullopt;
            args.frames = static_cast<std::int32_t>(*n);
            haveFrames = true;
        } else if (w == "--start") {
            if (!parseStart(words[++i], args.start, err)) return std::nullopt;
            haveStart = true;
        } else if (w.starts_with("--")) {
            err << "skyvane-tool effect: unknown option " << w << '\n';
            return std::nullopt;
        } else if (haveFile) {
            err << "skyvane-tool effect: one FILE only\n";
            return std::nullopt;
        } else {
            args.file = w;
            haveFile = true;
        }
    }
    if (!haveFile)
        err << "skyvane-tool effect: FILE is missing\n";
    else if (!haveFrames)
        err << "skyvane-tool effect: --frames is missing\n";
    if (!haveFile || !haveFrames) return std::nullopt;
    return args;
}

// Scripts are short texts; a bigger file is surely not one, and is not read into memory.
constexpr std::uintmax_t kMaxScriptBytes = 16u << 20;

std::string readScript(const std::string& name) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(name, ec);
    if (ec) throw std::runtime_error(name + ": cannot open the file (" + ec.message() + ")");
    if (size > kMaxScriptBytes) throw std::runtime_error(name + ": larger than 16 MiB, not an effect script");
    std::ifstream in(name, std::ios::binary);
    if (!in) throw std::runtime_error(name + ": cannot open the file");
    std::string text{std::istreambuf_iterator<char>(in), {}};
    if (in.bad()) throw std::runtime_error(name + ": cannot read the file");
    return textFileToAnsi(text, name);
}

// The shortest text that reads back to the same 32-bit float.
void printValue(std::ostream& out, float value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.write(buffer, result.ptr - buffer);
}

void printStep(std::ostream& out, std::int32_t frame, const CarCameraValues& r) {
    out << frame;
    for (float v : {r.xPos, r.yPos, r.zPos, r.yaw, r.pitch, r.bank, r.zoomAngle}) {
        out << ',';
        printValue(out, v);
    }
    out << '\n';
}

int play(const EffectArgs& args, std::ostream& out, std::ostream& err) {
    effects::TEffectPlayer player;
    player.load(readScript(args.file));
    CarCameraValues camera = args.start;
    player.seed(1, camera);
    out << "FRAMES,X,Y,Z,YAW,PITCH,BANK,ZOOM\n";
    for (std::int32_t frame = 1; frame <= args.frames; ++frame) {
        // As on the control thread: the script writes a copy, a failed step changes nothing.
        CarCameraValues next = camera;
        try {
            player.step(frame, next, effects::EffectBudget::fromNow());
        } catch (const std::exception& e) {
            out.flush();
            printError(err, args.file + ": frame " + std::to_string(frame) + ": " + e.what());
            return 1;
        }
        camera = next;
        printStep(out, frame, camera);
        if (frame == INT32_MAX) break;
    }
    return 0;
}

int runEffect(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
    return parseAndRun(words, out, err, kUsage, parseEffect,
                       [&](const EffectArgs& args) { return play(args, out, err); });
}

const bool registered = registerCommandGroup({
    "effect",
    "  skyvane-tool effect FILE --frames N [--start X,Y,Z,YAW,PITCH,BANK,ZOOM]\n"
    "                                 play an effect script for N steps and print the camera as CSV\n",
    runEffect,
});

} // namespace

} // namespace skv::tool

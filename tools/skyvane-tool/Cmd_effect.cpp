// The "effect" command: an effect script played as direct control plays it, step by step, with the
// camera values of every step printed as CSV.
#include "Commands.h"
#include "Toolargs.h"
#include "Tooltext.h"

#include "effects/Effectplayer.h"
#include "model/Atomicfile.h"
#include "model/Libraryfile.h"
#include "stream/Bytesink.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <streambuf>
#include <system_error>

namespace skv::tool {

namespace {

using model::CarCameraValues;

constexpr const char* kUsage =
    "usage: skyvane-tool effect FILE|- --frames N [--start X,Y,Z,YAW,PITCH,BANK,ZOOM] [-o OUT.csv "
    "[--force]]\n"
    "       skyvane-tool effect LIB.cmf CAPTION --frames N [--start ...] [-o OUT.csv [--force]]\n";

struct EffectArgs {
    std::vector<std::string> operands; // the script file, or a library and an item's caption
    std::int32_t frames = 0;
    std::optional<CarCameraValues> start;
    std::string outName; // empty: standard output
    bool force = false;
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
    const std::vector<OptionRule> rules = {
        {"--frames", true}, {"--start", true}, {"-o", true}, {"--force", false}};
    const auto parsed = parseWords(words, rules, "effect", 0, 2, err);
    if (!parsed) return std::nullopt;
    EffectArgs args;
    args.operands = parsed->operands;
    if (args.operands.empty()) {
        err << "skyvane-tool effect: FILE is missing\n";
        return std::nullopt;
    }
    const std::string* frames = parsed->value("--frames");
    if (!frames) {
        err << "skyvane-tool effect: --frames is missing\n";
        return std::nullopt;
    }
    const auto n = parseWholeNumber(*frames, 0, INT32_MAX, "skyvane-tool effect: --frames", err);
    if (!n) return std::nullopt;
    args.frames = static_cast<std::int32_t>(*n);
    if (const std::string* start = parsed->value("--start")) {
        args.start.emplace();
        if (!parseStart(*start, *args.start, err)) return std::nullopt;
    }
    if (const std::string* out = parsed->value("-o")) args.outName = *out;
    args.force = parsed->has("--force");
    if (args.force && args.outName.empty()) {
        err << "skyvane-tool effect: --force is for -o\n";
        return std::nullopt;
    }
    return args;
}

// The script to play, where its errors are said to be, and the camera it starts from.
struct EffectSource {
    std::string script;
    std::string where;
    CarCameraValues start{};
};

// A library item starts from its Camera0 values, as the editor's preview does.
EffectSource loadEffect(const EffectArgs& args) {
    EffectSource source;
    const std::string& first = args.operands[0];
    if (args.operands.size() == 1) {
        source.script = readScriptFile(first);
        source.where = first == "-" ? "<stdin>" : first;
    } else {
        const std::string caption = argumentToAnsi(args.operands[1], "CAPTION");
        const model::TCameraSetList items = model::loadLibraryFile(first);
        const auto it = std::find_if(items.begin(), items.end(),
                                     [&](const auto& item) { return item->Caption == caption; });
        if (it == items.end())
            throw std::runtime_error(first + " has no item \"" + printableAnsi(caption) + "\"");
        if (!(*it)->isEffect())
            throw std::runtime_error(first + ": \"" + printableAnsi(caption) +
                                     "\" is a car camera set, not an effect");
        source.script = (*it)->effect();
        source.where = first + "(" + printableAnsi(caption) + ")";
        source.start = (*it)->Camera0.values();
    }
    if (args.start) source.start = *args.start;
    return source;
}

// An output stream's buffer that hands its bytes to a file's sink in blocks.
class CsvSinkBuffer : public std::streambuf {
public:
    explicit CsvSinkBuffer(stream::TByteSink& sink) : sink_(sink) { setp(block_, block_ + sizeof block_); }
    ~CsvSinkBuffer() override = default;

protected:
    int_type overflow(int_type ch) override {
        flushBlock();
        if (!traits_type::eq_int_type(ch, traits_type::eof())) sputc(traits_type::to_char_type(ch));
        return traits_type::not_eof(ch);
    }
    int sync() override {
        flushBlock();
        return 0;
    }

private:
    void flushBlock() {
        const auto n = static_cast<std::size_t>(pptr() - pbase());
        sink_.put({reinterpret_cast<const std::uint8_t*>(pbase()), n});
        setp(block_, block_ + sizeof block_);
    }
    stream::TByteSink& sink_;
    char block_[65536];
};

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
    const EffectSource source = loadEffect(args);
    effects::TEffectPlayer player;
    // The whole script is checked before anything is printed, so a script that does not compile
    // leaves no CSV behind.
    if (const auto error = player.checkScript(source.script)) {
        err << locatedMessage(source.where, error->line, error->column, error->message) << '\n';
        err << "skyvane-tool effect: the script does not compile; no step was played\n";
        return 1;
    }
    if (!args.outName.empty()) refuseToReplace(args.outName, args.force);
    player.load(source.script);
    // The CSV, to the output or through a buffer into the file (written whole or not at all).
    const auto writeCsv = [&](std::ostream& csv) {
        csv << "FRAMES,X,Y,Z,YAW,PITCH,BANK,ZOOM\n";
        return effects::playSteps(
            player, source.start, args.frames,
            [&](std::int32_t frame, const CarCameraValues& camera) { printStep(csv, frame, camera); });
    };
    std::optional<effects::TStepFailure> failure;
    if (args.outName.empty()) {
        failure = writeCsv(out);
    } else {
        model::writeFileAtomically(args.outName, [&](stream::TByteSink& sink) {
            CsvSinkBuffer buffer(sink);
            std::ostream csv(&buffer);
            failure = writeCsv(csv);
            csv.flush();
        });
    }
    if (failure) {
        out.flush();
        printError(err, source.where + ": frame " + std::to_string(failure->frame) + ": " + failure->message);
        return 1;
    }
    return 0;
}

int runEffect(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
    return parseAndRun(words, out, err, kUsage, parseEffect,
                       [&](const EffectArgs& args) { return play(args, out, err); });
}

const bool registered = registerCommandGroup({
    "effect",
    "  skyvane-tool effect FILE|- --frames N [--start X,Y,Z,YAW,PITCH,BANK,ZOOM] [-o OUT.csv [--force]]\n"
    "  skyvane-tool effect LIB.cmf CAPTION --frames N [--start ...] [-o OUT.csv [--force]]\n"
    "                                 play an effect script (a file, - for standard input, or an\n"
    "                                 item of a library, from its Camera0 values) for N steps and\n"
    "                                 print the camera as CSV, or write it to OUT.csv; a script that\n"
    "                                 does not compile prints FILE:LINE:COL: and the message\n",
    runEffect,
});

} // namespace

} // namespace skv::tool

// The "cmf" commands: library files listed, printed as JSON and built again from it, copied through
// the reader and writer, and one camera's picture taken out or put in.
#include "Commands.h"
#include "Itemjson.h"
#include "Jsonwriter.h"
#include "Toolargs.h"
#include "Tooltext.h"

#include "model/Fileerror.h"
#include "model/Libraryfile.h"
#include "ui/Shortcuttext.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <sstream>
#include <stdexcept>

namespace skv::tool {

namespace {

using namespace skv::model;
namespace fs = std::filesystem;

constexpr const char* kUsage = "usage: skyvane-tool cmf list FILE\n"
                               "       skyvane-tool cmf dump FILE [--pictures DIR] [--force]\n"
                               "       skyvane-tool cmf build JSON OUT.cmf [--force]\n"
                               "       skyvane-tool cmf copy IN OUT [--force]\n"
                               "       skyvane-tool cmf picture get FILE CAPTION SLOT OUT.jpg [--force]\n"
                               "       skyvane-tool cmf picture set FILE CAPTION SLOT IN.jpg\n";

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// The whole file, refused when larger than limit bytes (what is that large is no such file).
std::string readFileText(const std::string& name, std::size_t limit, const char* kind) {
    if (const std::string why = notReadableReason(name); !why.empty()) throw EFOpenError(name, why);
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(name.c_str(), "rb"));
    if (!file) throw EFOpenError(name, std::strerror(errno));
    std::string bytes;
    for (char chunk[65536];;) {
        const std::size_t n = std::fread(chunk, 1, sizeof chunk, file.get());
        if (n == 0) break;
        bytes.append(chunk, n);
        if (bytes.size() > limit)
            throw EFReadError(name + ": larger than " + std::to_string(limit >> 20) + " MiB, not " + kind);
    }
    if (std::ferror(file.get()))
        throw EFReadError("Cannot read file " + name + " (" + std::strerror(errno) + ")");
    return bytes;
}

constexpr std::size_t kMaxPictureBytes = 64u << 20;
constexpr std::size_t kMaxJsonBytes = 256u << 20;

std::vector<std::uint8_t> readPictureFile(const std::string& name) {
    const std::string bytes = readFileText(name, kMaxPictureBytes, "a camera's picture");
    return {bytes.begin(), bytes.end()};
}

void writeFile(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    writeFileAtomically(name, bytes);
}

int list(const ParsedWords& words, std::ostream& out) {
    for (const auto& item : loadLibraryFile(words.operands[0]))
        out << cameraSetTypeCaption(item->Type) << '\t' << printableAnsi(item->Caption) << '\t'
            << ui::shortcutText(item->ActivationKey) << '\n';
    return 0;
}

struct PendingPicture {
    std::string fileName;
    const std::vector<std::uint8_t>* bytes;
};

int dump(const ParsedWords& words, std::ostream& out) {
    const TCameraSetList items = loadLibraryFile(words.operands[0]);
    const std::string* folder = words.value("--pictures");
    std::vector<PendingPicture> pictures;
    TPictureNamer namer;
    if (folder)
        namer = [&](std::size_t index, std::size_t slot, const TJPEGImage& picture) {
            const std::string name = (fs::path(*folder) / ("item" + std::to_string(index + 1) + "-camera" +
                                                           std::to_string(slot) + ".jpg"))
                                         .string();
            pictures.push_back({name, &picture.bytes()});
            return name;
        };
    std::string text;
    JsonWriter json(text);
    json.beginArray();
    for (std::size_t i = 0; i < items.size(); ++i)
        writeItemJson(json, *items[i], i, namer);
    json.endArray();
    // Every name is checked before the first picture is written, so that a refusal writes nothing.
    for (const PendingPicture& p : pictures)
        refuseToReplace(p.fileName, words.has("--force"));
    if (folder && !pictures.empty()) fs::create_directories(*folder);
    for (const PendingPicture& p : pictures)
        writeFile(p.fileName, *p.bytes);
    out << text << '\n';
    return 0;
}

int build(const ParsedWords& words) {
    const std::string& jsonName = words.operands[0];
    const std::string& outName = words.operands[1];
    refuseToReplace(outName, words.has("--force"));
    const std::string text = readFileText(jsonName, kMaxJsonBytes, "a library dump");
    TCameraSetList items;
    try {
        items = readItemsJson(text, readPictureFile);
    } catch (const ItemJsonError& e) {
        throw std::runtime_error(jsonName + ": " + e.what());
    }
    saveLibraryFile(outName, items);
    return 0;
}

int copy(const ParsedWords& words) {
    refuseToReplace(words.operands[1], words.has("--force"));
    saveLibraryFile(words.operands[1], loadLibraryFile(words.operands[0]));
    return 0;
}

// The camera of CAPTION and SLOT in items: the first item of that caption in file order.
TGPLCarCamera& findCamera(TCameraSetList& items, const ParsedWords& words) {
    const std::string caption = argumentToAnsi(words.operands[2], "CAPTION");
    std::ostringstream why;
    const auto slot = parseWholeNumber(words.operands[3], 0, kCamerasPerSet - 1, "SLOT", why);
    if (!slot) throw std::runtime_error(why.str().substr(0, why.str().size() - 1));
    for (const auto& item : items)
        if (item->Caption == caption) return item->camera(static_cast<std::size_t>(*slot));
    throw std::runtime_error(words.operands[1] + ": no item has the caption \"" + printableAnsi(caption) +
                             "\"");
}

int picture(const ParsedWords& words) {
    const std::string& library = words.operands[1];
    const std::string& pictureName = words.operands[4];
    TCameraSetList items = loadLibraryFile(library);
    TGPLCarCamera& camera = findCamera(items, words);
    if (words.operands[0] == "get") {
        if (camera.getImage().empty()) throw std::runtime_error(library + ": that camera has no picture");
        refuseToReplace(pictureName, words.has("--force"));
        writeFile(pictureName, camera.getImage().bytes());
        return 0;
    }
    TJPEGImage image(readPictureFile(pictureName));
    try {
        image.decode(); // what the views could not show is not taken
    } catch (const JpegError& e) {
        throw std::runtime_error(pictureName + ": not a picture the program can show (" + e.what() + ")");
    }
    camera.setImage(image);
    saveLibraryFile(library, items);
    return 0;
}

struct Command {
    const char* name;
    std::vector<OptionRule> options;
    std::size_t operands;
};

const Command kCommands[] = {
    {"list", {}, 1},
    {"dump", {{"--pictures", true}, {"--force", false}}, 1},
    {"build", {{"--force", false}}, 2},
    {"copy", {{"--force", false}}, 2},
    {"picture", {{"--force", false}}, 5},
};

int runParsed(const std::string& name, const ParsedWords& words, std::ostream& out) {
    if (name == "list") return list(words, out);
    if (name == "dump") return dump(words, out);
    if (name == "build") return build(words);
    if (name == "copy") return copy(words);
    return picture(words);
}

std::optional<ParsedWords> parseCmf(const std::vector<std::string>& args, std::ostream& err) {
    if (args.empty()) {
        err << "skyvane-tool cmf: a command is missing\n";
        return std::nullopt;
    }
    for (const Command& c : kCommands) {
        if (args[0] != c.name) continue;
        const std::string command = std::string("cmf ") + c.name;
        auto words = parseWords({args.begin() + 1, args.end()}, c.options, command.c_str(), c.operands,
                                c.operands, err);
        if (words && c.name == std::string_view("picture") && words->operands[0] != "get" &&
            words->operands[0] != "set") {
            err << "skyvane-tool cmf picture: get or set, not " << escapeText(words->operands[0]) << '\n';
            return std::nullopt;
        }
        if (words) words->operands.insert(words->operands.begin(), c.name); // which command, for the run
        return words;
    }
    err << "skyvane-tool cmf: unknown command " << escapeText(args[0]) << '\n';
    return std::nullopt;
}

int runCmf(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return parseAndRun(args, out, err, kUsage, parseCmf, [&](ParsedWords words) {
        const std::string name = words.operands[0];
        words.operands.erase(words.operands.begin());
        return runParsed(name, words, out);
    });
}

const bool registered = registerCommandGroup({
    "cmf",
    "  skyvane-tool cmf list FILE     one line per item: type, caption, activation key\n"
    "  skyvane-tool cmf dump FILE [--pictures DIR]\n"
    "                                 print a library as JSON (with the pictures as files in DIR)\n"
    "  skyvane-tool cmf build JSON OUT.cmf\n"
    "                                 make a library from such JSON\n"
    "  skyvane-tool cmf copy IN OUT   read a library file and write it again\n"
    "  skyvane-tool cmf picture get FILE CAPTION SLOT OUT.jpg\n"
    "  skyvane-tool cmf picture set FILE CAPTION SLOT IN.jpg\n"
    "                                 take out or put in the picture of one camera (SLOT 0 to 5)\n",
    runCmf,
});

} // namespace

} // namespace skv::tool

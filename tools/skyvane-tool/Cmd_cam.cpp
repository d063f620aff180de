// The "cam" commands: a game camera file made into a car camera set of a library (or shown as JSON),
// and a set of a library written out as a game camera file.
#include "Commands.h"
#include "Itemjson.h"
#include "Jsonwriter.h"
#include "Toolargs.h"
#include "Tooltext.h"

#include "model/Camfile.h"
#include "model/Libraryfile.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <stdexcept>

namespace skv::tool {

namespace {

using namespace skv::model;

constexpr const char* kUsage = "usage: skyvane-tool cam import CAM LIB.cmf [--caption NAME] [--replace]\n"
                               "       skyvane-tool cam import CAM --json [--caption NAME]\n"
                               "       skyvane-tool cam export IN.cmf CAPTION OUT.cam [--force]\n";

struct CamArgs {
    bool import = false;
    ParsedWords words;
};

std::optional<CamArgs> parseCam(const std::vector<std::string>& args, std::ostream& err) {
    CamArgs parsed;
    parsed.import = !args.empty() && args[0] == "import";
    const std::vector<std::string> rest(args.begin() + (args.empty() ? 0 : 1), args.end());
    std::optional<ParsedWords> words;
    if (parsed.import) {
        const bool json = std::find(rest.begin(), rest.end(), "--json") != rest.end();
        words = parseWords(rest, {{"--caption", true}, {"--json", false}, {"--replace", false}}, "cam import",
                           json ? 1 : 2, json ? 1 : 2, err);
        if (words && json && words->has("--replace")) {
            err << "skyvane-tool cam import: --replace and --json do not go together\n";
            return std::nullopt;
        }
    } else if (!args.empty() && args[0] == "export") {
        words = parseWords(rest, {{"--force", false}}, "cam export", 3, 3, err);
    } else {
        err << "skyvane-tool cam: "
            << (args.empty() ? "a command is missing" : "unknown command " + escapeText(args[0])) << '\n';
    }
    if (!words) return std::nullopt;
    parsed.words = std::move(*words);
    return parsed;
}

void printJson(const TGPLCarCameraSet& set, std::ostream& out) {
    std::string text;
    JsonWriter json(text);
    json.beginArray();
    writeItemJson(json, set);
    json.endArray();
    out << text << '\n';
}

// The set is added to the library, or takes the place of the first item of its caption with
// --replace; any other item of that caption is an error, so that nothing is lost unasked.
void addToLibrary(const std::string& libraryName, std::unique_ptr<TGPLCarCameraSet> set, bool replace) {
    TCameraSetList items;
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::symlink_status(libraryName, ec)))
        items = loadLibraryFile(libraryName);
    for (auto& item : items) {
        if (item->Caption != set->Caption) continue;
        if (!replace)
            throw std::runtime_error(libraryName + " already has an item \"" + printableAnsi(set->Caption) +
                                     "\"; give --replace to replace it, or --caption NAME");
        item = std::move(set);
        break;
    }
    if (set) items.push_back(std::move(set));
    saveLibraryFile(libraryName, items);
}

int importCam(const ParsedWords& words, std::ostream& out) {
    const std::string& camName = words.operands[0];
    auto set = std::make_unique<TGPLCarCameraSet>();
    // Without a caption the set is named after the camera file, as "brabham" for brabham.cam.
    const std::string* caption = words.value("--caption");
    set->Caption = caption ? argumentToAnsi(*caption, "--caption")
                           : argumentToAnsi(std::filesystem::path(camName).stem().string(), "the file name");
    TCamFileBuffer buffer;
    buffer.importCamFile(*set, camName);
    if (words.has("--json")) {
        printJson(*set, out);
        return 0;
    }
    addToLibrary(words.operands[1], std::move(set), words.has("--replace"));
    return 0;
}

// The first item of that caption in file order; it must be a car camera set.
const TGPLCarCameraSet& findSet(const TCameraSetList& items, const std::string& libraryName,
                                const std::string& caption) {
    for (const auto& item : items) {
        if (item->Caption != caption) continue;
        if (item->isEffect())
            throw std::runtime_error(libraryName + ": \"" + printableAnsi(caption) +
                                     "\" is an effect; only a car camera set makes a camera file");
        return *item;
    }
    throw std::runtime_error(libraryName + ": no item has the caption \"" + printableAnsi(caption) + "\"");
}

int exportCam(const ParsedWords& words) {
    const std::string& libraryName = words.operands[0];
    const std::string& camName = words.operands[2];
    const TCameraSetList items = loadLibraryFile(libraryName);
    const TGPLCarCameraSet& set = findSet(items, libraryName, argumentToAnsi(words.operands[1], "CAPTION"));
    refuseToReplace(camName, words.has("--force"));
    // A buffer no file was imported into: the header word is 0, as for an export right after start.
    TCamFileBuffer buffer;
    buffer.exportCamFile(set, camName);
    return 0;
}

int runCam(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return parseAndRun(args, out, err, kUsage, parseCam, [&](const CamArgs& parsed) {
        return parsed.import ? importCam(parsed.words, out) : exportCam(parsed.words);
    });
}

const bool registered = registerCommandGroup({
    "cam",
    "  skyvane-tool cam import CAM LIB.cmf [--caption NAME] [--replace]\n"
    "                                 add a car camera set made from a camera file to a library\n"
    "                                 (made when absent); --replace takes the place of a set of that "
    "caption\n"
    "  skyvane-tool cam import CAM --json [--caption NAME]\n"
    "                                 print that set as JSON instead\n"
    "  skyvane-tool cam export IN.cmf CAPTION OUT.cam [--force]\n"
    "                                 write the set of that caption as a camera file\n",
    runCam,
});

} // namespace

} // namespace skv::tool

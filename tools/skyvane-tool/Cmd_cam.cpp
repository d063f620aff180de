// The "cam" commands: a game camera file made into a car camera set of a library (or shown as JSON),
// and a set of a library written out as a game camera file.
#include "Commands.h"
#include "Itemjson.h"
#include "Jsonwriter.h"

#include "model/Camfile.h"
#include "model/Libraryfile.h"

#include <exception>
#include <filesystem>
#include <optional>
#include <stdexcept>

namespace skv::tool {

namespace {

using namespace skv::model;

constexpr const char* kUsage = "usage: skyvane-tool cam import CAM OUT.cmf [--caption NAME]\n"
                               "       skyvane-tool cam import CAM --json [--caption NAME]\n"
                               "       skyvane-tool cam export IN.cmf CAPTION OUT.cam\n";

// The words after "import": the file names in order, and the options wherever they stand.
struct ImportArgs {
    std::vector<std::string> files;
    std::optional<std::string> caption;
    bool json = false;
};

std::optional<ImportArgs> parseImport(const std::vector<std::string>& words) {
    ImportArgs args;
    for (std::size_t i = 1; i < words.size(); ++i) {
        if (words[i] == "--json") {
            args.json = true;
        } else if (words[i] == "--caption" && i + 1 < words.size() && !args.caption) {
            args.caption = words[++i];
        } else if (words[i].starts_with("--")) {
            return std::nullopt;
        } else {
            args.files.push_back(words[i]);
        }
    }
    if (args.files.size() != (args.json ? 1u : 2u)) return std::nullopt;
    return args;
}

int importCam(const ImportArgs& args, std::ostream& out) {
    const std::string& camName = args.files[0];
    auto set = std::make_unique<TGPLCarCameraSet>();
    // Without a caption the set is named after the camera file, as "brabham" for brabham.cam.
    set->Caption = args.caption ? *args.caption : std::filesystem::path(camName).stem().string();
    TCamFileBuffer buffer;
    buffer.importCamFile(*set, camName);

    if (args.json) {
        std::string text;
        JsonWriter json(text);
        json.beginArray();
        writeItemJson(json, *set);
        json.endArray();
        out << text << '\n';
        return 0;
    }
    TCameraSetList items;
    items.push_back(std::move(set));
    saveLibraryFile(args.files[1], items);
    return 0;
}

// The first item of that caption in file order; it must be a car camera set.
const TGPLCarCameraSet& findSet(const TCameraSetList& items, const std::string& libraryName,
                                const std::string& caption) {
    for (const auto& item : items) {
        if (item->Caption != caption) continue;
        if (item->isEffect())
            throw std::runtime_error(libraryName + ": \"" + caption +
                                     "\" is an effect; only a car camera set makes a camera file");
        return *item;
    }
    throw std::runtime_error(libraryName + ": no item has the caption \"" + caption + "\"");
}

int exportCam(const std::string& libraryName, const std::string& caption, const std::string& camName) {
    const TCameraSetList items = loadLibraryFile(libraryName);
    const TGPLCarCameraSet& set = findSet(items, libraryName, caption);
    // A buffer no file was imported into: the header word is 0, as for an export right after start.
    TCamFileBuffer buffer;
    buffer.exportCamFile(set, camName);
    return 0;
}

int runCam(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    try {
        if (!args.empty() && args[0] == "import")
            if (const auto parsed = parseImport(args)) return importCam(*parsed, out);
        if (args.size() == 4 && args[0] == "export") return exportCam(args[1], args[2], args[3]);
    } catch (const std::exception& e) {
        err << "skyvane-tool: " << e.what() << '\n';
        return 1;
    }
    err << kUsage;
    return 2;
}

const bool registered = registerCommandGroup({
    "cam",
    "  skyvane-tool cam import CAM OUT.cmf [--caption NAME]\n"
    "                                 make a library of one car camera set from a camera file\n"
    "  skyvane-tool cam import CAM --json [--caption NAME]\n"
    "                                 print that set as JSON instead\n"
    "  skyvane-tool cam export IN.cmf CAPTION OUT.cam\n"
    "                                 write the set of that caption as a camera file\n",
    runCam,
});

} // namespace

} // namespace skv::tool

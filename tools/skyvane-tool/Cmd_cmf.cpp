// The "cmf" commands: library files printed as JSON and copied through the reader and writer.
#include "Commands.h"
#include "Itemjson.h"
#include "Jsonwriter.h"
#include "Samplelibrary.h"

#include "model/Libraryfile.h"

#include <exception>

namespace skv::tool {

namespace {

using namespace skv::model;

int dump(const std::string& fileName, std::ostream& out) {
    const TCameraSetList items = loadLibraryFile(fileName);
    std::string text;
    JsonWriter json(text);
    json.beginArray();
    for (const auto& item : items)
        writeItemJson(json, *item);
    json.endArray();
    out << text << '\n';
    return 0;
}

int copy(const std::string& from, const std::string& to) {
    saveLibraryFile(to, loadLibraryFile(from));
    return 0;
}

int runCmf(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    try {
        if (args.size() == 2 && args[0] == "dump") return dump(args[1], out);
        if (args.size() == 3 && args[0] == "copy") return copy(args[1], args[2]);
        // Not listed in the usage: rebuilds the sample library that ships with the program.
        if (args.size() == 2 && args[0] == "make-sample") {
            saveLibraryFile(args[1], makeSampleLibrary());
            return 0;
        }
    } catch (const std::exception& e) {
        err << "skyvane-tool: " << e.what() << '\n';
        return 1;
    }
    err << "usage: skyvane-tool cmf dump FILE | skyvane-tool cmf copy IN OUT\n";
    return 2;
}

const bool registered = registerCommandGroup({
    "cmf",
    "  skyvane-tool cmf dump FILE     print a library file as JSON\n"
    "  skyvane-tool cmf copy IN OUT   read a library file and write it again\n",
    runCmf,
});

} // namespace

} // namespace skv::tool

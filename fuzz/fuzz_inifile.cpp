// INI files from anywhere: any bytes load; every name listed can be read in every way; a saved file
// loads back to the same sections, keys and values; and an entry written is read back as written.
#include "Fuzzcheck.h"

#include "engine/Inifile.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using namespace skv::engine;

namespace {

// The whole content as section -> key -> value, in file order, except that the nameless section (the
// keys before the first header, or under "[]") comes first, where a save puts it.
std::string contentOf(const TIniFile& ini) {
    std::string nameless, named;
    for (const std::string& section : ini.ReadSections()) {
        std::string& out = section.empty() ? nameless : named;
        out += "[" + section + "]\n";
        for (const std::string& key : ini.ReadSection(section)) {
            out += key + "=" + ini.ReadString(section, key, "") + "\n";
            // Typed reads take any text: a value that is not one gives the default.
            (void)ini.ReadInteger(section, key, 7);
            (void)ini.ReadFloat(section, key, 0.5);
            (void)ini.ReadBool(section, key, true);
            FUZZ_CHECK(ini.ValueExists(section, key));
        }
        FUZZ_CHECK(ini.SectionExists(section));
    }
    // Without keys the nameless section is not saved at all.
    return (nameless == "[]\n" ? std::string() : nameless) + named;
}

// The input's first two lines name a section and a key; the rest of the input is the value.
void writeAndReadBack(const std::string& text) {
    const std::size_t a = text.find('\n');
    const std::size_t b = a == std::string::npos ? a : text.find('\n', a + 1);
    if (b == std::string::npos) return;
    const std::string section = text.substr(0, a), key = text.substr(a + 1, b - a - 1),
                      value = text.substr(b + 1);
    TIniFile ini;
    try {
        ini.WriteString(section, key, value);
    } catch (const EIniFileError&) {
        return;
    }
    FUZZ_CHECK(ini.ReadString(section, key, value + "x") == value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    writeAndReadBack(text);

    TIniFile ini;
    try {
        ini.LoadFromString(text);
    } catch (const EIniFileError&) {
        return 0;
    }
    const std::string content = contentOf(ini);
    const std::string saved = ini.SaveToString();

    TIniFile again;
    again.LoadFromString(saved);
    // Comments and blank lines may move between saves; sections, keys and values may not.
    FUZZ_CHECK(contentOf(again) == content);
    return 0;
}

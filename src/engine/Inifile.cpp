// INI files on SimpleIni, configured for Windows profile semantics.
#include "engine/Inifile.h"

#include "engine/base/Text.h"

#include "engine/values/Variant.h"

// Texts are 8-bit bytes passed through as they are.
#define SI_NO_CONVERSION
#include <SimpleIni.h>

#include <charconv>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string_view>

namespace skv::engine {

namespace {
// Larger files are refused rather than read whole into memory.
constexpr std::uintmax_t kMaxIniFileSize = 64u * 1024u * 1024u;
// Section and key names are used without their surrounding blanks and tabs, as Windows does.

bool isLineEnd(char c) {
    return c == '\r' || c == '\n';
}

// A line that opens a section header without closing it is no entry and is skipped, so the keys after
// it stay in the section before. SimpleIni instead files them under a name made of that line and the
// next key, which a save then writes as different lines each time; such lines are dropped before it
// parses the text.
std::string withoutBrokenHeaders(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t begin = 0; begin < text.size();) {
        std::size_t end = begin;
        while (end < text.size() && !isLineEnd(text[end]))
            ++end;
        std::size_t first = begin;
        while (first < end && (text[first] == ' ' || text[first] == '\t'))
            ++first;
        const bool broken = first < end && text[first] == '[' && text.find(']', first) >= end;
        if (!broken) out.append(text, begin, end - begin);
        for (begin = end; begin < text.size() && isLineEnd(text[begin]); ++begin)
            out += text[begin];
    }
    return out;
}
} // namespace

struct TIniFile::TImpl {
    // 8-bit texts, duplicate keys kept so that the first one wins as in Windows, no multi-line values.
    CSimpleIniA Ini{false, true, false};

    TImpl() { configure(); }
    void configure() {
        Ini.SetSpaces(false);
        Ini.SetQuotes(false);
    }
};

TIniFile::TIniFile() : impl_(std::make_unique<TImpl>()) {}

TIniFile::TIniFile(std::string fileName) : TIniFile() {
    FileName = std::move(fileName);
    std::ifstream probe(FileName, std::ios::binary);
    if (probe) LoadFromFile(FileName);
}

TIniFile::~TIniFile() = default;

void TIniFile::Clear() {
    impl_->Ini.Reset();
}

void TIniFile::LoadFromFile(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    if (!in) throw EIniFileError("Cannot open file \"" + fileName + "\"");
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0 || static_cast<std::uintmax_t>(size) > kMaxIniFileSize)
        throw EIniFileError("File \"" + fileName + "\" is too large");
    in.seekg(0, std::ios::beg);
    std::string text(static_cast<std::size_t>(size), '\0');
    if (size > 0 && !in.read(text.data(), size)) throw EIniFileError("Cannot read file \"" + fileName + "\"");
    LoadFromString(text);
    FileName = fileName;
}

void TIniFile::LoadFromString(const std::string& text) {
    impl_->Ini.Reset();
    impl_->configure();
    // SimpleIni stops at a NUL byte; the rest of such a file is garbage to us anyway.
    const std::string cleaned = withoutBrokenHeaders(text);
    if (impl_->Ini.LoadData(cleaned.data(), cleaned.size()) < 0) throw EIniFileError("Cannot read INI data");
}

std::string TIniFile::SaveToString() const {
    std::string out;
    if (impl_->Ini.Save(out, false) < 0) throw EIniFileError("Cannot write INI data");
    return out;
}

void TIniFile::SaveToFile(const std::string& fileName) const {
    const std::string text = SaveToString();
    std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
    if (!out || !out.write(text.data(), static_cast<std::streamsize>(text.size())) || !out.flush())
        throw EIniFileError("Cannot write file \"" + fileName + "\"");
}

void TIniFile::UpdateFile() const {
    if (FileName.empty()) throw EIniFileError("No INI file name");
    SaveToFile(FileName);
}

std::vector<std::string> TIniFile::ReadSections() const {
    CSimpleIniA::TNamesDepend sections;
    impl_->Ini.GetAllSections(sections);
    sections.sort(CSimpleIniA::Entry::LoadOrder());
    std::vector<std::string> out;
    for (const auto& s : sections)
        out.emplace_back(s.pItem);
    return out;
}

std::vector<std::string> TIniFile::ReadSection(const std::string& section) const {
    CSimpleIniA::TNamesDepend keys;
    impl_->Ini.GetAllKeys(TrimBlanks(section).c_str(), keys);
    keys.sort(CSimpleIniA::Entry::LoadOrder());
    std::vector<std::string> out;
    for (const auto& k : keys) // a duplicated name is listed once, at its first line
        out.emplace_back(k.pItem);
    return out;
}

bool TIniFile::SectionExists(const std::string& section) const {
    return impl_->Ini.GetSection(TrimBlanks(section).c_str()) != nullptr;
}

bool TIniFile::ValueExists(const std::string& section, const std::string& key) const {
    return impl_->Ini.GetValue(TrimBlanks(section).c_str(), TrimBlanks(key).c_str(), nullptr) != nullptr;
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& def) const {
    const char* v = impl_->Ini.GetValue(TrimBlanks(section).c_str(), TrimBlanks(key).c_str(), nullptr);
    return v ? std::string(v) : def;
}

void TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
    const std::string s = TrimBlanks(section), k = TrimBlanks(key);
    if (k.empty()) throw EIniFileError("Empty key name in section \"" + s + "\"");
    // A value cannot span lines in this format; a line break would start a line of its own. A NUL byte
    // would silently cut the text where it stands.
    using namespace std::string_view_literals;
    if (value.find_first_of("\r\n\0"sv) != std::string::npos ||
        s.find_first_of("\r\n]\0"sv) != std::string::npos ||
        k.find_first_of("\r\n=\0"sv) != std::string::npos)
        throw EIniFileError("Invalid INI entry \"" + s + "\" / \"" + k + "\"");
    // An existing key keeps the spelling of its name in the file.
    std::string name = k;
    CSimpleIniA::TNamesDepend keys;
    impl_->Ini.GetAllKeys(s.c_str(), keys);
    for (const auto& entry : keys)
        if (!CSimpleIniA::Entry::KeyOrder()(entry, CSimpleIniA::Entry(k.c_str())) &&
            !CSimpleIniA::Entry::KeyOrder()(CSimpleIniA::Entry(k.c_str()), entry))
            name = entry.pItem;
    if (impl_->Ini.SetValue(s.c_str(), name.c_str(), value.c_str(), nullptr, true) < 0)
        throw EIniFileError("Cannot store INI entry");
}

std::int32_t TIniFile::ReadInteger(const std::string& section, const std::string& key,
                                   std::int32_t def) const {
    const std::string text = TrimBlanks(ReadString(section, key, {}));
    std::int32_t v = 0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+') ++first;
    const auto r = std::from_chars(first, last, v);
    return r.ec == std::errc() && r.ptr == last && first != last ? v : def;
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, std::int32_t value) {
    WriteString(section, key, std::to_string(value));
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

double TIniFile::ReadFloat(const std::string& section, const std::string& key, double def) const {
    double v = 0;
    return TryStrToFloat(ReadString(section, key, {}), v) ? v : def;
}

void TIniFile::WriteFloat(const std::string& section, const std::string& key, double value) {
    WriteString(section, key, FloatToStrGeneral(value));
}

void TIniFile::EraseSection(const std::string& section) {
    impl_->Ini.Delete(TrimBlanks(section).c_str(), nullptr);
}

void TIniFile::DeleteKey(const std::string& section, const std::string& key) {
    impl_->Ini.Delete(TrimBlanks(section).c_str(), TrimBlanks(key).c_str());
}

std::string NumberedLineKey(const std::string& Name, std::size_t Line) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "_%-3.3zu", Line);
    return "@" + Name + buf;
}

std::int64_t PositiveKeyNumber(const std::string& Text) {
    std::int64_t n = 0;
    const char* first = Text.data();
    const char* last = first + Text.size();
    const auto r = std::from_chars(first, last, n);
    if (r.ec != std::errc() || r.ptr != last || n <= 0) return 0;
    return n;
}

} // namespace skv::engine

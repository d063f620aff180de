// An INI file with the rules of Windows profile files: section and key names without regard to case,
// sections and keys kept in file order, "key=value" lines with values stored raw.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace skv::engine {

// A file that cannot be read or written.
class EIniFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TIniFile {
public:
    TIniFile();
    // Loads FileName when it exists; a missing file is an empty INI file.
    explicit TIniFile(std::string fileName);
    ~TIniFile();
    TIniFile(const TIniFile&) = delete;
    TIniFile& operator=(const TIniFile&) = delete;

    // The file that UpdateFile writes; set by the constructor or LoadFromFile.
    std::string FileName;

    // Replaces the contents. Any byte sequence loads (lines that are neither a section header nor a
    // "key=value" line are skipped); only an unreadable or oversized file raises.
    void LoadFromFile(const std::string& fileName);
    void LoadFromString(const std::string& text);
    void SaveToFile(const std::string& fileName) const;
    std::string SaveToString() const;
    void UpdateFile() const; // saves to FileName
    void Clear();

    // Names in file order (new ones at the end).
    std::vector<std::string> ReadSections() const;
    std::vector<std::string> ReadSection(const std::string& section) const;
    bool SectionExists(const std::string& section) const;
    bool ValueExists(const std::string& section, const std::string& key) const;

    std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    // Decimal integers; a value that is not one gives the default.
    std::int32_t ReadInteger(const std::string& section, const std::string& key, std::int32_t def) const;
    void WriteInteger(const std::string& section, const std::string& key, std::int32_t value);
    // Written as "1"/"0"; read as true for any number other than 0.
    bool ReadBool(const std::string& section, const std::string& key, bool def) const;
    void WriteBool(const std::string& section, const std::string& key, bool value);
    // With the engine's decimal separator, in the shortest general format.
    double ReadFloat(const std::string& section, const std::string& key, double def) const;
    void WriteFloat(const std::string& section, const std::string& key, double value);

    void EraseSection(const std::string& section);
    void DeleteKey(const std::string& section, const std::string& key);

private:
    struct TImpl;
    std::unique_ptr<TImpl> impl_;
};

// The engine's INI layouts (variables, user libraries) keep an item's lines under numbered keys:
// "@" Name "_001", "@" Name "_002", ... (three digits at least).
std::string NumberedLineKey(const std::string& Name, std::size_t Line);
// The number of such a key's attribute: a whole text that is a positive decimal integer, or 0.
std::int64_t PositiveKeyNumber(const std::string& Text);

} // namespace skv::engine

// Where a user library is kept: the INI layout of its two lists, and the form-file properties
// "UserFuncs" and "Aliases" in the component stream.
#include "engine/base/Errors.h"
#include "engine/base/Text.h"
#include "engine/component/Expars.h"

#include "engine/Inifile.h"

#include <algorithm>
#include <cstdint>

namespace skv::engine {

namespace {

constexpr const char* kAliasesSection = "Aliases";
constexpr const char* kFunctionsSection = "Functions";

// The lengths the stored layout always cut its item identifiers and descriptions to.
constexpr std::size_t kMaxIdentLength = 30;
constexpr std::size_t kMaxDescrLength = 80;

using stream::StreamValue;
using stream::StreamValueType;
using stream::TStreamReader;

std::int32_t CountKeyValue(std::size_t Lines) {
    return static_cast<std::int32_t>(std::min<std::size_t>(Lines + 1, INT32_MAX));
}

bool IsBlank(char C) {
    return C == ' ' || C == '\t';
}

bool IsQuoted(const std::string& Text) {
    return Text.size() >= 2 && Text.front() == '"' && Text.back() == '"';
}

// INI values lose their surrounding blanks when read, so a text that starts or ends with one is
// written in double quotes; so is a text that is itself in double quotes (a string constant), whose
// own quotes would otherwise go when it is read. Anything else is written as it is, as it always was.
std::string QuotedForIni(const std::string& Text) {
    const bool padded = !Text.empty() && (IsBlank(Text.front()) || IsBlank(Text.back()));
    return padded || IsQuoted(Text) ? '"' + Text + '"' : Text;
}

// One pair of surrounding double quotes is dropped, as profile files always read them; single
// quotes stay, since a text in them is a date constant of the expression language.
std::string UnquotedFromIni(std::string Value) {
    if (IsQuoted(Value)) return Value.substr(1, Value.size() - 2);
    return Value;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// INI layout

void TEPExprList::WriteItemsTo(TIniFile& Ini, const std::string& Section) const {
    for (const auto& item : Items_) {
        const std::string& n = item->Name();
        const std::vector<std::string>& lines = item->Source();
        Ini.WriteInteger(Section, n, CountKeyValue(lines.size()));
        Ini.WriteString(Section, "@" + n + "_Descr", QuotedForIni(item->Descr));
        for (std::size_t l = 0; l < lines.size(); ++l)
            Ini.WriteString(Section, NumberedLineKey(n, l + 1), QuotedForIni(lines[l]));
    }
}

void TEPExprList::ReadItemsFrom(const TIniFile& Ini, const std::string& Section) {
    TEPExprItem* cur = nullptr;
    std::vector<std::string> buffer;
    std::int64_t count = 0;
    const auto flush = [&] {
        if (cur && !buffer.empty()) cur->AssignSource(buffer);
        buffer.clear();
    };

    for (const std::string& key : Ini.ReadSection(Section)) {
        const std::string value = Ini.ReadString(Section, key, "");
        if (key.empty() || key[0] != '@') {
            flush();
            // The counting key's own text stands as the item's text until a description or its
            // first line replaces it: an item with neither keeps the count as its only line.
            buffer.push_back(value);
            count = Ini.ReadInteger(Section, key, 0);
            try {
                cur = Add(UpStr(key), {});
            } catch (const EMathParserError&) {
                // A duplicate or an invalid name: its "@" keys are skipped, and nothing of it
                // reaches the item before.
                cur = nullptr;
                buffer.clear();
            }
            continue;
        }
        if (!cur) continue;
        const std::string& name = cur->Name();
        if (key.size() < name.size() + 1 || CompareNames(key.substr(1, name.size()), name) != 0) continue;
        const std::string attr = key.size() > name.size() + 2 ? key.substr(name.size() + 2) : std::string();
        if (CompareNames(attr, "DESCR") == 0) {
            buffer.clear();
            cur->Descr = UnquotedFromIni(value);
            continue;
        }
        const std::int64_t line = PositiveKeyNumber(attr);
        if (line <= 0) continue;
        if (line == 1) buffer.clear();
        buffer.push_back(UnquotedFromIni(value));
        // Without a count to go by, the lines are kept until the next item or the end.
        if (count > 0 && line >= count - 1) flush();
    }
    flush();
}

void TEPUserLib::WriteUserLibTo(const std::string& FileName) {
    if (FileName.empty()) return;
    TIniFile ini(FileName);
    ini.EraseSection(kAliasesSection);
    Aliases_.WriteItemsTo(ini, kAliasesSection);
    ini.EraseSection(kFunctionsSection);
    Functions_.WriteItemsTo(ini, kFunctionsSection);
    ini.UpdateFile();
}

void TEPUserLib::ReadUserLibFrom(const std::string& FileName) {
    if (FileName.empty() || !FindFile(FileName)) return;
    const TIniFile ini(FileName); // an unreadable file raises before anything is emptied
    BeginUpdate();
    try {
        Functions_.ClearEntries();
        Aliases_.ClearEntries();
        Aliases_.ReadItemsFrom(ini, kAliasesSection);
        Functions_.ReadItemsFrom(ini, kFunctionsSection);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

// ---------------------------------------------------------------------------------------------
// Form-file properties

namespace {

struct TStreamedItem {
    std::string Name;
    std::string Descr;
    std::vector<std::string> Lines;
    std::size_t Offset = 0;
};

std::string TextOf(const StreamValue& V, const char* What) {
    if (!V.isString())
        TStreamReader::fail(V.offset,
                            std::string("the ") + What + " of a user library item must be a string");
    return std::string(V.text);
}

void ReadLines(TStreamReader& Reader, TStreamedItem& Item) {
    const StreamValue count = Reader.readValue();
    if (!count.isInteger() || count.integer < 0)
        TStreamReader::fail(count.offset,
                            "the line count of a user library item must be a number of 0 or more");
    // Each line is read before it is kept: a count larger than the data ends in the reader's error.
    for (std::int64_t i = 0; i < count.integer; ++i)
        Item.Lines.push_back(TextOf(Reader.readValue(), "line"));
}

TStreamedItem ReadItem(TStreamReader& Reader) {
    TStreamedItem item;
    StreamValue v = Reader.readValue();
    item.Offset = v.offset;
    if (v.isString()) { // the short form: name, line count, lines
        item.Name = std::string(v.text);
        ReadLines(Reader, item);
        return item;
    }
    for (;;) {
        if (v.type != StreamValueType::Ident)
            TStreamReader::fail(v.offset, "a user library item must start with its name or an identifier");
        const std::string ident(v.text.substr(0, kMaxIdentLength));
        if (CompareNames(ident, "Source") == 0) {
            ReadLines(Reader, item);
            return item;
        }
        if (CompareNames(ident, "Name") == 0) {
            item.Name = TextOf(Reader.readValue(), "name");
        } else if (CompareNames(ident, "Descr") == 0) {
            item.Descr = TextOf(Reader.readValue(), "description").substr(0, kMaxDescrLength);
        } else {
            TStreamReader::fail(v.offset, "unknown user library item property \"" + ident + "\"");
        }
        v = Reader.readValue();
    }
}

// Refuses what Add would refuse, so that replacing the items cannot stop half way.
void CheckNames(const std::vector<TStreamedItem>& Items) {
    std::vector<std::string> seen;
    for (const TStreamedItem& item : Items) {
        const std::string up = UpStr(item.Name);
        if (!IsValidIdentCyr(up) || HasReservedWord(up))
            TStreamReader::fail(item.Offset, "invalid user library item name \"" + item.Name + "\"");
        if (std::find(seen.begin(), seen.end(), up) != seen.end())
            TStreamReader::fail(item.Offset, "duplicate user library item name \"" + item.Name + "\"");
        seen.push_back(up);
    }
}

} // namespace

void TEPExprList::WriteData(stream::TStreamWriter& Writer) const {
    Writer.writeListBegin();
    for (const auto& item : Items_) {
        const std::vector<std::string>& lines = item->Source();
        Writer.writeIdentValue("Name");
        Writer.writeStringValue(item->Name());
        Writer.writeIdentValue("Descr");
        Writer.writeStringValue(item->Descr);
        Writer.writeIdentValue("Source");
        Writer.writeIntegerValue(CountKeyValue(lines.size()) - 1);
        for (const std::string& line : lines)
            Writer.writeStringValue(line);
    }
    Writer.writeListEnd();
}

void TEPExprList::ReadData(stream::TStreamReader& Reader) {
    const StreamValue list = Reader.readValue();
    if (list.type != StreamValueType::List)
        TStreamReader::fail(list.offset, "a user library list must be a list");
    std::vector<TStreamedItem> read;
    while (Reader.nextListItem())
        read.push_back(ReadItem(Reader));
    CheckNames(read);

    if (UserLib) UserLib->BeginUpdate();
    try {
        ClearEntries();
        for (TStreamedItem& item : read)
            Add(item.Name, item.Lines)->Descr = std::move(item.Descr);
    } catch (...) {
        if (UserLib) UserLib->EndUpdate();
        throw;
    }
    if (UserLib) UserLib->EndUpdate();
}

void TEPUserLib::WriteProperties(stream::TStreamWriter& Writer) const {
    Writer.writePropertyName("UserFuncs");
    Functions_.WriteData(Writer);
    Writer.writePropertyName("Aliases");
    Aliases_.WriteData(Writer);
}

bool TEPUserLib::ReadProperty(std::string_view Path, stream::TStreamReader& Reader) {
    if (CompareNames(Path, "UserFuncs") == 0) {
        Functions_.ReadData(Reader);
        return true;
    }
    if (CompareNames(Path, "Aliases") == 0) {
        Aliases_.ReadData(Reader);
        return true;
    }
    return false;
}

} // namespace skv::engine

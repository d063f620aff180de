// The built-in library: the order in which a new registry is filled, adding and removing a group,
// and the helpers the group files share.
#include "engine/bldfuncs/Bldfuncs.h"

#include "engine/base/Checkpoint.h"
#include "engine/base/Errors.h"
#include "engine/base/Messages.h"
#include "engine/base/Text.h"

#include <mutex>

namespace skv::engine {

// Tables of the group files.
const TBuildInTable& TrigonomFuncTable();
const TBuildInTable& ExpLogFuncTable();
const TBuildInTable& DateFuncTable();
const TBuildInTable& DBFuncTable();
const TBuildInTable& VariantStringFuncTable();
const TBuildInTable& ConvertFuncTable();
const TBuildInTable& FileFuncTable();
const TBuildInTable& SystemFuncTable();

namespace {

// The raw functions of these groups are added only when their name is free, so that a host
// function of the same name survives switching the group on.
bool AddsOnlyIfAbsent(int Group) {
    return Group == bfgDate || Group == bfgExpLog || Group == bfgTrigonom || Group == bfgDB;
}

void AddTable(TFuncStringList& List, const TBuildInTable& Table, bool OnlyIfAbsent) {
    for (const TBuildInFunc& f : Table) {
        if (f.Proc) {
            if (OnlyIfAbsent)
                List.AddFunc(f.Name, f.Proc, f.ArgCount, f.Descr, f.Category);
            else
                List.AddFuncObject(f.Name, f.Proc, f.ArgCount, f.Descr, f.Category);
            continue;
        }
        List.AddRTFunction(f.Name, f.MakeStub(), nullptr, f.Types, f.Result, f.Descr, f.Category);
    }
}

} // namespace

const TBuildInTable& BuildInGroupTable(int Group) {
    static const TBuildInTable none;
    switch (Group) {
    case bfgDate:
        return DateFuncTable();
    case bfgExpLog:
        return ExpLogFuncTable();
    case bfgTrigonom:
        return TrigonomFuncTable();
    case bfgDB:
        return DBFuncTable();
    case bfgVariantString:
        return VariantStringFuncTable();
    case bfgConvert:
        return ConvertFuncTable();
    case bfgFile:
        return FileFuncTable();
    case bfgSystem:
        return SystemFuncTable();
    default:
        return none;
    }
}

void TStdBuildInLibrary::FillOutBuildFuncs(TFuncStringList& List) const {
    AddBuildInFuncs(List, bfgTrigonom);
    AddBuildInFuncs(List, bfgExpLog);
    AddTable(List, AlwaysPresentFuncTable(), false);
    for (int g : {bfgDate, bfgDB, bfgVariantString, bfgConvert, bfgFile, bfgSystem})
        AddBuildInFuncs(List, g);
}

void TStdBuildInLibrary::AddBuildInFuncs(TFuncStringList& List, int Group) const {
    AddTable(List, BuildInGroupTable(Group), AddsOnlyIfAbsent(Group));
}

void TStdBuildInLibrary::RemoveBuildInFuncs(TFuncStringList& List, int Group) const {
    for (const TBuildInFunc& f : BuildInGroupTable(Group))
        List.RemoveFuncObject(f.Name);
}

const TBuildInLibrary& DefaultBuildInLibrary() {
    static const TStdBuildInLibrary library;
    return library;
}

namespace bldfuncs {

void RaiseArgCount(const char* Name) {
    throw EFuncParamsError(MsgWithName(_msgMismatchArgs, Name));
}

std::size_t CheckedLength(std::int64_t Length) {
    // Texts and buffers that scripts size: far beyond any effect's needs, well below trouble.
    constexpr std::int64_t kLimit = std::int64_t{64} << 20;
    if (Length < 0) return 0;
    if (Length > kLimit) throw EMathParserError(_msgTooLong);
    return static_cast<std::size_t>(Length);
}

bool LocalTime(std::time_t T, std::tm& Out) {
    static std::mutex lock;
    std::lock_guard guard(lock);
    const std::tm* local = std::localtime(&T);
    if (!local) return false;
    Out = *local;
    return true;
}

namespace {
char LowCyr(char Ch) {
    const auto c = static_cast<unsigned char>(Ch);
    if ((c >= 'A' && c <= 'Z') || (c >= 192 && c <= 223)) return static_cast<char>(c + 32);
    return Ch;
}
} // namespace

std::string LowStr(std::string_view S) {
    return MapBytes(S, LowCyr);
}

// Names and texts compare alike: case-blind over the Latin and Cyrillic letters.
int CompareTextCyr(std::string_view A, std::string_view B) {
    return CompareNames(A, B);
}

} // namespace bldfuncs

} // namespace skv::engine

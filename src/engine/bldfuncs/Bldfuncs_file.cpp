// The file group on the local file system. File names are the platform's; both "/" and "\" count
// as path delimiters when names are taken apart (scripts may come from another system), and "/"
// is the one added. Drive numbers: 0 is the current directory's file system; this system has no
// lettered drives, so other numbers find none. File handles are numbers FileOpen gave out: other
// numbers are refused like a closed handle, so a script cannot reach the program's own files.
#include "engine/base/Checkpoint.h"
#include "engine/base/Text.h"
#include "engine/bldfuncs/Bldfuncs.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <system_error>

namespace skv::engine {

std::int32_t DateTimeToDosStamp(double DateTime);
double DosStampToDateTime(std::int32_t Stamp);

namespace {

namespace fs = std::filesystem;

// Attribute bits as scripts know them.
constexpr std::int32_t faReadOnly = 0x01;
constexpr std::int32_t faHidden = 0x02;
constexpr std::int32_t faDirectory = 0x10;
constexpr std::int32_t faArchive = 0x20;

bool IsDelim(char C) {
    return C == '/' || C == '\\';
}
bool HasDrive(const std::string& S) {
    return S.size() >= 2 && S[1] == ':' && ((S[0] >= 'A' && S[0] <= 'Z') || (S[0] >= 'a' && S[0] <= 'z'));
}
// One past the last path delimiter (or drive colon); 0 when there is none.
std::size_t NameStart(const std::string& S) {
    for (std::size_t i = S.size(); i > 0; --i)
        if (IsDelim(S[i - 1])) return i;
    return HasDrive(S) ? 2 : 0;
}

// ---- names ----

std::string ExtractFilePathFn(const std::string& S) {
    return S.substr(0, NameStart(S));
}
std::string ExtractFileDirFn(const std::string& S) {
    std::size_t n = NameStart(S);
    // Drop the delimiter unless it is the root ("/", "C:\").
    if (n > 1 && IsDelim(S[n - 1]) && !IsDelim(S[n - 2]) && !(n == 3 && HasDrive(S))) --n;
    return S.substr(0, n);
}
std::string ExtractFileNameFn(const std::string& S) {
    return S.substr(NameStart(S));
}
std::string ExtractFileExtFn(const std::string& S) {
    const std::size_t start = NameStart(S);
    const std::size_t dot = S.rfind('.');
    return dot == std::string::npos || dot < start ? std::string() : S.substr(dot);
}
std::string ChangeFileExtFn(const std::string& S, const std::string& Ext) {
    const std::size_t start = NameStart(S);
    const std::size_t dot = S.rfind('.');
    return (dot == std::string::npos || dot < start ? S : S.substr(0, dot)) + Ext;
}
std::string ExtractFileDriveFn(const std::string& S) {
    if (HasDrive(S)) return S.substr(0, 2);
    if (S.size() >= 2 && IsDelim(S[0]) && IsDelim(S[1])) {
        // \\server\share
        std::size_t i = 2;
        int parts = 0;
        while (i < S.size()) {
            if (IsDelim(S[i]) && ++parts == 2) break;
            ++i;
        }
        return S.substr(0, i);
    }
    return {};
}
std::string IncludeTrailingBackslashFn(const std::string& S) {
    return !S.empty() && IsDelim(S.back()) ? S : S + "/";
}
std::string ExcludeTrailingBackslashFn(const std::string& S) {
    return !S.empty() && IsDelim(S.back()) ? S.substr(0, S.size() - 1) : S;
}
bool IsPathDelimiterFn(const std::string& S, std::int32_t Index) {
    return Index >= 1 && static_cast<std::size_t>(Index) <= S.size() &&
           IsDelim(S[static_cast<std::size_t>(Index - 1)]);
}
std::string ExpandFileNameFn(const std::string& S) {
    if (S.empty()) return S;
    std::error_code ec;
    const fs::path full = fs::absolute(fs::path(S), ec);
    if (ec) return S;
    return full.lexically_normal().string();
}
std::vector<std::string> Components(const std::string& S) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : S) {
        if (IsDelim(c)) {
            if (!part.empty()) parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty()) parts.push_back(part);
    return parts;
}
// DestName relative to the folder of BaseName ("../sub/name").
std::string ExtractRelativePathFn(const std::string& BaseName, const std::string& DestName) {
    if (ExtractFileDriveFn(BaseName) != ExtractFileDriveFn(DestName)) return DestName;
    const std::vector<std::string> base = Components(ExtractFilePathFn(BaseName));
    const std::vector<std::string> dest = Components(ExtractFilePathFn(DestName));
    std::size_t common = 0;
    while (common < base.size() && common < dest.size() && base[common] == dest[common])
        ++common;
    std::string r;
    for (std::size_t i = common; i < base.size(); ++i)
        r += "../";
    for (std::size_t i = common; i < dest.size(); ++i)
        r += dest[i] + "/";
    return r + ExtractFileNameFn(DestName);
}
std::string ExtractShortPathNameFn(const std::string& S) {
    // Names have no short form here: an existing file keeps its full name.
    std::error_code ec;
    return fs::exists(fs::path(S), ec) ? ExpandFileNameFn(S) : std::string();
}
std::int32_t AnsiCompareFileNameFn(const std::string& A, const std::string& B) {
    const int c = A.compare(B); // file names are case sensitive here
    return (c > 0) - (c < 0);
}
std::string AnsiLowerCaseFileNameFn(const std::string& S) {
    return bldfuncs::LowStr(S);
}
std::string AnsiUpperCaseFileNameFn(const std::string& S) {
    return UpStr(S);
}

// ---- directories and files ----

std::string CurrentDir() {
    std::error_code ec;
    const fs::path p = fs::current_path(ec);
    return ec ? std::string() : p.string();
}
void ChDirFn(const std::string& S) {
    std::error_code ec;
    fs::current_path(fs::path(S), ec);
    if (ec) throw EInOutError("Cannot change the current directory to " + S + ": " + ec.message());
}
bool CreateDirFn(const std::string& S) {
    std::error_code ec;
    return fs::create_directory(fs::path(S), ec) && !ec;
}
bool DeleteFileFn(const std::string& S) {
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(fs::path(S), ec)) ||
        fs::is_directory(fs::symlink_status(fs::path(S), ec)))
        return false;
    return fs::remove(fs::path(S), ec) && !ec;
}
bool DirectoryExistsFn(const std::string& S) {
    std::error_code ec;
    return fs::is_directory(fs::path(S), ec);
}
bool FileExistsFn(const std::string& S) {
    std::error_code ec;
    const fs::file_status st = fs::status(fs::path(S), ec);
    return !ec && fs::exists(st) && !fs::is_directory(st);
}
// The local DOS stamp of a file time; -1 when it has none.
std::int32_t StampOf(fs::file_time_type Time) {
    const auto sys = std::chrono::file_clock::to_sys(Time);
    const std::time_t t = std::chrono::system_clock::to_time_t(
        std::chrono::time_point_cast<std::chrono::system_clock::duration>(sys));
    std::tm local{};
    if (!bldfuncs::LocalTime(t, local)) return -1;
    const double dt = EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
                      EncodeTime(local.tm_hour, local.tm_min, std::min(local.tm_sec, 59), 0);
    return DateTimeToDosStamp(dt);
}
std::int32_t FileAgeFn(const std::string& S) {
    std::error_code ec;
    if (!FileExistsFn(S)) return -1;
    const fs::file_time_type t = fs::last_write_time(fs::path(S), ec);
    return ec ? -1 : StampOf(t);
}
bool IsReadOnly(fs::perms P) {
    return (P & fs::perms::owner_write) == fs::perms::none;
}
std::int32_t FileGetAttrFn(const std::string& S) {
    std::error_code ec;
    const fs::file_status st = fs::status(fs::path(S), ec);
    if (ec || !fs::exists(st)) return -1;
    std::int32_t attr = fs::is_directory(st) ? faDirectory : faArchive;
    if (IsReadOnly(st.permissions())) attr |= faReadOnly;
    const std::string name = ExtractFileNameFn(ExcludeTrailingBackslashFn(S));
    if (!name.empty() && name[0] == '.' && name != "." && name != "..") attr |= faHidden;
    return attr;
}
// Only the read-only bit means something here: it takes every write permission away, and its
// absence gives the owner's back. Answers 0 or the system's error code.
std::int32_t FileSetAttrFn(const std::string& S, std::int32_t Attr) {
    std::error_code ec;
    constexpr fs::perms writes = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    if (Attr & faReadOnly)
        fs::permissions(fs::path(S), writes, fs::perm_options::remove, ec);
    else
        fs::permissions(fs::path(S), fs::perms::owner_write, fs::perm_options::add, ec);
    return ec.value();
}
std::string FileSearchFn(const std::string& Name, const std::string& DirList) {
    if (FileExistsFn(Name)) return Name;
    std::string dir;
    auto tryDir = [&](const std::string& D) -> std::string {
        if (D.empty()) return {};
        const std::string candidate = IncludeTrailingBackslashFn(D) + Name;
        return FileExistsFn(candidate) ? candidate : std::string();
    };
    for (char c : DirList + ";") {
        if (c == ';' || c == ':') {
            if (std::string found = tryDir(dir); !found.empty()) return found;
            dir.clear();
        } else {
            dir += c;
        }
    }
    return {};
}
bool ForceDirectoriesFn(const std::string& S) {
    if (S.empty()) return false;
    std::error_code ec;
    fs::create_directories(fs::path(ExcludeTrailingBackslashFn(S)), ec);
    return !ec && DirectoryExistsFn(S);
}
std::string GetCurrentDirFn() {
    return CurrentDir();
}
std::string GetDirFn(std::int32_t /*Drive*/) {
    return CurrentDir(); // one tree: every drive number shows the current directory
}
bool RemoveDirFn(const std::string& S) {
    std::error_code ec;
    if (!fs::is_directory(fs::symlink_status(fs::path(S), ec))) return false;
    return fs::remove(fs::path(S), ec) && !ec; // refused for a folder that is not empty
}
bool RenameFileFn(const std::string& Old, const std::string& New) {
    // Like the platform's move, it does not replace an existing file.
    std::error_code ec;
    if (fs::exists(fs::symlink_status(fs::path(New), ec))) return false;
    fs::rename(fs::path(Old), fs::path(New), ec);
    return !ec;
}
bool SetCurrentDirFn(const std::string& S) {
    std::error_code ec;
    fs::current_path(fs::path(S), ec);
    return !ec;
}
Variant DiskSpace(std::int32_t Drive, bool Free) {
    if (Drive != 0) return Variant(-1.0);
    std::error_code ec;
    const fs::space_info info = fs::space(fs::path("."), ec);
    if (ec) return Variant(-1.0);
    return Variant(static_cast<double>(Free ? info.available : info.capacity));
}
Variant DiskFreeFn(std::int32_t Drive) {
    return DiskSpace(Drive, true);
}
Variant DiskSizeFn(std::int32_t Drive) {
    return DiskSpace(Drive, false);
}

// ---- handles ----

using TOpenFile = TScriptFiles::TOpenFile;

// Runs Fn on the open file of Handle; Missing when there is none.
template <class Fn>
std::int32_t WithFile(TEngineContext& Context, std::int32_t Handle, std::int32_t Missing, Fn&& F) {
    TOpenFile* file = Context.Files.Find(Handle);
    return file ? F(*file) : Missing;
}

// Access in the low two bits (0 read, 1 write, 2 both); sharing bits are not enforced here.
std::int32_t FileOpenFn(TEngineContext& Context, const std::string& Name, std::int32_t Mode) {
    const int access = Mode & 3;
    if (access > 2 || DirectoryExistsFn(Name)) return -1;
    return Context.Files.Open(Name, access);
}
void FileCloseFn(TEngineContext& Context, std::int32_t Handle) {
    Context.Files.Close(Handle);
}
std::int32_t FileGetDateFn(TEngineContext& Context, std::int32_t Handle) {
    return WithFile(Context, Handle, -1, [](TOpenFile& F) {
        std::fflush(F.File); // pending writes are part of the file's age
        std::error_code ec;
        const fs::file_time_type t = fs::last_write_time(fs::path(F.Name), ec);
        return ec ? -1 : StampOf(t);
    });
}
std::int32_t FileSetDateFn(TEngineContext& Context, std::int32_t Handle, std::int32_t Age) {
    double dt = 0;
    try {
        dt = DosStampToDateTime(Age);
    } catch (const EConvertError&) {
        return static_cast<std::int32_t>(std::errc::invalid_argument);
    }
    int y = 0, m = 0, d = 0, h = 0, n = 0, s = 0, ms = 0;
    DecodeDate(dt, y, m, d);
    DecodeTime(dt, h, n, s, ms);
    std::tm local{};
    local.tm_year = y - 1900;
    local.tm_mon = m - 1;
    local.tm_mday = d;
    local.tm_hour = h;
    local.tm_min = n;
    local.tm_sec = s;
    local.tm_isdst = -1;
    const auto sys = std::chrono::system_clock::from_time_t(std::mktime(&local));
    return WithFile(Context, Handle, static_cast<std::int32_t>(std::errc::bad_file_descriptor),
                    [&](TOpenFile& F) {
                        std::fflush(F.File); // a later flush would stamp the file again
                        std::error_code ec;
                        fs::last_write_time(fs::path(F.Name), std::chrono::file_clock::from_sys(sys), ec);
                        return ec.value();
                    });
}
// Reads or writes Count bytes a piece at a time with the work counted, so that a big transfer can be
// stopped between pieces; stops at a short piece and answers the bytes moved.
template <class F> std::size_t InPieces(std::size_t Count, F Move) {
    std::size_t done = 0;
    while (done < Count) {
        const std::size_t size = std::min(Count - done, kWorkPerCheckPoint);
        const std::size_t n = Move(done, size);
        done += n;
        if (n < size) break;
        EvalWork(n);
    }
    return done;
}

std::int32_t FileReadFn(TEngineContext& Context, std::int32_t Handle, std::int32_t Buffer,
                        std::int32_t Count) {
    if (Count < 0) return -1;
    std::uint8_t* p = Context.Memory.Resolve(Buffer, Count);
    return WithFile(Context, Handle, -1, [&](TOpenFile& F) {
        if (!F.CanRead) return -1;
        if (F.LastOp == 2) std::fflush(F.File);
        F.LastOp = 1;
        const std::size_t n =
            InPieces(static_cast<std::size_t>(Count),
                     [&](std::size_t At, std::size_t Size) { return std::fread(p + At, 1, Size, F.File); });
        return n == 0 && std::ferror(F.File) ? -1 : static_cast<std::int32_t>(n);
    });
}
std::int32_t FileWriteFn(TEngineContext& Context, std::int32_t Handle, std::int32_t Buffer,
                         std::int32_t Count) {
    if (Count < 0) return -1;
    const std::uint8_t* p = Context.Memory.Resolve(Buffer, Count);
    return WithFile(Context, Handle, -1, [&](TOpenFile& F) {
        if (!F.CanWrite) return -1;
        if (F.LastOp == 1) std::fseek(F.File, 0, SEEK_CUR);
        F.LastOp = 2;
        const std::size_t n =
            InPieces(static_cast<std::size_t>(Count),
                     [&](std::size_t At, std::size_t Size) { return std::fwrite(p + At, 1, Size, F.File); });
        return n == 0 && Count > 0 ? -1 : static_cast<std::int32_t>(n);
    });
}
std::int32_t FileSeekFn(TEngineContext& Context, std::int32_t Handle, std::int32_t Offset,
                        std::int32_t Origin) {
    static constexpr int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
    if (Origin < 0 || Origin > 2) return -1;
    return WithFile(Context, Handle, -1, [&](TOpenFile& F) {
        F.LastOp = 0;
        if (std::fseek(F.File, Offset, kWhence[Origin]) != 0) return -1;
        const long pos = std::ftell(F.File);
        return pos < 0 || pos > 0x7FFFFFFF ? -1 : static_cast<std::int32_t>(pos);
    });
}

} // namespace

const TBuildInTable& FileFuncTable() {
    constexpr TFuncCategory F = fct_File;
    constexpr TEPTypesType S = typeString;
    static const TBuildInTable table = {
        TypedFunc<&AnsiCompareFileNameFn>("AnsiCompareFileName", {S, S}, typeInteger,
                                          "Compares file names based on the current locale", F),
        TypedFunc<&AnsiLowerCaseFileNameFn>("AnsiLowerCaseFileName", {S}, S,
                                            "Converts a file name to lower case", F),
        TypedFunc<&AnsiUpperCaseFileNameFn>("AnsiUpperCaseFileName", {S}, S,
                                            "Converts a file name to upper case", F),
        TypedFunc<&ChangeFileExtFn>("ChangeFileExt", {S, S}, S, "Changes the extension of a file name", F),
        TypedFunc<&ChDirFn>("ChDir", {S}, typeVoid, "Changes the current directory", F),
        TypedFunc<&CreateDirFn>("CreateDir", {S}, typeBoolean, "Creates a new directory", F),
        TypedFunc<&DeleteFileFn>("DeleteFile", {S}, typeBoolean, "Deletes a file from disk", F),
        TypedFunc<&DirectoryExistsFn>("DirectoryExists", {S}, typeBoolean,
                                      "Determines whether a specified directory exists", F),
        TypedFunc<&FileAgeFn>("FileAge", {S}, typeInteger,
                              "Returns the date-and-time stamp of a specified file", F),
        TypedFunc<&FileExistsFn>("FileExists", {S}, typeBoolean, "Tests if a specified file exists", F),
        TypedFunc<&FileGetAttrFn>("FileGetAttr", {S}, typeInteger, "Returns the file attributes of FileName",
                                  F),
        TypedFunc<&FileOpenFn>("FileOpen", {S, typeInteger}, typeInteger,
                               "Opens a specified file using a specified access mode", F),
        TypedFunc<&FileSearchFn>("FileSearch", {S, S}, S, "Searches a specified DOS path for a file", F),
        TypedFunc<&FileSetAttrFn>("FileSetAttr", {S, typeInteger}, typeInteger,
                                  "Sets the file attributes of a specified file", F),
        TypedFunc<&ForceDirectoriesFn>(
            "ForceDirectories", {S}, typeBoolean,
            "Creates all the directories along a directory path if they do not already "
            "exist",
            F),
        TypedFunc<&GetCurrentDirFn>("GetCurrentDir", {typeVoid}, S,
                                    "Returns the name of the current directory", F),
        TypedFunc<&GetDirFn>("GetDir", {typeByte}, S, "Returns the current directory for a specified drive",
                             F),
        TypedFunc<&RemoveDirFn>("RemoveDir", {S}, typeBoolean, "Deletes an existing empty directory", F),
        TypedFunc<&RenameFileFn>("RenameFile", {S, S}, typeBoolean, "Changes a file name", F),
        TypedFunc<&SetCurrentDirFn>("SetCurrentDir", {S}, typeBoolean, "Sets the current directory", F),
        TypedFunc<&ExcludeTrailingBackslashFn>(
            "ExcludeTrailingBackslash", {S}, S,
            "Returns a path name after removing any backslash character at the end", F),
        TypedFunc<&IncludeTrailingBackslashFn>(
            "IncludeTrailingBackslash", {S}, S,
            "Returns a path name after adding a backslash character to the end if "
            "it is not already there",
            F),
        TypedFunc<&ExpandFileNameFn>("ExpandFileName", {S}, S,
                                     "Returns the full path name for a relative file name", F),
        TypedFunc<&ExtractFileDirFn>("ExtractFileDir", {S}, S,
                                     "Extracts the drive and directory parts from FileName", F),
        TypedFunc<&ExtractFileDriveFn>("ExtractFileDrive", {S}, S, "Returns the drive portion of a file name",
                                       F),
        TypedFunc<&ExtractFileExtFn>("ExtractFileExt", {S}, S,
                                     "Returns the extension portions of a file name", F),
        TypedFunc<&ExtractFileNameFn>("ExtractFileName", {S}, S,
                                      "Extracts the name and extension parts of a file name", F),
        TypedFunc<&ExtractFilePathFn>("ExtractFilePath", {S}, S,
                                      "Returns the drive and directory portions of a file name", F),
        TypedFunc<&ExtractRelativePathFn>(
            "ExtractRelativePath", {S, S}, S,
            "Returns a relative path name, relative to a specific base directory", F),
        TypedFunc<&ExtractShortPathNameFn>("ExtractShortPathName", {S}, S,
                                           "Converts a file name to the short 8.3 form", F),
        TypedFunc<&IsPathDelimiterFn>(
            "IsPathDelimiter", {S, typeInteger}, typeBoolean,
            "Indicates whether the byte at position Index of a string is the backslash "
            "character",
            F),
        TypedFunc<&DiskFreeFn>("DiskFree", {typeByte}, typeParserType,
                               "Returns the number of free bytes on a specified drive", F),
        TypedFunc<&DiskSizeFn>("DiskSize", {typeByte}, typeParserType,
                               "Returns the size, in bytes, of a specified drive", F),
        TypedFunc<&FileCloseFn>("FileClose", {typeInteger}, typeVoid, "Closes a specified file", F),
        TypedFunc<&FileGetDateFn>("FileGetDate", {typeInteger}, typeInteger,
                                  "Returns a DOS date-time stamp for a specified file", F),
        TypedFunc<&FileReadFn>("FileRead", {typeInteger, typeLongInt, typeInteger}, typeInteger,
                               "Reads a specified number of bytes from a file", F),
        TypedFunc<&FileSeekFn>("FileSeek", {typeInteger, typeInteger, typeInteger}, typeInteger,
                               "Positions the current file pointer in a previously opened file", F),
        TypedFunc<&FileSetDateFn>("FileSetDate", {typeInteger, typeInteger}, typeInteger,
                                  "Sets the DOS time stamp for a specified file", F),
        TypedFunc<&FileWriteFn>("FileWrite", {typeInteger, typeLongInt, typeInteger}, typeInteger,
                                "Writes the contents of a buffer to the current position in a file", F),
    };
    return table;
}

} // namespace skv::engine

// Text helpers of the engine.
#include "engine/base/Text.h"

#include "engine/base/Checkpoint.h"

#include <algorithm>
#include <array>
#include <filesystem>

namespace skv::engine {

namespace {

constexpr std::array<const char*, 29> kReservedWords{
    "DIV",   "MOD",  "XOR",        "OR",    "AND",    "NOT",   "SHL",   "SHR",     "PI",     "TRUE",
    "FALSE", "NULL", "UNASSIGNED", "BEGIN", "END",    "DO",    "BREAK", "DOWNTO",  "TO",     "IF",
    "THEN",  "FOR",  "ELSE",       "WHILE", "REPEAT", "UNTIL", "TRY",   "FINALLY", "EXCEPT",
};

} // namespace

bool SameTextCyr(std::string_view A, std::string_view B) {
    if (A.size() != B.size()) return false;
    for (std::size_t i = 0; i < A.size(); ++i)
        if (UpCyr(A[i]) != UpCyr(B[i])) return false;
    return true;
}

bool IsValidIdentCyr(std::string_view Name) {
    if (Name.empty() || !IsIdentStart(Name[0])) return false;
    return std::all_of(Name.begin() + 1, Name.end(), [](char c) { return IsIdentChar(c); });
}

bool HasReservedWord(std::string_view Name) {
    if (Name.find_first_of("+-*/^~><=") != std::string_view::npos) return true;
    return std::any_of(kReservedWords.begin(), kReservedWords.end(),
                       [&](const char* w) { return SameTextCyr(Name, w); });
}

char UpCyr(char Ch) {
    const auto c = static_cast<unsigned char>(Ch);
    if ((c >= 'a' && c <= 'z') || c >= 224) return static_cast<char>(c - 32);
    return Ch;
}

std::string UpStr(std::string_view S) {
    return MapBytes(S, UpCyr);
}

char* StrUpperCyr(char* P) {
    for (char* c = P; c && *c; ++c)
        *c = UpCyr(*c);
    return P;
}

bool HexCheck(std::string_view Text) {
    // A lone "$" denotes no number, so at least one digit is required.
    if (Text.size() < 2 || Text.size() > 9 || Text[0] != '$') return false;
    return std::all_of(Text.begin() + 1, Text.end(), [](char c) { return IsHexDigit(c); });
}

std::string_view TrimSpaces(std::string_view S) {
    const auto first = S.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const auto last = S.find_last_not_of(' ');
    return S.substr(first, last - first + 1);
}

std::string& RemoveSpaces(std::string& S) {
    S.assign(TrimSpaces(S));
    return S;
}

std::string& RemoveChar(std::string& S, char Ch) {
    S.erase(std::remove(S.begin(), S.end(), Ch), S.end());
    return S;
}

std::string& RemoveDoubleQuotes(std::string& S) {
    std::string r;
    r.reserve(S.size());
    for (std::size_t i = 0; i < S.size(); ++i) {
        r += S[i];
        if (S[i] == '"' && i + 1 < S.size() && S[i + 1] == '"') ++i;
    }
    S = std::move(r);
    return S;
}

std::size_t ValidStrPos(std::string_view Text, std::string_view Sub) {
    if (Sub.empty() || Sub.size() > Text.size()) return std::string_view::npos;
    std::size_t quotes = 0;
    for (std::size_t i = 0; i + Sub.size() <= Text.size(); ++i) {
        if (Text[i] == '"') {
            ++quotes;
            continue;
        }
        if (quotes % 2 != 0) continue;
        if (!SameTextCyr(Text.substr(i, Sub.size()), Sub)) continue;
        const bool openBefore = i == 0 || !IsIdentChar(Text[i - 1]);
        const std::size_t after = i + Sub.size();
        const bool openAfter = after >= Text.size() || !IsIdentChar(Text[after]);
        if (openBefore && openAfter) return i;
    }
    return std::string_view::npos;
}

std::string GenerateName(std::string_view Prefix, std::string_view ClassName, std::int64_t Counter) {
    if (!ClassName.empty() && ClassName[0] == 'T') ClassName.remove_prefix(1);
    std::string name(Prefix);
    for (char c : ClassName)
        if (IsAsciiLetter(c) || IsDigit(c)) name += c;
    return name + std::to_string(Counter);
}

std::string CreateUniqueName(std::string_view Prefix, std::string_view ClassName,
                             const std::vector<std::string>& Taken) {
    for (std::int64_t n = 1;; ++n) {
        std::string name = GenerateName(Prefix, ClassName, n);
        const bool used = std::any_of(Taken.begin(), Taken.end(),
                                      [&](const std::string& t) { return SameTextCyr(t, name); });
        if (!used) return name;
    }
}

bool FindFile(const std::string& Name, const std::string& FallbackDir) {
    if (Name.empty()) return false;
    std::error_code ec;
    if (std::filesystem::is_regular_file(Name, ec)) return true;
    if (FallbackDir.empty()) return false;
    return std::filesystem::is_regular_file(std::filesystem::path(FallbackDir) / Name, ec);
}

int CompareNames(std::string_view A, std::string_view B) {
    const std::size_t n = std::min(A.size(), B.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto a = static_cast<unsigned char>(UpCyr(A[i]));
        const auto b = static_cast<unsigned char>(UpCyr(B[i]));
        if (a != b) return a < b ? -1 : 1;
        if ((i & 0xFFFF) == 0xFFFF) EvalWork(0x10000); // two long equal texts
    }
    if (A.size() == B.size()) return 0;
    return A.size() < B.size() ? -1 : 1;
}

std::string TrimBlanks(std::string_view S) {
    const auto first = S.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return std::string(S.substr(first, S.find_last_not_of(" \t") - first + 1));
}

} // namespace skv::engine

// Text helpers of the engine: the character classes of names and numbers, the identifier and
// reserved-word tests, upper-casing with the Cyrillic letters, and the small edits names and
// literals need. Bytes are code page 1252 with the Cyrillic letters 192..255 admitted in names.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace skv::engine {

// Character classes. A name starts with a Latin letter, "_" or a Cyrillic letter and goes on with
// those and digits.
constexpr bool IsAsciiLetter(char C) {
    return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z');
}
constexpr bool IsDigit(char C) {
    return C >= '0' && C <= '9';
}
constexpr bool IsHexDigit(char C) {
    return IsDigit(C) || (C >= 'A' && C <= 'F') || (C >= 'a' && C <= 'f');
}
constexpr bool IsCyrillic(char C) {
    return static_cast<unsigned char>(C) >= 192;
}
constexpr bool IsIdentStart(char C) {
    return IsAsciiLetter(C) || C == '_' || IsCyrillic(C);
}
constexpr bool IsIdentChar(char C) {
    return IsIdentStart(C) || IsDigit(C);
}

bool IsValidIdentCyr(std::string_view Name);
bool HasReservedWord(std::string_view Name);
char UpCyr(char Ch);
std::string UpStr(std::string_view S);
char* StrUpperCyr(char* P);
// The same text ignoring case, the Cyrillic letters included.
bool SameTextCyr(std::string_view A, std::string_view B);
// Compares two names the way the engine does: ignoring case, Cyrillic letters included.
int CompareNames(std::string_view A, std::string_view B);
bool HexCheck(std::string_view Text);

std::string& RemoveSpaces(std::string& S);
std::string_view TrimSpaces(std::string_view S); // the same without copying
// The text without its leading and trailing blanks (spaces and tabs), as number texts are read.
std::string TrimBlanks(std::string_view S);
std::string& RemoveChar(std::string& S, char Ch);
std::string& RemoveDoubleQuotes(std::string& S);
// Position of a whole-word, case-blind occurrence of Sub outside double-quoted strings, or npos.
std::size_t ValidStrPos(std::string_view Text, std::string_view Sub);

// The name Prefix + ClassName without its leading "T" (letters and digits only) + Counter.
std::string GenerateName(std::string_view Prefix, std::string_view ClassName, std::int64_t Counter);
// The first GenerateName, counting from 1, that none of Taken has (compared ignoring case).
std::string CreateUniqueName(std::string_view Prefix, std::string_view ClassName,
                             const std::vector<std::string>& Taken);
// True when the file exists as given or, failing that, inside FallbackDir (the system folder the
// host names; none when empty).
bool FindFile(const std::string& Name, const std::string& FallbackDir = {});

} // namespace skv::engine

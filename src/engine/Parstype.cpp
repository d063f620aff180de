// Records, scanner and text helpers of the script engine's lowest layer.
#include "engine/Parstype.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>

namespace skv::engine {

namespace {

bool IsAsciiLetter(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsCyrillic(unsigned char c) {
    return c >= 192;
}
bool IsIdentStart(unsigned char c) {
    return IsAsciiLetter(c) || c == '_' || IsCyrillic(c);
}
bool IsIdentChar(unsigned char c) {
    return IsIdentStart(c) || (c >= '0' && c <= '9');
}
bool IsHexDigit(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

struct TKeyword {
    const char* Text;
    TSTToken Token;
};

// Checked in this order, one after the other; only at parse time.
constexpr std::array<TKeyword, 16> kKeywords{{
    {"FOR", tid_FOR},
    {"TO", tid_TO},
    {"DOWNTO", tid_DOWNTO},
    {"DO", tid_DO},
    {"BEGIN", tid_BEGIN},
    {"END", tid_END},
    {"WHILE", tid_WHILE},
    {"REPEAT", tid_REPEAT},
    {"UNTIL", tid_UNTIL},
    {"BREAK", tid_BREAK},
    {"IF", tid_IF},
    {"THEN", tid_THEN},
    {"ELSE", tid_ELSE},
    {"TRY", tid_TRY},
    {"FINALLY", tid_FINALLY},
    {"EXCEPT", tid_EXCEPT},
}};

constexpr std::array<const char*, 29> kReservedWords{
    "DIV",   "MOD",  "XOR",        "OR",    "AND",    "NOT",   "SHL",   "SHR",     "PI",     "TRUE",
    "FALSE", "NULL", "UNASSIGNED", "BEGIN", "END",    "DO",    "BREAK", "DOWNTO",  "TO",     "IF",
    "THEN",  "FOR",  "ELSE",       "WHILE", "REPEAT", "UNTIL", "TRY",   "FINALLY", "EXCEPT",
};

bool SameTextCyr(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (UpCyr(a[i]) != UpCyr(b[i])) return false;
    return true;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Records

PParserOperation CreateOperation(TToken Token, TMathProcedure Proc, std::int32_t ArgCount) {
    auto* op = new TParserOperation;
    op->Token = Token;
    op->Proc = Proc;
    op->ArgCount = ArgCount;
    if (ArgCount > 0) op->Args = new Variant*[static_cast<std::size_t>(ArgCount)]();
    return op;
}

PParserStatement CreateStatement(TStatementToken Token, TStatementProc Proc, Variant* Var,
                                 TValueOwner* VarObj) {
    auto* st = new TParserStatement;
    st->Token = Token;
    st->Proc = Proc;
    st->Var = Var;
    st->VarObj = VarObj;
    return st;
}

void DisposeOper(PParserOperation Op) {
    if (!Op) return;
    delete[] Op->Args;
    delete Op->Name;
    delete Op;
}

void FreeOperationChain(PParserOperation& Chain) {
    while (Chain) {
        PParserOperation next = Chain->Next;
        DisposeOper(Chain);
        Chain = next;
    }
}

void DisposeStatement(PParserStatement St) {
    if (!St) return;
    FreeFastChain(St->Fast);
    FreeOperationChain(St->Expr1);
    FreeOperationChain(St->Expr2);
    FreeStatementChain(St->Body1);
    FreeStatementChain(St->Body2);
    delete St;
}

void FreeStatementChain(PParserStatement& Chain) {
    while (Chain) {
        PParserStatement next = Chain->Next;
        DisposeStatement(Chain);
        Chain = next;
    }
}

// ---------------------------------------------------------------------------------------------
// Scanner

TParserScanner::TParserScanner(const char* Text)
    : Pos(Text), BetweenStart(Text), StmtBegin(Text), PrevStmtBegin(Text) {}

TSTToken TParserScanner::GetTokenID(const char* Text, std::size_t Len) {
    const std::string_view word(Text, Len);
    for (const TKeyword& k : kKeywords)
        if (SameTextCyr(word, k.Text)) return k.Token;
    return tid_InvalidToken;
}

void TParserScanner::NextToken() {
    const char* c = Pos + TokenLen;
    BetweenStart = c;
    for (;;) {
        const auto ch = static_cast<unsigned char>(*c);
        if (IsAsciiLetter(ch)) {
            const char* end = c;
            while (IsAsciiLetter(static_cast<unsigned char>(*end)))
                ++end;
            const auto len = static_cast<std::size_t>(end - c);
            const TSTToken id = GetTokenID(c, len);
            if (id != tid_InvalidToken) {
                Token = id;
                TokenLen = len;
                break;
            }
            c = end;
            continue;
        }
        if (ch == ';') {
            Token = tid_SEMICOL;
            TokenLen = 1;
            break;
        }
        if (ch == 0) {
            Token = tid_EOF;
            TokenLen = 0;
            break;
        }
        if (ch == '"') {
            const char* close = std::strchr(c + 1, '"');
            if (!close) {
                Pos = c;
                Token = tid_InvalidToken;
                TokenLen = 0;
                throw ESyntaxError(MsgWithExpression(_msgEndlessString, BetweenStart));
            }
            c = close + 1;
            continue;
        }
        if (ch == ':' && c[1] == '=') {
            Token = tid_EQ;
            TokenLen = 2;
            break;
        }
        ++c;
    }
    Pos = c;
    TextBetween.assign(
        TrimSpaces(std::string_view(BetweenStart, static_cast<std::size_t>(Pos - BetweenStart))));
}

void TParserScanner::MarkBeginOfStatement() {
    if (StmtBegin < Pos) PrevStmtBegin = StmtBegin;
    StmtBegin = Pos;
}

void TParserScanner::MarkEndOfStatement() {
    if (StmtBegin < Pos) PrevStmtBegin = StmtBegin;
    StmtBegin = Pos + TokenLen;
}

std::string TParserScanner::LastStatement(bool IncludeToken) const {
    const char* from = StmtBegin > Pos ? PrevStmtBegin : StmtBegin;
    const char* to = IncludeToken ? Pos + TokenLen : Pos;
    if (from >= to) return {};
    return std::string(TrimSpaces(std::string_view(from, static_cast<std::size_t>(to - from))));
}

// ---------------------------------------------------------------------------------------------
// Text helpers

bool IsValidIdentCyr(std::string_view Name) {
    if (Name.empty() || !IsIdentStart(static_cast<unsigned char>(Name[0]))) return false;
    return std::all_of(Name.begin() + 1, Name.end(),
                       [](char c) { return IsIdentChar(static_cast<unsigned char>(c)); });
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
    std::string r(S);
    for (char& c : r)
        c = UpCyr(c);
    return r;
}

char* StrUpperCyr(char* P) {
    for (char* c = P; c && *c; ++c)
        *c = UpCyr(*c);
    return P;
}

bool HexCheck(std::string_view Text) {
    // A lone "$" denotes no number, so at least one digit is required.
    if (Text.size() < 2 || Text.size() > 9 || Text[0] != '$') return false;
    return std::all_of(Text.begin() + 1, Text.end(),
                       [](char c) { return IsHexDigit(static_cast<unsigned char>(c)); });
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
        const bool openBefore = i == 0 || !IsIdentChar(static_cast<unsigned char>(Text[i - 1]));
        const std::size_t after = i + Sub.size();
        const bool openAfter = after >= Text.size() || !IsIdentChar(static_cast<unsigned char>(Text[after]));
        if (openBefore && openAfter) return i;
    }
    return std::string_view::npos;
}

std::string GenerateName(std::string_view Prefix, std::string_view ClassName, std::int64_t Counter) {
    if (!ClassName.empty() && ClassName[0] == 'T') ClassName.remove_prefix(1);
    std::string name(Prefix);
    for (char c : ClassName)
        if (IsAsciiLetter(static_cast<unsigned char>(c)) || (c >= '0' && c <= '9')) name += c;
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
    }
    if (A.size() == B.size()) return 0;
    return A.size() < B.size() ? -1 : 1;
}

// ---------------------------------------------------------------------------------------------
// Bracket-level matrix

TParserOperation* TMatrixObj::Get(int Level, int Index) const {
    if (Level < 0 || Level >= GetLevelCount()) return nullptr;
    const auto& items = Levels[static_cast<std::size_t>(Level)].Items;
    if (Index < 0 || static_cast<std::size_t>(Index) >= items.size()) return nullptr;
    return items[static_cast<std::size_t>(Index)];
}

void TMatrixObj::EnsureLevel(int Level) {
    if (Level >= GetLevelCount()) Levels.resize(static_cast<std::size_t>(Level) + 1);
}

void TMatrixObj::Put(int Level, int Index, TParserOperation* Op) {
    if (Level < 0 || Index < 0)
        throw EListError("List index out of bounds (" + std::to_string(Level < 0 ? Level : Index) + ")");
    EnsureLevel(Level);
    auto& items = Levels[static_cast<std::size_t>(Level)].Items;
    if (static_cast<std::size_t>(Index) >= items.size())
        items.resize(static_cast<std::size_t>(Index) + 1, nullptr);
    items[static_cast<std::size_t>(Index)] = Op;
}

std::int32_t TMatrixObj::GetBracketLevel(int Level) {
    if (Level < 0) return -1;
    EnsureLevel(Level);
    return Levels[static_cast<std::size_t>(Level)].BracketLevel;
}

void TMatrixObj::SetBracketLevel(int Level, std::int32_t Value) {
    if (Level < 0) return;
    EnsureLevel(Level);
    Levels[static_cast<std::size_t>(Level)].BracketLevel = Value;
}

int TMatrixObj::GetWidthCount(int Level) const {
    if (Level < 0 || Level >= GetLevelCount()) return 0;
    return static_cast<int>(Levels[static_cast<std::size_t>(Level)].Items.size());
}

} // namespace skv::engine

// The statement scanner.
#include "engine/lexer/Scanner.h"

#include "engine/base/Errors.h"
#include "engine/base/Messages.h"
#include "engine/base/Text.h"

#include <array>
#include <cstring>
#include <string_view>

namespace skv::engine {

namespace {

struct TKeyword {
    const char* Text;
    TSTToken Token;
};

// Checked in this order, one after the other; only at parse time.
constexpr std::array<TKeyword, 16> kKeywords{{
    {"FOR", TSTToken::tid_FOR},
    {"TO", TSTToken::tid_TO},
    {"DOWNTO", TSTToken::tid_DOWNTO},
    {"DO", TSTToken::tid_DO},
    {"BEGIN", TSTToken::tid_BEGIN},
    {"END", TSTToken::tid_END},
    {"WHILE", TSTToken::tid_WHILE},
    {"REPEAT", TSTToken::tid_REPEAT},
    {"UNTIL", TSTToken::tid_UNTIL},
    {"BREAK", TSTToken::tid_BREAK},
    {"IF", TSTToken::tid_IF},
    {"THEN", TSTToken::tid_THEN},
    {"ELSE", TSTToken::tid_ELSE},
    {"TRY", TSTToken::tid_TRY},
    {"FINALLY", TSTToken::tid_FINALLY},
    {"EXCEPT", TSTToken::tid_EXCEPT},
}};

} // namespace

TParserScanner::TParserScanner(const char* Text)
    : Pos(Text), BetweenStart(Text), StmtBegin(Text), PrevStmtBegin(Text) {}

TSTToken TParserScanner::GetTokenID(const char* Text, std::size_t Len) {
    const std::string_view word(Text, Len);
    for (const TKeyword& k : kKeywords)
        if (SameTextCyr(word, k.Text)) return k.Token;
    return TSTToken::tid_InvalidToken;
}

void TParserScanner::NextToken() {
    const char* c = Pos + TokenLen;
    BetweenStart = c;
    for (;;) {
        const char ch = *c;
        if (IsAsciiLetter(ch)) {
            const char* end = c;
            while (IsAsciiLetter(*end))
                ++end;
            const auto len = static_cast<std::size_t>(end - c);
            const TSTToken id = GetTokenID(c, len);
            if (id != TSTToken::tid_InvalidToken) {
                Token = id;
                TokenLen = len;
                break;
            }
            c = end;
            continue;
        }
        if (ch == ';') {
            Token = TSTToken::tid_SEMICOL;
            TokenLen = 1;
            break;
        }
        if (ch == 0) {
            Token = TSTToken::tid_EOF;
            TokenLen = 0;
            break;
        }
        if (ch == '"') {
            const char* close = std::strchr(c + 1, '"');
            if (!close) {
                Pos = c;
                Token = TSTToken::tid_InvalidToken;
                TokenLen = 0;
                throw ESyntaxError(MsgWithExpression(_msgEndlessString, BetweenStart));
            }
            c = close + 1;
            continue;
        }
        if (ch == ':' && c[1] == '=') {
            Token = TSTToken::tid_EQ;
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

} // namespace skv::engine

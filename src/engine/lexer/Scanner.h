// The lexer: the statement scanner that cuts a script into its statement-level tokens (keywords,
// ";" and ":="), leaving the text between them to the compiler.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace skv::engine {

// Statement-level tokens found by TParserScanner.
enum class TSTToken : std::uint8_t {
    tid_NoToken,
    tid_InvalidToken,
    tid_EQ,
    tid_SEMICOL,
    tid_FOR,
    tid_TO,
    tid_DOWNTO,
    tid_DO,
    tid_BEGIN,
    tid_END,
    tid_WHILE,
    tid_REPEAT,
    tid_UNTIL,
    tid_BREAK,
    tid_IF,
    tid_THEN,
    tid_ELSE,
    tid_EOF,
    tid_TRY,
    tid_FINALLY,
    tid_EXCEPT,
};

// Cuts a zero-terminated script into statement-level tokens; everything between two tokens is
// left in TextBetween for the expression builder. The text must outlive the scanner.
class TParserScanner {
public:
    explicit TParserScanner(const char* Text);

    void NextToken();
    static TSTToken GetTokenID(const char* Text, std::size_t Len);
    std::string GetTokenText() const { return std::string(Pos, TokenLen); }
    void MarkBeginOfStatement();
    void MarkEndOfStatement();
    std::string LastStatement(bool IncludeToken) const;
    void FreeTextBetween() { TextBetween.clear(); }

    TSTToken Token = TSTToken::tid_NoToken;
    std::size_t TokenLen = 0;
    const char* Pos;
    const char* BetweenStart;
    std::string TextBetween;
    const char* StmtBegin;
    const char* PrevStmtBegin;
};

} // namespace skv::engine

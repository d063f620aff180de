// The lexer, for both levels of the language. The statement scanner cuts a script into its
// statement-level tokens (keywords, ";" and ":="), leaving the text between them to the compiler;
// the expression tokenizer cuts one such text into operands and operators. They share the
// character classes of names and numbers and the reading of quoted strings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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
    // The text must be zero-terminated (Text.data()[Text.size()] is 0) and outlive the scanner.
    explicit TParserScanner(std::string_view Text);

    void NextToken();
    static TSTToken GetTokenID(const char* Text, std::size_t Len);
    std::string GetTokenText() const { return std::string(Pos, TokenLen); }
    void MarkBeginOfStatement();
    void MarkEndOfStatement();
    std::string LastStatement(bool IncludeToken) const;
    void FreeTextBetween() { TextBetween.clear(); }
    // Offsets into the text: of the current token, and of TextBetween's first byte.
    std::size_t TokenOffset() const { return static_cast<std::size_t>(Pos - Start_); }
    std::size_t BetweenOffset() const;

    TSTToken Token = TSTToken::tid_NoToken;
    std::size_t TokenLen = 0;
    const char* Pos;
    const char* BetweenStart;
    std::string TextBetween;
    const char* StmtBegin;
    const char* PrevStmtBegin;

private:
    const char* Start_;
    const char* End_;
};

// Where the string that the quote at Open begins ends: one past its closing quote, a doubled quote
// inside standing for one quote character. Closed is false when the text ends first (the answer is
// then the text's end).
std::size_t QuotedEnd(std::string_view Text, std::size_t Open, bool& Closed);

// The lines of a script as the scanner reads them: joined by single blanks, with every comment
// turned into as many blanks as it has bytes, so that an offset into the result is an offset into
// the lines. Comments are "{ ... }", which may span lines, and "//" to the end of its line, both
// outside double-quoted strings. An unterminated "{" stays with all that follows it, and the
// scanner reports it where it stands.
std::string JoinScriptLines(const std::vector<std::string>& Lines);

// Where an offset into the text JoinScriptLines made stands in its lines: 1-based line and column,
// the column counting bytes (a tab is one column). An offset past a line's last byte is the blank
// that joined it to the next, shown just after that byte.
struct TLineColumn {
    int Line = 0;
    int Column = 0;
};
TLineColumn LineColumnOf(const std::vector<std::string>& Lines, std::size_t Offset);

// Operators of expressions: the binary ones first, in the order of their binding (the loosest
// first), then the prefix operators and the power.
enum class TOpCode : std::uint8_t {
    Or,
    Xor,
    And,
    Eq,
    Neq,
    Lt,
    Le,
    Gt,
    Ge,
    Shl,
    Shr,
    Add,
    Sub,
    Mul,
    Div,
    Mod,
    RDiv,
    Not,
    BitNot,
    Pow,
};

// Kinds of expression tokens. A character that starts no token is Bad.
enum class TExprTok : std::uint8_t {
    End,
    Number,
    String,
    Date,
    Ident,
    Slot,
    Op,
    LParen,
    RParen,
    LBrack,
    RBrack,
    Comma,
    Dot,
    Bad,
};

// One token of an expression: its kind, the operator it is (for Op), and where it stands.
struct TExprToken {
    TExprTok Kind;
    TOpCode Op;
    std::size_t Begin;
    std::size_t End;
};

// Splits an expression into tokens, ending with one of kind End.
std::vector<TExprToken> TokenizeExpression(std::string_view Text);

} // namespace skv::engine

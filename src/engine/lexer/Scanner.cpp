// The statement scanner and the expression tokenizer.
#include "engine/lexer/Scanner.h"

#include "engine/base/Errors.h"
#include "engine/base/Messages.h"
#include "engine/base/Text.h"

#include <algorithm>
#include <array>
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

struct TWordOp {
    const char* Text;
    TOpCode Op;
};
constexpr TWordOp kWordOps[] = {{"OR", TOpCode::Or},   {"XOR", TOpCode::Xor}, {"AND", TOpCode::And},
                                {"SHL", TOpCode::Shl}, {"SHR", TOpCode::Shr}, {"DIV", TOpCode::Div},
                                {"MOD", TOpCode::Mod}, {"NOT", TOpCode::Not}};

// Whether a "}" follows the "{" at From of line Line, in that line or a later one.
bool BraceCloses(const std::vector<std::string>& Lines, std::size_t Line, std::size_t From) {
    if (Lines[Line].find('}', From) != std::string::npos) return true;
    return std::any_of(Lines.begin() + static_cast<std::ptrdiff_t>(Line) + 1, Lines.end(),
                       [](const std::string& l) { return l.find('}') != std::string::npos; });
}

// The lines from First on, joined as they stand.
std::string JoinRest(const std::vector<std::string>& Lines, std::size_t First) {
    std::string text;
    for (std::size_t l = First; l < Lines.size(); ++l)
        text.append(" ").append(Lines[l]);
    return text;
}

} // namespace

std::size_t QuotedEnd(std::string_view Text, std::size_t Open, bool& Closed) {
    const char quote = Text[Open];
    const std::size_t n = Text.size();
    std::size_t i = Open + 1;
    for (;;) {
        while (i < n && Text[i] != quote)
            ++i;
        if (i >= n) {
            Closed = false;
            return n;
        }
        if (i + 1 < n && Text[i + 1] == quote) {
            i += 2;
            continue;
        }
        Closed = true;
        return i + 1;
    }
}

std::string JoinScriptLines(const std::vector<std::string>& Lines) {
    std::string text;
    bool inString = false, inBrace = false;
    for (std::size_t l = 0; l < Lines.size(); ++l) {
        if (l > 0) text += ' ';
        const std::string& line = Lines[l];
        const std::size_t lineStart = text.size();
        text += line;
        for (std::size_t i = lineStart; i < text.size(); ++i) {
            char& c = text[i];
            if (inBrace) {
                inBrace = c != '}';
                c = ' ';
            } else if (c == '"') {
                inString = !inString; // a doubled quote closes one string and opens the next
            } else if (inString) {
                continue;
            } else if (c == '{') {
                // Closed somewhere: blanked as it goes; never closed: left for the scanner.
                if (!BraceCloses(Lines, l, i - lineStart)) return text + JoinRest(Lines, l + 1);
                inBrace = true;
                c = ' ';
            } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '/') {
                std::fill(text.begin() + static_cast<std::ptrdiff_t>(i), text.end(), ' ');
                break;
            }
        }
    }
    return text;
}

TLineColumn LineColumnOf(const std::vector<std::string>& Lines, std::size_t Offset) {
    if (Lines.empty()) return {1, 1};
    for (std::size_t l = 0; l < Lines.size(); ++l) {
        const std::size_t len = Lines[l].size();
        if (Offset <= len || l + 1 == Lines.size())
            return {static_cast<int>(l + 1), static_cast<int>(std::min(Offset, len) + 1)};
        Offset -= len + 1;
    }
    return {};
}

TParserScanner::TParserScanner(std::string_view Text)
    : Pos(Text.data()), BetweenStart(Text.data()), StmtBegin(Text.data()), PrevStmtBegin(Text.data()),
      Start_(Text.data()), End_(Text.data() + Text.size()) {}

std::size_t TParserScanner::BetweenOffset() const {
    const char* p = BetweenStart;
    while (p < Pos && *p == ' ')
        ++p;
    return static_cast<std::size_t>(p - Start_);
}

namespace {

// The syntax error of the scanner, found at At.
[[noreturn]] void FailAt(const char* Msg, std::string_view Rest, std::size_t At) {
    ESyntaxError e(MsgWithExpression(Msg, Rest));
    e.SetOffset(At);
    throw e;
}

} // namespace

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
            // Words in strings are no keywords.
            bool closed = false;
            const std::size_t end =
                QuotedEnd(std::string_view(c, static_cast<std::size_t>(End_ - c)), 0, closed);
            if (!closed) {
                Pos = c;
                Token = TSTToken::tid_InvalidToken;
                TokenLen = 0;
                FailAt(_msgEndlessString, BetweenStart, TokenOffset());
            }
            c += end;
            continue;
        }
        if (ch == '{') {
            // Closed comments were blanked when the lines were joined.
            Pos = c;
            Token = TSTToken::tid_InvalidToken;
            TokenLen = 0;
            FailAt(_msgEndlessComment, c, TokenOffset());
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

// Splits an expression into tokens; a character that starts no token becomes TExprTok::Bad.
std::vector<TExprToken> TokenizeExpression(std::string_view T) {
    std::vector<TExprToken> toks;
    std::size_t i = 0;
    const std::size_t n = T.size();
    auto push = [&](TExprTok k, std::size_t b, std::size_t e, TOpCode op = TOpCode::Or) {
        toks.push_back({k, op, b, e});
    };
    while (i < n) {
        const char c = T[i];
        const std::size_t b = i;
        if (c == ' ') {
            ++i;
            continue;
        }
        if (IsDigit(c) || (c == '.' && i + 1 < n && IsDigit(T[i + 1]))) {
            while (i < n && IsDigit(T[i]))
                ++i;
            if (i < n && T[i] == '.') {
                ++i;
                while (i < n && IsDigit(T[i]))
                    ++i;
            }
            if (i < n && (T[i] == 'E' || T[i] == 'e')) {
                std::size_t j = i + 1;
                if (j < n && (T[j] == '+' || T[j] == '-')) ++j;
                if (j < n && IsDigit(T[j])) {
                    while (j < n && IsDigit(T[j]))
                        ++j;
                    i = j;
                }
            }
            push(TExprTok::Number, b, i);
            continue;
        }
        if (c == '$') {
            ++i;
            while (i < n && IsIdentChar(T[i]))
                ++i;
            push(HexCheck(T.substr(b, i - b)) ? TExprTok::Number : TExprTok::Bad, b, i);
            continue;
        }
        if (c == '"' || c == '\'') {
            bool ended = false;
            i = QuotedEnd(T, b, ended);
            const bool closed = i - b >= 2 && T[i - 1] == c;
            push(!closed ? TExprTok::Bad : c == '"' ? TExprTok::String : TExprTok::Date, b, i);
            continue;
        }
        if (IsIdentStart(c)) {
            while (i < n && IsIdentChar(T[i]))
                ++i;
            const std::string_view word = T.substr(b, i - b);
            TExprTok kind = TExprTok::Ident;
            TOpCode op = TOpCode::Or;
            for (const TWordOp& w : kWordOps) {
                if (word.size() == std::char_traits<char>::length(w.Text) && UpStr(word) == w.Text) {
                    kind = TExprTok::Op;
                    op = w.Op;
                    break;
                }
            }
            push(kind, b, i, op);
            continue;
        }
        if (c == '%' && i + 1 < n && IsDigit(T[i + 1])) {
            ++i;
            while (i < n && IsDigit(T[i]))
                ++i;
            push(TExprTok::Slot, b, i);
            continue;
        }
        ++i;
        const char next = i < n ? T[i] : '\0';
        switch (c) {
        case '(':
            push(TExprTok::LParen, b, i);
            break;
        case ')':
            push(TExprTok::RParen, b, i);
            break;
        case '[':
            push(TExprTok::LBrack, b, i);
            break;
        case ']':
            push(TExprTok::RBrack, b, i);
            break;
        case ',':
            push(TExprTok::Comma, b, i);
            break;
        case '.':
            push(TExprTok::Dot, b, i);
            break;
        case '+':
            push(TExprTok::Op, b, i, TOpCode::Add);
            break;
        case '-':
            push(TExprTok::Op, b, i, TOpCode::Sub);
            break;
        case '*':
            push(TExprTok::Op, b, i, TOpCode::Mul);
            break;
        case '/':
            push(TExprTok::Op, b, i, TOpCode::RDiv);
            break;
        case '^':
            push(TExprTok::Op, b, i, TOpCode::Pow);
            break;
        case '~':
            push(TExprTok::Op, b, i, TOpCode::BitNot);
            break;
        case '=':
            push(TExprTok::Op, b, i, TOpCode::Eq);
            break;
        case '<':
            if (next == '>' || next == '=') {
                ++i;
                push(TExprTok::Op, b, i, next == '>' ? TOpCode::Neq : TOpCode::Le);
            } else {
                push(TExprTok::Op, b, i, TOpCode::Lt);
            }
            break;
        case '>':
            if (next == '=') {
                ++i;
                push(TExprTok::Op, b, i, TOpCode::Ge);
            } else {
                push(TExprTok::Op, b, i, TOpCode::Gt);
            }
            break;
        default:
            push(TExprTok::Bad, b, i);
            break;
        }
    }
    push(TExprTok::End, n, n);
    return toks;
}

} // namespace skv::engine

// The statement scanner: which tokens a script yields and what text lies between them.
#include "engine/compiler/Program.h"
#include "engine/lexer/Scanner.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using namespace skv::engine;

namespace {

using TTokenRun = std::vector<std::pair<TSTToken, std::string>>;

// Every token up to the end with the trimmed text before it.
TTokenRun Scan(const std::string& script) {
    TParserScanner s(script.c_str());
    TTokenRun run;
    do {
        s.NextToken();
        run.emplace_back(s.Token, s.TextBetween);
    } while (s.Token != TSTToken::tid_EOF && run.size() < 100);
    return run;
}

struct TScanCase {
    const char* Script;
    TTokenRun Expected;
};

} // namespace

TEST(ParstypeScanner, TokenRuns) {
    const std::vector<TScanCase> cases = {
        {"", {{TSTToken::tid_EOF, ""}}},
        {"   ", {{TSTToken::tid_EOF, ""}}},
        {"x := 1; y := 2",
         {{TSTToken::tid_EQ, "x"},
          {TSTToken::tid_SEMICOL, "1"},
          {TSTToken::tid_EQ, "y"},
          {TSTToken::tid_EOF, "2"}}},
        {"IF a THEN b := \"END\";",
         {{TSTToken::tid_IF, ""},
          {TSTToken::tid_THEN, "a"},
          {TSTToken::tid_EQ, "b"},
          {TSTToken::tid_SEMICOL, "\"END\""},
          {TSTToken::tid_EOF, ""}}},
        {"begin Begin BEGIN",
         {{TSTToken::tid_BEGIN, ""},
          {TSTToken::tid_BEGIN, ""},
          {TSTToken::tid_BEGIN, ""},
          {TSTToken::tid_EOF, ""}}},
        // The letter run decides: BEGINX is a name, but the run after "_" or a digit is a keyword.
        {"BEGINX := 1", {{TSTToken::tid_EQ, "BEGINX"}, {TSTToken::tid_EOF, "1"}}},
        {"X_BEGIN", {{TSTToken::tid_BEGIN, "X_"}, {TSTToken::tid_EOF, ""}}},
        {"X1THEN", {{TSTToken::tid_THEN, "X1"}, {TSTToken::tid_EOF, ""}}},
        {"a : = b", {{TSTToken::tid_EOF, "a : = b"}}},
        {"s := \"a\"\"b;\"", {{TSTToken::tid_EQ, "s"}, {TSTToken::tid_EOF, "\"a\"\"b;\""}}},
        {"FOR i := 1 DOWNTO 0 DO BREAK",
         {{TSTToken::tid_FOR, ""},
          {TSTToken::tid_EQ, "i"},
          {TSTToken::tid_DOWNTO, "1"},
          {TSTToken::tid_DO, "0"},
          {TSTToken::tid_BREAK, ""},
          {TSTToken::tid_EOF, ""}}},
        {"TRY x EXCEPT y FINALLY z END",
         {{TSTToken::tid_TRY, ""},
          {TSTToken::tid_EXCEPT, "x"},
          {TSTToken::tid_FINALLY, "y"},
          {TSTToken::tid_END, "z"},
          {TSTToken::tid_EOF, ""}}},
        {"REPEAT WHILE UNTIL ELSE TO",
         {{TSTToken::tid_REPEAT, ""},
          {TSTToken::tid_WHILE, ""},
          {TSTToken::tid_UNTIL, ""},
          {TSTToken::tid_ELSE, ""},
          {TSTToken::tid_TO, ""},
          {TSTToken::tid_EOF, ""}}},
        // Tabs are not blanks.
        {"\tx\t;", {{TSTToken::tid_SEMICOL, "\tx\t"}, {TSTToken::tid_EOF, ""}}},
    };
    for (const TScanCase& c : cases)
        EXPECT_EQ(Scan(c.Script), c.Expected) << c.Script;
}

TEST(ParstypeScanner, StaysAtEndOfText) {
    const std::string script = "a;";
    TParserScanner s(script.c_str());
    s.NextToken();
    for (int i = 0; i < 3; ++i) {
        s.NextToken();
        EXPECT_EQ(s.Token, TSTToken::tid_EOF);
        EXPECT_EQ(s.Pos, script.c_str() + script.size());
    }
}

TEST(ParstypeScanner, StatementMarksAndLastStatement) {
    const std::string script = "x := 1 + 2; IF y THEN z := 3";
    TParserScanner s(script.c_str());
    s.NextToken(); // :=
    EXPECT_EQ(s.GetTokenText(), ":=");
    EXPECT_EQ(s.LastStatement(false), "x");
    EXPECT_EQ(s.LastStatement(true), "x :=");
    s.NextToken(); // ;
    EXPECT_EQ(s.LastStatement(false), "x := 1 + 2");
    s.MarkEndOfStatement();
    s.NextToken(); // IF
    s.MarkBeginOfStatement();
    s.NextToken(); // THEN
    EXPECT_EQ(s.LastStatement(true), "IF y THEN");
    s.MarkEndOfStatement();
    // The mark now lies after the token: the previous statement start is used.
    EXPECT_EQ(s.LastStatement(false), "IF y");
}

TEST(ParstypeScanner, GetTokenIdMatchesWholeWordsOnly) {
    EXPECT_EQ(TParserScanner::GetTokenID("downto", 6), TSTToken::tid_DOWNTO);
    EXPECT_EQ(TParserScanner::GetTokenID("DOWNTO", 2), TSTToken::tid_DO);
    EXPECT_EQ(TParserScanner::GetTokenID("ENDS", 4), TSTToken::tid_InvalidToken);
    EXPECT_EQ(TParserScanner::GetTokenID("", 0), TSTToken::tid_InvalidToken);
}

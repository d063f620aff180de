// Engine exceptions: which handler catches which class, and how messages get their context.
#include "engine/base/Errors.h"
#include "engine/base/Messages.h"

#include <gtest/gtest.h>

#include <string>

using namespace skv::engine;

namespace {

template <typename E> bool CaughtAsEngineError() {
    try {
        throw E("x");
    } catch (const EMathParserError&) {
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace

TEST(ParstypeMessages, EngineErrorsShareOneBaseButControlSignalsDoNot) {
    EXPECT_TRUE(CaughtAsEngineError<ESyntaxError>());
    EXPECT_TRUE(CaughtAsEngineError<EMissMatchingBracket>());
    EXPECT_TRUE(CaughtAsEngineError<EBadName>());
    EXPECT_TRUE(CaughtAsEngineError<EFuncParamsError>());
    EXPECT_TRUE(CaughtAsEngineError<EParserInternalError>());
    EXPECT_TRUE(CaughtAsEngineError<EUnknownVariable>());
    EXPECT_TRUE(CaughtAsEngineError<EUnknownFunction>());
    EXPECT_TRUE(CaughtAsEngineError<EFuncNotFound>());
    EXPECT_FALSE(CaughtAsEngineError<EBreakCycle>());
    EXPECT_FALSE(CaughtAsEngineError<EScriptException>());
}

TEST(ParstypeMessages, SuffixesJoinMessageAndContext) {
    EXPECT_EQ(MsgWithExpression(_msgEndlessString, "\"abc"),
              "The string exceeds the end of the script. Expression: \"abc");
    EXPECT_EQ(MsgWithStatement(_msgSemiExpected, "x := 1"), "Semicolon expected. Statement: x := 1");
    EXPECT_EQ(MsgWithName(_msgInvalidIdent, "2X"), "Invalid identifier name: 2X");
    EXPECT_EQ(std::string(_msgEQExpected), "Equation - \":=\", expected in statement");
}

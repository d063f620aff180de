// Engine exceptions: which handler catches which class.
#include "engine/base/Errors.h"

#include <gtest/gtest.h>

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

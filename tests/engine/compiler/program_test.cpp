// A compiled program: its records start empty, operand lists never overlap, and everything goes
// with the program (run under the sanitizers, a leak or a double free shows here).
#include "engine/compiler/Program.h"

#include <gtest/gtest.h>

#include <vector>

namespace skv::engine {
namespace {

TEST(Program, RecordsStartEmptyAndOperandListsStayApart) {
    TProgram program;
    TParserOperation& op = program.NewOperation(TToken::sum, nullptr, 3);
    ASSERT_EQ(op.Args.size(), 3u);
    EXPECT_EQ(op.Args[2], nullptr);
    EXPECT_EQ(op.Member, -1);
    EXPECT_TRUE(op.Name.empty());
    op.Name = program.NewName("F");
    EXPECT_TRUE(program.NewOperation(TToken::constant, nullptr, 0).Args.empty());
    const TParserStatement& st = program.NewStatement(TStatementToken::stIfThen, nullptr);
    EXPECT_EQ(st.Expr1, nullptr);
    EXPECT_EQ(st.Next, nullptr);

    // Many lists, and one longer than a block: each operand slot belongs to one operation.
    std::vector<Variant> values(1000);
    std::vector<TParserOperation*> ops;
    for (std::size_t i = 0; i < values.size(); i += 5)
        ops.push_back(&program.NewOperation(TToken::sum, nullptr, i == 500 ? 400 : 5));
    for (std::size_t k = 0; k < ops.size(); ++k)
        for (Variant*& slot : ops[k]->Args)
            slot = &values[k];
    for (std::size_t k = 0; k < ops.size(); ++k)
        for (Variant* slot : ops[k]->Args)
            ASSERT_EQ(slot, &values[k]) << "operation " << k;
    EXPECT_EQ(op.Name, "F");
}

} // namespace
} // namespace skv::engine

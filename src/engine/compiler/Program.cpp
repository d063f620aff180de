// The records of compiled programs, made where their program keeps them.
#include "engine/compiler/Program.h"

#include "engine/eval/Exeval_fast.h" // what the fast forms are, so that they can go

#include <algorithm>

namespace skv::engine {

namespace {
// Operand pointers per block: most chains fit in one.
constexpr std::size_t kArgBlock = 256;
} // namespace

TProgram::TProgram() = default;
TProgram::~TProgram() = default;

TParserOperation& TProgram::NewOperation(TToken Token, TMathProcedure Proc, std::int32_t ArgCount) {
    TParserOperation& op = Operations_.emplace_back();
    op.Token = Token;
    op.Proc = Proc;
    op.ArgCount = ArgCount;
    if (ArgCount <= 0) return op;
    const auto n = static_cast<std::size_t>(ArgCount);
    if (ArgBlockUsed_ + n > ArgBlockSize_) {
        ArgBlockSize_ = std::max(kArgBlock, n);
        ArgBlocks_.push_back(std::make_unique<Variant*[]>(ArgBlockSize_));
        ArgBlockUsed_ = 0;
    }
    op.Args = std::span<Variant*>(ArgBlocks_.back().get() + ArgBlockUsed_, n);
    ArgBlockUsed_ += n;
    return op;
}

TParserStatement& TProgram::NewStatement(TStatementToken Token, TStatementProc Proc, Variant* Var,
                                         TValueOwner* VarObj) {
    TParserStatement& st = Statements_.emplace_back();
    st.Token = Token;
    st.Proc = Proc;
    st.Var = Var;
    st.VarObj = VarObj;
    return st;
}

std::string_view TProgram::NewName(std::string_view Name) {
    return Names_.emplace_back(Name);
}

TFastChain* TProgram::Keep(std::unique_ptr<TFastChain> Chain) {
    return FastChains_.emplace_back(std::move(Chain)).get();
}

} // namespace skv::engine

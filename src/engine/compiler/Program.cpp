// Making and freeing the records of compiled programs.
#include "engine/compiler/Program.h"

namespace skv::engine {

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

} // namespace skv::engine

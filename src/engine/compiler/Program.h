// The compiled form of expressions and scripts: the kinds of operations and statements, and the
// records the compiler chains and the evaluator walks.
#pragma once

#include "engine/values/Variant.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace skv::engine {

// Kinds of compiled statements.
enum class TStatementToken : std::uint8_t {
    stEQ,
    stIfThen,
    stForUp,
    stForDown,
    stWhile,
    stRepeat,
    stBreak,
    stTryFinally,
    stTryExcept,
};

// Kinds of compiled operations.
enum class TToken : std::uint8_t {
    variab,
    constant,
    minus,
    sum,
    diff,
    prod,
    divis,
    modulo,
    IntDiv,
    integerpower,
    realpower,
    square,
    third,
    fourth,
    lf_lt,
    lf_le,
    lf_gt,
    lf_ge,
    lf_eq,
    lf_neq,
    lf_xor,
    lf_or,
    lf_and,
    lf_not,
    bit_not,
    bit_shl,
    bit_shr,
    BldFunc,
    UserFunc,
    UndefFunc,
    BldFuncOfObj,
    ObjMethod,
    SetObjProp,
    ObjConstr,
    ObjMethodOfObj,
    GetArrayItem,
    SetArrayItem,
    assign,
};

// Compiled records. They point at each other, at the values of their program and at the
// variables with plain pointers, so that evaluation is a walk over pointers; the program they
// belong to owns them.

class Variant;
class TExprLink;
class TLinkOwner;
class TObject;
struct TParserOperation;
struct TParserStatement;
using PParserOperation = TParserOperation*;
using PParserStatement = TParserStatement*;

// The code an operation runs. An object-bound procedure finds its object in Op->Data.
using TMathProcedure = void (*)(PParserOperation Op);
// The code a statement runs.
using TStatementProc = void (*)(PParserStatement St);

// Arguments handed to function callbacks, with Param_High the index of the last one.
using ArgArray = std::vector<Variant>;

// One step of a compiled expression, chained through Next.
struct TParserOperation {
    Variant* Arg1 = nullptr; // the first three operands, the same pointers as Args[0..2]
    Variant* Arg2 = nullptr;
    Variant* Arg3 = nullptr;
    std::span<Variant*> Args; // the operands, ArgCount of them (none when ArgCount < 1)
    std::int32_t ArgCount = 0;
    Variant* Result = nullptr;
    TParserOperation* Next = nullptr;
    TLinkOwner* Obj = nullptr; // what the operation calls into (a function object or an expression)
    Variant* ObjArg = nullptr; // the value before the dot of an object call
    std::string_view Name;     // an undefined function's, an array's or a member's name; empty: none
    std::int32_t Member = -1;  // the registered class method of an object call
    TExprLink* CallerLink = nullptr;
    TToken Token = TToken::variab;
    TMathProcedure Proc = nullptr;
    TObject* Data = nullptr; // the object an object-bound procedure is bound to
};

// What owns a value that compiled statements write (a variable); it is told after each write so
// that what depends on it recomputes.
class TValueOwner {
public:
    virtual ~TValueOwner() = default;
    virtual void ValueChanged() = 0;
};

// A chain of number operations in a form that runs without the general value rules (defined with
// the evaluator).
struct TFastChain;

// One compiled statement, chained through Next.
struct TParserStatement {
    TStatementToken Token = TStatementToken::stEQ;
    Variant* Var = nullptr;        // assignment target or loop variable
    TValueOwner* VarObj = nullptr; // the variable that owns Var, if any
    TParserOperation* Expr1 = nullptr;
    TParserOperation* Expr2 = nullptr;
    TParserStatement* Body1 = nullptr;
    TParserStatement* Body2 = nullptr;
    TStatementProc Proc = nullptr;
    TParserStatement* Next = nullptr;
    TFastChain* Fast = nullptr; // Expr1 in the fast form, when it has that form
};

// One compiled text: its statements and operations with their operand lists and names, the fast
// forms of its chains, and the values it computes with. Everything the records point at that is
// not a variable lives here, and goes when the program goes.
class TProgram {
public:
    TProgram();
    ~TProgram();
    TProgram(const TProgram&) = delete;
    TProgram& operator=(const TProgram&) = delete;

    // A new operation with ArgCount empty operand slots; Result, Next and the rest are unset.
    TParserOperation& NewOperation(TToken Token, TMathProcedure Proc, std::int32_t ArgCount);
    TParserStatement& NewStatement(TStatementToken Token, TStatementProc Proc, Variant* Var = nullptr,
                                   TValueOwner* VarObj = nullptr);
    // A name the program keeps for its operations.
    std::string_view NewName(std::string_view Name);
    // Keeps the fast form of a statement's chain.
    TFastChain* Keep(std::unique_ptr<TFastChain> Chain);

    // The first statement of the text (null for an empty one).
    PParserStatement Statements = nullptr;
    // The values: literals and intermediate results, the "%N" argument slots, and which entries
    // of ConstList are literals. Deques keep every value's address fixed as they grow.
    std::deque<Variant> ConstList;
    std::deque<Variant> ConstPool;
    std::unordered_set<const Variant*> Literals;

private:
    std::deque<TParserOperation> Operations_;
    std::deque<TParserStatement> Statements_;
    std::deque<std::string> Names_;
    // Operand lists are cut from blocks, so that the operands of a chain lie close together.
    std::vector<std::unique_ptr<Variant*[]>> ArgBlocks_;
    std::size_t ArgBlockUsed_ = 0;
    std::size_t ArgBlockSize_ = 0;
    std::vector<std::unique_ptr<TFastChain>> FastChains_;
};

} // namespace skv::engine

// The compiled form of expressions and scripts: the kinds of operations and statements, and the
// records the compiler chains and the evaluator walks.
#pragma once

#include "engine/values/Variant.h"

#include <cstdint>
#include <string>
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

// Compiled records. They own nothing but their argument-pointer array and their name text: the
// values they point at belong to the builder's pools and to the variables, so that evaluation is
// a walk over pointers.

class Variant;
class TExprLink;
struct TParserOperation;
struct TParserStatement;
using PParserOperation = TParserOperation*;
using PParserStatement = TParserStatement*;

// The code an operation runs. An object-bound procedure finds its object in Op->Data.
using TMathProcedure = void (*)(PParserOperation Op);
// A procedure that takes its object explicitly.
using TMathProcedureOfObj1 = void (*)(void* Obj, PParserOperation Op);
// The code a statement runs.
using TStatementProc = void (*)(PParserStatement St);

// Arguments handed to function callbacks, with Param_High the index of the last one.
using ArgArray = std::vector<Variant>;

// One step of a compiled expression, chained through Next.
struct TParserOperation {
    Variant* Arg1 = nullptr; // the first three operands, the same pointers as Args[0..2]
    Variant* Arg2 = nullptr;
    Variant* Arg3 = nullptr;
    Variant** Args = nullptr; // ArgCount operand pointers, or null when ArgCount < 1
    std::int32_t ArgCount = 0;
    Variant* Result = nullptr;
    TParserOperation* Next = nullptr;
    void* Obj = nullptr;         // what the operation calls into (function object, user function, ...)
    Variant* ObjArg = nullptr;   // the value before the dot of an object call
    std::string* Name = nullptr; // an undefined function's or an array variable's name
    std::int32_t Member = -1;    // the registered class method of an object call
    TExprLink* CallerLink = nullptr;
    TToken Token = TToken::variab;
    TMathProcedure Proc = nullptr;
    void* Data = nullptr; // the object an object-bound procedure is bound to
};

// What owns a value that compiled statements write (a variable); it is told after each write so
// that what depends on it recomputes.
class TValueOwner {
public:
    virtual ~TValueOwner() = default;
    virtual void ValueChanged() = 0;
};

// A chain of number operations in a form that runs without the general value rules (defined with
// the evaluator); statements own theirs.
struct TFastChain;
void FreeFastChain(TFastChain* Chain);

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
    TFastChain* Fast = nullptr; // Expr1 in the fast form, when it has that form; owned
};

PParserOperation CreateOperation(TToken Token, TMathProcedure Proc, std::int32_t ArgCount);
PParserStatement CreateStatement(TStatementToken Token, TStatementProc Proc, Variant* Var,
                                 TValueOwner* VarObj);
void DisposeOper(PParserOperation Op); // never frees the values the operands point at
void FreeOperationChain(PParserOperation& Chain);
void DisposeStatement(PParserStatement St);
void FreeStatementChain(PParserStatement& Chain);

} // namespace skv::engine

// The compiler: the statement parser over TParserScanner and the operation builder that turns an
// expression text into a chain of operations whose operands are fixed value slots.
#pragma once

#include "engine/Parstype.h"
#include "engine/Variant.h"

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

namespace skv::engine {

// How deep brackets, calls, prefix operators and statements may nest. Deeper texts are refused
// with a syntax error instead of exhausting the stack.
inline constexpr int kMaxParseDepth = 200;

// A variable an expression reads or writes: its value slot and the owner to tell of writes.
struct TVarRef {
    Variant* Value = nullptr;
    TValueOwner* Owner = nullptr;
};

// Where the compiler finds names. The expression object answers from its variable lists, the
// function registry and the user library; it also records the dependency links that a found
// name brings (a global variable, a registered function, a user function).
class TParseEnv {
public:
    virtual ~TParseEnv() = default;
    // A name read in an expression: a global, a local, or an undefined variable where those are
    // collected. False when the name is no variable.
    virtual bool FindVariable(const std::string& Name, TVarRef& Ref) = 0;
    // The target of an assignment or a FOR: found like a read, otherwise created as an
    // upper-cased local. False when the name cannot be a variable.
    virtual bool FindTarget(const std::string& Name, TVarRef& Ref) = 0;
    // Binds a call of Name: sets Op's Token, Proc, Obj and Data and answers the expected argument
    // count (-1: any). False when no function has the name.
    virtual bool BindCall(const std::string& Name, TParserOperation& Op, std::int32_t& ArgCount) = 0;
};

// The values a compiled expression owns. Deques keep every value's address fixed as they grow.
struct TParserPools {
    std::deque<Variant> ConstList; // literals and intermediate results
    std::deque<Variant> ConstPool; // the "%N" argument slots
};

// Builds one expression text into an operation chain whose last operation writes Dest (when
// given). The syntax error of unreadable text is ESyntaxError with "Syntax error in expression:".
PParserOperation BuildExpression(std::string_view Text, TParseEnv& Env, TParserPools& Pools, Variant* Dest,
                                 bool& ParseFailed);

// Reads the literal of a number as expressions write it ("." always, "$" hexadecimal, exponents):
// an integer when whole, written without a point and within 32 bits, else a double.
bool ReadNumberLiteral(std::string_view Text, Variant& Value);

} // namespace skv::engine

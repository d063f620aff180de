// The compiler: the statement parser over TParserScanner and the operation builder that turns an
// expression text into a chain of operations whose operands are fixed value slots.
#pragma once

#include "engine/base/Errors.h"
#include "engine/base/Messages.h"
#include "engine/compiler/Program.h"
#include "engine/lexer/Scanner.h"
#include "engine/values/Variant.h"
#include "engine/vars/Vars.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace skv::engine {

// How deep brackets, calls, prefix operators and statements may nest. Deeper texts are refused
// with a syntax error instead of exhausting the stack.
inline constexpr int kMaxParseDepth = 200;
// How many "%N" argument slots an expression may use.
inline constexpr std::size_t kMaxSlots = 4096;

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
    // Binds a member of an object, "Obj.Member(...)": a read or call (Assign false) or a store
    // into a property. Sets Op's Token, Proc, Obj, Data and CallerLink. False when objects
    // cannot be called.
    virtual bool BindMember(const std::string& /*Member*/, bool /*Assign*/, TParserOperation& /*Op*/) {
        return false;
    }
    // "[Name]" or "[Owner.Name]": the slot holding the object's reference. Raises "Wrong
    // component" when nothing has the name.
    virtual bool FindObjectRef(const std::string& Name, TVarRef& /*Ref*/) {
        throw EMathParserError(MsgWithName(_msgWrongComponent, Name));
    }
    // "[Source].Field": the slot of that field of the named data source; false when Source names
    // no data source.
    virtual bool FindDataField(const std::string& /*Source*/, const std::string& /*Field*/,
                               TVarRef& /*Ref*/) {
        return false;
    }
};

// Builds one expression text into an operation chain of Program whose last operation writes Dest
// (when given). The syntax error of unreadable text is ESyntaxError with "Syntax error in
// expression:".
PParserOperation BuildExpression(std::string_view Text, TParseEnv& Env, TProgram& Program, Variant* Dest,
                                 bool& ParseFailed);

// Builds the store "Target := Value" for a target that is an element of an array variable
// ("a[i, j]") or a property of an object ("Obj.Prop", "Obj.Prop[i]"). Owner is the variable
// whose array was written, or null. False (and no chain) when Target has neither form.
bool BuildStore(std::string_view Target, std::string_view Value, TParseEnv& Env, TProgram& Program,
                PParserOperation& Chain, TValueOwner*& Owner, bool& ParseFailed);

// The slot of "%N" when Text is one (the program's pool grows to it); null otherwise. N beyond
// the slot limit is a syntax error.
Variant* FindSlot(std::string_view Text, TProgram& Program);

// Compiles a script or an expression into a program. A text without statement tokens is an
// expression whose value goes to Result (the variable RESULT); otherwise it is a statement list.
// FastChains (the host's switch) says whether number chains get their fast form. Raises the
// engine's syntax errors with their statement context; what was built goes with the exception.
std::unique_ptr<TProgram> ParseProcedure(const std::string& Text, TParseEnv& Env, TVarRef Result,
                                         bool FastChains, bool& ParseFailed);

// Sets a variable of List by name: 1 when it existed, 2 when a valid, non-reserved name made a
// new one, 0 when nothing was done. Variable receives the variable (null for 0).
int SetVariableExt(TVarsList& List, const std::string& Name, const Variant& Value, TVariable*& Variable);

// Reads the literal of a number as expressions write it ("." always, "$" hexadecimal, exponents):
// an integer when whole, written without a point and within 32 bits, else a double.
bool ReadNumberLiteral(std::string_view Text, Variant& Value);

} // namespace skv::engine

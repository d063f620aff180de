// The lowest layer of the script engine: its exception classes and message texts, the token kinds
// and records of compiled programs, the statement scanner and the text helpers for names.
#pragma once

#include "engine/values/Variant.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace skv::engine {

// Every engine error the caller may catch as one kind.
class EMathParserError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ESyntaxError : public EMathParserError {
public:
    using EMathParserError::EMathParserError;
};
class EMissMatchingBracket : public EMathParserError {
public:
    using EMathParserError::EMathParserError;
};
class EBadName : public EMathParserError {
public:
    using EMathParserError::EMathParserError;
};
class EFuncParamsError : public EMathParserError {
public:
    using EMathParserError::EMathParserError;
};
class EParserInternalError : public EMathParserError {
public:
    using EMathParserError::EMathParserError;
};
class EUnknownVariable : public EMathParserError {
public:
    using EMathParserError::EMathParserError;
};
class EUnknownFunction : public EMathParserError {
public:
    using EMathParserError::EMathParserError;
};
class EFuncNotFound : public EMathParserError {
public:
    using EMathParserError::EMathParserError;
};

// The BREAK statement unwinds its loop with this; it is deliberately not an EMathParserError so
// that handlers of engine errors let it pass.
class EBreakCycle : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Raised by scripts themselves (and caught by their TRY blocks); not an engine error either.
class EScriptException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A value operation failed (conversion, overflow, division by zero, array access); the message is
// the value error's own text.
class EVariantOpError : public EMathParserError {
public:
    EVariantOpError(TVariantError Code, const std::string& Message) : EMathParserError(Message), Code(Code) {}
    TVariantError Code;
};

// Points the value type's error raiser at EVariantOpError (the array bounds error at its message
// of the table below). The host calls it once at start-up, as it sets the decimal separator; until
// then value operations raise the value type's own EVariantError.
void UseEngineVariantErrors();

// Message texts. They are compiled in; a translation would replace this table.
inline constexpr const char* _msgMissingBrackets = "Missing brackets in expression";
inline constexpr const char* _msgParseError = "Syntax error in expression:";
inline constexpr const char* _msgInternalError = "Internal error";
inline constexpr const char* _msgMismatchArgs = "Arguments mismatching";
inline constexpr const char* _msgReferenceError = "This item is referenced by another!";
inline constexpr const char* _msgCircularReference = "Circular reference";
inline constexpr const char* _msgDuplicateIdent = "Duplicated identifier";
inline constexpr const char* _msgInvalidIdent = "Invalid identifier name";
inline constexpr const char* _msgUnknownVar = "Expression uses unknown variable:";
inline constexpr const char* _msgUnknownFunc = "Expression uses unknown function:";
inline constexpr const char* _msgFuncNotFound = "Specified function does not exist";
inline constexpr const char* _msgNoSelection = "No selected item";
inline constexpr const char* _msgWrongDataSource = "Wrong DataSource component";
inline constexpr const char* _msgWrongComponent = "Wrong component";
inline constexpr const char* _msgInvalidParamTypes = "Invalid parameter types in registered function";
inline constexpr const char* _msgInvalidResultType = "Invalid result type in registered function";
inline constexpr const char* _msgInvalidObjMethod = "Invalid object method";
inline constexpr const char* _msgInvalidOLEMethod = "Invalid OLE object method or property";
inline constexpr const char* _msgInvalidObjRef = "Invalid object reference";
inline constexpr const char* _msgTooManyObjects = "Too many objects";
inline constexpr const char* _msgIsNotArray = "Returned result is not a variant array";
inline constexpr const char* _msgIsNotArrayDim =
    "Returned variant array has dimensions that do not match required";
inline constexpr const char* _msgVarArrayOutOfBounds = "Index in variant array is out of bounds";
inline constexpr const char* _msgPropertyIsNotReadable = "The object property is not readable";
inline constexpr const char* _msgPropertyIsNotWriteable = "The object property is not writeable";
inline constexpr const char* _msgIsNotConstructor = "The object method is not constructor";
inline constexpr const char* _msgIdentExpected = "Valid identifier expected";
inline constexpr const char* _msgSemiExpected = "Semicolon expected";
inline constexpr const char* _msgThenExpected = "THEN expected in statement";
inline constexpr const char* _msgUnexpectedBegin = "BEGIN not expected";
inline constexpr const char* _msgBeginWOEnd = "END expected";
inline constexpr const char* _msgEndWOBegin = "END without BEGIN";
inline constexpr const char* _msgUntilNotExpected = "UNTIL not expected";
inline constexpr const char* _msgUntilExpected = "UNTIL expected";
inline constexpr const char* _msgExceptNotExpected = "EXCEPT not expected";
inline constexpr const char* _msgFinallyNotExpected = "FINALLY not expected";
inline constexpr const char* _msgFinallyExpected = "FINALLY or EXCEPT expected";
inline constexpr const char* _msgEQExpected = "Equation - \":=\", expected in statement";
inline constexpr const char* _msgTOExpected = "TO expected in statement";
inline constexpr const char* _msgDOExpected = "DO expected in statement";
inline constexpr const char* _msgBreakNotInCycle = "BREAK not within cycle";
inline constexpr const char* _msgInvalidAssignment = "Invalid assignment";
inline constexpr const char* _msgInvalidCondition = "Invalid condition";
inline constexpr const char* _msgInvalidForCycle = "Invalid FOR cycle";
inline constexpr const char* _msgUnexpectedToken = "Unexpected token";
inline constexpr const char* _msgUnexpectedEOF = "Unexpected EOF";
inline constexpr const char* _msgEndlessString = "The string exceeds the end of the script";

// Suffixes that put a message in context; the trailing blank belongs to each.
inline constexpr const char* _sfxExpression = ". Expression: ";
inline constexpr const char* _sfxStatement = ". Statement: ";
inline constexpr const char* _sfxName = ": ";

// Composed messages: message + suffix + the text concerned.
inline std::string MsgWithExpression(std::string_view msg, std::string_view expression) {
    return std::string(msg).append(_sfxExpression).append(expression);
}
inline std::string MsgWithStatement(std::string_view msg, std::string_view statement) {
    return std::string(msg).append(_sfxStatement).append(statement);
}
inline std::string MsgWithName(std::string_view msg, std::string_view name) {
    return std::string(msg).append(_sfxName).append(name);
}

// Errors of the list helpers below (a wrong index, a forbidden operation on a sorted list).
class EListError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// ---------------------------------------------------------------------------------------------
// Token kinds

// Statement-level tokens found by TParserScanner.
enum TSTToken : std::uint8_t {
    tid_NoToken,
    tid_InvalidToken,
    tid_EQ,
    tid_SEMICOL,
    tid_FOR,
    tid_TO,
    tid_DOWNTO,
    tid_DO,
    tid_BEGIN,
    tid_END,
    tid_WHILE,
    tid_REPEAT,
    tid_UNTIL,
    tid_BREAK,
    tid_IF,
    tid_THEN,
    tid_ELSE,
    tid_EOF,
    tid_TRY,
    tid_FINALLY,
    tid_EXCEPT,
};

// Kinds of compiled statements.
enum TStatementToken : std::uint8_t {
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
enum TToken : std::uint8_t {
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

// ---------------------------------------------------------------------------------------------
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
    TToken Token = variab;
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
    TStatementToken Token = stEQ;
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
void DisposeParserVar(Variant*& V);

// ---------------------------------------------------------------------------------------------
// Statement scanner

// Cuts a zero-terminated script into statement-level tokens; everything between two tokens is
// left in TextBetween for the expression builder. The text must outlive the scanner.
class TParserScanner {
public:
    explicit TParserScanner(const char* Text);

    void NextToken();
    static TSTToken GetTokenID(const char* Text, std::size_t Len);
    std::string GetTokenText() const { return std::string(Pos, TokenLen); }
    void MarkBeginOfStatement();
    void MarkEndOfStatement();
    std::string LastStatement(bool IncludeToken) const;
    void FreeTextBetween() { TextBetween.clear(); }

    TSTToken Token = tid_NoToken;
    std::size_t TokenLen = 0;
    const char* Pos;
    const char* BetweenStart;
    std::string TextBetween;
    const char* StmtBegin;
    const char* PrevStmtBegin;
};

// ---------------------------------------------------------------------------------------------
// Text helpers for names and literals. Bytes are code page 1252 with the Cyrillic letters
// 192..255 admitted in names.

bool IsValidIdentCyr(std::string_view Name);
bool HasReservedWord(std::string_view Name);
char UpCyr(char Ch);
std::string UpStr(std::string_view S);
char* StrUpperCyr(char* P);
bool HexCheck(std::string_view Text);
std::string& RemoveSpaces(std::string& S);
std::string_view TrimSpaces(std::string_view S); // the same without copying
std::string& RemoveChar(std::string& S, char Ch);
std::string& RemoveDoubleQuotes(std::string& S);
// Position of a whole-word, case-blind occurrence of Sub outside double-quoted strings, or npos.
std::size_t ValidStrPos(std::string_view Text, std::string_view Sub);
// Reads a number, TRUE/FALSE or a "$" hex text into Value; false (and integer 0) for anything else.
bool TextToValue(const std::string& Text, Variant& Value);

// The name Prefix + ClassName without its leading "T" (letters and digits only) + Counter.
std::string GenerateName(std::string_view Prefix, std::string_view ClassName, std::int64_t Counter);
// The first GenerateName, counting from 1, that none of Taken has (compared ignoring case).
std::string CreateUniqueName(std::string_view Prefix, std::string_view ClassName,
                             const std::vector<std::string>& Taken);
// True when the file exists as given or, failing that, inside FallbackDir (the system folder the
// host names; none when empty).
bool FindFile(const std::string& Name, const std::string& FallbackDir = {});

// ---------------------------------------------------------------------------------------------
// A list of objects kept sorted by texts that descendants supply.

enum class TDuplicates { dupIgnore, dupAccept, dupError };

// Compares two names the way the engine does: ignoring case, Cyrillic letters included.
int CompareNames(std::string_view A, std::string_view B);

template <class T> class TSortedObjList {
public:
    virtual ~TSortedObjList() = default;

    int Count() const { return static_cast<int>(Items.size()); }
    T* Objects(int Index) const {
        CheckIndex(Index);
        return Items[static_cast<std::size_t>(Index)];
    }
    std::string Get(int Index) const {
        CheckIndex(Index);
        return GetString(Index);
    }
    void Put(int Index, const std::string& Text) {
        if (Sorted) throw EListError("Operation not allowed on sorted string list");
        CheckIndex(Index);
        PutString(Index, Text);
    }
    virtual int Compare(const std::string& A, const std::string& B) const { return CompareNames(A, B); }

    // Binary search. With duplicates accepted it reports the first of several equal texts.
    bool Find(const std::string& Text, int& Index) const {
        int lo = 0;
        int hi = Count() - 1;
        bool found = false;
        while (lo <= hi) {
            const int mid = lo + (hi - lo) / 2;
            const int c = Compare(GetString(mid), Text);
            if (c < 0) {
                lo = mid + 1;
                continue;
            }
            hi = mid - 1;
            if (c == 0) {
                found = true;
                if (Duplicates != TDuplicates::dupAccept) lo = mid;
            }
        }
        Index = lo;
        return found;
    }

    void Sort() {
        // Insertion sort keeps equal texts in their order and needs only the virtual texts.
        for (int i = 1; i < Count(); ++i) {
            for (int j = i; j > 0 && Compare(GetString(j - 1), GetString(j)) > 0; --j)
                std::swap(Items[static_cast<std::size_t>(j - 1)], Items[static_cast<std::size_t>(j)]);
        }
    }

    // Adds at the sorted place (at the end when not sorted); returns the index, or -1 when a
    // duplicate was ignored.
    int Add(T* Object, const std::string& Text) {
        int index = Count();
        if (Sorted && Find(Text, index)) {
            if (Duplicates == TDuplicates::dupIgnore) return -1;
            if (Duplicates == TDuplicates::dupError)
                throw EListError("String list does not allow duplicates");
        }
        Items.insert(Items.begin() + index, Object);
        return index;
    }
    void Delete(int Index) {
        CheckIndex(Index);
        Items.erase(Items.begin() + Index);
    }
    int IndexOf(const T* Object) const {
        for (int i = 0; i < Count(); ++i)
            if (Items[static_cast<std::size_t>(i)] == Object) return i;
        return -1;
    }

    bool Sorted = true;
    TDuplicates Duplicates = TDuplicates::dupIgnore;

protected:
    virtual std::string GetString(int Index) const = 0;
    virtual void PutString(int Index, const std::string& Text) = 0;
    void CheckIndex(int Index) const {
        if (Index < 0 || Index >= Count())
            throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
    }

    std::vector<T*> Items;
};

// ---------------------------------------------------------------------------------------------
// The bracket-level matrix of the operation builder: per level, a row of operations and the
// bracket depth the level stands for.

struct TLevelWidthList {
    std::vector<TParserOperation*> Items;
    std::int32_t BracketLevel = 0;
};

class TMatrixObj {
public:
    TParserOperation* Get(int Level, int Index) const;
    void Put(int Level, int Index, TParserOperation* Op);
    std::int32_t GetBracketLevel(int Level);
    void SetBracketLevel(int Level, std::int32_t Value);
    int GetLevelCount() const { return static_cast<int>(Levels.size()); }
    int GetWidthCount(int Level) const;

private:
    void EnsureLevel(int Level);
    std::vector<TLevelWidthList> Levels;
};

} // namespace skv::engine

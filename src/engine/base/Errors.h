// The engine's exception classes: the engine errors a caller may catch as one kind, and the two
// signals (BREAK, a script's own RAISE) that are deliberately not engine errors.
#pragma once

#include <stdexcept>

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

// Errors of the engine's sorted lists (a wrong index, a forbidden operation on a sorted list).
class EListError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace skv::engine

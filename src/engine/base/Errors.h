// The engine's exception classes: the engine errors a caller may catch as one kind, and the two
// signals (BREAK, a script's own RAISE) that are deliberately not engine errors.
#pragma once

#include <cstddef>
#include <stdexcept>

namespace skv::engine {

// Every engine error the caller may catch as one kind. A compile error also says where the
// compiler found it: first as an offset into the text compiled, then, once the compiled object
// knows its lines, as a line and a column of the text the user wrote.
class EMathParserError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    std::size_t Offset() const { return Offset_; }
    void SetOffset(std::size_t Offset) { Offset_ = Offset; }
    // For an error found in a piece of a text, the piece starting at Base of that text: an offset
    // in the piece moves by Base, an unknown one becomes Base. A located error stays as it is.
    void PlaceIn(std::size_t Base) {
        if (Line_ == 0) Offset_ = Offset_ == npos ? Base : Offset_ + Base;
    }

    // 1-based; 0 when not known.
    int Line() const { return Line_; }
    int Column() const { return Column_; }
    void SetLineColumn(int Line, int Column) {
        Line_ = Line;
        Column_ = Column;
    }

private:
    std::size_t Offset_ = npos;
    int Line_ = 0;
    int Column_ = 0;
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

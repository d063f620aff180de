// The engine's message texts, each named as the code refers to it, and the suffixes that put a
// message in context (the expression, the statement or the name concerned).
#pragma once

#include <string>
#include <string_view>

namespace skv::engine {

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
inline constexpr const char* _msgInvalidMemory = "Invalid memory address or range";
inline constexpr const char* _msgOutOfMemory = "Out of memory for script memory blocks";
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
inline constexpr const char* _msgEndlessComment = "The comment exceeds the end of the script";

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

} // namespace skv::engine

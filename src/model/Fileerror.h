// Errors of opening, creating, reading and writing the program's files, with the messages the user sees.
#pragma once

#include <stdexcept>
#include <string>

namespace skv::model {

class EFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "Cannot open file %s", with the system's reason in parentheses when there is one.
class EFOpenError : public EFileError {
public:
    explicit EFOpenError(const std::string& fileName, const std::string& why = {})
        : EFileError("Cannot open file " + fileName + (why.empty() ? "" : " (" + why + ")")) {}
};

// "Cannot create file %s", the same way.
class EFCreateError : public EFileError {
public:
    explicit EFCreateError(const std::string& fileName, const std::string& why = {})
        : EFileError("Cannot create file " + fileName + (why.empty() ? "" : " (" + why + ")")) {}
};

// A file that opened but could not be read or written whole, or whose content is refused.
class EFReadError : public EFileError {
public:
    using EFileError::EFileError;
};

class EFWriteError : public EFileError {
public:
    using EFileError::EFileError;
};

} // namespace skv::model

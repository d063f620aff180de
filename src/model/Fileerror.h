// Errors of opening, creating, reading and writing the program's files, with the messages the user sees.
#pragma once

#include <stdexcept>
#include <string>

namespace skv::model {

class EFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "Cannot open file %s"
class EFOpenError : public EFileError {
public:
    explicit EFOpenError(const std::string& fileName) : EFileError("Cannot open file " + fileName) {}
};

// "Cannot create file %s"
class EFCreateError : public EFileError {
public:
    explicit EFCreateError(const std::string& fileName) : EFileError("Cannot create file " + fileName) {}
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

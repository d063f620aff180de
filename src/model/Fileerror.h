// Errors of opening, creating, reading and writing the program's files, with the messages the user sees.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

namespace skv::model {

// Why a file cannot be read as a file of the program, for what opening would wait on for ever (a named
// pipe without a writer) or what holds no bytes of its own (a socket, a folder); empty for the others.
inline std::string notReadableReason(const std::filesystem::path& fileName) {
    std::error_code ec;
    switch (std::filesystem::status(fileName, ec).type()) {
    case std::filesystem::file_type::fifo:
        return "a named pipe, not a regular file";
    case std::filesystem::file_type::socket:
        return "a socket, not a regular file";
    case std::filesystem::file_type::directory:
        return "a folder, not a regular file";
    default:
        return {};
    }
}

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

// Replaces a file only once its new content is completely on disk: the bytes go to a temporary file
// in the same folder, which is flushed and then put in the target's place. The calls of the
// operating system sit behind Atomicfile_system.h.
#pragma once

#include "model/Fileerror.h"
#include "stream/Bytesink.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>

namespace skv::model {

// A save that failed: "Cannot write file <name> (<why>)", "Cannot replace file ..." or, as
// FileCreateError, "Cannot create file ...". reason() is the why alone.
class FileWriteError : public EFWriteError {
public:
    FileWriteError(const std::string& message, std::string reason)
        : EFWriteError(message), Reason(std::move(reason)) {}
    const std::string& reason() const { return Reason; }

private:
    std::string Reason;
};

class FileCreateError : public FileWriteError {
public:
    using FileWriteError::FileWriteError;
};

// Writes up to size bytes to an open file descriptor of the C run-time, as write(2) and _write do: the
// count written, or -1 with errno set. Tests pass one that fails part way.
using TRawWrite = std::function<std::ptrdiff_t(int fd, const void* data, std::size_t size)>;

// On any failure the target keeps its old content, the temporary file is removed and FileWriteError is
// raised ("Cannot create file <name>" when no file can be made there). A target that is a symbolic
// link stays one: the file at the end of its links is replaced. A target that exists but is no
// regular file (a device, a named pipe, a socket, a folder) is refused ("Cannot replace file <name>
// (a device, not a regular file)") and left alone. A replaced file keeps its permissions.
void writeFileAtomically(const std::string& fileName, std::span<const std::uint8_t> bytes,
                         const TRawWrite& rawWrite = {});

// The same for content produced in pieces: produce writes everything into the sink it is given, which
// writes through to the temporary file. Whatever produce raises also leaves the target untouched.
using TFileProducer = std::function<void(stream::TByteSink& sink)>;
void writeFileAtomically(const std::string& fileName, const TFileProducer& produce,
                         const TRawWrite& rawWrite = {});

} // namespace skv::model

// The operating-system calls of the atomic save: create a temporary file beside the target, write
// it, flush it to disk, put it in the target's place, or remove it. One implementation per system,
// chosen by the build: Atomicfile_posix.cpp and Atomicfile_win32.cpp.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace skv::model::systemfile {

// The step of the save that failed, which names it in the message.
enum class eFileStep {
    fsCreate,  // "Cannot create file ": no file can be made in the target's place (FileCreateError)
    fsWrite,   // "Cannot write file "
    fsReplace, // "Cannot replace file "
};

// Raises FileWriteError: the step's words, the target, and why in parentheses.
[[noreturn]] void raise(eFileStep step, const std::string& target, const std::string& why);

class TTempFile {
public:
    // Creates a new, empty file in the target's folder; raises FileWriteError ("Cannot create file
    // <target> (<why>)") when none can be made there.
    explicit TTempFile(const std::string& target);
    // Closes the file and removes it unless it has replaced the target.
    ~TTempFile();
    TTempFile(const TTempFile&) = delete;
    TTempFile& operator=(const TTempFile&) = delete;

    // The C run-time descriptor the bytes are written to.
    int descriptor() const;
    // Writes up to size bytes: the count written, or -1 with errno set.
    std::ptrdiff_t write(const void* data, std::size_t size);
    // Puts what was written on the disk; raises FileWriteError ("Cannot write file ...").
    void flush();
    // Closes the file and puts it in the target's place; raises FileWriteError ("Cannot write file
    // ..." or "Cannot replace file ...").
    void replaceTarget();

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace skv::model::systemfile

// The atomic save's system calls on Windows: the temporary file is a C run-time file in the target's
// folder, flushed with FlushFileBuffers; ReplaceFileW puts it in place of an existing target
// (which keeps that file's attributes and security, as the POSIX save keeps its permissions), and
// MoveFileExW, writing through, makes a new one. A folder in the target's place is refused.
#include "model/Atomicfile_system.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>

namespace skv::model::systemfile {

namespace {

// The system's own words for a Win32 error.
std::string windowsError(DWORD error) {
    char* text = nullptr;
    const DWORD flags =
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    const DWORD length = FormatMessageA(flags, nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = length && text ? std::string(text, length) : "error " + std::to_string(error);
    if (text) LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.'))
        message.pop_back();
    return message;
}

} // namespace

struct TTempFile::State {
    std::string target;
    std::filesystem::path targetPath, tempPath;
    int fd = -1;
    bool committed = false;
};

TTempFile::TTempFile(const std::string& target) : state_(std::make_unique<State>()) {
    State& s = *state_;
    s.target = target;
    s.targetPath = std::filesystem::path(target);
    if (s.targetPath.filename().empty()) raise(eFileStep::fsCreate, target, std::strerror(EISDIR));
    // A rename would not put a file in a folder's place anyway; this says why in the user's words.
    const DWORD attributes = GetFileAttributesW(s.targetPath.wstring().c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        raise(eFileStep::fsReplace, target, "a folder, not a regular file");
    static std::atomic<unsigned> counter{0};
    int error = 0;
    for (int attempt = 0; attempt < 100 && s.fd < 0; ++attempt) {
        s.tempPath = s.targetPath;
        s.tempPath += ".tmp" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++);
        error =
            _wsopen_s(&s.fd, s.tempPath.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                      _SH_DENYWR, _S_IREAD | _S_IWRITE);
        if (error != 0) s.fd = -1;
        if (s.fd < 0 && error != EEXIST) break;
    }
    if (s.fd < 0) raise(eFileStep::fsCreate, target, std::strerror(error));
}

TTempFile::~TTempFile() {
    if (state_->fd >= 0) _close(state_->fd);
    if (!state_->committed && !state_->tempPath.empty()) _wunlink(state_->tempPath.c_str());
}

int TTempFile::descriptor() const {
    return state_->fd;
}

std::ptrdiff_t TTempFile::write(const void* data, std::size_t size) {
    return _write(state_->fd, data, static_cast<unsigned>(size < INT_MAX ? size : INT_MAX));
}

void TTempFile::flush() {
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(state_->fd));
    if (handle == INVALID_HANDLE_VALUE) raise(eFileStep::fsWrite, state_->target, std::strerror(EBADF));
    if (!FlushFileBuffers(handle)) raise(eFileStep::fsWrite, state_->target, windowsError(GetLastError()));
}

void TTempFile::replaceTarget() {
    State& s = *state_;
    const int fd = s.fd;
    s.fd = -1;
    if (_close(fd) != 0) raise(eFileStep::fsWrite, s.target, std::strerror(errno));
    const std::wstring target = s.targetPath.wstring(), temp = s.tempPath.wstring();
    const DWORD attributes = GetFileAttributesW(target.c_str());
    const bool replaces = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    const BOOL done = replaces ? ReplaceFileW(target.c_str(), temp.c_str(), nullptr,
                                              REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)
                               : MoveFileExW(temp.c_str(), target.c_str(),
                                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!done) raise(eFileStep::fsReplace, s.target, windowsError(GetLastError()));
    s.committed = true;
}

} // namespace skv::model::systemfile

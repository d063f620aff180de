// The atomic save's system calls on POSIX systems: the folder is held open, so the temporary file
// is made, renamed and removed in the folder that was named even if it is moved meanwhile.
#include "model/Atomicfile_system.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace skv::model::systemfile {

namespace {

[[noreturn]] void fail(const char* what, const std::string& target, int error) {
    raise(what, target, std::strerror(error));
}

// The folder a file is saved in.
class Folder {
public:
    explicit Folder(const std::string& target) {
        const std::filesystem::path path(target);
        name_ = path.filename().string();
        path_ = path.parent_path().string();
        if (path_.empty()) path_ = ".";
        if (name_.empty()) fail("Cannot create file ", target, EISDIR);
        fd_ = ::open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd_ < 0) fail("Cannot create file ", target, errno);
        if (::fstat(fd_, &opened_) != 0) {
            const int error = errno;
            ::close(fd_);
            fail("Cannot create file ", target, error);
        }
    }
    ~Folder() {
        if (fd_ >= 0) ::close(fd_);
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    int fd() const { return fd_; }
    const std::string& fileName() const { return name_; }

    // 0 while the path still names the folder that was opened, else the error to report: a folder
    // moved away (and perhaps replaced by another of the same name) must not receive the file.
    int checkStillThere() const {
        struct stat now {};
        if (::stat(path_.c_str(), &now) != 0) return errno;
        return now.st_dev == opened_.st_dev && now.st_ino == opened_.st_ino ? 0 : ENOENT;
    }

private:
    std::string path_;
    std::string name_;
    struct stat opened_ {};
    int fd_ = -1;
};

} // namespace

struct TTempFile::State {
    explicit State(const std::string& target) : target(target), folder(target) {}

    std::string target;
    Folder folder;
    std::string name; // the temporary file's name in the folder
    int fd = -1;
    bool committed = false;
};

TTempFile::TTempFile(const std::string& target) : state_(std::make_unique<State>(target)) {
    State& s = *state_;
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100 && s.fd < 0; ++attempt) {
        s.name = s.folder.fileName() + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        s.fd = ::openat(s.folder.fd(), s.name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (s.fd < 0 && errno != EEXIST) break;
    }
    if (s.fd < 0) fail("Cannot create file ", target, errno);
    // A replaced file keeps the permissions the user gave it.
    struct stat st {};
    if (::fstatat(s.folder.fd(), s.folder.fileName().c_str(), &st, 0) == 0 && S_ISREG(st.st_mode))
        ::fchmod(s.fd, st.st_mode & 07777);
}

TTempFile::~TTempFile() {
    if (state_->fd >= 0) ::close(state_->fd);
    if (!state_->committed) ::unlinkat(state_->folder.fd(), state_->name.c_str(), 0);
}

int TTempFile::descriptor() const {
    return state_->fd;
}

std::ptrdiff_t TTempFile::write(const void* data, std::size_t size) {
    return ::write(state_->fd, data, size);
}

void TTempFile::flush() {
    if (::fsync(state_->fd) != 0) fail("Cannot write file ", state_->target, errno);
}

void TTempFile::replaceTarget() {
    State& s = *state_;
    const int fd = s.fd;
    s.fd = -1;
    if (::close(fd) != 0) fail("Cannot write file ", s.target, errno);
    if (const int error = s.folder.checkStillThere()) fail("Cannot replace file ", s.target, error);
    const int dir = s.folder.fd();
    if (::renameat(dir, s.name.c_str(), dir, s.folder.fileName().c_str()) != 0)
        fail("Cannot replace file ", s.target, errno);
    s.committed = true;
    // Makes the rename itself durable; a folder that cannot be synced is not an error of the save.
    ::fsync(dir);
}

} // namespace skv::model::systemfile

// The atomic save's system calls on POSIX systems: the folder is held open, so the temporary file
// is made, renamed and removed in the folder that was named even if it is moved meanwhile. A target
// reached through symbolic links is replaced where the links lead, and only a regular file is replaced.
#include "model/Atomicfile_system.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace skv::model::systemfile {

namespace {

[[noreturn]] void fail(eFileStep step, const std::string& target, int error) {
    raise(step, target, std::strerror(error));
}

// Links are followed at most this often, as the system itself does before it reports ELOOP.
constexpr int kMaxLinkHops = 40;

// The file a save of target writes: target itself, or the end of its chain of symbolic links, so that
// the links stay links (a library kept in a synced or shared folder stays there). An end that does
// not exist yet is made.
std::string followLinks(const std::string& target) {
    std::filesystem::path path(target);
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        std::error_code ec;
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(path, ec))) return path.string();
        const std::filesystem::path next = std::filesystem::read_symlink(path, ec);
        if (ec) fail(eFileStep::fsCreate, target, ec.value());
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    fail(eFileStep::fsCreate, target, ELOOP);
}

// What a file that is not a regular one is, for the refusal; nullptr for a regular file.
const char* otherKind(mode_t mode) {
    if (S_ISREG(mode)) return nullptr;
    if (S_ISDIR(mode)) return "a folder, not a regular file";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device, not a regular file";
    if (S_ISFIFO(mode)) return "a named pipe, not a regular file";
    if (S_ISSOCK(mode)) return "a socket, not a regular file";
    return "not a regular file";
}

// The folder a file is saved in.
class Folder {
public:
    // path is the file to write; target the name the user gave, which messages show.
    Folder(const std::string& path, const std::string& target) {
        const std::filesystem::path file(path);
        name_ = file.filename().string();
        path_ = file.parent_path().string();
        if (path_.empty()) path_ = ".";
        if (name_.empty()) fail(eFileStep::fsCreate, target, EISDIR);
        fd_ = ::open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd_ < 0) fail(eFileStep::fsCreate, target, errno);
        if (::fstat(fd_, &opened_) != 0) {
            const int error = errno;
            ::close(fd_);
            fail(eFileStep::fsCreate, target, error);
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

// Refuses to put anything in place of a file that is not a regular one (a device, a named pipe, a
// socket, a folder): a rename would silently replace it with a plain file. A file that does not
// exist is fine. Gives the existing file's status, or nothing.
std::optional<struct stat> checkReplaceable(const Folder& folder, const std::string& target) {
    struct stat st {};
    if (::fstatat(folder.fd(), folder.fileName().c_str(), &st, 0) != 0) return std::nullopt;
    if (const char* kind = otherKind(st.st_mode)) raise(eFileStep::fsReplace, target, kind);
    return st;
}

// A replaced file keeps the owner (where the system lets us give it) and the permissions the user gave
// it. The owner goes first: changing it may clear the set-user and set-group bits.
void keepOwnerAndPermissions(int fd, const struct stat& old) {
    if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
        // Not an error of the save: only a privileged process may give a file away.
    }
    ::fchmod(fd, old.st_mode & 07777);
}

} // namespace

struct TTempFile::State {
    explicit State(const std::string& target) : target(target), folder(followLinks(target), target) {}

    std::string target;
    Folder folder;
    std::string name; // the temporary file's name in the folder
    int fd = -1;
    bool committed = false;
};

TTempFile::TTempFile(const std::string& target) : state_(std::make_unique<State>(target)) {
    State& s = *state_;
    const std::optional<struct stat> existing = checkReplaceable(s.folder, target);
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100 && s.fd < 0; ++attempt) {
        s.name = s.folder.fileName() + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        s.fd = ::openat(s.folder.fd(), s.name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (s.fd < 0 && errno != EEXIST) break;
    }
    if (s.fd < 0) fail(eFileStep::fsCreate, target, errno);
    if (existing) keepOwnerAndPermissions(s.fd, *existing);
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
    if (::fsync(state_->fd) != 0) fail(eFileStep::fsWrite, state_->target, errno);
}

void TTempFile::replaceTarget() {
    State& s = *state_;
    const int fd = s.fd;
    s.fd = -1;
    if (::close(fd) != 0) fail(eFileStep::fsWrite, s.target, errno);
    if (const int error = s.folder.checkStillThere()) fail(eFileStep::fsReplace, s.target, error);
    checkReplaceable(s.folder, s.target); // it may have changed while the content was written
    const int dir = s.folder.fd();
    if (::renameat(dir, s.name.c_str(), dir, s.folder.fileName().c_str()) != 0)
        fail(eFileStep::fsReplace, s.target, errno);
    s.committed = true;
    // Makes the rename itself durable; a folder that cannot be synced is not an error of the save.
    ::fsync(dir);
}

} // namespace skv::model::systemfile

#include "model/Atomicfile.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace skv::model {

using namespace skv::stream;

namespace {

std::string systemError(int error) {
    return std::strerror(error);
}

// The folder a file is saved in, held open so that the temporary file is made, renamed and removed
// in that folder even if the folder is moved meanwhile.
class Folder {
public:
    explicit Folder(const std::string& target) {
        const std::filesystem::path path(target);
        name_ = path.filename().string();
        path_ = path.parent_path().string();
        if (path_.empty()) path_ = ".";
        if (name_.empty()) fail(target, EISDIR);
        fd_ = ::open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd_ < 0) fail(target, errno);
        if (::fstat(fd_, &opened_) != 0) {
            const int error = errno;
            ::close(fd_);
            fail(target, error);
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
    [[noreturn]] static void fail(const std::string& target, int error) {
        throw FileWriteError("Cannot create file " + target + " (" + systemError(error) + ")");
    }

    std::string path_;
    std::string name_;
    struct stat opened_ {};
    int fd_ = -1;
};

// Owns the temporary file until it has been renamed over the target.
class TempFile : public TByteSink {
public:
    TempFile(const std::string& target, const TRawWrite& rawWrite)
        : rawWrite_(rawWrite), target_(target), folder_(target) {
        static std::atomic<unsigned> counter{0};
        for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
            name_ =
                folder_.fileName() + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
            fd_ = ::openat(folder_.fd(), name_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd_ < 0 && errno != EEXIST) break;
        }
        if (fd_ < 0) throw FileWriteError("Cannot create file " + target + " (" + systemError(errno) + ")");
        // A replaced library keeps the permissions the user gave it.
        struct stat st {};
        if (::fstatat(folder_.fd(), folder_.fileName().c_str(), &st, 0) == 0 && S_ISREG(st.st_mode))
            ::fchmod(fd_, st.st_mode & 07777);
    }
    ~TempFile() override {
        if (fd_ >= 0) ::close(fd_);
        if (!committed_) ::unlinkat(folder_.fd(), name_.c_str(), 0);
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    void put(std::span<const std::uint8_t> bytes) override {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = rawWrite_ ? rawWrite_(fd_, bytes.data() + done, bytes.size() - done)
                                        : ::write(fd_, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) fail("Cannot write file ", n < 0 ? errno : EIO);
            done += static_cast<std::size_t>(n);
        }
    }

    void commit() {
        if (::fsync(fd_) != 0) fail("Cannot write file ", errno);
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) fail("Cannot write file ", errno);
        if (const int error = folder_.checkStillThere()) fail("Cannot replace file ", error);
        const int dir = folder_.fd();
        if (::renameat(dir, name_.c_str(), dir, folder_.fileName().c_str()) != 0)
            fail("Cannot replace file ", errno);
        committed_ = true;
        // Makes the rename itself durable; a folder that cannot be synced is not an error of the save.
        ::fsync(dir);
    }

private:
    [[noreturn]] void fail(const char* what, int error) const {
        throw FileWriteError(what + target_ + " (" + systemError(error) + ")");
    }

    TRawWrite rawWrite_;
    std::string target_;
    Folder folder_;
    std::string name_; // the temporary file's name in the folder
    int fd_ = -1;
    bool committed_ = false;
};

} // namespace

void writeFileAtomically(const std::string& fileName, std::span<const std::uint8_t> bytes,
                         const TRawWrite& rawWrite) {
    writeFileAtomically(
        fileName, [bytes](TByteSink& sink) { sink.put(bytes); }, rawWrite);
}

void writeFileAtomically(const std::string& fileName, const TFileProducer& produce,
                         const TRawWrite& rawWrite) {
    TempFile temp(fileName, rawWrite);
    produce(temp);
    temp.commit();
}

} // namespace skv::model

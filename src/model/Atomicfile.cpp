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

std::string systemError(int error) { return std::strerror(error); }

// Owns the temporary file until it has been renamed over the target.
class TempFile : public TByteSink {
public:
    TempFile(const std::string& target, const TRawWrite& rawWrite) : rawWrite_(rawWrite), target_(target) {
        static std::atomic<unsigned> counter{0};
        for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
            path_ = target + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
            fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd_ < 0 && errno != EEXIST) break;
        }
        if (fd_ < 0) throw FileWriteError("Cannot create file " + target + " (" + systemError(errno) + ")");
        // A replaced library keeps the permissions the user gave it.
        struct stat st {};
        if (::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::fchmod(fd_, st.st_mode & 07777);
    }
    ~TempFile() override {
        if (fd_ >= 0) ::close(fd_);
        if (!committed_) ::unlink(path_.c_str());
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
        if (::rename(path_.c_str(), target_.c_str()) != 0) fail("Cannot replace file ", errno);
        committed_ = true;
        syncFolder();
    }

private:
    [[noreturn]] void fail(const char* what, int error) const {
        throw FileWriteError(what + target_ + " (" + systemError(error) + ")");
    }

    // Makes the rename itself durable; a folder that cannot be synced is not an error of the save.
    void syncFolder() const {
        std::string folder = std::filesystem::path(target_).parent_path().string();
        if (folder.empty()) folder = ".";
        const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir < 0) return;
        ::fsync(dir);
        ::close(dir);
    }

    TRawWrite rawWrite_;
    std::string target_;
    std::string path_;
    int fd_ = -1;
    bool committed_ = false;
};

} // namespace

void writeFileAtomically(const std::string& fileName, std::span<const std::uint8_t> bytes,
                         const TRawWrite& rawWrite) {
    writeFileAtomically(fileName, [bytes](TByteSink& sink) { sink.put(bytes); }, rawWrite);
}

void writeFileAtomically(const std::string& fileName, const TFileProducer& produce, const TRawWrite& rawWrite) {
    TempFile temp(fileName, rawWrite);
    produce(temp);
    temp.commit();
}

} // namespace skv::model

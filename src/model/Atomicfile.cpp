#include "model/Atomicfile.h"

#include "model/Atomicfile_system.h"

#include <cerrno>
#include <cstring>

namespace skv::model {

using namespace skv::stream;

namespace systemfile {

void raise(eFileStep step, const std::string& target, const std::string& why) {
    if (step == eFileStep::fsCreate)
        throw FileCreateError("Cannot create file " + target + " (" + why + ")", why);
    const char* what = step == eFileStep::fsWrite ? "Cannot write file " : "Cannot replace file ";
    throw FileWriteError(what + target + " (" + why + ")", why);
}

} // namespace systemfile

namespace {

// Writes through to the temporary file, which is removed unless commit() put it in place.
class SaveSink : public TByteSink {
public:
    SaveSink(const std::string& target, const TRawWrite& rawWrite)
        : rawWrite_(rawWrite), target_(target), file_(target) {}

    void put(std::span<const std::uint8_t> bytes) override {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const std::ptrdiff_t n = attempt(bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            // A system that makes no progress would otherwise hold the save in this loop for ever.
            if (n <= 0)
                systemfile::raise(systemfile::eFileStep::fsWrite, target_,
                                  std::strerror(n < 0 ? errno : EIO));
            done += static_cast<std::size_t>(n);
        }
    }

    void commit() {
        file_.flush();
        file_.replaceTarget();
    }

private:
    std::ptrdiff_t attempt(const std::uint8_t* data, std::size_t size) {
        return rawWrite_ ? rawWrite_(file_.descriptor(), data, size) : file_.write(data, size);
    }

    TRawWrite rawWrite_;
    std::string target_;
    systemfile::TTempFile file_;
};

} // namespace

void writeFileAtomically(const std::string& fileName, std::span<const std::uint8_t> bytes,
                         const TRawWrite& rawWrite) {
    writeFileAtomically(
        fileName, [bytes](TByteSink& sink) { sink.put(bytes); }, rawWrite);
}

void writeFileAtomically(const std::string& fileName, const TFileProducer& produce,
                         const TRawWrite& rawWrite) {
    SaveSink sink(fileName, rawWrite);
    produce(sink);
    sink.commit();
}

} // namespace skv::model

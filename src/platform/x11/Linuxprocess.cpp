#include "platform/x11/Linuxprocess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace skv::platform {

namespace {

std::string hex(Address address) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(address));
    return text;
}

int ptraceScope() {
    std::ifstream in("/proc/sys/kernel/yama/ptrace_scope");
    int scope = 0;
    if (!(in >> scope)) return 0; // no Yama: only the ordinary permission rules apply
    return scope;
}

} // namespace

LinuxProcess::LinuxProcess(ProcessId process) : Pid(process) {}

LinuxProcess::~LinuxProcess() {
    if (MemFile >= 0) ::close(MemFile);
}

bool LinuxProcess::exists(ProcessId process) {
    return process != 0 && (::kill(pid_t(process), 0) == 0 || errno == EPERM);
}

void LinuxProcess::fail(int error, Address address, bool writing) {
    const char* verb = writing ? "written" : "read";
    switch (error) {
    case EPERM:
    case EACCES:
        Error = std::string("no permission to ") + (writing ? "write" : "read") +
                " the game's memory (see the system's ptrace restrictions, "
                "/proc/sys/kernel/yama/ptrace_scope)";
        break;
    case ESRCH:
        Error = "the game's process has ended";
        break;
    default:
        Error =
            "the game's memory at " + hex(address) + " cannot be " + verb + " (" + std::strerror(error) + ")";
        break;
    }
}

bool LinuxProcess::read(Address address, void* buffer, std::size_t size) {
    iovec local{buffer, size};
    iovec remote{reinterpret_cast<void*>(address), size};
    errno = 0;
    const ssize_t done = ::process_vm_readv(pid_t(Pid), &local, 1, &remote, 1, 0);
    if (done >= 0 && std::size_t(done) == size) return true;
    const int error = done < 0 ? errno : EFAULT; // a short read ran into an unmapped page
    if (error == EPERM || error == ENOSYS) return transferThroughMemFile(address, buffer, size, false);
    fail(error, address, false);
    return false;
}

bool LinuxProcess::write(Address address, const void* data, std::size_t size) {
    iovec local{const_cast<void*>(data), size};
    iovec remote{reinterpret_cast<void*>(address), size};
    errno = 0;
    const ssize_t done = ::process_vm_writev(pid_t(Pid), &local, 1, &remote, 1, 0);
    if (done >= 0 && std::size_t(done) == size) return true;
    const int error = done < 0 ? errno : EFAULT;
    if (error == EPERM || error == ENOSYS)
        return transferThroughMemFile(address, const_cast<void*>(data), size, true);
    fail(error, address, true);
    return false;
}

bool LinuxProcess::transferThroughMemFile(Address address, void* buffer, std::size_t size, bool writing) {
    if (!MemFileTried) {
        MemFileTried = true;
        const std::string path = "/proc/" + std::to_string(Pid) + "/mem";
        MemFile = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        if (MemFile < 0) MemFile = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    }
    if (MemFile < 0) {
        fail(EPERM, address, writing);
        return false;
    }
    auto* bytes = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        const off_t at = off_t(address + done);
        const ssize_t n = writing ? ::pwrite(MemFile, bytes + done, size - done, at)
                                  : ::pread(MemFile, bytes + done, size - done, at);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            fail(n < 0 ? errno : EFAULT, address + done, writing);
            return false;
        }
        done += std::size_t(n);
    }
    return true;
}

std::string processAccessProblem() {
    if (ptraceScope() >= 3)
        return "reading another process's memory is switched off on this system "
               "(/proc/sys/kernel/yama/ptrace_scope is 3)";
    return {};
}

} // namespace skv::platform

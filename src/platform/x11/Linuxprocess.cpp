#include "platform/x11/Linuxprocess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

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

std::string ownProgram() {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string("skyvane") : self.string();
}

std::string readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

std::string permissionText(bool writing, int scope, const std::string& program) {
    const std::string verb = writing ? "write" : "read";
    const std::string grant = "sudo setcap cap_sys_ptrace=eip " + program;
    switch (scope) {
    case 1:
        return "the system lets a program " + verb +
               " the memory only of programs it started itself (ptrace_scope 1): start the game from "
               "Skyvane's game button, or allow Skyvane once with: " +
               grant;
    case 2:
        return "the system lets only privileged programs " + verb +
               " another program's memory (ptrace_scope 2): allow Skyvane once with: " + grant;
    case 3:
        return "the system lets no program " + verb +
               " another program's memory (ptrace_scope 3) until it is restarted with a lower setting";
    default:
        return "no permission to " + verb +
               " the game's memory: the game runs as another user, or this system restricts access "
               "to other programs (allow Skyvane with: " +
               grant + ")";
    }
}

std::vector<MappedRegion> parseProcessMaps(std::string_view text) {
    std::vector<MappedRegion> regions;
    std::istringstream lines{std::string(text)};
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string range, perms, offset, device, inode;
        if (!(fields >> range >> perms >> offset >> device >> inode) || perms.size() < 2) continue;
        const std::size_t dash = range.find('-');
        if (dash == std::string::npos) continue;
        MappedRegion region;
        char* end = nullptr;
        region.start = std::strtoull(range.c_str(), &end, 16);
        if (end != range.c_str() + dash) continue;
        region.end = std::strtoull(range.c_str() + dash + 1, &end, 16);
        if (*end != '\0' || region.end < region.start) continue;
        region.readable = perms[0] == 'r';
        region.writable = perms[1] == 'w';
        std::getline(fields >> std::ws, region.file);
        constexpr std::string_view deleted = " (deleted)";
        if (region.file.size() > deleted.size() && region.file.ends_with(deleted))
            region.file.resize(region.file.size() - deleted.size());
        regions.push_back(std::move(region));
    }
    return regions;
}

std::optional<ProcessMap> LinuxProcess::processMap() {
    const std::string root = "/proc/" + std::to_string(Pid);
    std::ifstream maps(root + "/maps");
    if (!maps) return std::nullopt;
    ProcessMap map;
    map.regions =
        parseProcessMaps(std::string(std::istreambuf_iterator<char>(maps), std::istreambuf_iterator<char>()));
    if (map.regions.empty()) return std::nullopt; // not allowed to look: nothing is known
    const std::string commandLine = readWholeFile(root + "/cmdline");
    map.program = commandLine.substr(0, commandLine.find('\0'));
    return map;
}

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
        Error = permissionText(writing, ptraceScope(), ownProgram());
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

// Another process's memory on Linux: process_vm_readv/process_vm_writev, and /proc/PID/mem where
// those are refused or missing.
#pragma once

#include "platform/platform.h"

#include <string_view>
#include <vector>

namespace skv::platform {

class LinuxProcess : public GameProcess {
public:
    explicit LinuxProcess(ProcessId process);
    ~LinuxProcess() override;

    bool read(Address address, void* buffer, std::size_t size) override;
    bool write(Address address, const void* data, std::size_t size) override;
    std::string lastError() const override { return Error; }
    // From /proc/PID/maps and /proc/PID/cmdline.
    std::optional<ProcessMap> processMap() override;

    // Whether a process of that id exists now.
    static bool exists(ProcessId process);

private:
    ProcessId Pid;
    int MemFile = -1; // /proc/PID/mem, opened at the first fallback
    bool MemFileTried = false;
    std::string Error;

    bool transferThroughMemFile(Address address, void* buffer, std::size_t size, bool writing);
    void fail(int error, Address address, bool writing);
};

// Why reading other processes is impossible on this system, or empty when it may work.
std::string processAccessProblem();

// The lines of /proc/PID/maps as regions (a deleted file keeps its path); lines that do not parse
// are left out.
std::vector<MappedRegion> parseProcessMaps(std::string_view text);

// What a refused read or write of the game's memory means under the kernel's ptrace restriction
// (Yama's ptrace_scope), and what lifts it; program is this program's own path.
std::string permissionText(bool writing, int ptraceScope, const std::string& program);

} // namespace skv::platform

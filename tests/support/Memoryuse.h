// What a test measures of its own memory: the peak resident size since a reset, and the bytes the
// heap has handed out and not yet taken back (through the sanitizer's allocator when there is one).
#pragma once

#include <malloc.h>

#include <cstddef>
#include <fstream>
#include <string>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define SKV_SANITIZER_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define SKV_SANITIZER_HEAP 1
#endif
#endif
#ifdef SKV_SANITIZER_HEAP
// From the sanitizer runtime (GCC ships no header for it).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace skv::testing {

// Starts the peak resident size over from the present size (Linux 4.0 and later).
inline bool resetPeakResident() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    return static_cast<bool>(clear.flush());
}

// The peak resident size in bytes (VmHWM), or 0 when the system does not say.
inline std::size_t peakResidentBytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0) return std::stoul(line.substr(6)) * 1024;
    return 0;
}

inline std::size_t liveHeapBytes() {
#ifdef SKV_SANITIZER_HEAP
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
#endif
}

} // namespace skv::testing

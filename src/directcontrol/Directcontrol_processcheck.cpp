#include "directcontrol/Directcontrol_processcheck.h"

#include <algorithm>

namespace skv::directcontrol {

namespace {

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameName(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

} // namespace

std::string programFileName(std::string_view path) {
    const std::size_t last = path.find_last_of("\\/:");
    return std::string(last == std::string_view::npos ? path : path.substr(last + 1));
}

bool runsProgram(const platform::ProcessMap& map, std::string_view fileName) {
    if (fileName.empty()) return false;
    if (sameName(programFileName(map.program), fileName)) return true;
    return std::ranges::any_of(map.regions, [&](const platform::MappedRegion& region) {
        return !region.file.empty() && sameName(programFileName(region.file), fileName);
    });
}

bool writableRange(const platform::ProcessMap& map, platform::Address address, std::size_t size) {
    const platform::Address end = address + size;
    platform::Address covered = address;
    // Adjacent mappings may share the range; walk them in address order.
    std::vector<platform::MappedRegion> regions = map.regions;
    std::ranges::sort(regions, {}, &platform::MappedRegion::start);
    for (const platform::MappedRegion& region : regions) {
        if (region.end <= covered || region.start > covered) continue;
        if (!region.readable || !region.writable) return false;
        covered = region.end;
        if (covered >= end) return true;
    }
    return covered >= end && size == 0;
}

} // namespace skv::directcontrol

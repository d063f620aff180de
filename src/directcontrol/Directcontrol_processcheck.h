// Before the link writes into a process, the process is checked where the system lists its
// mappings: it must have the configured game executable loaded, and the camera records must lie in
// memory it may write. A window can name a process that is not the game (a launcher that handed the
// game on to another process), and a write there would land in the wrong program.
#pragma once

#include "platform/platform.h"

#include <string>
#include <string_view>

namespace skv::platform {
struct ProcessMap;
}

namespace skv::directcontrol {

// The file name of a program path written either way ("C:\Sierra\gpl\gpl.exe" gives "gpl.exe").
std::string programFileName(std::string_view path);

// Whether the process runs the program of that file name (case ignored): a mapped file of that
// name, or the program its command line names.
bool runsProgram(const platform::ProcessMap& map, std::string_view fileName);

// Whether [address, address + size) lies wholly in readable and writable mappings.
bool writableRange(const platform::ProcessMap& map, platform::Address address, std::size_t size);

} // namespace skv::directcontrol

// What the Wine tests share: a private X server and a Wine prefix, made once for the whole run (a
// cold prefix takes many seconds), with the environment every Wine program of the run starts in.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace skv::testing::wine {

// The server's display; empty when Xvfb could not be started.
const std::string& display();
// Whether wineboot made the prefix.
bool prefixMade();
// The prefix: build/release/wine-prefix, removed again at the end of the run.
const std::filesystem::path& prefix();

// Runs a command to its end with the run's environment; its exit status, or -1 after limit.
int run(const std::vector<std::string>& argv, std::chrono::seconds limit);

} // namespace skv::testing::wine

// Runs the built skyvane-tool in a folder of the test's own, catching its exit code and both outputs.
#pragma once

#include "model/Tempfolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <sys/wait.h>

namespace skv::test {

struct ToolRun {
    int exitCode;
    std::string out;
    std::string err;
};

class ToolTest : public ::testing::Test {
protected:
    TempFolder folder;
    const std::filesystem::path dir = folder.path();

    // args is appended to the command line as it stands (quote file names in it).
    ToolRun run(const std::string& args) {
        const std::filesystem::path out = dir / "stdout.txt", err = dir / "stderr.txt";
        const std::string cmd = std::string(SKV_RUNTIME_DIR) + "/skyvane-tool " + args + " >'" +
                                out.string() + "' 2>'" + err.string() + "'";
        const int status = std::system(cmd.c_str());
        ToolRun r{WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(out), readFile(err)};
        std::filesystem::remove(out);
        std::filesystem::remove(err);
        return r;
    }
    std::string file(const std::string& name) const { return (dir / name).string(); }
    std::size_t entries() const { return folder.entries(); }
};

} // namespace skv::test

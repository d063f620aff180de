// Runs the built skyvane-tool in a folder of the test's own, catching its exit code and both outputs.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

namespace skv::test {

struct ToolRun {
    int exitCode;
    std::string out;
    std::string err;
};

inline std::string readText(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class ToolTest : public ::testing::Test {
protected:
    std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                ("skv_tool_" + std::to_string(::getpid()) + "_" +
                                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
    void SetUp() override { std::filesystem::create_directories(dir); }
    void TearDown() override { std::filesystem::remove_all(dir); }

    // args is appended to the command line as it stands (quote file names in it).
    ToolRun run(const std::string& args) {
        const std::filesystem::path out = dir / "stdout.txt", err = dir / "stderr.txt";
        const std::string cmd = std::string(SKV_RUNTIME_DIR) + "/skyvane-tool " + args + " >'" +
                                out.string() + "' 2>'" + err.string() + "'";
        const int status = std::system(cmd.c_str());
        ToolRun r{WIFEXITED(status) ? WEXITSTATUS(status) : -1, readText(out), readText(err)};
        std::filesystem::remove(out);
        std::filesystem::remove(err);
        return r;
    }
    std::string file(const std::string& name) const { return (dir / name).string(); }
    std::size_t entries() const {
        return std::size_t(std::distance(std::filesystem::directory_iterator(dir), {}));
    }
};

} // namespace skv::test

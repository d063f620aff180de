// A fresh folder below the system's temporary folder for one test, removed with everything in it.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace skv::test {

class TempFolder {
public:
    TempFolder() {
        static std::atomic<int> counter{0};
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = "skv-";
        if (info != nullptr) name += std::string(info->test_suite_name()) + "-" + info->name() + "-";
        name += std::to_string(::getpid()) + "-" + std::to_string(counter++);
        Path = std::filesystem::temp_directory_path() / name;
        std::filesystem::remove_all(Path);
        std::filesystem::create_directories(Path);
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(Path, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return Path; }

    // Makes the folder (and its parents) below this one and returns its path.
    std::filesystem::path mkdir(const std::string& relative) const {
        auto p = Path / relative;
        std::filesystem::create_directories(p);
        return p;
    }

    // Writes bytes to a file below this one and returns its path.
    std::filesystem::path write(const std::string& relative, const std::string& bytes) const {
        auto p = Path / relative;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << bytes;
        return p;
    }

    std::filesystem::path write(const std::string& relative, const std::vector<std::uint8_t>& bytes) const {
        return write(relative, std::string(bytes.begin(), bytes.end()));
    }

    // How many entries a folder below this one (by default this one) holds.
    std::size_t entries(const std::string& relative = {}) const {
        return std::size_t(std::distance(std::filesystem::directory_iterator(Path / relative), {}));
    }

private:
    std::filesystem::path Path;
};

inline std::string readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::vector<std::uint8_t> readBytes(const std::filesystem::path& p) {
    const std::string text = readFile(p);
    return {text.begin(), text.end()};
}

} // namespace skv::test

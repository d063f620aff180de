#include "wine/Winestage.h"

#include "support/Xsession.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

namespace skv::testing::wine {

namespace {

using namespace std::chrono_literals;

std::unique_ptr<XvfbServer> Server;
bool Made = false;

class Stage final : public ::testing::Environment {
public:
    void SetUp() override {
        Server = std::make_unique<XvfbServer>();
        if (Server->display().empty()) return;
        ::setenv("DISPLAY", Server->display().c_str(), 1);
        ::setenv("WINEPREFIX", prefix().c_str(), 1);
        ::setenv("WINEDEBUG", "-all", 1);
        ::setenv("WINEDLLOVERRIDES", "mscoree,mshtml=", 1); // no offer to install .NET or a browser
        std::filesystem::remove_all(prefix());
        const auto begin = std::chrono::steady_clock::now();
        Made = run({"/usr/bin/wine", "wineboot", "--init"}, 180s) == 0 &&
               run({"/usr/bin/wineserver", "--wait"}, 180s) == 0;
        const auto took = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        std::printf("[ wine     ] prefix %s made in %.1f s\n", prefix().c_str(), took);
    }
    void TearDown() override {
        if (!Server->display().empty()) run({"/usr/bin/wineserver", "--kill"}, 30s);
        std::filesystem::remove_all(prefix());
        Server.reset();
    }
};

[[maybe_unused]] ::testing::Environment* const Registered = ::testing::AddGlobalTestEnvironment(new Stage);

} // namespace

const std::string& display() {
    static const std::string none;
    return Server ? Server->display() : none;
}

bool prefixMade() {
    return Made;
}

const std::filesystem::path& prefix() {
    static const std::filesystem::path path =
        std::filesystem::path(SKV_RUNTIME_DIR).parent_path() / "wine-prefix";
    return path;
}

int run(const std::vector<std::string>& argv, std::chrono::seconds limit) {
    ChildProcess child(argv);
    child.closeInput();
    while (child.readLine(limit)) {
    }
    return child.wait(limit);
}

} // namespace skv::testing::wine

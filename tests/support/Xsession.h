// Test helpers for end-to-end tests on a private X server: an Xvfb on a display of its own choosing,
// and child programs (the stand-in game) talked to through their standard input and output.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace skv::testing {

// A started child with pipes to its standard input and from its standard output.
class ChildProcess {
public:
    ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv = {}) {
        int in[2], out[2];
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe failed");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e)
            env.emplace_back(*e);
        env.insert(env.end(), extraEnv.begin(), extraEnv.end());
        std::vector<char*> args, envp;
        for (const auto& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        for (const auto& e : env)
            envp.push_back(const_cast<char*>(e.c_str()));
        envp.push_back(nullptr);
        const int rc = posix_spawn(&Pid, args[0], &actions, nullptr, args.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        ::close(in[0]);
        ::close(out[1]);
        In = in[1];
        Out = out[0];
        if (rc != 0) throw std::runtime_error("cannot start " + argv[0]);
    }
    ~ChildProcess() {
        if (Pid > 0) {
            ::kill(Pid, SIGKILL);
            ::waitpid(Pid, nullptr, 0);
        }
        closeInput();
        if (Out >= 0) ::close(Out);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return Pid; }

    void writeLine(const std::string& line) {
        const std::string text = line + "\n";
        if (::write(In, text.data(), text.size()) != ssize_t(text.size()))
            throw std::runtime_error("cannot write to the child");
    }
    void closeInput() {
        if (In >= 0) ::close(In);
        In = -1;
    }

    // The next line of output, or nullopt at end of output or after the timeout.
    std::optional<std::string> readLine(std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            const auto nl = Pending.find('\n');
            if (nl != std::string::npos) {
                std::string line = Pending.substr(0, nl);
                Pending.erase(0, nl + 1);
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return std::nullopt;
            pollfd fd{Out, POLLIN, 0};
            if (::poll(&fd, 1, int(left.count())) <= 0) continue;
            char chunk[4096];
            const ssize_t got = ::read(Out, chunk, sizeof chunk);
            if (got <= 0) return std::nullopt;
            Pending.append(chunk, std::size_t(got));
        }
    }

    // Waits for the child to end; its exit status, or -1 after the timeout.
    int wait(std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (::waitpid(Pid, &status, WNOHANG) == Pid) {
                Pid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return -1;
    }

private:
    pid_t Pid = -1;
    int In = -1, Out = -1;
    std::string Pending;
};

// An Xvfb server on a free display; display() is empty when Xvfb could not be started.
class XvfbServer {
public:
    XvfbServer() {
        int fds[2];
        if (::pipe(fds) != 0) return;
        ::fcntl(fds[0], F_SETFD, FD_CLOEXEC);
        // Xvfb picks a free display itself and tells its number through the descriptor, so tests
        // running side by side never race for one.
        const std::string fd = std::to_string(fds[1]);
        std::vector<std::string> argv = {
            "/usr/bin/Xvfb", "-displayfd", fd, "-nolisten", "tcp", "-screen", "0", "1024x768x24", "-noreset"};
        std::vector<char*> args;
        for (auto& a : argv)
            args.push_back(a.data());
        args.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        const int rc = posix_spawn(&Pid, args[0], &actions, nullptr, args.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        if (rc != 0) {
            Pid = -1;
            ::close(fds[0]);
            return;
        }
        std::string number;
        for (;;) {
            pollfd p{fds[0], POLLIN, 0};
            if (::poll(&p, 1, 10000) <= 0) break;
            char c = 0;
            if (::read(fds[0], &c, 1) != 1 || c == '\n') break;
            number += c;
        }
        ::close(fds[0]);
        if (!number.empty()) Display = ":" + number;
    }
    ~XvfbServer() { stop(); }
    // Ends the server; its clients lose their connections.
    void stop() {
        if (Pid > 0) {
            ::kill(Pid, SIGTERM);
            ::waitpid(Pid, nullptr, 0);
        }
        Pid = -1;
    }
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    const std::string& display() const { return Display; }

private:
    pid_t Pid = -1;
    std::string Display;
};

// A 228-byte camera file whose six records are distinct and whose first record is the given one.
inline void writeCamFile(const std::string& path, const float (&first)[3]) {
    std::vector<unsigned char> bytes(228, 0);
    const char magic[4] = {'M', 'A', 'C', 'C'};
    std::copy(magic, magic + 4, bytes.begin());
    const std::uint32_t length = 216;
    std::memcpy(bytes.data() + 8, &length, 4);
    for (int r = 0; r < 6; ++r) {
        for (int v = 0; v < 9; ++v) {
            const float value = r == 0 && v < 3 ? first[v] : float(r * 10 + v) + 0.5f;
            std::memcpy(bytes.data() + 12 + (r * 9 + v) * 4, &value, 4);
        }
    }
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), 228);
}

// Parses the 32-bit hex words after the first word of a line of fakegame ("pit 3f800000 ...").
inline std::vector<std::uint32_t> hexWords(const std::string& line, std::size_t skip) {
    std::vector<std::uint32_t> words;
    std::size_t at = 0;
    for (std::size_t n = 0; n < skip; ++n)
        at = line.find(' ', at) + 1;
    while (at > 0 && at < line.size()) {
        words.push_back(std::uint32_t(std::stoul(line.substr(at, 8), nullptr, 16)));
        at = line.find(' ', at);
        at = at == std::string::npos ? 0 : at + 1;
    }
    return words;
}

// The car-camera blocks of a stand-in game, asked for with its "dump" command, each as its words.
inline std::vector<std::vector<std::uint32_t>> dumpBlocks(ChildProcess& game) {
    game.writeLine("dump");
    std::vector<std::vector<std::uint32_t>> blocks;
    for (auto line = game.readLine(); line && *line != "end"; line = game.readLine())
        blocks.push_back(hexWords(*line, 2));
    return blocks;
}

} // namespace skv::testing

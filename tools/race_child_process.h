// The race child as the kill tests drive it: started with its output and input on pipes,
// told commands a line each, and its meet file read back by the same small queries.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "meetdb/sqlite.h"

extern char** environ;

namespace kvt::tools {

struct Child {
    pid_t pid = -1;
    int out = -1;
    int in = -1;
    std::string buffer;
};

// The child on meet, reading its lines from fifo, with competitors in its meet; its output is
// read without waiting, and with inputNonBlocking a command never waits for a busy child.
inline Child StartChild(const std::string& program, const std::string& meet,
                        const std::string& fifo, int competitors, bool inputNonBlocking) {
    int output[2], input[2];
    if (pipe(output) != 0 || pipe(input) != 0) throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
    posix_spawn_file_actions_addclose(&actions, output[0]);
    posix_spawn_file_actions_addclose(&actions, input[1]);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::string programCopy = program, meetCopy = meet, fifoCopy = fifo,
                count = std::to_string(competitors);
    char* argv[] = {programCopy.data(), meetCopy.data(), fifoCopy.data(), count.data(), nullptr};
    Child child;
    if (posix_spawn(&child.pid, program.c_str(), &actions, nullptr, argv, environ) != 0)
        throw std::runtime_error("cannot start " + program);
    posix_spawn_file_actions_destroy(&actions);
    close(output[1]);
    close(input[0]);
    child.out = output[0];
    child.in = input[1];
    fcntl(child.out, F_SETFL, O_NONBLOCK);
    if (inputNonBlocking) fcntl(child.in, F_SETFL, O_NONBLOCK);
    return child;
}

// A command to the child. A child gone or busy does not do it; the checks say what was done.
inline void Say(Child& child, const std::string& command) {
    const std::string line = command + "\n";
    if (write(child.in, line.data(), line.size()) < 0) {
    }
}

// The next line the child prints that begins with prefix (the lines before it are kept in
// lines, when given), waiting at most timeoutMs; none when it did not come.
inline std::optional<std::string> Await(Child& child, const std::string& prefix, int timeoutMs,
                                        std::vector<std::string>* lines = nullptr) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        std::size_t end;
        while ((end = child.buffer.find('\n')) != std::string::npos) {
            std::string line = child.buffer.substr(0, end);
            child.buffer.erase(0, end + 1);
            if (line.rfind(prefix, 0) == 0) return line;
            if (lines) lines->push_back(std::move(line));
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              until - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) return std::nullopt;
        pollfd ready{child.out, POLLIN, 0};
        ::poll(&ready, 1, static_cast<int>(std::min<long long>(left, 100)));
        char chunk[4096];
        ssize_t got;
        while ((got = read(child.out, chunk, sizeof chunk)) > 0) child.buffer.append(chunk, got);
    }
}

inline std::optional<std::string> Value(meetdb::Connection& db, const std::string& sql) {
    auto query = db.prepare(sql);
    if (!query.step()) return std::nullopt;
    return query.text(0);
}

inline long long Number(meetdb::Connection& db, const std::string& sql) {
    auto query = db.prepare(sql);
    return query.step() ? query.integer(0) : -1;
}

}  // namespace kvt::tools

// A timer at the far end of a serial line, for tests and benchmarks: a pseudo-terminal pair
// whose slave the program opens as its port (through a fixed path, a symbolic link, as a
// USB-serial adapter keeps its name), and whose master the test writes the timer's records
// into and reads the program's commands from. Pulling the cable closes the pair; plugging it
// in again opens a new one behind the same path.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>

namespace kvt::testing {

class PtyTimer {
public:
    explicit PtyTimer(std::string path) : path_(std::move(path)) { plugIn(); }
    ~PtyTimer() {
        pull();
        ::unlink(path_.c_str());
    }
    PtyTimer(const PtyTimer&) = delete;
    PtyTimer& operator=(const PtyTimer&) = delete;

    const std::string& path() const { return path_; }
    // The test's own hold on the port: its settings are the port's, whoever set them.
    int slave() const { return slave_; }
    bool pluggedIn() const { return master_ >= 0; }

    // A new pair behind the path. False when none could be made.
    bool plugIn() {
        pull();
        termios raw{};
        ::cfmakeraw(&raw);
        char name[128] = {};
        if (::openpty(&master_, &slave_, name, &raw, nullptr) != 0) return false;
        ::fcntl(master_, F_SETFD, FD_CLOEXEC);
        ::fcntl(slave_, F_SETFD, FD_CLOEXEC);
        const std::string link = path_ + ".new";
        ::unlink(link.c_str());
        return ::symlink(name, link.c_str()) == 0 && ::rename(link.c_str(), path_.c_str()) == 0;
    }

    // The cable out: the program's end hangs up and the port's name goes, as a USB adapter's
    // does. Left behind, the name would lead to a terminal number the system may hand to a pair
    // that another test (in another process) makes meanwhile, and the program would take that
    // test's timer for this one.
    void pull() {
        ::unlink(path_.c_str());
        if (master_ >= 0) ::close(master_);
        if (slave_ >= 0) ::close(slave_);
        master_ = slave_ = -1;
    }

    // The timer sends bytes; false when they did not all go.
    bool send(std::string_view bytes) {
        while (!bytes.empty()) {
            const ssize_t written = ::write(master_, bytes.data(), bytes.size());
            if (written <= 0) return false;
            bytes.remove_prefix(static_cast<std::size_t>(written));
        }
        return true;
    }

    // What the program wrote to the timer, read until it holds until or timeout passed.
    std::string receive(std::string_view until, std::chrono::milliseconds timeout) {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (received_.find(until) == std::string::npos) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now());
            if (left.count() <= 0) break;
            pollfd polled{master_, POLLIN, 0};
            if (::poll(&polled, 1, static_cast<int>(left.count())) <= 0) continue;
            char bytes[256];
            const ssize_t count = ::read(master_, bytes, sizeof bytes);
            if (count > 0) received_.append(bytes, static_cast<std::size_t>(count));
        }
        std::string text;
        text.swap(received_);
        return text;
    }

private:
    std::string path_;
    int master_ = -1;
    int slave_ = -1;
    std::string received_;
};

}  // namespace kvt::testing

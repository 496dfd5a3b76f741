// A TCP proxy on 127.0.0.1 to a server's port, for tests of what a station does when its link
// breaks: every connection through it can be cut at once, and new ones refused until restored.
#pragma once

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace kvt::testing {

// A TCP proxy on 127.0.0.1 to the server's port, on a thread of its own. A cut breaks every
// connection through it (a reset) and refuses new ones until the link is restored.
class TcpProxy {
public:
    explicit TcpProxy(int target) : target_(target) {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        int yes = 1;
        ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener_, 16);
        socklen_t length = sizeof address;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { run(); });
    }
    ~TcpProxy() {
        stop_ = true;
        thread_.join();
        for (auto [a, b] : pairs_) {
            ::close(a);
            ::close(b);
        }
        ::close(listener_);
    }
    int port() const { return port_; }
    void cut() { cut_ = true; }
    void restore() {
        watching_ = false;
        cut_ = false;
    }
    // The link is cut the moment a station sends a statement holding text (the statement never
    // reaches the server), and stays cut until restored.
    void cutOn(const std::string& text) {
        watched_ = text;
        watching_ = true;
    }

    // From now on, how many times stations send text (a statement's name): what a station asks
    // of the server for an action. What was sent before is passed on first (the proxy has been
    // quiet for a round since), so that none of it is counted.
    void count(const std::string& text) {
        passedOn();
        std::lock_guard lock(countMutex_);
        counted_ = text;
        seen_ = 0;
    }
    // How many times, everything sent until now passed on first.
    int counted() const {
        passedOn();
        std::lock_guard lock(countMutex_);
        return seen_;
    }

private:
    // Waits (two seconds at most) for a round of the proxy that found nothing to pass on: one
    // that ends after this call began has passed on every byte sent before it.
    void passedOn() const {
        const long before = quietRounds_;
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (quietRounds_ == before && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    void countIn(std::string_view sent) {
        std::lock_guard lock(countMutex_);
        if (counted_.empty()) return;
        for (auto at = sent.find(counted_); at != std::string_view::npos;
             at = sent.find(counted_, at + counted_.size()))
            ++seen_;
    }
    static void reset(int fd) {
        linger hard{1, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        ::close(fd);
    }
    int connectTarget() const {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<uint16_t>(target_));
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::close(fd);
            return -1;
        }
        return fd;
    }
    void run() {
        char buffer[65536];
        while (!stop_) {
            if (cut_) {
                for (auto [a, b] : pairs_) {
                    reset(a);
                    reset(b);
                }
                pairs_.clear();
            }
            std::vector<pollfd> waits{{listener_, POLLIN, 0}};
            for (auto [a, b] : pairs_) {
                waits.push_back({a, POLLIN, 0});
                waits.push_back({b, POLLIN, 0});
            }
            if (::poll(waits.data(), waits.size(), 20) <= 0) {
                ++quietRounds_;  // nothing came for a while: everything sent was passed on
                continue;
            }
            if (waits[0].revents & POLLIN) {
                const int client = ::accept(listener_, nullptr, nullptr);
                if (client >= 0) {
                    const int server = cut_ ? -1 : connectTarget();
                    if (server < 0)
                        reset(client);
                    else
                        pairs_.push_back({client, server});
                }
            }
            std::vector<std::pair<int, int>> kept;
            for (std::size_t i = 0; i < pairs_.size(); ++i) {
                auto [a, b] = pairs_[i];
                bool open = true;
                for (int side = 0; side < 2 && open; ++side) {
                    if (!(waits[1 + 2 * i + side].revents & (POLLIN | POLLHUP | POLLERR)))
                        continue;
                    const int from = side ? b : a, to = side ? a : b;
                    const ssize_t got = ::read(from, buffer, sizeof buffer);
                    if (got <= 0) {
                        open = false;
                        break;
                    }
                    if (side == 0) countIn(std::string_view(buffer, static_cast<std::size_t>(got)));
                    if (side == 0 && watching_ &&
                        std::string_view(buffer, static_cast<std::size_t>(got)).find(watched_) !=
                            std::string_view::npos) {
                        cut_ = true;
                        open = false;
                        break;
                    }
                    for (ssize_t sent = 0; sent < got;) {
                        const ssize_t put = ::write(to, buffer + sent, got - sent);
                        if (put <= 0) {
                            open = false;
                            break;
                        }
                        sent += put;
                    }
                }
                if (open) {
                    kept.push_back({a, b});
                } else {
                    reset(a);
                    reset(b);
                }
            }
            pairs_ = std::move(kept);
        }
    }

    int target_;
    int listener_ = -1;
    int port_ = 0;
    std::string watched_;
    mutable std::mutex countMutex_;
    std::string counted_;
    int seen_ = 0;
    std::atomic<bool> watching_{false};
    std::atomic<bool> cut_{false}, stop_{false};
    std::atomic<long> quietRounds_{0};
    std::vector<std::pair<int, int>> pairs_;
    std::thread thread_;
};

}  // namespace kvt::testing

// Timer link figures, headless: the program's serial code on one end of a pseudo-terminal pair,
// the bench as the timer on the other.
//   timer_link_cuts             times the cable was pulled mid-race (and plugged in again)
//   timer_times_lost            times the timer stamped that never came out of the link as an
//                               impulse to register (each cut also cuts a record in two, and
//                               the timer stamps two times while the cable is out)
//   timer_times_twice           times that came out to register more than once
//   timer_bad_records_survived  records that could not be read (checksum wrong, line noise,
//                               overlong), each read and followed by a time read live (one
//                               per cut, each read before the cable goes: bytes the port
//                               had not handed over when it hung up are gone with it)
//   timer_record_to_taken_p99_ms  a record's last byte written to the port until the poll's
//                               take hands it over, over 500 records one at a time
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <thread>

#include "devices/timer_link.h"
#include "support/pty_timer.h"
#include "timing.h"

using namespace kvt;
using namespace std::chrono_literals;

namespace {

constexpr int Cuts = 120;

std::string record(char flag, int n) {
    char text[64];
    std::snprintf(text, sizeof text, "%c%04d %-3s %02d:%02d:%02d.%04d 00\r", flag, n % 10000,
                  n % 2 ? "C0" : "C1", 9 + n / 3600 % 14, n / 60 % 60, n % 60, n * 37 % 10000);
    return text;
}

bool waitFor(const std::function<bool()>& condition) {
    const auto end = std::chrono::steady_clock::now() + 5s;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

devices::TimerLinkSettings settingsFor(const std::string& port) {
    devices::TimerLinkSettings settings;
    settings.port = port;
    settings.lines = {"C0", "C1", "-", "-", "-", "-"};
    settings.retryFirst = 2ms;
    settings.retryLast = 20ms;
    return settings;
}

}  // namespace

int main() {
    const std::string port =
        (std::filesystem::temp_directory_path() / ("kvt-timer-bench-" + std::to_string(::getpid())))
            .string();
    std::map<int, int> registered;  // per stamped time, how often it came out to register
    long badSent = 0;
    long survived = 0;
    int cuts = 0;
    std::vector<std::string> memory;
    {
        testing::PtyTimer timer(port);
        devices::TimerLink link(settingsFor(port));
        link.start();
        if (!waitFor([&] { return link.state() == devices::LinkState::Open; })) {
            std::fprintf(stderr, "the link never opened %s\n", port.c_str());
            return 1;
        }
        auto take = [&] {
            std::vector<devices::Impulse> impulses;
            link.take(0ms, impulses);
            for (const auto& impulse : impulses)
                if (impulse.registrable()) ++registered[impulse.number];
        };
        const std::string bad[] = {" 0001 C0  09:00:00.0000 00==\r",
                                   std::string("\xff\x81\x00 noise \x9c\r", 13),
                                   std::string(600, '~') + "\r"};
        int n = 0;
        for (int cut = 0; cut < Cuts; ++cut) {
            for (int live = 0; live < 3; ++live) {
                memory.push_back(record(' ', ++n));
                timer.send(memory.back());
            }
            timer.send(bad[cut % 3]);
            ++badSent;
            // A time after the bad record, read live, shows that the link went on past it.
            memory.push_back(record(' ', ++n));
            timer.send(memory.back());
            const int after = n;
            if (waitFor([&] {
                    take();
                    return link.counters().unreadable >= badSent && registered.count(after);
                }))
                ++survived;
            memory.push_back(record(' ', ++n));
            timer.send(memory.back().substr(0, 14));  // the cable goes mid-record
            std::this_thread::sleep_for(1ms);
            take();
            timer.pull();
            if (!waitFor([&] { return link.state() == devices::LinkState::Waiting; })) break;
            ++cuts;
            memory.push_back(record(' ', ++n));  // stamped while the cable is out
            timer.plugIn();
            if (timer.receive("\r", 5s).empty()) break;  // the memory request
            std::string dump;
            for (auto sent : memory) {
                sent[0] = 'm';
                dump += sent;
            }
            timer.send(dump);
            const long wanted = n;
            waitFor([&] {
                take();
                return static_cast<long>(registered.size()) >= wanted;
            });
        }
        take();
        const auto counters = link.counters();
        long lost = 0, twice = 0;
        for (int stamped = 1; stamped <= n; ++stamped) {
            const int count = registered.count(stamped) ? registered[stamped] : 0;
            if (count == 0) ++lost;
            if (count > 1) ++twice;
        }
        std::printf("timer_link_cuts: %d cuts\n", cuts);
        std::printf("timer_times_lost: %ld times\n", lost + (Cuts - cuts) * 6L);
        std::printf("timer_times_twice: %ld times\n", twice);
        std::printf("timer_bad_records_survived: %ld records\n",
                    std::min(survived, counters.unreadable));
    }
    {
        testing::PtyTimer timer(port);
        devices::TimerLink link(settingsFor(port));
        link.start();
        waitFor([&] { return link.state() == devices::LinkState::Open; });
        std::vector<double> delays;
        for (int n = 1; n <= 500; ++n) {
            const std::string sent = record(' ', n);
            const auto written = std::chrono::steady_clock::now();
            timer.send(sent);
            std::vector<devices::Impulse> impulses;
            while (impulses.empty()) link.take(100ms, impulses);
            delays.push_back(std::chrono::duration<double, std::milli>(
                                 std::chrono::steady_clock::now() - written)
                                 .count());
        }
        std::printf("timer_record_to_taken_p99_ms: %.3f ms\n", bench::percentile(delays, 0.99));
    }
    return 0;
}

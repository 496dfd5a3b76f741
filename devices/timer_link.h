// A timer on a serial port (a USB-serial adapter too): a reader thread opens the port raw at
// the timer's rate (8N1, RTS/CTS handshake where set), frames the records as they come in
// whatever pieces, reads them, and queues each impulse with its raw record for the line
// thread or the poll to take, as edges go. It sees the cable go (a read error, a hang-up, the
// device gone) and come back (the port opened again, waiting longer each time), and then asks
// the timer for its memory where the timer has such a command; a time handed on before is
// handed on again only marked as repeated, so that the meet registers each impulse once.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/clock.h"
#include "devices/impulse.h"
#include "devices/link_status.h"
#include "devices/timer_protocols.h"

namespace kvt::devices {

struct TimerLinkSettings {
    TimerKind kind = TimerKind::AlgeTimy;
    std::string port;
    int rate = 9600;
    bool rtsCts = false;
    // The timer channel each line (0 to 5) takes: "C0", "1", "255"; "-" or empty for none.
    std::array<std::string, 6> lines;
    // The word of the memory request where the settings name one; "-" sends none.
    std::string memoryWord;
    // The waits between two tries to open the port: the first, doubled up to the last.
    std::chrono::milliseconds retryFirst{50};
    std::chrono::milliseconds retryLast{1000};
};

// The line a settings' channel list makes of a timer's channel; -1 for none.
int TimerLine(const std::array<std::string, 6>& lines, const std::string& channel);

// Remembers the times handed on, to know them when the timer sends its memory again: the
// same channel (and hand mark) and the same time at full precision, and no other start number
// (a repeat may carry the number the first lacked), is the same impulse.
class RepeatFilter {
public:
    // True when the impulse was handed on before; otherwise it is remembered.
    bool repeated(const Impulse& impulse);
    static constexpr std::size_t MaxKept = 200000;

private:
    std::map<std::string, std::vector<int>> seen_;
    std::deque<std::string> order_;
};

// How far the timer's clock is ahead of the race clock, from the records' arrival: the timer's
// time of day minus the race clock's at the record's arrival, wrapped into 12 hours either way.
// A record only ever arrives late, so the largest of these over the records sent as they were
// stamped is the nearest to the truth; times from the memory, typed in or sent again say nothing
// of it.
class TimerClockOffset {
public:
    void add(const Impulse& impulse);
    bool known() const { return records_ > 0; }
    std::int64_t microseconds() const { return offset_; }
    long records() const { return records_; }

private:
    std::int64_t offset_ = 0;
    long records_ = 0;
};

// True for a rate a serial port can be set to (1200 to 115200 baud).
bool SerialRate(int rate);

// Sets an open terminal raw at rate (8 data bits, no parity, 1 stop bit), with or without
// RTS/CTS; reads block for at least one byte (with O_NONBLOCK: none waits). Returns an empty
// text, or what failed.
std::string ConfigureSerialPort(int fd, int rate, bool rtsCts);

class TimerLink {
public:
    // The arrival of each record is stamped on clock's monotonic clock, with its time of day;
    // without a clock, on the system's monotonic clock alone (the taker gives the time of day).
    explicit TimerLink(TimerLinkSettings settings, base::Clock* clock = nullptr);
    ~TimerLink();
    TimerLink(const TimerLink&) = delete;
    TimerLink& operator=(const TimerLink&) = delete;

    // Impulses kept between two takes; far more than a race gives while the window is held
    // up, yet bounded. Beyond it impulses are counted as dropped.
    static constexpr std::size_t MaxQueued = 1 << 16;

    void start();
    void stop();
    // Waits at most timeout for impulses and moves those queued into out, oldest first.
    void take(std::chrono::milliseconds timeout, std::vector<Impulse>& out);
    // Asks the timer for its memory now (where it has a command for it).
    void askMemory();

    LinkState state() const { return state_; }
    LinkCounters counters() const;
    // Why the port last failed to open or was lost; empty while it never did.
    std::string lastError() const;
    const TimerLinkSettings& settings() const { return settings_; }

private:
    void run();
    bool openPort();
    void closePort(const std::string& why);
    // Reads what the port has; false when the link was cut.
    bool readPort();
    void handOn(const std::vector<RecordFramer::Record>& records, base::MonotonicNanoseconds at);
    void wake();
    // Sleeps at most timeout, or until woken.
    void rest(std::chrono::milliseconds timeout);

    TimerLinkSettings settings_;
    base::Clock* clock_;
    RecordFramer framer_;
    RepeatFilter repeats_;
    int fd_ = -1;
    int wakeFd_ = -1;  // an eventfd that stops a poll at once
    std::string output_;
    std::atomic<LinkState> state_{LinkState::Stopped};
    std::atomic<bool> stopping_{false};
    std::atomic<bool> memoryAsked_{false};
    std::thread thread_;
    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<Impulse> queue_;
    LinkCounters counters_;
    std::string lastError_;
};

}  // namespace kvt::devices

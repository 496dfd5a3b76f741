// Watches the input lines of the adapter and stamps every change of level with the time it was
// seen. On a thread of its own it reads the lines every half millisecond, so a runner's pulse
// is seen, and timed, even while the window's thread is busy storing or drawing; the poll then
// takes what each line did since its last look. Without the thread the poll reads the lines
// itself, once a tick.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/clock.h"
#include "devices/adapter.h"

namespace kvt::devices {

class LineWatch {
public:
    using Instant = std::chrono::steady_clock::time_point;

    // A line seen at a new level.
    struct Change {
        int level = 0;
        base::LocalTime time;
        Instant instant;
    };
    // What one line did since the last look.
    struct Reading {
        int level = -1;               // the level now; -1 when the line was never read
        std::vector<Change> changes;  // oldest first
        long lost = 0;                // changes that could not be kept (see MaxChanges)
    };

    // Changes kept per line between two looks: far more than any contact bounces while the
    // window is held up for seconds, yet bounded, so that a line gone wild cannot take all
    // memory. Changes beyond it are counted, and the poll tells the operator.
    static constexpr std::size_t MaxChanges = 1 << 16;

    LineWatch(Adapter& adapter, base::Clock& clock) : adapter_(adapter), clock_(clock) {}
    ~LineWatch() { stop(); }
    LineWatch(const LineWatch&) = delete;
    LineWatch& operator=(const LineWatch&) = delete;

    // Whether start() reads the lines on a thread of its own (the desktop program) or leaves
    // the reading to the poll (tests that move the lines by hand).
    void setThreaded(bool threaded) { threaded_ = threaded; }
    // Time between two readings of the lines on the thread.
    static constexpr std::chrono::microseconds Period{500};

    // Begins watching the adapter opened as handle, lines 0 to lastLine; forgets what was seen.
    void start(int handle, int lastLine);
    // Stops the thread (if any); the adapter is not read again until the next start.
    void stop();
    // True while the thread reads the lines.
    bool running() const { return thread_.joinable(); }

    // The highest line read (0 to 5); lines above it are not read and forget their state.
    void setLastLine(int lastLine) { lastLine_ = lastLine; }

    // Reads lines 0 to lastLine once and notes their changes. Throws AdapterError when the
    // adapter cannot be read.
    void sample();
    // What line c did since the last take. Throws AdapterError once the thread has failed to
    // read the adapter.
    Reading take(int c);
    // Readings of the lines so far (all lines count one).
    long samples() const { return samples_; }
    // True when the thread runs at real-time priority (the system allowed it).
    bool realtime() const { return realtime_; }

private:
    struct Line {
        int level = -1;
        std::vector<Change> changes;
        long lost = 0;
    };
    void run();

    Adapter& adapter_;
    base::Clock& clock_;
    bool threaded_ = false;
    int handle_ = 0;
    std::atomic<int> lastLine_{5};
    std::atomic<bool> stopping_{false};
    std::atomic<long> samples_{0};
    std::atomic<bool> realtime_{false};
    std::thread thread_;
    std::mutex mutex_;
    std::array<Line, 6> lines_;
    std::string failure_;  // the adapter's error on the thread; empty while it reads well
};

}  // namespace kvt::devices

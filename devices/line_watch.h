// Watches the input lines of the adapter and keeps every change of level with the moment it
// happened. On a thread of its own it waits for the edges of a device that reports them (each
// with the kernel's timestamp), or reads the lines of one that does not every half
// millisecond, so a runner's pulse is seen, and timed, even while the window's thread is busy
// storing or drawing; the poll then takes what each line did since its last look. Without the
// thread the poll has the lines read once a tick.
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
        // The time of day of the edge, through the race clock's anchor.
        base::LocalTime time;
        // The edge's own moment on the monotonic clock: the kernel's timestamp where the device
        // gives one, else the moment the line was read.
        Instant instant;
    };
    // What one line did since the last look.
    struct Reading {
        int level = -1;               // the level now; -1 when the line was never read
        std::vector<Change> changes;  // oldest first
        long lost = 0;                // edges that could not be kept (see MaxChanges)
    };
    // What the "Test lines" view shows of a line, without taking anything from the poll.
    struct Status {
        int level = -1;
        long edges = 0;  // since the watch started
        bool hasEdge = false;
        Change lastEdge;
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
    // Time between two readings of lines that have to be read; the longest wait for edges.
    static constexpr std::chrono::microseconds Period{500};
    static constexpr std::chrono::milliseconds EdgeWait{20};

    // Begins watching the adapter opened as handle, lines 0 to lastLine; forgets what was seen.
    // With everyLine the levels of all six lines are followed (the "Test lines" view), while
    // only lines up to lastLine keep their changes for the poll.
    void start(int handle, int lastLine, bool everyLine = false);
    // Stops the thread (if any); the adapter is not read again until the next start.
    void stop();
    // True while the thread reads the lines.
    bool running() const { return thread_.joinable(); }
    // True between start and stop.
    bool watching() const { return watching_; }

    // The highest line whose changes are kept (0 to 5); lines above it keep none.
    void setLastLine(int lastLine) { lastLine_ = lastLine; }

    // Reads the lines once (or takes the edges the device has) and notes their changes.
    // Throws AdapterError when the adapter cannot be read.
    void sample();
    // What line c did since the last take. Throws AdapterError once the thread has failed to
    // read the adapter.
    Reading take(int c);
    // The impulses of a device that sends them (a timer) since the last take, oldest first,
    // each with the time of day of its arrival on the race clock; none while not watching.
    std::vector<Impulse> takeImpulses();
    Status status(int c);
    // Readings of the lines so far (all lines count one).
    long samples() const { return samples_; }
    // True when the thread runs at real-time priority (the system allowed it).
    bool realtime() const { return realtime_; }

private:
    struct Line {
        int level = -1;
        std::vector<Change> changes;
        long lost = 0;
        long edges = 0;
        bool hasEdge = false;
        Change lastEdge;
    };
    void run();
    void note(Line& line, int c, int level, std::int64_t stamp);
    void readLevels();
    void takeEdges(std::chrono::milliseconds timeout);

    Adapter& adapter_;
    base::Clock& clock_;
    bool threaded_ = false;
    bool edges_ = false;
    bool watching_ = false;
    bool everyLine_ = false;
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

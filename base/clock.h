// The clock every time of the program is read from: the time of day with milliseconds, and the
// time of day of a moment of the system's monotonic clock (which the kernel stamps the edges of
// input lines with).
#pragma once

#include <cstdint>

namespace kvt::base {

struct LocalTime {
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
    // Within the millisecond (0 to 999): kept so that what the program adds to an edge's own
    // timestamp can be measured; time texts never show it.
    int microsecond = 0;
};

// Nanoseconds on the system's monotonic clock (CLOCK_MONOTONIC).
using MonotonicNanoseconds = std::int64_t;

// The monotonic clock now.
MonotonicNanoseconds MonotonicNow();

class Clock {
public:
    virtual ~Clock() = default;
    // The local time of day with milliseconds.
    virtual LocalTime now() = 0;
    // The moment now on the monotonic clock, as this clock counts it.
    virtual MonotonicNanoseconds monotonicNow() { return MonotonicNow(); }
    // The time of day of a moment of the monotonic clock. A clock without an anchor has no
    // better answer than the time now.
    virtual LocalTime timeOf(MonotonicNanoseconds) { return now(); }
    // Takes the time of day afresh from the system (the program does so only while no meet is
    // open, so that no race time spans two anchors).
    virtual void anchor() {}
    // The time of day the clock was anchored to, and how far the system's clock has moved
    // from the anchored clock since (positive: the system clock is ahead).
    virtual LocalTime anchorTime() { return now(); }
    virtual double driftMilliseconds() { return 0; }
};

}  // namespace kvt::base

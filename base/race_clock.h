// The race clock: the system's monotonic clock anchored to the time of day once, so that a step
// of the system clock during a race (NTP, the operator setting the clock) shifts no time.
#pragma once

#include <mutex>

#include "base/clock.h"

namespace kvt::base {

// The two clocks of the system, handed in so that a test can step the time of day.
class TimeSource {
public:
    virtual ~TimeSource() = default;
    virtual MonotonicNanoseconds monotonic() = 0;
    // Nanoseconds since 1970 (CLOCK_REALTIME).
    virtual std::int64_t realtime() = 0;
    // The local time zone's offset from UTC at a moment of realtime, in seconds.
    virtual int utcOffsetSeconds(std::int64_t realtime) = 0;
};

class SystemTimeSource : public TimeSource {
public:
    MonotonicNanoseconds monotonic() override;
    std::int64_t realtime() override;
    int utcOffsetSeconds(std::int64_t realtime) override;
};

class RaceClock : public Clock {
public:
    // Anchored at once.
    explicit RaceClock(TimeSource& source);

    LocalTime now() override;
    MonotonicNanoseconds monotonicNow() override;
    LocalTime timeOf(MonotonicNanoseconds moment) override;
    void anchor() override;
    LocalTime anchorTime() override;
    double driftMilliseconds() override;

private:
    // The local time of day, in nanoseconds since midnight, of a monotonic moment.
    std::int64_t localNanoseconds(MonotonicNanoseconds moment);

    TimeSource& source_;
    std::mutex mutex_;  // the line thread converts edges while the window may re-anchor
    MonotonicNanoseconds monotonicAnchor_ = 0;
    std::int64_t realtimeAnchor_ = 0;
    int utcOffset_ = 0;
};

// Nanoseconds since midnight as a time of day (wrapping at 24 hours).
LocalTime TimeOfDay(std::int64_t nanosecondsOfDay);

}  // namespace kvt::base

#include "base/race_clock.h"

#include <ctime>

namespace kvt::base {

namespace {
constexpr std::int64_t Second = 1000000000;
constexpr std::int64_t Day = 24 * 3600 * Second;

std::int64_t read(clockid_t id) {
    timespec now{};
    clock_gettime(id, &now);
    return static_cast<std::int64_t>(now.tv_sec) * Second + now.tv_nsec;
}
}  // namespace

MonotonicNanoseconds MonotonicNow() {
    return read(CLOCK_MONOTONIC);
}

MonotonicNanoseconds SystemTimeSource::monotonic() {
    return read(CLOCK_MONOTONIC);
}

std::int64_t SystemTimeSource::realtime() {
    return read(CLOCK_REALTIME);
}

int SystemTimeSource::utcOffsetSeconds(std::int64_t realtime) {
    std::time_t seconds = static_cast<std::time_t>(realtime / Second);
    std::tm local{};
    localtime_r(&seconds, &local);
    return static_cast<int>(local.tm_gmtoff);
}

LocalTime TimeOfDay(std::int64_t nanosecondsOfDay) {
    std::int64_t n = ((nanosecondsOfDay % Day) + Day) % Day;
    const std::int64_t micro = n / 1000;
    LocalTime time;
    time.microsecond = static_cast<int>(micro % 1000);
    time.millisecond = static_cast<int>(micro / 1000 % 1000);
    const std::int64_t seconds = micro / 1000000;
    time.second = static_cast<int>(seconds % 60);
    time.minute = static_cast<int>(seconds / 60 % 60);
    time.hour = static_cast<int>(seconds / 3600);
    return time;
}

RaceClock::RaceClock(TimeSource& source) : source_(source) {
    anchor();
}

void RaceClock::anchor() {
    // The realtime read between two monotonic reads, matched to their middle, so that being
    // interrupted between the reads cannot put the anchor off by the interruption.
    const MonotonicNanoseconds before = source_.monotonic();
    const std::int64_t wall = source_.realtime();
    const MonotonicNanoseconds after = source_.monotonic();
    const int offset = source_.utcOffsetSeconds(wall);
    std::lock_guard lock(mutex_);
    monotonicAnchor_ = before + (after - before) / 2;
    realtimeAnchor_ = wall;
    utcOffset_ = offset;
}

std::int64_t RaceClock::localNanoseconds(MonotonicNanoseconds moment) {
    std::lock_guard lock(mutex_);
    return realtimeAnchor_ + (moment - monotonicAnchor_) + utcOffset_ * Second;
}

LocalTime RaceClock::now() {
    return timeOf(source_.monotonic());
}

MonotonicNanoseconds RaceClock::monotonicNow() {
    return source_.monotonic();
}

LocalTime RaceClock::timeOf(MonotonicNanoseconds moment) {
    return TimeOfDay(localNanoseconds(moment));
}

LocalTime RaceClock::anchorTime() {
    std::lock_guard lock(mutex_);
    return TimeOfDay(realtimeAnchor_ + utcOffset_ * Second);
}

double RaceClock::driftMilliseconds() {
    const MonotonicNanoseconds moment = source_.monotonic();
    const std::int64_t wall = source_.realtime();
    std::lock_guard lock(mutex_);
    const std::int64_t anchored = realtimeAnchor_ + (moment - monotonicAnchor_);
    return static_cast<double>(wall - anchored) / 1e6;
}

}  // namespace kvt::base

// The local time of day with milliseconds, as the program reads it.
#pragma once

namespace kvt::base {

struct LocalTime {
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    // The local time of day with milliseconds.
    virtual LocalTime now() = 0;
};

}  // namespace kvt::base

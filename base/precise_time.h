// Times of day at the full precision of a timer (microseconds since midnight), and race times
// computed from them: the difference is taken at full precision and only the result is cut
// (truncated) to hundredths, as the federations' rules want. Cutting each time of day to
// hundredths first, as the time texts do, can give a hundredth more.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/clock.h"

namespace kvt::base {

// Microseconds since midnight, 0 to one day less a microsecond.
using DayMicroseconds = std::int64_t;

inline constexpr DayMicroseconds MicrosecondsPerSecond = 1000000;
inline constexpr DayMicroseconds MicrosecondsPerDay = 24LL * 3600 * MicrosecondsPerSecond;

// The time of day of the clock, to its microsecond.
DayMicroseconds MicrosecondsOfDay(const LocalTime& time);
// A time of day at full precision as the clock's LocalTime (wrapping at 24 hours).
LocalTime LocalTimeOf(DayMicroseconds time);

// Reads a timer's time of day "HH:MM:SS.ffff": hours, minutes and seconds of two digits
// each, then ".", "," or ":" and 0 to 6 digits of the fraction (or none, with no separator).
// decimals is set to the digits the text had. False for any other text, or a time out of
// range (hour 24 and above, minute or second 60 and above).
bool ParseClockTime(std::string_view text, DayMicroseconds& time, int& decimals);
// Reads "hhmmssffff": ten digits, hours to ten-thousandths, as some timers send them.
bool ParseDigitTime(std::string_view text, DayMicroseconds& time);

// "HH:MM:SS.ffff" with decimals digits of the fraction (0 to 6; the rest truncated).
std::string ClockTimeText(DayMicroseconds time, int decimals);
// The time text HH.MM.SS.hh of a time of day: the hundredths truncated, as from the clock.
std::string PreciseTimeText(DayMicroseconds time);

// A time cut (truncated) to the given number of decimals of a second (0 to 6).
DayMicroseconds CutToDecimals(DayMicroseconds time, int decimals);

// The race time from start to finish in microseconds; a finish earlier in the day than the
// start is taken as the next day (a race across midnight), as the time texts do.
std::int64_t PreciseRaceMicroseconds(DayMicroseconds start, DayMicroseconds finish);
// The race time at full precision, then cut to hundredths.
long long PreciseRaceHundredths(DayMicroseconds start, DayMicroseconds finish);
// The race time from the two times cut to hundredths first (the time texts' way).
long long CutFirstRaceHundredths(DayMicroseconds start, DayMicroseconds finish);

}  // namespace kvt::base

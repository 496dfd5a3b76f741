// Time texts HH.MM.SS.hh and the arithmetic done on them.
#pragma once

#include <string>

#include "base/clock.h"

namespace kvt::base {

// The time of day as a time text: two digits for hour, minute and second, the hundredths
// truncated from the milliseconds.
std::string TimeText(const base::LocalTime& time);

// Splits a text into runs between delimiter characters, remembering where it stopped.
class Tokenizer {
public:
    // A non-empty text starts a new scan; an empty one goes on in the current text. Returns the
    // next run of non-delimiters, or "" at the end.
    std::string NextToken(const std::string& text, const std::string& delimiters);

private:
    std::string text_;
    std::size_t position_ = 0;
};

// end minus start, part by part with borrows from seconds, minutes and hours; no borrow from
// the hours, so an end earlier in the day than the start gives a negative hour.
std::string TimeDifference(const std::string& start, const std::string& end);

// The race time from a start to a finish: as TimeDifference, but a finish earlier in the day
// than the start is taken as the next day (a race across midnight).
std::string RaceTime(const std::string& start, const std::string& finish);

// Race times as whole hundredths, to order and subtract them exactly.
// A time text's parts read by the text-to-number rule, as hundredths since midnight.
long long TimeHundredths(const std::string& time);
// The race time from start to finish in hundredths, a finish earlier in the day being the next.
long long RaceHundredths(const std::string& start, const std::string& finish);
// Hundredths as a time text HH.MM.SS.hh (hours beyond 99 keep their last two digits).
std::string HundredthsText(long long hundredths);
// The race time that a result text of any time format stands for ("01.02.03", "02.03,45",
// "03,45", "01.02.03,45"), in hundredths; -1 when the text is no result.
long long ResultHundredths(const std::string& result);

// The time format options of the setup page; NoTimeFormat when no option is selected.
inline constexpr int NoTimeFormat = -1;

// A time text shortened to a result text of the given time format (0 to 3).
std::string FormatResultTime(const std::string& time, int timeFormat);

}  // namespace kvt::base

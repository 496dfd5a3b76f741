// Time texts HH.MM.SS.hh and the arithmetic done on them.
#pragma once

#include <string>

#include "ui/services.h"

namespace kvt::results {

// The time of day as a time text: two digits for hour, minute and second, the hundredths
// truncated from the milliseconds.
std::string TimeText(const ui::LocalTime& time);

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

// The time format options of the setup page; NoTimeFormat when no option is selected.
inline constexpr int NoTimeFormat = -1;

// A time text shortened to a result text of the given time format (0 to 3).
std::string FormatResultTime(const std::string& time, int timeFormat);

}  // namespace kvt::results

// The Setup record of a meet: its 38 fields by what they hold, and the record as the meet keeps
// it in memory.
#pragma once

#include <array>
#include <string>

namespace kvt::meet {

namespace field {
// Yes/No fields.
constexpr int LineInUse(int channel) {  // channel 0 to 5
    return 2 * channel;
}
inline constexpr int Spare = 12, FictiveNames = 13, StartAtSameTime = 14, AutomaticCapture = 15;
inline constexpr int RemoveFromList = 16, Differences = 17;
// Competitors who were disqualified or gave up get no place in the results.
inline constexpr int StatusesInResults = 18;
// Text fields.
inline constexpr int CompetitorCount = 21, ClubCount = 22, ClassCount = 23, DatabaseType = 24;
inline constexpr int Signal = 25, TimeFormat = 26, PollInterval = 27, Delay = 28;
inline constexpr int RegisteredCount = 29, FetchedCount = 30, TimeTableSize = 31;
constexpr int ChannelCount(int line) {  // line 1 to 6
    return 31 + line;
}
inline constexpr int FirstText = 21, Count = 38;
}  // namespace field

// The signal option: which level of an input line means a passage.
inline constexpr int SignalGoesHigh = 0, SignalGoesLow = 1;

class SetupRecord {
public:
    // Field values as stored ("1"/"0" for Yes/No).
    std::array<std::string, field::Count> fields;

    bool yes(int field) const;
    // The text-to-number rule on a text field; 0 when it holds no number.
    double number(int field) const;
    // The field's number as the 16-bit integer the program keeps; 0 when it does not fit.
    int count(int field) const;
    // The chosen time format 0 to 3, or base::NoTimeFormat when none is chosen.
    int timeFormat() const;
    bool lineInUse(int channel) const { return yes(field::LineInUse(channel)); }
    bool activeLow() const { return count(field::Signal) == SignalGoesLow; }
};

}  // namespace kvt::meet

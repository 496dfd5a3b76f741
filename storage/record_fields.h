// The positions of the fields the program reads from a record by their place in the table, named
// once beside the tables' description (storage/schema.h describes the same order by name).
#pragma once

namespace kvt::storage::column {

// A competitor record: 27 fields named "0" to "26".
namespace competitor {
inline constexpr int Number = 0, FirstName = 1, Surname = 2, Club = 3, Class = 4;
inline constexpr int Status = 12, Payment = 19;
inline constexpr int Count = 27;
}  // namespace competitor

// A club record: the number and 15 texts, the first of them the club's name.
namespace club {
inline constexpr int Number = 0, Name = 1;
}  // namespace club

// A class record: its index, its id, its name and its specification.
namespace classes {
inline constexpr int Number = 0, Id = 1, Name = 2, Specification = 3;
}  // namespace classes

// A row of the Time table.
namespace time {
inline constexpr int Index = 0, Id = 1, Time = 2, Number = 3, Kind = 4, Competitor = 5, Info = 6;
inline constexpr int Count = 7;
}  // namespace time

// The Work record: the ten rows of the capture list, four fields each, and a spare one.
namespace work {
constexpr int Number(int row) {  // row 0 to 9
    return row;
}
constexpr int RegTimeIndex(int row) {
    return 10 + row;
}
constexpr int RegTime(int row) {
    return 20 + row;
}
constexpr int Ready(int row) {
    return 30 + row;
}
inline constexpr int Count = 41;
}  // namespace work

// A row of a class's results table.
namespace results {
inline constexpr int Place = 0, Number = 1, Competitor = 2, Club = 3, Result = 4, Difference = 5;
inline constexpr int Count = 6;
}  // namespace results

// A record of the journal of impulses. Source is "line", "key", "button", "enter" or "timer";
// TimeOfDay is HH:MM:SS.ffffff and Microseconds the same time since midnight; Arrival is when
// it reached the program on the race clock; Number -1 when the source gave none; Flags the
// source's marks (devices::ImpulseFlag); TimeRow the Time-table row it became, empty when it
// was not registered.
namespace impulse {
inline constexpr int Impulse = 0, Source = 1, Channel = 2, Line = 3, TimeOfDay = 4,
                     Microseconds = 5, Decimals = 6, Arrival = 7, ArrivalNanoseconds = 8,
                     Number = 9, Flags = 10, Raw = 11, TimeRow = 12;
inline constexpr int Count = 13;
}  // namespace impulse

}  // namespace kvt::storage::column

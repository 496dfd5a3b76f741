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

// A record of the replacement times: the start number, "start" or "finish", "B" or "hand",
// his own time, the sum of A − B over the basis and the replaced time of day (microseconds
// since midnight), the basis as "number:A:B" joined by blanks (microseconds), the Time-table
// row.
namespace replacement {
inline constexpr int Number = 0, Use = 1, Source = 2, Own = 3, Sum = 4, Basis = 5, Time = 6,
                     TimeRow = 7;
inline constexpr int Count = 8;
}  // namespace replacement

// A record of the class starts: the run (1 today), the class number, its mode ("impulse",
// "interval", "mass"), the first start (a time text or "-"), the interval, gap and tolerance in
// hundredths, the order of the draw ("number", "random", "list") and the list's start numbers
// ("12 7 3"), the class's place in the order of starts, the time of day of its mass start and
// the Time-table row it came from, and the number of draws made.
namespace class_start {
inline constexpr int Run = 0, Class = 1, Mode = 2, FirstStart = 3, Interval = 4, Order = 5,
                     ListOrder = 6, Gap = 7, Sequence = 8, Tolerance = 9, MassTime = 10,
                     MassRow = 11, Draws = 12;
inline constexpr int Count = 13;
}  // namespace class_start

// A record of the planned starts: run, start number, class, the planned time of day, the start
// impulse given against it ("-": none) and its Time-table row, and the jury's mark ("early",
// "late", "" when inside the tolerance or none given).
namespace planned_start {
inline constexpr int Run = 0, Number = 1, Class = 2, Planned = 3, Impulse = 4, ImpulseRow = 5,
                     Jury = 6;
inline constexpr int Count = 7;
}  // namespace planned_start

}  // namespace kvt::storage::column

// The clock and the ten-row list of registered times on the capture page.
#pragma once

namespace kvt::ui {
struct Program;
}

namespace kvt::capture {

inline constexpr const char* DeleteQuestion =
    "Er du helt sikker på at du vil slette denne registrrerte tida";

void ConnectTimeList(ui::Program& program);

// One tick of Hitime3: the clock, the running and final times, the out and in lamps.
void ClockTick(ui::Program& program);
// Deletes row i after the question (a row that offers no time asks nothing); the rows below
// move up and the next waiting time enters.
void DeleteRow(ui::Program& program, int row);
// A late entry: a competitor added with the number typed on the first line whose number is
// none of the meet's (the next free number when no line has one); the competitor page moves
// to the record for the name, club and class, and the lines show him.
void AddLateEntry(ui::Program& program);

}  // namespace kvt::capture

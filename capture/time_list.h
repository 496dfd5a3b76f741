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

}  // namespace kvt::capture

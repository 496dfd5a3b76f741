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
// Takes the next waiting registered time into the first free row (at most one).
void TakeNextIntoList(ui::Program& program);
// Copies the row lamps into the boxes of the Work record.
void StoreLampStates(ui::Program& program);
// Deletes row i after the question (a free row asks nothing); rows below move up.
void DeleteRow(ui::Program& program, int row);
// Stores the Work record (the list) as it now stands; false when it could not be stored.
bool StoreList(ui::Program& program);

}  // namespace kvt::capture

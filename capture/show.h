// Showing the open meet on the capture and setup pages: what it holds, and what an action did.
// The controls only ever show the meet; nothing is read back from them.
#pragma once

#include <vector>

#include "meet/meet.h"

namespace kvt::ui {
struct Program;
}

namespace kvt::capture {

// The counts of the setup page, the ten rows of the list with their lamps, the line lamps,
// and the status bar's word on what is not stored yet.
void ShowMeet(ui::Program& program);
// Line i's name (or that its number is no competitor), race time and out and in lamps.
void ShowCompetitorOnLine(ui::Program& program, int line);
// The lamps of the six lines alone (each poll).
void ShowLineLamps(ui::Program& program);
// What an action did: the meet as it now is, the Time-table rows it wrote, the results page
// after a finish, its messages and, when it could not be stored, why.
void ShowOutcome(ui::Program& program, const meet::Outcome& outcome);
void ShowOutcomes(ui::Program& program, const std::vector<meet::Outcome>& outcomes);

}  // namespace kvt::capture

// Giving a time to a competitor on a line of the capture page: the first time is his start,
// the second his finish, which puts his race time into the results of his class.
#pragma once

#include <string>

namespace kvt::ui {
struct Program;
}

namespace kvt::results {

// Enter in the number box of line i: the time of this moment is registered on line 1 and given.
void GiveTimeNow(ui::Program& program, int line);
// "<<" on line i: the registered time offered on the line is given. False when nothing was
// given (no number, no time, or a number that is no competitor's).
bool GiveRegisteredTime(ui::Program& program, int line);
// The finish of competitor n, given on line i: his result into every class of his class name.
void RecordResult(ui::Program& program, int n, int line);
// Everyone not finished starts at the start time just given.
void StartAll(ui::Program& program, const std::string& startTime);

// Number change (show the line), Enter and key release in the number boxes, "<<".
void ConnectTiming(ui::Program& program);

}  // namespace kvt::results

// Giving a time to a competitor on a line of the capture page: the first time is his start,
// the second his finish, which puts his race time into the results of his class.
#pragma once

namespace kvt::ui {
struct Program;
}

namespace kvt::capture {

// Enter in the number box of line i: the time of this moment is registered on line 1 and given.
void GiveTimeNow(ui::Program& program, int line);
// "<<" on line i: the registered time offered on the line is given.
void GiveRegisteredTime(ui::Program& program, int line);

// Number change (show the line), Enter and key release in the number boxes, "<<".
void ConnectTiming(ui::Program& program);

}  // namespace kvt::capture

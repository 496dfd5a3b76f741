// The starts page: how each class starts (by impulse, at intervals from a draw, all at once),
// the draw, and a class or a group of classes started all at once at a time of day or at the
// last registered impulse. The page only shows the meet; each action is one call on it.
#pragma once

#include <string>

namespace kvt::ui {
struct Program;
}

namespace kvt::pages {

void ConnectStartsPage(ui::Program& program);
// The page as the open meet holds it: the classes, the chosen class's start, its planned
// starts and the starts for the jury.
void ShowStartsPage(ui::Program& program);

// A time of day as typed ("10.30", "10:30:15", "10.30.15.50") as a time text; "-" for an empty
// box; empty when it is no time of day.
std::string TypedTimeOfDay(const std::string& typed);
// Seconds as typed ("30", "1,5") in hundredths; -1 when it is no span.
long long TypedSeconds(const std::string& typed);

}  // namespace kvt::pages

// The setup page: option groups mirrored into the text boxes that store their index, the
// upper limits of the size boxes, and the settings kept as soon as they change.
#pragma once

#include <string>

#include "meet/meet.h"

namespace kvt::ui {
struct Program;
}

namespace kvt::pages {

// The most a new meet can be made with (a meet grows to them while it is open too).
inline constexpr int MaxCompetitors = meet::MaxCompetitors;
inline constexpr int MaxClubs = meet::MaxClubs;
inline constexpr int MaxClasses = meet::MaxClasses;
// Rows prepared in the Time table of a new meet (the table grows past them during a race).
inline constexpr int MaxPreparedTimeRows = 3000;

// Wires the handlers of the setup page's option buttons, text boxes, check boxes and tabs.
void ConnectSetupPage(ui::Program& program);

// A setting chosen on the page, given as the Setup field its control shows: stored in the open
// meet at once (nothing while the page shows a record being loaded, or no meet is open).
void StoreSetting(ui::Program& program, const std::string& dataField, const std::string& value);

// The options of the open meet for a timer's times (full precision, numbered times given at
// once) as the meet follows them.
void ShowMeetOptions(ui::Program& program);

// The count boxes show the meet's counts while a meet is open and cannot be typed into.
void LockCounts(ui::Program& program, bool locked);

}  // namespace kvt::pages

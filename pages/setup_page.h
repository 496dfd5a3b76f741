// The setup page: option groups mirrored into the text boxes that store their index, and the
// limits of the size boxes.
#pragma once

namespace kvt::ui {
struct Program;
}

namespace kvt::pages {

inline constexpr int MaxCompetitors = 3000;
inline constexpr int MaxClubsOnPage = 15;
inline constexpr int MaxClassesOnPage = 15;
// Rows prepared in the Time table of a new meet (the table grows past them during a race).
inline constexpr int MaxPreparedTimeRows = 3000;

// Wires the handlers of the setup page's option buttons, text boxes and tab strip.
void ConnectSetupPage(ui::Program& program);

// The index of the selected time format option, or -1 when none is selected.
int SelectedTimeFormat(const ui::Program& program);

}  // namespace kvt::pages

// The setup page: option groups mirrored into the text boxes that store their index, and the
// upper limits of the three size boxes.
#pragma once

namespace kvt::ui {
struct Program;
}

namespace kvt::pages {

inline constexpr int MaxCompetitors = 3000;
inline constexpr int MaxClubsOnPage = 15;
inline constexpr int MaxClassesOnPage = 15;

// Wires the handlers of the setup page's option buttons, text boxes and tab strip.
void ConnectSetupPage(ui::Program& program);

// The index of the selected time format option, or -1 when none is selected.
int SelectedTimeFormat(const ui::Program& program);

}  // namespace kvt::pages

// Systems A and B on the setup page: each line's system and what it times, the pairing
// window and the out-of-sync bound (stored in the meet as one setting), the synchronisation
// and its check, and a backup watch's times read from a text file.
#pragma once

namespace kvt::ui {
struct Program;
}

namespace kvt::pages {

void ConnectSystemsSetup(ui::Program& program);
// The controls as the open meet's systems stand (nothing chosen while no meet is open).
void ShowSystems(ui::Program& program);

}  // namespace kvt::pages

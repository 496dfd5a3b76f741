// The run being timed, chosen on the starts page: the meet is read again for it.
#pragma once

namespace kvt::ui {
struct Program;
}

namespace kvt::shell {

// The run chosen is stored (nothing else may wait to be stored), and the meet is closed and
// opened again, so that every page shows that run; false, with the operator told why, when
// it is not chosen.
bool ChooseRun(ui::Program& program, int run);
void ConnectRuns(ui::Program& program);

}  // namespace kvt::shell

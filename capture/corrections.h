// The corrections of the capture page (the time chosen in its time log) and of the results
// page (a competitor): a time given to another start number, a start or finish taken back, a
// time set by hand with its reason, undo and redo.
#pragma once

namespace kvt::ui {
struct Program;
}

namespace kvt::capture {

void ConnectCorrections(ui::Program& program);
// What undo and redo would act on, and which of the buttons can act.
void ShowCorrections(ui::Program& program);
// A − B of the competitors paired last, when the meet has a system B.
void ShowSystemsLine(ui::Program& program);

}  // namespace kvt::capture

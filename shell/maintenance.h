// Work on meet database files while none is open: reset for a new run, copy, repair, compress.
#pragma once

namespace kvt::ui {
struct Program;
}

namespace kvt::shell {

// All times, results and the time list gone; competitors, clubs, classes and setup kept.
void ResetDatabase(ui::Program& program);
// A compacted copy beside the file, ending ".bak" (an old one is replaced).
void CopyDatabase(ui::Program& program);
// The file compacted in place through ".tmp"; exactly one file remains.
void CompressDatabase(ui::Program& program);
// Checks the file and, when it is damaged, rebuilds it from every record that can be read.
void RepairDatabase(ui::Program& program);

}  // namespace kvt::shell

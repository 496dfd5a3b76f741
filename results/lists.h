// The results lists of all classes: a fixed-column text list and an HTML page in the meet
// folder, and the commands that show them.
#pragma once

namespace kvt::ui {
struct Program;
}

namespace kvt::results {

// Each writes its file whole (a failure leaves the earlier list in place) and says so when it
// cannot.
void WriteTextList(ui::Program& program);
void WriteHtmlList(ui::Program& program);
void ViewTextList(ui::Program& program);
void ViewHtmlList(ui::Program& program);

// The run the results page and the lists show (the run being timed unless another is chosen);
// 0: the combined result of every run.
int ShownRun(const ui::Program& program);

}  // namespace kvt::results

// The results page: one class of the open meet at a time, ranked, as a grid or row by row.
#pragma once

namespace kvt::ui {
struct Program;
}

namespace kvt::results {

// The page shows class c ranked anew (the places and differences that change are stored in
// one transaction first).
void ShowClassResults(ui::Program& program, int classNumber);
// The page shows class c as it is stored (after a finish or the lists); 0 shows no class.
void ShowStoredClass(ui::Program& program, int classNumber);

// The page shows, as stored, the class its list names (the first when it names none): after
// the lists or the printed list ranked every class, the page goes on showing what it showed.
void ShowChosenClass(ui::Program& program);

// The class list, the class chosen, Move to.
void ConnectResultsPage(ui::Program& program);

}  // namespace kvt::results

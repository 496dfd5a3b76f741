// Results per class: appending a finisher's result, sorting and ranking the class shown on the
// results page, and the results page itself.
#pragma once

#include <string>

namespace kvt::ui {
struct Program;
}

namespace kvt::results {

// The results table of class c: "Results-3" / "Resultat-3".
std::string ResultsTable(const ui::Program& program, int classNumber);

// Appends a result row (place 0, difference "-") to a class's results table; raw is the race
// time, stored as a result text of the time format chosen now.
void AddResult(ui::Program& program, const std::string& table, const std::string& number,
               const std::string& name, const std::string& club, const std::string& raw);

// Points the results page at a class's table, sorted by result (fastest first, equal results
// in the order they were stored), then writes the places and, when the option is on, the
// differences to the winner.
void ShowClassResults(ui::Program& program, int classNumber);
void SortResults(ui::Program& program);
void RankResults(ui::Program& program);

// The class list, the class chosen, Move to and the tabs of the results page.
void ConnectResultsPage(ui::Program& program);

}  // namespace kvt::results

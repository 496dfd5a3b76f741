// The results list on paper and as a PDF: every class with results, ranked anew, taken from
// the meet and laid out by the printer of the platform.
#pragma once

#include "results/live_results.h"
#include "ui/services.h"

namespace kvt::ui {
struct Program;
}

namespace kvt::results {

// The classes with results of a snapshot as a list for paper.
ui::PrintedList PrintedResults(const ResultsSnapshot& snapshot);

// The print dialog with its preview over the list of every class.
void PrintResultsList(ui::Program& program);
// The list as a PDF in the meet folder ("Resultat.pdf" / "Results.pdf"), written whole away
// from the window's thread (a failure leaves the earlier one in place), then put in place and
// opened in the system's viewer.
void WriteResultsPdf(ui::Program& program);

// Any list for paper (the results, the start list): the print dialog with its preview, and the
// PDF of the given name in the meet folder, written whole away from the window's thread, put in
// place and opened.
void PrintList(ui::Program& program, const ui::PrintedList& list);
void WritePdfList(ui::Program& program, const ui::PrintedList& list, const std::string& fileName);

}  // namespace kvt::results

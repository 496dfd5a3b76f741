// The trail of changes on the results page: every change newest first, of every start number
// or of one, and the timing report a referee signs, printed or as a PDF.
#pragma once

#include <string>
#include <vector>

#include "meet/meet.h"
#include "ui/services.h"

namespace kvt::ui {
struct Program;
}

namespace kvt::results {

// The view shows at most this many of the newest changes; the report holds them all.
inline constexpr int TrailViewRows = 300;

// Whether a trail entry concerns start number n (its own, or a Time-table row it gave or took).
bool TrailConcerns(const storage::TrailEntry& entry, int number);
// The entries that concern n (every one when n is 0), newest first.
std::vector<const storage::TrailEntry*> TrailNewestFirst(const meet::Meet& meet, int number);
// One entry as a line of the view.
std::string TrailLine(const storage::TrailEntry& entry, lang::Language language);
// The timing report of start number n (every change when 0), newest first, with the line
// the referee signs.
ui::PrintedList TimingReport(const meet::Meet& meet, lang::Language language, int number);

// The view as the meet's trail stands, for the start number typed.
void ShowTrail(ui::Program& program);
void ConnectTrail(ui::Program& program);

}  // namespace kvt::results

// The competitor, club and class pages: Move to, Confirm this, the name caches filled when a
// record is left, the picking lists and the payment choice.
#pragma once

namespace kvt::ui {
struct Program;
}

namespace kvt::pages {

void ConnectRegisterPages(ui::Program& program);

// The line under the competitor record: a start number that another record holds too, a club
// or class that is none of the meet's (empty when there is nothing to say).
void ShowCompetitorWarning(ui::Program& program);

}  // namespace kvt::pages

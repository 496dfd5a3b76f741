// The competitor, club and class pages: Move to, Confirm this, the picking lists and the payment
// choice. The pages' bindings only show; what the operator changes in a record is stored by the
// meet when the record is confirmed or left, or a cell of the class grid is edited.
#pragma once

#include "meet/meet.h"

namespace kvt::ui {
struct Program;
class DataControl;
}

namespace kvt::pages {

void ConnectRegisterPages(ui::Program& program);

// The page binding that shows a register.
ui::DataControl& RegisterBinding(ui::Program& program, meet::Register which);

// The line under the competitor record: a start number that another record holds too, a club
// or class that is none of the meet's (empty when there is nothing to say).
void ShowCompetitorWarning(ui::Program& program);

// Register records the meet stored (an edit of a page, now or by a later try): the pages show
// them as stored and the status bar what still waits.
void ShowStoredRecords(ui::Program& program, const meet::Outcome& outcome);
// The status bar's count of what waits to be stored (times, edits, settings).
void ShowUnstored(ui::Program& program);

// A record the meet added (the outcome's last written record of the register): its page
// shows it, the setup page the counts.
void ShowAddedRecord(ui::Program& program, meet::Register which, const meet::Outcome& outcome);
// The meet's counts of competitors, clubs and classes in the setup page's size boxes.
void ShowRegisterCounts(ui::Program& program);

}  // namespace kvt::pages

// Statuses set during the race (not started, gave up, disqualified, cleared) from the capture
// page, the results page and the course view; the course view shown and hidden.
#pragma once

#include "meet/meet.h"

namespace kvt::ui {
struct Program;
struct StatusControls;
}  // namespace kvt::ui

namespace kvt::capture {

// The status given to the start number typed in the controls (with the reason typed), as one
// action of the meet; what it did is shown on every page and in the controls' message.
void SetRaceStatus(ui::Program& program, ui::StatusControls& controls, meet::RaceStatus status);
// The start number typed in the course view marked as gave up.
void MarkNotFinishedOnCourse(ui::Program& program);

void ConnectRaceStatuses(ui::Program& program);

}  // namespace kvt::capture

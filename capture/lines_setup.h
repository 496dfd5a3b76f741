// The setup page's device controls: the device, its port or chip, each line's source, bias and
// active level, kept in the adapter's settings file; the race clock's anchor; and the "Test
// lines" view, which shows each line's level and last edge live.
#pragma once

#include <vector>

#include "devices/adapter_settings.h"
#include "devices/impulse.h"

namespace kvt::ui {
struct Program;
}

namespace kvt::capture {

// Fills the choice lists, shows the settings file and wires the controls.
void ConnectLinesSetup(ui::Program& program);

// The page shows these settings.
void ShowAdapterSettings(ui::Program& program, const devices::AdapterSettings& settings);
// "Use these settings": what the page shows is checked, written to the settings file and used
// by the adapter (reopened when automatic capture is on). False when nothing changed.
bool UseAdapterSettings(ui::Program& program);

// A tick of the clock: the anchor and the drift; the "Test lines" view; while no meet is open
// the race clock takes the time of day afresh.
void ShowLinesAndClock(ui::Program& program);

// A timer's impulses taken (by the poll or the "Test lines" view): its clock's offset and
// the view's list of records follow them.
void NoteTimerImpulses(ui::Program& program, const std::vector<devices::Impulse>& impulses);
// How the timer's link stands, on the setup page and the capture page (nothing while the
// device is no timer); each second.
void ShowTimerLink(ui::Program& program);
// The timer is asked for the times in its memory; the page says so.
void AskTimerMemory(ui::Program& program);

// The device the "Test lines" view opened is closed (automatic capture takes it over).
void EndLineTestDevice(ui::Program& program);
// Opens the device for the "Test lines" view when it is shown and automatic capture is off.
void BeginLineTestDevice(ui::Program& program);

}  // namespace kvt::capture

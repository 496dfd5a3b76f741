// The poll of the six input lines and the registration of captured times, the poll-rate
// display, and the setup page's controls of capture (adapter, lines, sliders).
#pragma once

namespace kvt::ui {
struct Program;
}

namespace kvt::capture {

// Wires the timers, the line buttons, the automatic-capture check box, the line check boxes
// and the sliders.
void ConnectCapture(ui::Program& program);

// One tick of Hitime1: reads the lines, captures and registers.
void Poll(ui::Program& program);
// One tick of Hitime2: the polls of the last second; what is not stored is tried again.
void ShowPollRate(ui::Program& program);

// A function key press on line c (0 to 5): exactly one capture, unless the adapter reads the
// line (automatic capture), which alone decides then.
void PressLineKey(ui::Program& program, int channel);

void OpenAdapter(ui::Program& program);
void CloseAdapter(ui::Program& program);

}  // namespace kvt::capture

// The poll of the six input channels, the registration of captured times, the poll-rate
// display and the setup controls of capture (adapter, lines, sliders).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "ui/services.h"

namespace kvt::ui {
struct Program;
}

namespace kvt::capture {

// Wires the timers, the line buttons, the automatic-capture check box and the sliders.
void ConnectCapture(ui::Program& program);

// One tick of Hitime1: reads the channels, captures and registers.
void Poll(ui::Program& program);
// One tick of Hitime2: the polls of the last second.
void ShowPollRate(ui::Program& program);

// Registers the capture of channel n (1 to 6): counted, stored in the Time table and in
// RegisteredTimes, offered in the list.
void RegisterCapture(ui::Program& program, int n);

// A function key press on channel c (0 to 5): always exactly one capture.
void PressLineKey(ui::Program& program, int channel);

// Writes fields of a Time-table row (LanguageTexts entry of the field, value) at the next
// StoreChanges.
void QueueTimeRow(ui::Program& program, int row, std::vector<std::pair<int, std::string>> fields);
// Stores, in one transaction, the queued Time-table rows, the Setup record and the Work record.
// When that fails, everything stays in memory, a message names the times not stored, and they
// are written with the next change. False when it failed.
bool StoreChanges(ui::Program& program);

// Milliseconds from one time of day to a later one (across midnight too).
int MillisecondsBetween(const ui::LocalTime& from, const ui::LocalTime& to);

// "n-0012": channel and registration count of that channel in four digits.
std::string Identification(int channel, int count);

void OpenAdapter(ui::Program& program);
void CloseAdapter(ui::Program& program);

}  // namespace kvt::capture

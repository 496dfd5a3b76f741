// The capture state of the six input channels, and how one poll moves it on.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "base/clock.h"
#include "devices/impulse.h"
#include "devices/line_watch.h"

namespace kvt::meet {

inline constexpr int ChannelTotal = 6;

struct ChannelState {
    int LineActive = 0;
    int LineLatched = 0;
    int CapturePending = 0;
    int DelayTicks = 0;
    // Lit from a capture until it is registered (the channel's lamp).
    bool lamp = false;
    std::string CaptureTime;
    // The clock's reading for that capture, to the millisecond.
    base::LocalTime CaptureClock;
    // The steady-clock instant the line was seen active for the capture waiting or made last.
    devices::LineWatch::Instant CaptureInstant;
};

// What one poll works with.
struct PollInput {
    // Lines 0 to lastLine are processed; -1 when no line is in use.
    int lastLine = -1;
    std::array<bool, ChannelTotal> inUse{};
    // The adapter's lines are read (automatic capture); their readings are given.
    bool fromAdapter = false;
    bool activeLow = true;
    // Per line, where the wiring decides it: 0 active low, 1 active high; -1 follows activeLow.
    std::array<int, ChannelTotal> activeLevel{-1, -1, -1, -1, -1, -1};
    // Polls a capture waits before it is registered, and the milliseconds between two polls.
    int delay = 20;
    int interval = 1;
    std::array<devices::LineWatch::Reading, ChannelTotal> readings;
    base::LocalTime now;
    devices::LineWatch::Instant nowInstant;
    // A timer's impulses since the last poll, in the order they arrived.
    std::vector<devices::Impulse> impulses;
};

// Milliseconds from one time of day to a later one (across midnight too).
int MillisecondsBetween(const base::LocalTime& from, const base::LocalTime& to);

// One poll over the channels. registerCapture(c) is called for each channel c (0 to 5) whose
// capture is due and whose line is in use, in the order they fall due; the channel is set
// free afterwards.
void PollChannels(std::array<ChannelState, ChannelTotal>& channels, const PollInput& input,
                  const std::function<void(int)>& registerCapture);

// A capture waiting for its delay on channel c is registered (line in use) and set free.
void FinishPending(std::array<ChannelState, ChannelTotal>& channels, int c, bool inUse,
                   const std::function<void(int)>& registerCapture);

}  // namespace kvt::meet

#include "meet/channels.h"

#include <algorithm>

#include "base/time_text.h"

namespace kvt::meet {

namespace {

void capture(ChannelState& channel, const base::LocalTime& time,
             devices::LineWatch::Instant instant) {
    channel.CaptureTime = base::TimeText(time);
    channel.CaptureClock = time;
    channel.CaptureInstant = instant;
    channel.lamp = true;
    channel.CapturePending = 1;
    channel.LineLatched = 1;
}

}  // namespace

int MillisecondsBetween(const base::LocalTime& from, const base::LocalTime& to) {
    constexpr int Day = 24 * 3600 * 1000;
    auto ofDay = [](const base::LocalTime& t) {
        return ((t.hour * 60 + t.minute) * 60 + t.second) * 1000 + t.millisecond;
    };
    return ((ofDay(to) - ofDay(from)) % Day + Day) % Day;
}

void FinishPending(std::array<ChannelState, ChannelTotal>& channels, int c, bool inUse,
                   const std::function<void(int)>& registerCapture) {
    auto& channel = channels[c];
    // The channel is free before the registration runs, so that a failure there cannot leave
    // it waiting to register the same time again.
    channel.lamp = false;
    channel.CapturePending = 0;
    channel.DelayTicks = 0;
    if (inUse) registerCapture(c);
}

void PollChannels(std::array<ChannelState, ChannelTotal>& channels, const PollInput& input,
                  const std::function<void(int)>& registerCapture) {
    if (input.lastLine < 0) return;
    auto isActive = [&](int c, int level) {
        const bool low = input.activeLevel[c] < 0 ? input.activeLow : input.activeLevel[c] == 0;
        return low ? level == 0 : level == 1;
    };
    // How long a capture waits before its line may give another, had every poll come in time.
    const int delayMilliseconds = (input.delay + 1) * std::max(1, input.interval);
    for (int c = 0; c <= input.lastLine && c < ChannelTotal; ++c) {
        auto& channel = channels[c];
        const auto& reading = input.readings[c];
        int before = channel.LineActive;  // the line as the last poll left it
        if (input.fromAdapter && reading.level >= 0)
            channel.LineActive = isActive(c, reading.level) ? 1 : 0;
        if (channel.lamp) ++channel.DelayTicks;
        // Every change of the line since the last poll, in order, as a poll at that moment
        // would have seen it: a pulse between two polls is captured at the time it began.
        if (input.fromAdapter) {
            for (const auto& change : reading.changes) {
                const int active = isActive(c, change.level) ? 1 : 0;
                if (channel.CapturePending != 0) {
                    if (MillisecondsBetween(channel.CaptureClock, change.time) <
                        delayMilliseconds) {
                        before = active;
                        continue;  // within the delay: the same passage
                    }
                    // The window was held up past the delay: the waiting capture is
                    // registered as its poll would have done, and the line goes on from there.
                    FinishPending(channels, c, input.inUse[c], registerCapture);
                }
                // A line seen inactive with nothing waiting lets its latch go, as a poll at
                // that moment would have: also when the last poll registered its capture
                // while it was already let go, and the next pulse came and went before this
                // poll.
                if (before != 1 && channel.CapturePending == 0) channel.LineLatched = 0;
                if (active != 1)
                    channel.LineLatched = 0;
                else if (channel.LineLatched == 0)
                    capture(channel, change.time, change.instant);
                before = active;
            }
        }
        if (channel.LineActive != 1 && channel.CapturePending == 0) channel.LineLatched = 0;
        if (channel.LineActive == 1 && channel.CapturePending == 0 && channel.LineLatched == 0)
            capture(channel, input.now, input.nowInstant);
        if (channel.CapturePending == 1 && channel.DelayTicks > input.delay)
            FinishPending(channels, c, input.inUse[c], registerCapture);
    }
}

}  // namespace kvt::meet

// The capture lines: the poll, the line keys and captures still waiting for their delay.
#include <algorithm>
#include <chrono>

#include "meet/meet.h"
#include "meet/meet_internal.h"

namespace kvt::meet {

using namespace detail;
namespace entry = lang::entry;

int Meet::lastLineInUse() const {
    int last = -1;
    for (int c = 0; c < ChannelTotal; ++c)
        if (setup_.lineInUse(c)) last = c;
    return last;
}

// ---- the lines ----

std::vector<Outcome> Meet::poll(PollInput input) {
    std::vector<Outcome> outcomes;
    // What the other stations of a shared meet stored, followed first.
    if (feed_)
        if (auto followed = followOthers(); followed.acted) outcomes.push_back(std::move(followed));
    input.lastLine = lastLineInUse();
    for (int c = 0; c < ChannelTotal; ++c) input.inUse[c] = setup_.lineInUse(c);
    input.activeLow = setup_.activeLow();
    input.delay = std::clamp(setup_.count(field::Delay), 1, 100);
    const auto source = input.fromAdapter ? devices::ImpulseSource::ContactLine
                                          : devices::ImpulseSource::LineButton;
    PollChannels(channels_, input, [&](int c) {
        const int before = registeredCount_;
        const auto& channel = channels_[c];
        devices::Impulse impulse;
        impulse.source = source;
        impulse.channel = std::to_string(c + 1);
        impulse.line = c;
        impulse.hasTime = true;
        impulse.timeOfDay = base::MicrosecondsOfDay(channel.CaptureClock);
        impulse.decimals = 3;
        impulse.arrival = std::chrono::duration_cast<std::chrono::nanoseconds>(
                              channel.CaptureInstant.time_since_epoch())
                              .count();
        impulse.arrivalTime = channel.CaptureClock;
        outcomes.push_back(registerLine(c + 1, channel.CaptureTime, impulse));
        if (registeredCount_ > before)
            registered_[registeredCount_].capturedAt = channels_[c].CaptureClock;
    });
    // A timer's impulses after the lines, each in a transaction of its own.
    // The running clock a timer sends between its impulses is none: it is not journaled.
    for (const auto& impulse : input.impulses)
        if (impulse.kind != devices::RecordKind::ClockTick)
            outcomes.push_back(registerImpulse(impulse));
    return outcomes;
}

Outcome Meet::pressLineKey(int c, bool adapterReads) {
    Outcome outcome;
    if (adapterReads && c <= lastLineInUse()) return outcome;  // the adapter's line decides
    auto& channel = channels_.at(c);
    // A press is a new activation: an earlier one still waiting for its delay is registered
    // now, so that no press is lost and none counts twice.
    if (channel.CapturePending == 1)
        FinishPending(channels_, c, setup_.lineInUse(c),
                      [&](int line) { outcome = registerCapture(line + 1, channel.CaptureTime); });
    channel.LineLatched = 0;
    channel.LineActive = 1;
    outcome.acted = true;
    return outcome;
}

void Meet::pressLine(int c, bool adapterReads) {
    if (adapterReads && c <= lastLineInUse()) return;
    channels_.at(c).LineActive = 1;
}

void Meet::releaseLine(int c) {
    channels_.at(c).LineActive = 0;
}

void Meet::resetLines() {
    for (auto& channel : channels_) channel.LineActive = channel.LineLatched = 0;
}

std::vector<Outcome> Meet::finishPendingCaptures() {
    std::vector<Outcome> outcomes;
    for (int c = 0; c < ChannelTotal; ++c)
        if (channels_[c].CapturePending == 1)
            FinishPending(channels_, c, setup_.lineInUse(c), [&](int line) {
                outcomes.push_back(registerCapture(line + 1, channels_[line].CaptureTime));
            });
    return outcomes;
}

}  // namespace kvt::meet

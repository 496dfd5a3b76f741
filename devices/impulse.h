// An impulse as a source gave it: a contact line, a key, a button, or a timer's record with the
// timer's own time of day at its full precision. Richer than an Edge (which stays the record
// of a contact line's change of level): it keeps where it came from, the time the source
// stamped, when it reached the program on the race clock, the start number the source gave,
// the source's marks, and the raw record so that a record read wrongly can be read again.
#pragma once

#include <cstdint>
#include <string>

#include "base/clock.h"
#include "base/precise_time.h"

namespace kvt::devices {

enum class ImpulseSource { ContactLine, FunctionKey, LineButton, EnterKey, Timer };

// What a timer's record is.
enum class RecordKind {
    Time,         // a timed impulse of a channel
    NumberGiven,  // the operator chose a start number on the timer (no time)
    Computed,     // a time the timer computed (run time, total time, lap): no impulse
    ClockTick,    // the timer's running clock, sent between the impulses
    Status,       // a status or error reply of the timer
    Unreadable,   // a record that is none of these; see Impulse::problem
};

// Why a record could not be read.
enum class RecordProblem { None, Garbage, Overlong, Checksum, Layout, UnknownFlag };

// The marks a source puts on an impulse.
enum ImpulseFlag : unsigned {
    NoValidNumber = 1u << 0,  // the timer had no valid start number for it
    FromMemory = 1u << 1,     // sent again from the timer's memory
    Cleared = 1u << 2,        // cleared on the timer: shown, never registered
    Disqualified = 1u << 3,   // cleared for a disqualification: shown, never registered
    TypedIn = 1u << 4,        // a time typed into the timer by hand
    Repeated = 1u << 5,       // the same impulse was handed on before (a memory sent again)
    TimerMarked = 1u << 6,    // the timer marked it in a way the program does not read
};

struct Impulse {
    ImpulseSource source = ImpulseSource::Timer;
    RecordKind kind = RecordKind::Time;
    RecordProblem problem = RecordProblem::None;
    // The channel as the source names it ("C0" for a timer's start channel, "255" for a
    // Microgate finish, "1" to "6" for the program's own lines), without the hand mark.
    std::string channel;
    // The line (0 to 5) the settings make of the channel; -1 when none.
    int line = -1;
    // Given on the keypad (the timer's START/STOP keys) rather than by the input.
    bool byHand = false;
    // The time of day the source stamped, at its precision (microseconds since midnight),
    // and the digits of the fraction it gave.
    bool hasTime = false;
    base::DayMicroseconds timeOfDay = 0;
    int decimals = 0;
    // When the record's last byte was read, on the race clock: the monotonic moment and its
    // time of day.
    base::MonotonicNanoseconds arrival = 0;
    base::LocalTime arrivalTime;
    // The start number the source gave; -1 when none.
    int number = -1;
    unsigned flags = 0;
    // The record as received, without its end of line.
    std::string raw;

    bool has(ImpulseFlag flag) const { return (flags & flag) != 0; }
    // A time the meet may register: a timed impulse of a mapped line, not cleared, not
    // disqualified, not handed on before, not marked in a way the program cannot read.
    bool registrable() const {
        return kind == RecordKind::Time && hasTime && line >= 0 &&
               (flags & (Cleared | Disqualified | Repeated | TimerMarked)) == 0;
    }
};

}  // namespace kvt::devices

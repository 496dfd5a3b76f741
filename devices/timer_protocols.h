// The records timers send over a serial line, framed and read. The parsers take bytes and
// never know where they came from (a serial port, a pseudo-terminal in a test, a file of a
// recorded session). The layouts are those of timers.md and the makers' public descriptions;
// where a maker's own protocol document says otherwise, that document holds, and every record
// is kept raw so that one read wrongly can be read again.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "devices/impulse.h"

namespace kvt::devices {

enum class TimerKind {
    AlgeTimy,           // ALGE Timy3 and TdC 8000/8001: records ended by CR
    AlgeTimy2,          // ALGE Timy2 as PC-timer: its own record, 38400 baud
    TagHeuer,           // TAG Heuer CP 540 / CP 545: records ended by CR LF, with a checksum
    MicrogateRei,       // Microgate REI 2, REI Pro, RT Pro: records ended by LF, kind byte first
    MicrogateRacetime,  // Microgate Racetime2: lines of 22 characters
};

// The names used in the settings file and on the setup page.
const char* TimerKindName(TimerKind kind);
bool ParseTimerKindName(const std::string& name, TimerKind& kind);
// The rate the timer sends at when set as it leaves the factory.
int DefaultRate(TimerKind kind);
// The command that asks the timer to send its memory again, with its end of line; empty for
// a timer that has none. word replaces the command's word where the settings give one.
std::string MemoryRequest(TimerKind kind, const std::string& word = "");

// Splits bytes into records wherever they were cut between reads. A record ends at CR or LF
// (CR LF is one end); empty records are none. A record longer than the limit is cut off: its
// first bytes are kept as its raw record, marked overlong, and the rest up to its end dropped.
class RecordFramer {
public:
    struct Record {
        std::string bytes;
        bool overlong = false;
    };
    static constexpr std::size_t MaxRecord = 256;

    // Adds bytes and appends the records they complete.
    void feed(std::string_view bytes, std::vector<Record>& records);
    // Bytes waiting for the end of their record.
    std::size_t pending() const { return buffer_.size(); }
    // Forgets a record begun (the link was cut: its rest will not come).
    void reset();

private:
    std::string buffer_;
    bool overlong_ = false;
};

// Reads one record (without its end of line) of a timer of the given kind. The impulse has
// source Timer, the record raw, and no line or arrival yet; a record that cannot be read comes
// back as RecordKind::Unreadable with its problem.
Impulse ParseTimerRecord(TimerKind kind, const std::string& record);

// The checksum of the ALGE records (the shape of the public description: the sum of the bytes
// before it, modulo 256, as two characters, each a nibble plus 0x30, high nibble first).
std::string AlgeChecksum(std::string_view bytes);
// The checksum of the TAG Heuer records as this program reads it (shape only: the sum of the
// bytes before it, modulo 256, as two hexadecimal digits).
std::string TagHeuerChecksum(std::string_view bytes);

// True when a timer's channel is the one a line's setting names: the same text (letters in
// any case), or the same number ("C1", "1", "01" and "001" are one channel).
bool ChannelMatches(const std::string& setting, const std::string& channel);

}  // namespace kvt::devices

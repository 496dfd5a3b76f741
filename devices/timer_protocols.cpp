#include "devices/timer_protocols.h"

#include <cctype>
#include <cstdio>

namespace kvt::devices {

namespace {

constexpr const char* TimerKindNames[] = {"alge-timy", "alge-timy2", "tag-heuer", "microgate-rei",
                                          "microgate-racetime2"};

// The first byte of each kind of Microgate REI record.
constexpr char ReiFullTime = 0x10;
constexpr char ReiStatusReply = 0x12;
constexpr char ReiReducedTime = 0x14;
constexpr char ReiError = 0x17;
constexpr char ReiStatus = 0x18;

bool printable(char ch) {
    const auto byte = static_cast<unsigned char>(ch);
    return byte >= 0x20 && byte < 0x7f;
}

bool digit(char ch) {
    return ch >= '0' && ch <= '9';
}

bool allDigits(std::string_view text) {
    if (text.empty()) return false;
    for (char ch : text)
        if (!digit(ch)) return false;
    return true;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

Impulse unreadable(Impulse impulse, RecordProblem problem) {
    impulse.kind = RecordKind::Unreadable;
    impulse.problem = problem;
    impulse.hasTime = false;
    return impulse;
}

// A start number field: blanks (leading zeros not shown) and digits; 0 or blank is none.
bool readNumber(std::string_view field, int& number) {
    field = trimmed(field);
    number = -1;
    if (field.empty()) return true;
    if (!allDigits(field) || field.size() > 6) return false;
    const int value = std::stoi(std::string(field));
    if (value > 0) number = value;
    return true;
}

// Bytes of line noise before a record (a cable plugged in, a wrong rate for a moment) are
// passed over: the record begins at the first byte that can begin one.
std::string_view withoutNoise(std::string_view record, bool (*canBegin)(char)) {
    while (!record.empty() && !canBegin(record.front())) record.remove_prefix(1);
    return record;
}

bool allPrintable(std::string_view text) {
    for (char ch : text)
        if (!printable(ch)) return false;
    return true;
}

unsigned byteSum(std::string_view bytes) {
    unsigned sum = 0;
    for (char ch : bytes) sum += static_cast<unsigned char>(ch);
    return sum & 0xff;
}

bool timeField(Impulse& impulse, std::string_view text) {
    return impulse.hasTime = base::ParseClockTime(text, impulse.timeOfDay, impulse.decimals);
}

// ALGE Timy3 / TdC 8000/8001 ("yNNNNxCCCxHH:MM:SS.ffffxGG", columns from 0) and the Timy2
// PC-timer record ("B####bCxxbHH:MM:SS:zhtq"): the same columns, the Timy2 with a colon before
// the fraction and no group. Timy2 also sends its running clock "HH:MM:SS.z" between them.
Impulse parseAlge(Impulse impulse, std::string_view s) {
    if (s.size() >= 8 && digit(s[0]) && s[2] == ':') {
        impulse.kind = RecordKind::ClockTick;
        if (!timeField(impulse, s)) return unreadable(impulse, RecordProblem::Layout);
        return impulse;
    }
    if (s.empty()) return unreadable(impulse, RecordProblem::Layout);
    const char flag = s[0];
    if (flag == 'n' || flag == 's') {
        // The operator chose a start number: a line of its own, without a time.
        impulse.kind = RecordKind::NumberGiven;
        if (s.size() < 2 || !readNumber(s.substr(1, 4), impulse.number))
            return unreadable(impulse, RecordProblem::Layout);
        return impulse;
    }
    switch (flag) {
        case ' ':
            break;
        case '?':
            impulse.flags |= NoValidNumber;
            break;
        case 'm':
            impulse.flags |= FromMemory;
            break;
        case 'c':
            impulse.flags |= Cleared;
            break;
        case 'C':
            impulse.flags |= Cleared | FromMemory;
            break;
        case 'd':
            impulse.flags |= Disqualified;
            break;
        case 'i':
            impulse.flags |= TypedIn;
            break;
        default:
            return unreadable(impulse, RecordProblem::UnknownFlag);
    }
    if (s.size() < 18 || s[9] != ' ' || !readNumber(s.substr(1, 4), impulse.number))
        return unreadable(impulse, RecordProblem::Layout);
    // The channel: C0 to C8 (the manuals print them in small letters too), M after it when
    // given on the keypad; RT, TT, SQ and kmh are times the timer computed.
    std::string channel(s.substr(6, 2));
    for (char& ch : channel) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    const char modifier = s[8];
    if (channel == "RT" || channel == "TT" || channel == "SQ" || channel == "KM") {
        impulse.kind = RecordKind::Computed;
    } else if (channel[0] == 'C' && digit(channel[1]) && (modifier == ' ' || modifier == 'M')) {
        impulse.byHand = modifier == 'M';
    } else {
        return unreadable(impulse, RecordProblem::Layout);
    }
    impulse.channel = channel;
    const std::string_view rest = s.substr(10);
    const std::size_t end = std::min(rest.find(' '), rest.size());
    if (!timeField(impulse, rest.substr(0, end)) && impulse.kind == RecordKind::Time)
        return unreadable(impulse, RecordProblem::Layout);
    // After the time: nothing, or the group, or the group and the checksum.
    const std::string_view tail = rest.substr(end);
    if (tail.empty() || (tail.size() == 3 && allDigits(tail.substr(1)))) return impulse;
    if (tail.size() == 5 && allDigits(tail.substr(1, 2))) {
        const std::string_view sent = s.substr(s.size() - 2);
        if (AlgeChecksum(s.substr(0, s.size() - 2)) != sent)
            return unreadable(impulse, RecordProblem::Checksum);
        return impulse;
    }
    return unreadable(impulse, RecordProblem::Layout);
}

// TAG Heuer CP 540/545, the shape users quote ("TN 0003 0001 01 12:11:03.73200 00000": start
// number 3, a sequence number, channel 1, the time of day to 1/100000 s and a field of five
// digits), with a checksum of two hexadecimal digits after it where one is sent.
Impulse parseTagHeuer(Impulse impulse, std::string_view s) {
    std::vector<std::string_view> fields;
    std::size_t at = 0;
    while (at < s.size()) {
        const std::size_t next = std::min(s.find(' ', at), s.size());
        if (next > at) fields.push_back(s.substr(at, next - at));
        at = next + 1;
    }
    if (fields.empty()) return unreadable(impulse, RecordProblem::Layout);
    if (fields[0] != "TN") {
        // Replies and other records of the timer: kept, not read.
        if (fields[0].size() <= 3 && std::isupper(static_cast<unsigned char>(fields[0][0]))) {
            impulse.kind = RecordKind::Status;
            return impulse;
        }
        return unreadable(impulse, RecordProblem::Layout);
    }
    if (fields.size() == 7) {
        const std::string_view sent = fields[6];
        const std::size_t checked = static_cast<std::size_t>(sent.data() - s.data()) - 1;
        if (TagHeuerChecksum(s.substr(0, checked)) != sent)
            return unreadable(impulse, RecordProblem::Checksum);
        fields.pop_back();
    }
    if (fields.size() != 6 || !allDigits(fields[2]) || !allDigits(fields[3]) ||
        !allDigits(fields[5]) || !readNumber(fields[1], impulse.number) ||
        !timeField(impulse, fields[4]))
        return unreadable(impulse, RecordProblem::Layout);
    impulse.channel = std::string(fields[3]);
    return impulse;
}

bool reiKind(char ch) {
    return ch == ReiFullTime || ch == ReiStatusReply || ch == ReiReducedTime || ch == ReiError ||
           ch == ReiStatus;
}

// Microgate REI 2 / REI Pro / RT Pro: the first byte is the kind of record. The full time
// record (columns from 0): start number 12-16, group 17-19, logical channel 26-28 (000 the
// start, 255 the finish), validity 29, time of day 30-39 as hhmmssffff.
Impulse parseRei(Impulse impulse, std::string_view s) {
    switch (s.front()) {
        case ReiStatusReply:
        case ReiError:
        case ReiStatus:
            impulse.kind = RecordKind::Status;
            return impulse;
        case ReiReducedTime:
            // Its layout is not in the descriptions this program was written from: kept raw
            // and told, never guessed.
            return unreadable(impulse, RecordProblem::Layout);
        default:
            break;
    }
    if (s.size() < 40 || !allPrintable(s.substr(1)))
        return unreadable(impulse, s.size() < 40 ? RecordProblem::Layout : RecordProblem::Garbage);
    const std::string_view channel = s.substr(26, 3);
    if (!allDigits(channel) || !readNumber(s.substr(12, 5), impulse.number) ||
        !base::ParseDigitTime(s.substr(30, 10), impulse.timeOfDay))
        return unreadable(impulse, RecordProblem::Layout);
    impulse.hasTime = true;
    impulse.decimals = 4;
    impulse.channel = std::string(channel);
    const char validity = s[29];
    const bool valid =
        validity == '0' || validity == 'A' || validity == 'a' || validity == 'Q' || validity == 'P';
    // The timer says the time is not valid: shown, not registered, as a cleared time.
    if (!valid) impulse.flags |= Cleared;
    return impulse;
}

// Microgate Racetime2: 22 characters; start number 0-2, flag 3, channel 5-7, time of day 8-19
// as hh:mm:ss.fff. The meanings of the flag are not in the descriptions: a flag other than a
// blank is kept as the timer's mark and the time is not registered by itself.
Impulse parseRacetime(Impulse impulse, std::string_view s) {
    if (s.size() < 20 || s.size() > 22 || s[4] != ' ' ||
        !readNumber(s.substr(0, 3), impulse.number) || !timeField(impulse, s.substr(8, 12)))
        return unreadable(impulse, RecordProblem::Layout);
    const std::string_view channel = trimmed(s.substr(5, 3));
    if (!allDigits(channel)) return unreadable(impulse, RecordProblem::Layout);
    impulse.channel = std::string(channel);
    if (s[3] != ' ') impulse.flags |= TimerMarked;
    return impulse;
}

bool printableBegin(char ch) {
    return printable(ch);
}

}  // namespace

const char* TimerKindName(TimerKind kind) {
    return TimerKindNames[static_cast<int>(kind)];
}

bool ParseTimerKindName(const std::string& name, TimerKind& kind) {
    for (std::size_t i = 0; i < std::size(TimerKindNames); ++i)
        if (name == TimerKindNames[i]) {
            kind = static_cast<TimerKind>(i);
            return true;
        }
    return false;
}

int DefaultRate(TimerKind kind) {
    return kind == TimerKind::AlgeTimy2 ? 38400 : 9600;
}

std::string MemoryRequest(TimerKind kind, const std::string& word) {
    // The shape of the public descriptions: an ASCII command the timer answers by sending its
    // stored times again (ALGE, each with the m flag; TAG Heuer, a recall), ended as the
    // timer ends its records. The words here are this program's placeholders until checked
    // against the maker's protocol document; the settings file can name the right one.
    switch (kind) {
        case TimerKind::AlgeTimy:
        case TimerKind::AlgeTimy2:
            return (word.empty() ? std::string("DUMP") : word) + "\r";
        case TimerKind::TagHeuer:
            return (word.empty() ? std::string("RECALL") : word) + "\r\n";
        case TimerKind::MicrogateRei:
        case TimerKind::MicrogateRacetime:
            break;
    }
    return word.empty() ? "" : word + "\r\n";
}

void RecordFramer::feed(std::string_view bytes, std::vector<Record>& records) {
    for (char ch : bytes) {
        if (ch == '\r' || ch == '\n') {
            if (!buffer_.empty() || overlong_) records.push_back({std::move(buffer_), overlong_});
            buffer_.clear();
            overlong_ = false;
            continue;
        }
        if (buffer_.size() < MaxRecord)
            buffer_.push_back(ch);
        else
            overlong_ = true;
    }
}

void RecordFramer::reset() {
    buffer_.clear();
    overlong_ = false;
}

std::string AlgeChecksum(std::string_view bytes) {
    const unsigned sum = byteSum(bytes);
    return {static_cast<char>(0x30 + (sum >> 4)), static_cast<char>(0x30 + (sum & 0xf))};
}

std::string TagHeuerChecksum(std::string_view bytes) {
    char text[3];
    std::snprintf(text, sizeof text, "%02X", byteSum(bytes));
    return text;
}

Impulse ParseTimerRecord(TimerKind kind, const std::string& record) {
    Impulse impulse;
    impulse.source = ImpulseSource::Timer;
    impulse.raw = record;
    std::string_view s;
    if (kind == TimerKind::MicrogateRei) {
        s = withoutNoise(record, reiKind);
        if (s.empty()) return unreadable(impulse, RecordProblem::Garbage);
        return parseRei(impulse, s);
    }
    s = withoutNoise(record, printableBegin);
    if (s.empty() || !allPrintable(s)) return unreadable(impulse, RecordProblem::Garbage);
    switch (kind) {
        case TimerKind::AlgeTimy:
        case TimerKind::AlgeTimy2:
            return parseAlge(impulse, s);
        case TimerKind::TagHeuer:
            return parseTagHeuer(impulse, s);
        case TimerKind::MicrogateRacetime:
            return parseRacetime(impulse, s);
        case TimerKind::MicrogateRei:
            break;
    }
    return unreadable(impulse, RecordProblem::Layout);
}

bool ChannelMatches(const std::string& setting, const std::string& channel) {
    const std::string_view a = trimmed(setting), b = trimmed(channel);
    if (a.empty() || b.empty() || a == "-") return false;
    if (a.size() == b.size()) {
        bool same = true;
        for (std::size_t i = 0; i < a.size(); ++i)
            if (std::toupper(static_cast<unsigned char>(a[i])) !=
                std::toupper(static_cast<unsigned char>(b[i])))
                same = false;
        if (same) return true;
    }
    auto number = [](std::string_view text) {
        if (!text.empty() && (text[0] == 'C' || text[0] == 'c')) text.remove_prefix(1);
        return allDigits(text) && text.size() <= 6 ? std::stol(std::string(text)) : -1L;
    };
    const long left = number(a);
    return left >= 0 && left == number(b);
}

}  // namespace kvt::devices

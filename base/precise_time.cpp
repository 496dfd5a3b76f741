#include "base/precise_time.h"

#include <cstdio>

namespace kvt::base {

namespace {

constexpr DayMicroseconds Hundredth = 10000;

bool isDigit(char ch) {
    return ch >= '0' && ch <= '9';
}

// Two digits at text[at], as a number below limit.
bool twoDigits(std::string_view text, std::size_t at, int limit, int& value) {
    if (at + 2 > text.size() || !isDigit(text[at]) || !isDigit(text[at + 1])) return false;
    value = (text[at] - '0') * 10 + (text[at + 1] - '0');
    return value < limit;
}

DayMicroseconds ofParts(int hour, int minute, int second, DayMicroseconds micro) {
    return ((hour * 60LL + minute) * 60 + second) * MicrosecondsPerSecond + micro;
}

DayMicroseconds wrapped(DayMicroseconds time) {
    return ((time % MicrosecondsPerDay) + MicrosecondsPerDay) % MicrosecondsPerDay;
}

DayMicroseconds scale(int decimals) {
    DayMicroseconds step = MicrosecondsPerSecond;
    for (int i = 0; i < decimals && i < 6; ++i) step /= 10;
    return step;
}

}  // namespace

DayMicroseconds MicrosecondsOfDay(const LocalTime& time) {
    return ofParts(time.hour, time.minute, time.second,
                   time.millisecond * 1000LL + time.microsecond);
}

LocalTime LocalTimeOf(DayMicroseconds time) {
    time = wrapped(time);
    LocalTime local;
    local.microsecond = static_cast<int>(time % 1000);
    local.millisecond = static_cast<int>(time / 1000 % 1000);
    const DayMicroseconds seconds = time / MicrosecondsPerSecond;
    local.second = static_cast<int>(seconds % 60);
    local.minute = static_cast<int>(seconds / 60 % 60);
    local.hour = static_cast<int>(seconds / 3600);
    return local;
}

bool ParseClockTime(std::string_view text, DayMicroseconds& time, int& decimals) {
    int hour = 0, minute = 0, second = 0;
    if (text.size() < 8 || text[2] != ':' || text[5] != ':' || !twoDigits(text, 0, 24, hour) ||
        !twoDigits(text, 3, 60, minute) || !twoDigits(text, 6, 60, second))
        return false;
    DayMicroseconds micro = 0;
    int digits = 0;
    if (text.size() > 8) {
        const char separator = text[8];
        if (separator != '.' && separator != ',' && separator != ':') return false;
        const std::string_view fraction = text.substr(9);
        if (fraction.empty() || fraction.size() > 6) return false;
        for (char ch : fraction) {
            if (!isDigit(ch)) return false;
            micro = micro * 10 + (ch - '0');
        }
        digits = static_cast<int>(fraction.size());
        micro *= scale(digits);
    }
    time = ofParts(hour, minute, second, micro);
    decimals = digits;
    return true;
}

bool ParseDigitTime(std::string_view text, DayMicroseconds& time) {
    int hour = 0, minute = 0, second = 0, high = 0, low = 0;
    if (text.size() != 10 || !twoDigits(text, 0, 24, hour) || !twoDigits(text, 2, 60, minute) ||
        !twoDigits(text, 4, 60, second) || !twoDigits(text, 6, 100, high) ||
        !twoDigits(text, 8, 100, low))
        return false;
    time = ofParts(hour, minute, second, (high * 100LL + low) * 100);
    return true;
}

std::string ClockTimeText(DayMicroseconds time, int decimals) {
    const LocalTime t = LocalTimeOf(time);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.hour, t.minute, t.second);
    std::string result = text;
    if (decimals <= 0) return result;
    if (decimals > 6) decimals = 6;
    std::snprintf(text, sizeof text, "%06lld",
                  static_cast<long long>(wrapped(time) % MicrosecondsPerSecond));
    return result + "." + std::string(text, static_cast<std::size_t>(decimals));
}

std::string PreciseTimeText(DayMicroseconds time) {
    const long long cut = wrapped(time) / Hundredth;
    char text[16];
    std::snprintf(text, sizeof text, "%02lld.%02lld.%02lld.%02lld", cut / 360000, cut / 6000 % 60,
                  cut / 100 % 60, cut % 100);
    return text;
}

DayMicroseconds CutToDecimals(DayMicroseconds time, int decimals) {
    if (decimals < 0) decimals = 0;
    const DayMicroseconds step = scale(decimals);
    return time - ((time % step) + step) % step;
}

std::int64_t PreciseRaceMicroseconds(DayMicroseconds start, DayMicroseconds finish) {
    const std::int64_t race = wrapped(finish) - wrapped(start);
    return race < 0 ? race + MicrosecondsPerDay : race;
}

long long PreciseRaceHundredths(DayMicroseconds start, DayMicroseconds finish) {
    return PreciseRaceMicroseconds(start, finish) / Hundredth;
}

long long CutFirstRaceHundredths(DayMicroseconds start, DayMicroseconds finish) {
    return PreciseRaceMicroseconds(CutToDecimals(wrapped(start), 2),
                                   CutToDecimals(wrapped(finish), 2)) /
           Hundredth;
}

}  // namespace kvt::base

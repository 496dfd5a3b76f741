#include "base/time_text.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "base/number_text.h"

namespace kvt::base {

namespace {

constexpr int MaxParts = 13;
using Parts = std::array<double, 4>;

Parts splitTime(const std::string& text) {
    Tokenizer tokenizer;
    std::array<std::string, MaxParts> tokens;
    tokens[0] = tokenizer.NextToken(text, ".");
    for (int i = 1; i < MaxParts && !tokens[i - 1].empty(); ++i)
        tokens[i] = tokenizer.NextToken("", ".");
    Parts parts{};
    for (int i = 0; i < 4; ++i) parts[i] = base::TextToNumber(tokens[i]);
    return parts;
}

// "0" in front of the number's digits, then the last two characters.
std::string twoCharacters(double value) {
    // Parts too large to be numbers (an exponent of hundreds of digits) count as 0.
    double bounded = std::isfinite(value) ? std::clamp(value, -1e15, 1e15) : 0.0;
    std::string text = "0" + std::to_string(static_cast<long long>(bounded));
    return text.substr(text.size() - 2);
}

std::string difference(const Parts& a, Parts b) {
    double h = b[0] - a[0], m = b[1] - a[1], s = b[2] - a[2], c = b[3] - a[3];
    if (c < 0) {
        b[2] = b[2] - 1;
        c = 100 - a[3] + b[3];
        s = b[2] - a[2];
    }
    if (s < 0) {
        b[1] = b[1] - 1;
        s = 60 - a[2] + b[2];
        m = b[1] - a[1];
    }
    if (m < 0) {
        b[0] = b[0] - 1;
        m = 60 - a[1] + b[1];
        h = b[0] - a[0];
    }
    return twoCharacters(h) + "." + twoCharacters(m) + "." + twoCharacters(s) + "." +
           twoCharacters(c);
}

double hundredths(const Parts& p) {
    return ((p[0] * 60 + p[1]) * 60 + p[2]) * 100 + p[3];
}

// Characters from..to (1-based, inclusive) of text, as far as they exist.
std::string characters(const std::string& text, std::size_t from, std::size_t to) {
    if (from > text.size()) return "";
    return text.substr(from - 1, std::min(to, text.size()) - from + 1);
}

std::string lastTwo(const std::string& text) {
    return text.size() < 2 ? text : text.substr(text.size() - 2);
}

}  // namespace

std::string TimeText(const base::LocalTime& time) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d.%02d.%02d.%02d", time.hour % 100, time.minute % 100,
                  time.second % 100, (time.millisecond % 1000) / 10);
    return text;
}

std::string Tokenizer::NextToken(const std::string& text, const std::string& delimiters) {
    if (!text.empty()) {
        text_ = text;
        position_ = 0;
    }
    auto isDelimiter = [&](char ch) { return delimiters.find(ch) != std::string::npos; };
    while (position_ < text_.size() && isDelimiter(text_[position_])) ++position_;
    std::size_t begin = position_;
    while (position_ < text_.size() && !isDelimiter(text_[position_])) ++position_;
    std::string token = text_.substr(begin, position_ - begin);
    if (position_ < text_.size()) ++position_;
    return token;
}

std::string TimeDifference(const std::string& start, const std::string& end) {
    return difference(splitTime(start), splitTime(end));
}

std::string RaceTime(const std::string& start, const std::string& finish) {
    Parts a = splitTime(start);
    Parts b = splitTime(finish);
    if (hundredths(b) < hundredths(a)) b[0] += 24;
    return difference(a, b);
}

long long TimeHundredths(const std::string& time) {
    return static_cast<long long>(std::llround(hundredths(splitTime(time))));
}

long long RaceHundredths(const std::string& start, const std::string& finish) {
    constexpr long long Day = 24LL * 3600 * 100;
    long long race = TimeHundredths(finish) - TimeHundredths(start);
    return race < 0 ? race + Day : race;
}

std::string HundredthsText(long long hundredths) {
    if (hundredths < 0) hundredths = 0;
    char text[32];
    std::snprintf(text, sizeof text, "%02lld.%02lld.%02lld.%02lld", hundredths / 360000 % 100,
                  hundredths / 6000 % 60, hundredths / 100 % 60, hundredths % 100);
    return text;
}

long long ResultHundredths(const std::string& result) {
    const auto comma = result.find(',');
    const std::string whole = result.substr(0, comma);
    long long parts[3] = {0, 0, 0};
    int count = 0;
    std::size_t begin = 0;
    while (begin <= whole.size() && count < 4) {
        std::size_t end = whole.find('.', begin);
        if (end == std::string::npos) end = whole.size();
        const std::string part = whole.substr(begin, end - begin);
        if (part.empty() || part.size() > 2 ||
            part.find_first_not_of("0123456789") != std::string::npos || count == 3)
            return -1;
        parts[count++] = std::stoll(part);
        begin = end + 1;
    }
    long long hundredthsPart = 0;
    if (comma != std::string::npos) {
        const std::string tail = result.substr(comma + 1);
        if (tail.size() != 2 || tail.find_first_not_of("0123456789") != std::string::npos)
            return -1;
        hundredthsPart = std::stoll(tail);
    } else if (count != 3) {
        return -1;  // without hundredths a result has hours, minutes and seconds
    }
    // The parts present are the last ones of hours, minutes, seconds.
    long long seconds = 0;
    for (int i = 0; i < count; ++i) seconds = seconds * 60 + parts[i];
    if (count == 3) seconds = parts[0] * 3600 + parts[1] * 60 + parts[2];
    return seconds * 100 + hundredthsPart;
}

std::string FormatResultTime(const std::string& time, int timeFormat) {
    switch (timeFormat) {
        case 0:
            return characters(time, 1, 8);
        case 1:
            return characters(time, 4, 8) + "," + lastTwo(time);
        case 2:
            return characters(time, 7, 8) + "," + lastTwo(time);
        case 3:
            return characters(time, 1, 8) + "," + lastTwo(time);
        default:
            return time;
    }
}

}  // namespace kvt::base

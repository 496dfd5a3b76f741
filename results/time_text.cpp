#include "results/time_text.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "ui/number_text.h"

namespace kvt::results {

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
    for (int i = 0; i < 4; ++i) parts[i] = ui::TextToNumber(tokens[i]);
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

std::string TimeText(const ui::LocalTime& time) {
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

}  // namespace kvt::results

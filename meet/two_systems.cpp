// The rules of two timing systems: the wiring's text, the pairing of impulses, the ten
// competitors a replacement is computed from, the replacement itself and hand-time lists.
#include "meet/two_systems.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace kvt::meet {

bool SystemsSetup::hasB() const {
    for (int line = 1; line < static_cast<int>(lines.size()); ++line)
        if (lines[line].system == TimingSystem::B) return true;
    return false;
}

std::string SystemsSetup::linesText() const {
    std::string text;
    for (int line = 1; line < static_cast<int>(lines.size()); ++line) {
        if (!text.empty()) text += ' ';
        text += lines[line].system == TimingSystem::A ? "A" : "B";
        if (lines[line].use == LineUse::Start) text += "-start";
        if (lines[line].use == LineUse::Finish) text += "-finish";
    }
    return text;
}

bool SystemsSetup::readLines(const std::string& text) {
    std::istringstream words(text);
    std::array<LineSystem, 7> read{};
    std::string word;
    int line = 1;
    while (words >> word) {
        if (line >= static_cast<int>(read.size())) return false;
        LineSystem one;
        const std::string system = word.substr(0, word.find('-'));
        const std::string use =
            word.find('-') == std::string::npos ? "" : word.substr(word.find('-') + 1);
        if (system == "A")
            one.system = TimingSystem::A;
        else if (system == "B")
            one.system = TimingSystem::B;
        else
            return false;
        if (use == "start")
            one.use = LineUse::Start;
        else if (use == "finish")
            one.use = LineUse::Finish;
        else if (!use.empty())
            return false;
        // B times a start or a finish: it has no way of its own to be given.
        if (one.system == TimingSystem::B && one.use == LineUse::Either) return false;
        read[line++] = one;
    }
    if (line != static_cast<int>(read.size())) return false;
    lines = read;
    return true;
}

std::vector<int> PairImpulses(const std::vector<base::DayMicroseconds>& a,
                              const std::vector<base::DayMicroseconds>& b,
                              base::DayMicroseconds window) {
    std::vector<int> pairs(b.size(), -1);
    const int as = static_cast<int>(a.size()), bs = static_cast<int>(b.size());
    // A − B of the last pair: the systems drift slowly, so the next pair lies near it.
    base::DayMicroseconds offset = 0;
    int last = -1;  // the last A paired: pairs never cross
    for (int i = 0; i < bs; ++i) {
        const base::DayMicroseconds expected = b[i] + offset;
        auto from = a.begin() + (last + 1);
        const int at = static_cast<int>(std::lower_bound(from, a.end(), expected) - a.begin());
        int nearest = -1;
        for (int c : {at - 1, at})
            if (c > last && c < as &&
                (nearest < 0 || std::llabs(a[c] - expected) < std::llabs(a[nearest] - expected)))
                nearest = c;
        if (nearest < 0 || std::llabs(a[nearest] - expected) > window) continue;
        // The next B, nearer to that A, is its own (this one is A's miss, or noise).
        const base::DayMicroseconds mine = std::llabs(a[nearest] - expected);
        if (i + 1 < bs && std::llabs(a[nearest] - (b[i + 1] + offset)) < mine) continue;
        pairs[i] = nearest;
        last = nearest;
        offset = a[nearest] - b[i];
    }
    return pairs;
}

std::vector<int> NearestInOrder(const std::vector<int>& candidates, int at) {
    const auto split = std::lower_bound(candidates.begin(), candidates.end(), at);
    const int before = static_cast<int>(split - candidates.begin());
    const int after = static_cast<int>(candidates.end() - split);
    int takeBefore = std::min(before, Basis / 2), takeAfter = std::min(after, Basis / 2);
    // One side short: the other gives more, up to ten in all.
    takeBefore = std::min(before, Basis - takeAfter);
    takeAfter = std::min(after, Basis - takeBefore);
    return std::vector<int>(split - takeBefore, split + takeAfter);
}

Replacement ComputeReplacement(base::DayMicroseconds own, std::vector<ReplacementBasis> basis) {
    Replacement replacement;
    replacement.own = own;
    for (const auto& one : basis) replacement.sum += one.a - one.b;
    replacement.basis = std::move(basis);
    const auto count = static_cast<std::int64_t>(replacement.basis.size());
    // own + sum / count, cut to hundredths (10000 microseconds) without rounding the mean:
    // floor((own * count + sum) / (count * 10000)) hundredths.
    const std::int64_t scaled = own * count + replacement.sum;
    const std::int64_t unit = count * 10000;
    std::int64_t hundredths = scaled / unit;
    if (scaled % unit != 0 && scaled < 0) --hundredths;  // floor, for times before midnight
    replacement.time = (hundredths * 10000 + base::MicrosecondsPerDay) % base::MicrosecondsPerDay;
    return replacement;
}

std::string DifferenceText(std::int64_t microseconds) {
    const char sign = microseconds < 0 ? '-' : '+';
    const std::int64_t size = std::llabs(microseconds);
    char text[40];
    std::snprintf(text, sizeof text, "%c%lld.%06lld", sign,
                  static_cast<long long>(size / 1000000), static_cast<long long>(size % 1000000));
    std::string result = text;
    // No more than the digits it has, but at least to the millisecond.
    while (result.size() > result.find('.') + 4 && result.back() == '0') result.pop_back();
    return result;
}

std::string Replacement::meanText() const {
    if (basis.empty()) return "-";
    const auto count = static_cast<std::int64_t>(basis.size());
    const std::int64_t whole = sum / count;  // microseconds, toward zero
    std::string text = DifferenceText(whole);
    if (sum % count == 0) return text;
    // The rest of the mean beyond the microsecond: ten more digits, cut.
    std::int64_t rest = std::llabs(sum % count);
    if (text.find('.') + 7 > text.size()) text.append(text.find('.') + 7 - text.size(), '0');
    for (int digit = 0; digit < 4 && rest != 0; ++digit) {
        rest *= 10;
        text += static_cast<char>('0' + rest / count);
        rest %= count;
    }
    return text;
}

bool ReadTimeOfDay(const std::string& text, base::DayMicroseconds& time, int& decimals) {
    // Parts split at ".", ":" or ",": hours, minutes, seconds and the fraction; minutes and
    // seconds (and the fraction) when fewer.
    std::vector<std::string> parts(1);
    for (char ch : text) {
        if (ch == '.' || ch == ':' || ch == ',')
            parts.emplace_back();
        else if (ch >= '0' && ch <= '9')
            parts.back() += ch;
        else
            return false;
    }
    for (const auto& part : parts)
        if (part.empty()) return false;
    if (parts.size() < 3 || parts.size() > 4) return false;
    const std::string fraction = parts.size() == 4 ? parts[3] : "";
    if (parts[0].size() > 2 || parts[1].size() != 2 || parts[2].size() != 2 ||
        fraction.size() > 6)
        return false;
    std::string clock = (parts[0].size() == 1 ? "0" : "") + parts[0] + ":" + parts[1] + ":" +
                        parts[2];
    if (!fraction.empty()) clock += "." + fraction;
    return base::ParseClockTime(clock, time, decimals);
}

std::vector<HandTime> ReadHandTimes(const std::string& text, std::vector<int>& bad) {
    std::vector<HandTime> times;
    std::istringstream lines(text);
    std::string line;
    int lineNumber = 0;
    while (std::getline(lines, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::istringstream words(line);
        std::vector<std::string> parts;
        for (std::string word; words >> word;) parts.push_back(word);
        if (parts.empty()) continue;
        HandTime one;
        one.text = line;
        bool read = parts.size() <= 2;
        if (read && parts.size() == 2) {
            const auto& number = parts[0];
            read = number.size() <= 4 && number.find_first_not_of("0123456789") == std::string::npos;
            if (read) one.number = std::atoi(number.c_str());
            read = read && one.number > 0;
        }
        read = read && ReadTimeOfDay(parts.back(), one.time, one.decimals);
        if (read)
            times.push_back(std::move(one));
        else
            bad.push_back(lineNumber);
    }
    return times;
}

}  // namespace kvt::meet

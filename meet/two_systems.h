// Two timing systems, A and B: which line belongs to which and what it times, the pairing of
// B's impulses with A's, and the replacement time that B (or a backup watch) gives where A
// missed an impulse. The rules here are pure; the meet keeps the settings and the journal.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "base/precise_time.h"

namespace kvt::meet {

enum class TimingSystem { A, B };
// What a line times: a start, a finish, or either (A's lines as a meet made earlier has them:
// a time is a start or a finish by how it is given).
enum class LineUse { Either, Start, Finish };

struct LineSystem {
    TimingSystem system = TimingSystem::A;
    LineUse use = LineUse::Either;
    bool operator==(const LineSystem&) const = default;
};

// The wiring of the two systems and the bounds the operator sets, kept in the meet's
// ProgramSettings ("Systems", "MatchWindow", "SyncBound"); a meet without them has every line
// in A, as before.
struct SystemsSetup {
    std::array<LineSystem, 7> lines{};  // line 1 to 6 (0 unused)
    // A B impulse is A's when it lies this near to it (after the difference of the pair before).
    base::DayMicroseconds window = 300000;
    // A − B beyond this, for a competitor given, is told as the systems out of sync.
    base::DayMicroseconds bound = 10000;

    bool hasB() const;
    bool operator==(const SystemsSetup&) const = default;
    // "A-start A-finish B-start B-finish A A": line 1 to 6; false for any other text.
    std::string linesText() const;
    bool readLines(const std::string& text);
};

// The B (or hand) impulses paired with A's: for each of b (both ascending times of day) the
// index of its A impulse in a, or -1. A B is A's when the A nearest to it (B moved by the
// difference of the last pair, as the systems drift slowly) lies within the window and no
// other B lies nearer to that A; pairs never cross, so no B is paired with two A's and none
// is paired out of order.
std::vector<int> PairImpulses(const std::vector<base::DayMicroseconds>& a,
                              const std::vector<base::DayMicroseconds>& b,
                              base::DayMicroseconds window);

// One competitor of the ten a replacement is computed from: his start number and his A and
// B times (at full precision).
struct ReplacementBasis {
    int number = 0;
    base::DayMicroseconds a = 0, b = 0;
};

// A replacement time of day: the competitor's B (or hand) time corrected by the mean A − B of
// the basis, at full precision (no rounding of the mean), cut to hundredths.
struct Replacement {
    base::DayMicroseconds own = 0;  // his B or hand time
    std::vector<ReplacementBasis> basis;
    // The sum of A − B over the basis, in microseconds; the mean is sum / basis.size().
    std::int64_t sum = 0;
    base::DayMicroseconds time = 0;  // the replacement, cut to 1/100 s (a multiple of 10000)
    // The mean A − B as a text of seconds with its sign, to the microsecond and beyond as it
    // needs ("-0.0012345").
    std::string meanText() const;
};

// The ten (Basis) nearest in start order to the one at position `at` of the order, from
// those of `candidates` (positions in the same order, ascending, without `at`): five before
// and five after; where one side has fewer, more from the other side, so it is ten whenever
// ten exist. Returns the positions taken, ascending.
inline constexpr int Basis = 10;
std::vector<int> NearestInOrder(const std::vector<int>& candidates, int at);

// The replacement from his own B time and the basis (not empty).
Replacement ComputeReplacement(base::DayMicroseconds own, std::vector<ReplacementBasis> basis);

// A difference A − B as a text of seconds with its sign, to the millisecond and beyond as the
// times give it: "+0.0031", "-0.012".
std::string DifferenceText(std::int64_t microseconds);

// One hand time typed or read from a list: the start number (0: none, a time in order), and
// the time of day at the precision typed.
struct HandTime {
    int number = 0;
    base::DayMicroseconds time = 0;
    int decimals = 2;
    std::string text;  // the line as typed
};

// A list of hand times: one a line, "start number  time of day" or the time of day alone
// (times in order), the time as HH:MM:SS.ff or HH.MM.SS.ff; blank lines are left out. The
// lines that cannot be read are given back, numbered from 1, in bad.
std::vector<HandTime> ReadHandTimes(const std::string& text, std::vector<int>& bad);
// One time of day as the operator types it (HH:MM:SS.fff or HH.MM.SS.hh, fewer parts when
// the hours are left out); false when it is not one.
bool ReadTimeOfDay(const std::string& text, base::DayMicroseconds& time, int& decimals);

}  // namespace kvt::meet

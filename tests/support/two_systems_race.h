// A race timed by two systems, made up with a fixed seed: every competitor's true start and
// finish, A's and B's times of them (B drifting from A, with noise), A's impulses missing at
// random, B's now and then, and hand times where both miss. Written straight into a meet
// file for tests and benchmarks: A's impulses as the Time table's starts and finishes with
// their journal rows, B's as journal rows of lines 3 and 4.
#pragma once

#include <string>
#include <vector>

#include "base/precise_time.h"
#include "lang/language_texts.h"
#include "meet/two_systems.h"
#include "storage/store.h"

namespace kvt::testing {

struct TwoSystemsRace {
    int competitors = 0;
    // Start number of each starter, in start order.
    std::vector<int> order;
    // By start number (0 unused): A's and B's times of day, -1 where the system missed it,
    // and a hand time where both missed (-1 otherwise).
    std::vector<base::DayMicroseconds> aStart, aFinish, bStart, bFinish, handStart, handFinish;
};

// competitors starting 20 s apart from 10:00 in a shuffled order, each on course 60 to 90 s
// (no two starts or finishes closer than half a second); B behind A by 2 ms growing 5 ms an
// hour, with noise of ±0.3 ms; A missing missingA of its impulses, and always the first and
// last starters' starts and finishes; B missing too at the second starter's finish and the
// second last's start; a backup watch's hand times of everyone (±0.08 s, to 1/100 s).
TwoSystemsRace MakeTwoSystemsRace(int competitors, unsigned seed, double missingA = 0.02);

// The race written into the meet at path (made, with competitors 1 to competitors in one
// class, and not open): A on lines 1 (start) and 2 (finish), B on lines 3 and 4, lines 1 to 4
// in use, the B impulses carrying no start number, the hand times as typed by number.
void WriteTwoSystemsRace(storage::Engine& engine, const std::string& path,
                         const lang::TextTable& words, const TwoSystemsRace& race);

// The replacement computed straight from the race, as a referee would by hand: the ten
// nearest in start order with both A and B (five before and five after, more from one side
// where the other is short), the mean of their A - B, his B (or hand) time plus the mean, cut
// to 1/100 s. Start (finish false) or finish of number n; false when there is none.
bool ReplacementByHand(const TwoSystemsRace& race, int n, bool finish,
                       meet::Replacement& replacement);

}  // namespace kvt::testing

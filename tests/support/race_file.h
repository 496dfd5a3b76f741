// A race written straight into a meet file before the meet is opened, for tests and
// benchmarks that need many finishers.
#pragma once

#include <string>

#include "lang/language_texts.h"

namespace kvt::testing {

// The race time of competitor n in hundredths: 30 to 45 minutes, spread over the numbers.
int RaceOf(int n);

// Competitors 1 to competitors spread evenly over the classes ("K1", "K2", ...) and started
// at 10.00; those up to finishedUpTo finished, each in his class's results table. words are
// the LanguageTexts of the meet's language (its table and field names); differences sets the
// Setup record's option.
void PrepareRace(const std::string& path, const lang::TextTable& words, int competitors,
                 int classes, int finishedUpTo, bool differences = true);

}  // namespace kvt::testing

// Texts of the program's own about runs (a slalom's two runs and their combined result): the
// run being timed, the start order of a later run and the combined list. Each in both
// languages.
#pragma once

#include <vector>

#include "lang/language_texts.h"

namespace kvt::lang {

// "Run 2": the word, a blank, then the run's number follows.
Bilingual RunText();
// The combined result of every run.
Bilingual CombinedText();
// The combined list's column heads: the runs follow "Run" as above; then these.
Bilingual TotalText();
Bilingual PlaceHeadText();
Bilingual NumberHeadText();
Bilingual NameHeadText();
Bilingual ClubHeadText();
Bilingual DifferenceHeadText();
Bilingual CombinedHeadingText();
// No run of that number: the runs the meet holds follow.
Bilingual NoSuchRunText();
// The run chosen for timing: its number follows.
Bilingual RunChosenText();
// A later run's order cannot be drawn from the first run / for the run being the first.
Bilingual FirstRunOrderText();
// The start orders of a later run.
Bilingual SameOrderText();
Bilingual ReversedOrderText();
Bilingual BestReversedOrderText();
// Times wait to be stored: the run cannot be changed now.
Bilingual RunWaitsText();
// A time given in another run is corrected while that run is timed: its run follows.
Bilingual OtherRunTimeText();
// The labels and buttons of the runs on the starts, capture and results pages.
const std::vector<CaptionRow>& RunCaptions();

}  // namespace kvt::lang

// Texts of the program's own about how the classes start: the draw, the planned starts, the
// start impulses outside the tolerance, the mass starts and the page that sets them. Each in
// both languages.
#pragma once

#include <vector>

#include "lang/language_texts.h"

namespace kvt::lang {

// A start impulse outside the tolerance of the plan; the competitor and the offset follow.
Bilingual EarlyStartText();
Bilingual LateStartText();
// A class whose starts began keeps its draw and its mode; the class follows.
Bilingual ClassStartedText();
// An interval class with no first start and none before it to follow; the class follows.
Bilingual NoFirstStartText();
// A mass start asked of a class started at intervals; the class follows.
Bilingual IntervalClassNotMassText();
// The draw made: competitors and classes follow.
Bilingual DrawnText();
Bilingual DrawnClassesText();
// A mass start given: the time and the competitors started follow.
Bilingual MassStartedText();
Bilingual CompetitorsStartedText();
// The modes and orders as the page offers them.
Bilingual ImpulseModeText();
Bilingual IntervalModeText();
Bilingual MassModeText();
Bilingual ByNumberOrderText();
Bilingual RandomOrderText();
Bilingual ListOrderText();
// The jury's marks as the page and the lists show them.
Bilingual EarlyMarkText();
Bilingual LateMarkText();
// The start list's column of start times, and its heading lines with it.
Bilingual StartTimeHeading();
Bilingual TimedStartListColumns();

// The starts page.
Bilingual StartsTabCaption();
Bilingual StartsClassLabel();
Bilingual StartsModeLabel();
Bilingual StartsFirstStartLabel();
Bilingual StartsIntervalLabel();
Bilingual StartsOrderLabel();
Bilingual StartsListLabel();
Bilingual StartsGapLabel();
Bilingual StartsSequenceLabel();
Bilingual StartsToleranceLabel();
Bilingual StartsSetButton();
Bilingual StartsDrawButton();
Bilingual StartsMassTimeLabel();
Bilingual StartsMassButton();
Bilingual StartsMassImpulseButton();
Bilingual StartsJuryLabel();
Bilingual StartsNoMeetText();
Bilingual StartsBadValueText();
// The captions of the starts page and of its tab (the seventh of the main strip).
const std::vector<CaptionRow>& StartsPageCaptions();

}  // namespace kvt::lang

// The texts of two timing systems: the replacement's reason, why none is proposed, the
// out-of-sync warning, the sync check and the timing report's parts for the two systems.
#pragma once

#include <string>
#include <vector>

#include "lang/language_texts.h"

namespace kvt::lang {

// Why no replacement is proposed for start number n's start or finish.
std::string ReplacementHasAText(Language language, int number, bool finish);
std::string ReplacementNoBText(Language language, int number, bool finish);
std::string ReplacementNoBasisText(Language language);
// The reason a replacement accepted gives its hand-time correction: "Replacement from B
// 10:01:02.3371, mean A − B +0.0031 over 10".
std::string ReplacementReasonText(Language language, bool hand, const std::string& own,
                                  const std::string& mean, int count);
// The notice when A − B of a competitor just paired lies beyond the bound.
std::string OutOfSyncText(Language language, int number, const std::string& difference);
// The journal entry given to a competitor is none of B's or of the hand times in order.
std::string NotUnpairedBText(Language language, int entry);
// A hand-time list with lines that cannot be read (numbered from 1).
std::string BadHandTimesText(Language language, const std::vector<int>& lines);
// No impulse of A or of B to record the synchronisation from.
std::string NoSyncImpulsesText(Language language);
std::string SyncAgreeText(Language language, bool agree, const std::string& difference);

// The timing report's sections for two systems; each section's first row names its columns.
std::string SystemsHeading(Language language);
std::vector<std::string> SystemsColumns(Language language);
std::string SystemWord(Language language, bool b, int use);  // use: 0 either, 1 start, 2 finish
std::string SystemsSettingsText(Language language, const std::string& window,
                                const std::string& bound);
std::string SyncHeading(Language language);
std::vector<std::string> SyncColumns(Language language);
std::string SyncRowText(Language language, bool check);
std::string CompetitorsHeading(Language language);
std::vector<std::string> CompetitorsColumns(Language language);
std::string CompetitorsUseText(Language language, bool finish);
std::string ReplacementMark(Language language);
// After a result that stands on a replacement in the lists, the PDF and the live pages.
std::string ReplacementResultMark(Language language);
std::string HandMark(Language language);
std::string ReplacementsHeading(Language language);
// A replacement in the report: "start number 12, finish 10:01:02.33" as its heading, then
// what it was computed from as a row ("B", his B time, "+ mean A - B", the mean, "of", 10).
std::string ReplacementOfText(Language language, int number, bool finish, const std::string& time);
std::vector<std::string> ReplacementFormula(Language language, bool hand, const std::string& own,
                                            const std::string& mean, int count);
std::vector<std::string> BasisColumns(Language language);
std::string NoReplacementsText(Language language);

// The page's words: the question that proposes a replacement, the line's choices of system,
// what the capture page says of the last ones paired, the sync's state, hand-time files.
std::string ReplacementQuestion(Language language, int number, bool finish, const std::string& time,
                                const std::string& reason);
std::string ReplacementTitle(Language language);
std::vector<std::string> LineSystemChoices(Language language);
std::string LastPairedText(Language language, const std::string& pairs);
std::string SyncStateText(Language language, const std::string& sync, const std::string& check);
std::string HandTimesFileTitle(Language language, bool finish);
std::string HandTimesReadText(Language language, int count);
std::string NotASecondsText(Language language, const std::string& typed);
const std::vector<CaptionRow>& SystemsCaptions();

}  // namespace kvt::lang

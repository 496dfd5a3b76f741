// The texts of corrections: a time given to another start number, a start or finish taken
// back, a time set by hand, undo and redo.
#pragma once

#include <string>
#include <vector>

#include "lang/language_texts.h"

namespace kvt::lang {

// Why a correction was not made (number: a start number; row: a Time-table row).
std::string NoSuchTimeText(Language language, int row);
std::string StartOfAllText(Language language);
std::string HasFinishText(Language language, int number);
std::string NothingToTakeBackText(Language language, int number, bool finish);
std::string NotATimeText(Language language, const std::string& typed);
std::string ReasonNeededText(Language language);
std::string NoStartText(Language language, int number);
std::string NothingToUndoText(Language language);
std::string NothingToRedoText(Language language);
std::string CannotUndoText(Language language);
std::string NotGivenText(Language language, int row);
std::string NoCompetitorNumberText(Language language, const std::string& typed);

// What a correction did, as the trail and the page name it.
std::string ReassignedText(Language language, int row, int from, int to);
std::string TakenBackText(Language language, int number, bool finish);
std::string HandTimeText(Language language, int number, bool finish, const std::string& time);
// "Undo: " and "Redo: " before what they would act on.
std::string UndoTitleText(Language language);
std::string RedoTitleText(Language language);

// The trail's view and the timing report: an action's name, the report's title and columns,
// the line under the view when it shows only the newest rows, and the referee's signature.
std::string TrailActionText(Language language, const std::string& action);
std::string TimingReportTitle(Language language);
std::string TimingReportFile(Language language);
std::vector<std::string> TimingReportColumns(Language language);
std::string TimingReportEmpty(Language language);
std::string TimingReportOf(Language language, int number);
std::string TrailNewestText(Language language, int shown, int all);
std::string RefereeSignatureText(Language language);

// The captions of the correction bars of the capture and results pages.
const std::vector<CaptionRow>& CorrectionCaptions();

}  // namespace kvt::lang

// The texts of a meet shared by several stations: what another station did that refused this
// station's action.
#pragma once

#include <string>

#include "lang/language_texts.h"

namespace kvt::lang {

// "Station 2 gave competitor 17 a finish at 12:03:04.51" (station 0: another station whose
// number is not known); start: a start, else a finish.
std::string GivenElsewhereText(Language language, int station, int number, bool start,
                               const std::string& time);
// What followed it: the time is not given (it stays in the list).
std::string NotGivenText(Language language);
// "Station 2 changed competitor 17 (Class: Junior) a moment ago: this change was not stored."
// number: the competitor's start number, -1 for a record named by subject.
std::string EditedElsewhereText(Language language, int station, int number,
                                const std::string& subject, const std::string& change);

}  // namespace kvt::lang

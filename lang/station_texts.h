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
// A time this station gave while the server was away (or another station held the meet),
// refused when it was sent: "Given while the server was away: competitor 17 a finish at
// 12:03:10.22." (then what the other station did).
std::string KeptGiveText(Language language, int number, bool start, const std::string& time);
// Why an action of a station is not stored yet: the server is away, or another station held the
// meet longer than the station waits for it.
std::string TurnNotHadText(Language language);
// A correction or status asked for while the station cannot have the meet's turn: not made.
std::string CorrectionNeedsServerText(Language language);
// "Station 2 changed competitor 17 (Class: Junior) a moment ago: this change was not stored."
// number: the competitor's start number, -1 for a record named by subject.
std::string EditedElsewhereText(Language language, int station, int number,
                                const std::string& subject, const std::string& change);

}  // namespace kvt::lang

// Texts of the program's own about a timer on a serial line, in both languages: how its link
// stands, in words an official understands, and the marks of its records.
#pragma once

#include <string>

#include "lang/language_texts.h"

namespace kvt::lang {

// How the link to a timer stands (the devices' diagnosis, named here for the texts).
enum class TimerLinkCondition { Working, NoPort, NothingReceived, WrongRate, Garbage, Cut };

// What the setup page and the capture page say of the link: the port and the rate the program
// is set to are named where they help.
std::string TimerLinkText(Language language, TimerLinkCondition condition, const std::string& port,
                          int rate);
// Records read, and those that could not be read, for the "Test lines" view.
std::string TimerRecordCountText(Language language, long read, long unreadable);

// The marks a timer puts on its records, shown beside the time.
Bilingual TimerClearedText();
Bilingual TimerDisqualifiedText();
Bilingual TimerFromMemoryText();
Bilingual TimerRepeatedText();
Bilingual TimerNoValidNumberText();
Bilingual TimerByHandText();
Bilingual TimerUnreadableText();

}  // namespace kvt::lang

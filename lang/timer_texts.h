// Texts of the program's own about a timer on a serial line, in both languages: how its link
// stands, in words an official understands, and the marks of its records.
#pragma once

#include <string>

#include "lang/language_texts.h"

namespace kvt::lang {

// How the link to a timer stands (the devices' diagnosis, named here for the texts).
// Back: working again after the link was cut.
enum class TimerLinkCondition { Working, NoPort, NothingReceived, WrongRate, Garbage, Cut, Back };

// What the setup page and the capture page say of the link: the port and the rate the program
// is set to are named where they help.
std::string TimerLinkText(Language language, TimerLinkCondition condition, const std::string& port,
                          int rate);
// How far the timer's clock is from the race clock (microseconds, the timer ahead when
// positive); known false while no record has told it yet.
std::string TimerOffsetText(Language language, bool known, long long microseconds);
// A start and a finish of one competitor from different clocks (a timer's and the PC's).
std::string MixedClocksText(Language language, const std::string& name, int number,
                            bool startFromTimer);
// A record of the timer as the "Test lines" view shows what was read from it: the channel,
// the line it is (0: none), the time of day at the timer's precision ("" for none), the start
// number (-1: none) and the marks, joined.
std::string TimerRecordReadText(Language language, const std::string& channel, int line,
                                const std::string& time, int number, const std::string& marks);
// The memory asked for; an option of the meet chosen while no meet is open.
Bilingual TimerMemoryAskedText();
Bilingual TimerOptionNeedsMeetText();

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

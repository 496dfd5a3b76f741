// Texts of the program's own about the race as it runs, in both languages: the statuses an
// official sets during the race (not started, gave up, disqualified), who is still on the
// course, and the captured times that wait beyond the ten rows of the list.
#pragma once

#include <string>

#include "lang/language_texts.h"

namespace kvt::lang {

// The status word of a competitor who did not start (the other two are the competitor page's
// "Canceled" and "Disqualified").
Bilingual NotStartedStatusText();

// The buttons that set a status, and the one that clears it.
Bilingual DnsButtonText();
Bilingual DnfButtonText();
Bilingual DsqButtonText();
Bilingual ClearStatusButtonText();
Bilingual StatusNumberCaption();
Bilingual StatusReasonCaption();
Bilingual StatusFrameCaption();

// What setting a status answers.
std::string StatusSetText(Language language, int number, const std::string& name,
                          const std::string& status);
std::string StatusClearedText(Language language, int number, const std::string& name,
                              const std::string& status);
Bilingual ReasonNeededText();
Bilingual StatusNotStoredText();

// Who is on the course: the capture page's button (with the count), the view's title, its
// column headings, and the line when no one is out.
std::string OnCourseButtonText(Language language, int count);
Bilingual CourseViewTitle();
Bilingual CourseHeadingText();
Bilingual NobodyOnCourseText();
Bilingual CourseDnfCaption();

// The captured times that wait beyond the ten rows of the list.
std::string WaitingTimesText(Language language, int count, const std::string& oldest);

}  // namespace kvt::lang

// Texts of the printed results list and of the live results pages, in both languages.
#pragma once

#include "lang/language_texts.h"

namespace kvt::lang {

// The PDF of the results list in the meet folder.
Bilingual PdfListFileText();
// The page numbers of a printed page: %1 the page, %2 the pages.
Bilingual PageNumbersText();
// After a class heading repeated at the top of the next page.
Bilingual ContinuedText();
Bilingual NoResultsText();
Bilingual PrintingUnavailableText();
// The reason follows.
Bilingual PdfFailedText();
// The file's path follows.
Bilingual CannotShowFileText();
// After a viewer or editor that could not be started: the folder that holds the file follows,
// so that the operator can open it by hand.
Bilingual FileFolderText();
// The printout did not reach the printer (or its file); the reason follows.
Bilingual PrintFailedText();

// The live results pages.
Bilingual LiveResultsText();
Bilingual ClassesText();
// After the number of a class's results on the index page.
Bilingual FinishedText();
// The time of day the results were taken follows.
Bilingual UpdatedText();
Bilingual AllClassesText();
Bilingual NoMeetOpenLiveText();
Bilingual RefreshNoteText();
Bilingual NotFoundText();
Bilingual OnlyGetText();

// The setup page's live results: the port typed follows the first; the reason the second.
Bilingual LivePortInvalidText();
Bilingual LiveNotStartedText();
Bilingual LiveUnavailableText();
// The addresses other devices reach the pages at follow.
Bilingual LiveAddressText();

}  // namespace kvt::lang

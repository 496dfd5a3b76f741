// Texts of the IOF XML files, the pages for the web and publishing, in both languages.
#pragma once

#include <string>

#include "lang/language_texts.h"

namespace kvt::lang {

// "The IOF XML files are written into " + folder + ": " + names.
Bilingual IofWrittenText();
Bilingual IofImportTitle();
// An XML file that holds no entries the import knows ("... is no IOF XML entry list: ").
Bilingual NotIofText();
Bilingual NoPersonsText();

// Pages for the web.
Bilingual WebPagesFailedText();
Bilingual StartListWord();
Bilingual ResultsWord();
Bilingual WebRefreshNoteText();

// Publishing.
Bilingual PublishedAtText();   // "Last published: " + time
Bilingual PublishErrorText();  // "Last error: " + what
Bilingual PublishNeverText();
Bilingual PublishTargetInvalidText();
Bilingual PublishTimedOutText();

}  // namespace kvt::lang

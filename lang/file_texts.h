// Texts of the program's own about the work on meet files as files: the language a meet was
// made with and the language of the user settings, the question before Reset, and what Copy,
// Repair, Compress and Reset did. Each in both languages.
#pragma once

#include <string>

#include "lang/language_texts.h"

namespace kvt::lang {

// After entry 96: the language the refused meet was made with (its stored value).
std::string MadeWithLanguageText(Language language, const std::string& madeWith);
// The language of User.ini is none of the program's: no meet can be opened, made or reset
// under it until another is chosen.
std::string UserLanguageWrongText(Language language, const std::string& value);
// Why a meet is not opened: its Time table has more rows than its counts can reach.
std::string TooManyTimeRowsText(Language language, long long rows);

// The question before Reset empties a meet.
std::string ResetQuestion(Language language, const std::string& meet, long long times,
                          long long results);
// What the file commands did, for the status bar.
std::string ResetDoneText(Language language, const std::string& meet);
std::string CopiedText(Language language, const std::string& copy);
std::string CompressedText(Language language, const std::string& meet);
std::string FoundWholeText(Language language, const std::string& meet);
// Repair: the file is whole (or was rebuilt), yet Open would still refuse it; why follows.
Bilingual WholeButNoMeetText();
Bilingual RebuiltButNoMeetText();

}  // namespace kvt::lang

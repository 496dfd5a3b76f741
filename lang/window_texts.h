// Texts of the window of the program's own, in both languages: what a capture line says about
// a number that names no competitor, the file dialog's buttons, where a meet cannot be made.
#pragma once

#include <string>

#include "lang/language_texts.h"

namespace kvt::lang {

// Enter or "<<" on a line whose number is none of the meet's competitors; the number as typed.
std::string NoSuchCompetitorText(Language language, const std::string& number);
// Where the line's name stands while its number names no competitor.
Bilingual NoSuchCompetitorCaption();

// The button that takes the name chosen in Make new's file dialog.
Bilingual MakeButtonText();
// Make new in a folder that is not there, or that cannot be written; the folder follows.
Bilingual NoSuchFolderText();
Bilingual FolderNotWritableText();
// A meet made and left closed: where it is, and that Open offers it.
std::string MeetMadeText(Language language, const std::string& path);

}  // namespace kvt::lang

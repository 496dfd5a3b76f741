// Texts of the window of the program's own, in both languages: what a capture line says about
// a number that names no competitor.
#pragma once

#include <string>

#include "lang/language_texts.h"

namespace kvt::lang {

// Enter or "<<" on a line whose number is none of the meet's competitors; the number as typed.
std::string NoSuchCompetitorText(Language language, const std::string& number);
// Where the line's name stands while its number names no competitor.
Bilingual NoSuchCompetitorCaption();

}  // namespace kvt::lang

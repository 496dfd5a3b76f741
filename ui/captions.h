// The two language routines: each sets every caption, fills LanguageTexts, re-binds the boxes
// whose field names are localised and sets the help file.
#pragma once

#include "lang/language_texts.h"

namespace kvt::ui {
struct Program;
}

namespace kvt::ui {

void SetNorwegianTexts(ui::Program& program);
void SetEnglishTexts(ui::Program& program);
void ApplyLanguage(ui::Program& program, lang::Language language);

}  // namespace kvt::ui

// A register of the open meet as a CSV file that a spreadsheet reads and the import reads back.
#pragma once

#include <string>

#include "lang/language_texts.h"
#include "meet/meet.h"

namespace kvt::entries {

// UTF-8 with a BOM (so that a spreadsheet takes Æ, Ø and Å as they are), a header line of the
// fields' names in the language given, cells separated by commas, lines ended by CR LF. The
// number is written as its digits and the program's empty value "-" as an empty cell; a cell a
// spreadsheet would take as a formula is written as text (see NeutralisedCell).
std::string ExportCsv(const meet::Meet& meet, meet::Register which, lang::Language language);

}  // namespace kvt::entries

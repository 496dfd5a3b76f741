// Entries from an IOF XML 3.0 EntryList or CompetitorList, read as the rows of a spreadsheet so
// that they take the same preview, checks and report as a CSV file: one row per person with
// start number, first name, surname, club, class, nationality, sex and birth date. Elements the
// import does not know are skipped.
#pragma once

#include <string>

#include "lang/language_texts.h"

namespace kvt::entries {

// Bytes that begin (after blanks, a BOM or an XML declaration) with an element: XML.
bool LooksLikeXml(const std::string& bytes);

// The persons of the list as CSV text (UTF-8, ";" between cells, a header of the field names
// in the language given). A person's start number is the entry's Id, else the person's Id,
// when every entry has one that is a start number (1 to 9999) and none comes twice; otherwise
// the persons are numbered in the order of the file. Throws NotCsv (with the reason in the
// language given) when the bytes are no such list.
std::string IofEntriesAsCsv(const std::string& bytes, lang::Language language);

}  // namespace kvt::entries

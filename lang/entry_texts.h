// Texts of the program's own about entries going in and out: the import from CSV with its
// preview and report, the export, the start list, and the competitor page's warnings. Each in
// both languages.
#pragma once

#include <string>

#include "lang/language_texts.h"

namespace kvt::lang {

// The import's dialog.
Bilingual ImportTitle();
Bilingual ImportRegisterLabel();
Bilingual ImportSeparatorLabel();
Bilingual CommaText();
Bilingual SemicolonText();
Bilingual TabText();
Bilingual ImportEncodingLabel();
Bilingual Utf8Text();
Bilingual Utf8WithBomText();
Bilingual Windows1252Text();
Bilingual ImportHeaderText();
Bilingual NotImportedText();
Bilingual ImportButtonText();
Bilingual CancelButtonText();
// "3000 rows, 2998 of them can be imported."
std::string ImportSummary(Language language, int rows, int good);
// After the first reasons the preview gives: how many more the report will list.
std::string MoreProblemsText(Language language, int more);
Bilingual NoNumberColumnText();
Bilingual NoFieldColumnText();

// The report of the rows that cannot be imported.
Bilingual ReportTitle();
std::string ReportHeading(Language language, int bad, int rows);
std::string ImportGoodRowsText(Language language, int good);
Bilingual ImportNothingText();
// One problem of a row; value is the cell in question, otherLine the line of the other row
// with the same number.
std::string NoNumberProblem(Language language, int line);
std::string NotANumberProblem(Language language, int line, const std::string& value);
// A number beyond the most records the register can hold (limit).
std::string BeyondCountProblem(Language language, int line, int number, int limit);
// Rows numbered beyond the register's count, which add records to it.
std::string AddedRowsText(Language language, int added, int count);
std::string DuplicateProblem(Language language, int line, int number, int otherLine);
std::string UnknownClubProblem(Language language, int line, const std::string& value);
std::string UnknownClassProblem(Language language, int line, const std::string& value);
std::string BadPaymentProblem(Language language, int line, const std::string& value);

// Why a file is no CSV file; the file's path follows NotCsvText.
Bilingual NotCsvText();
Bilingual EmptyFileText();
Bilingual NoTextText();
Bilingual NoSeparatorText();
Bilingual TooLargeText();
std::string CsvFaultText(Language language, int line, const std::string& reason);
// The outcome of an import.
std::string ImportedText(Language language, int records, const std::string& table);
// The same when added of them were new records, the register holding count now.
std::string ImportedText(Language language, int records, const std::string& table, int added,
                         int count);
Bilingual NothingImportedText();
Bilingual ImportNotStoredText();
// The export: the folder and the files follow.
Bilingual ExportedText();

// The start list: its files, its title and the heading of its columns (47 characters).
Bilingual StartListTextFile();
Bilingual StartListHtmlFile();
Bilingual StartListHeading();
Bilingual StartListColumns();
// The start list on paper: the PDF in the meet folder, and the text of a meet whose classes have
// no competitors.
Bilingual StartListPdfFile();
Bilingual NoStartListText();

// The competitor page's line under the record.
std::string DuplicateNumberWarning(Language language, int number, int otherRecord);
std::string UnknownClubWarning(Language language, const std::string& club);
std::string UnknownClassWarning(Language language, const std::string& className);

}  // namespace kvt::lang

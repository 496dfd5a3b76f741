#include "lang/entry_texts.h"

namespace kvt::lang {

namespace {
bool english(Language language) {
    return language == Language::English;
}
std::string line(Language language, int number) {
    return (english(language) ? "Line " : "Linje ") + std::to_string(number) + ": ";
}
}  // namespace

Bilingual ImportTitle() {
    return {"Import from CSV", "Importer fra CSV"};
}
Bilingual ImportRegisterLabel() {
    return {"Into the register", "Inn i registeret"};
}
Bilingual ImportSeparatorLabel() {
    return {"Separator", "Skilletegn"};
}
Bilingual CommaText() {
    return {"Comma", "Komma"};
}
Bilingual SemicolonText() {
    return {"Semicolon", "Semikolon"};
}
Bilingual TabText() {
    return {"Tab", "Tabulator"};
}
Bilingual ImportEncodingLabel() {
    return {"Encoding", "Tegnsett"};
}
Bilingual Utf8Text() {
    return {"UTF-8", "UTF-8"};
}
Bilingual Utf8WithBomText() {
    return {"UTF-8 with BOM", "UTF-8 med BOM"};
}
Bilingual Windows1252Text() {
    return {"Windows-1252", "Windows-1252"};
}
Bilingual ImportHeaderText() {
    return {"The first line holds the column names", "Første linje har kolonnenavnene"};
}
Bilingual NotImportedText() {
    return {"(not imported)", "(importeres ikke)"};
}
Bilingual ImportButtonText() {
    return {"&Import", "&Importer"};
}
Bilingual CancelButtonText() {
    return {"&Cancel", "&Avbryt"};
}

std::string ImportSummary(Language language, int rows, int good) {
    if (english(language))
        return std::to_string(rows) + " rows, " + std::to_string(good) +
               " of them can be imported.";
    return std::to_string(rows) + " rader, " + std::to_string(good) + " av dem kan importeres.";
}

Bilingual NoNumberColumnText() {
    return {"Choose the column that holds the number.", "Velg kolonnen som har nummeret."};
}
Bilingual NoFieldColumnText() {
    return {"Choose a field for at least one column besides the number.",
            "Velg et felt for minst én kolonne foruten nummeret."};
}

Bilingual ReportTitle() {
    return {"Rows that cannot be imported", "Rader som ikke kan importeres"};
}

std::string ReportHeading(Language language, int bad, int rows) {
    if (english(language))
        return std::to_string(bad) + " of " + std::to_string(rows) +
               " rows cannot be imported. Nothing is written yet.";
    return std::to_string(bad) + " av " + std::to_string(rows) +
           " rader kan ikke importeres. Ingenting er skrevet ennå.";
}

std::string ImportGoodRowsText(Language language, int good) {
    return english(language) ? "Import the " + std::to_string(good) + " good rows"
                             : "Importer de " + std::to_string(good) + " gode radene";
}
std::string MoreProblemsText(Language language, int more) {
    if (english(language)) return "... and " + std::to_string(more) + " more (listed by Import).";
    return "... og " + std::to_string(more) + " til (listes ved Importer).";
}

// Nothing goes in, and the operator is back at the columns to choose them otherwise.
Bilingual ImportNothingText() {
    return {"Import nothing, back to the columns", "Importer ingenting, tilbake til kolonnene"};
}

std::string NoNumberProblem(Language language, int number) {
    return line(language, number) + (english(language) ? "no number." : "mangler nummer.");
}
std::string NotANumberProblem(Language language, int number, const std::string& value) {
    return line(language, number) + "\"" + value + "\"" +
           (english(language) ? " is no number." : " er ikke et nummer.");
}
std::string BeyondCountProblem(Language language, int number, int value, int limit) {
    if (english(language))
        return line(language, number) + "number " + std::to_string(value) +
               " is beyond the " + std::to_string(limit) + " records a meet can hold.";
    return line(language, number) + "nummer " + std::to_string(value) + " er utenfor de " +
           std::to_string(limit) + " postene et stevne kan ha.";
}
std::string AddedRowsText(Language language, int added, int count) {
    const bool one = added == 1;
    if (english(language))
        return std::to_string(added) + (one ? " row is" : " rows are") +
               " numbered beyond the meet's " + std::to_string(count) + " records: " +
               (one ? "it is added as a new record." : "they are added as new records.");
    return std::to_string(added) + (one ? " rad" : " rader") + " har nummer utenfor stevnets " +
           std::to_string(count) + " poster: " +
           (one ? "den legges til som ny post." : "de legges til som nye poster.");
}
std::string DuplicateProblem(Language language, int number, int value, int otherLine) {
    if (english(language))
        return line(language, number) + "number " + std::to_string(value) + " is also on line " +
               std::to_string(otherLine) + ".";
    return line(language, number) + "nummer " + std::to_string(value) + " står også på linje " +
           std::to_string(otherLine) + ".";
}
std::string UnknownClubProblem(Language language, int number, const std::string& value) {
    return line(language, number) + (english(language)
                                         ? "the club \"" + value + "\" is none of the meet's."
                                         : "klubben \"" + value + "\" er ingen av stevnets.");
}
std::string UnknownClassProblem(Language language, int number, const std::string& value) {
    return line(language, number) + (english(language)
                                         ? "the class \"" + value + "\" is none of the meet's."
                                         : "klassen \"" + value + "\" er ingen av stevnets.");
}
std::string BadPaymentProblem(Language language, int number, const std::string& value) {
    return line(language, number) + "\"" + value + "\"" +
           (english(language) ? " is no payment (1 to 4, Full, 3/4, 1/2, 1/4)."
                              : " er ingen betaling (1 til 4, Full, 3/4, 1/2, 1/4).");
}

Bilingual NotCsvText() {
    return {"The file cannot be imported, it is no CSV file: ",
            "Fila kan ikke importeres, den er ingen CSV-fil: "};
}
Bilingual EmptyFileText() {
    return {"it is empty.", "den er tom."};
}
Bilingual NoTextText() {
    return {"it holds no text.", "den inneholder ikke tekst."};
}
Bilingual NoSeparatorText() {
    return {"no comma, semicolon or tab separates the columns of its first line.",
            "ingen komma, semikolon eller tabulator skiller kolonnene i første linje."};
}
Bilingual TooLargeText() {
    return {"it is larger than any list of entries (32 MB).",
            "den er større enn noen liste av deltakere (32 MB)."};
}
std::string CsvFaultText(Language language, int number, const std::string& reason) {
    if (english(language))
        return "line " + std::to_string(number) +
               " cannot be read (a quote mark inside a cell that is not quoted, or a quoted "
               "cell that is never closed: " +
               reason + ").";
    return "linje " + std::to_string(number) +
           " kan ikke leses (et anførselstegn inne i en celle uten anførselstegn, eller en "
           "celle i anførselstegn som aldri lukkes: " +
           reason + ").";
}

std::string ImportedText(Language language, int records, const std::string& table) {
    if (english(language))
        return "Imported: " + std::to_string(records) + " records of " + table + ".";
    return "Importert: " + std::to_string(records) + " poster i " + table + ".";
}
std::string ImportedText(Language language, int records, const std::string& table, int added,
                         int count) {
    if (added == 0) return ImportedText(language, records, table);
    if (english(language))
        return "Imported: " + std::to_string(records) + " records of " + table + ", " +
               std::to_string(added) + " of them added; " + table + " holds " +
               std::to_string(count) + " records now.";
    return "Importert: " + std::to_string(records) + " poster i " + table + ", " +
           std::to_string(added) + " av dem lagt til; " + table + " har " +
           std::to_string(count) + " poster nå.";
}
Bilingual NothingImportedText() {
    return {"Nothing was imported.", "Ingenting ble importert."};
}
Bilingual ImportNotStoredText() {
    return {"The import could not be stored; nothing of it is written: ",
            "Importen kunne ikke lagres; ingenting av den er skrevet: "};
}
Bilingual ExportedText() {
    return {"The competitors, clubs and classes are written as CSV files (UTF-8) into ",
            "Deltakerne, klubbene og klassene er skrevet som CSV-filer (UTF-8) i "};
}

Bilingual StartListTextFile() {
    return {"Startlist.txt", "Startliste.txt"};
}
Bilingual StartListHtmlFile() {
    return {"Startlist.htm", "Startliste.htm"};
}
Bilingual StartListHeading() {
    return {"START LIST", "STARTLISTE"};
}
Bilingual StartListPdfFile() {
    return {"Startlist.pdf", "Startliste.pdf"};
}
Bilingual NoStartListText() {
    return {"No class has competitors yet.", "Ingen klasse har deltakere ennå."};
}
Bilingual StartListColumns() {
    return {":Number: Competitor         : Club            :",
            ":Nummer: Deltaker           : Klubb           :"};
}

std::string DuplicateNumberWarning(Language language, int number, int otherRecord) {
    if (english(language))
        return "Start number " + std::to_string(number) + " is also held by record " +
               std::to_string(otherRecord) + ".";
    return "Startnummer " + std::to_string(number) + " står også i post " +
           std::to_string(otherRecord) + ".";
}
std::string UnknownClubWarning(Language language, const std::string& club) {
    return english(language) ? "The club \"" + club + "\" is none of the meet's clubs."
                             : "Klubben \"" + club + "\" er ingen av stevnets klubber.";
}
std::string UnknownClassWarning(Language language, const std::string& className) {
    return english(language) ? "The class \"" + className +
                                   "\" is none of the meet's classes: a finish "
                                   "gives no result."
                             : "Klassen \"" + className +
                                   "\" er ingen av stevnets klasser: en målgang gir "
                                   "ikke resultat.";
}

}  // namespace kvt::lang

#include "lang/meet_texts.h"

namespace kvt::lang {

namespace {
bool english(Language language) {
    return language == Language::English;
}
}  // namespace

Bilingual TimeTableFullText() {
    return {"No more times can be registered in this meet (99999 is the most). Not registered: ",
            "Det kan ikke registreres flere tider i dette stevnet (99999 er det meste). Ikke "
            "registrert: "};
}

Bilingual NoClassForFinishText() {
    return {
        "This finish matches none of the meet's classes. The time is kept, and the result is "
        "recorded as soon as the class is put right: ",
        "Denne målgangen hører ikke til noen av stevnets klasser. Tida er tatt vare på, og "
        "resultatet registreres så snart klassen er rettet: "};
}

Bilingual NotStoredText() {
    return {"Could not be stored: ", "Kunne ikke lagres: "};
}

Bilingual KeptText() {
    return {" Everything is kept and stored as soon as the database can be written.",
            " Alt er tatt vare på og lagres så snart databasen kan skrives."};
}

std::string UnstoredStatus(Language language, int times) {
    return english(language) ? "Not stored yet: " + std::to_string(times) + " times"
                             : "Ikke lagret ennå: " + std::to_string(times) + " tider";
}

std::string UnstoredStatus(Language language, int times, int edits) {
    if (edits == 0) return UnstoredStatus(language, times);
    const std::string records = english(language)
                                    ? std::to_string(edits) + " register edits or settings"
                                    : std::to_string(edits) + " endringer i registre eller oppsett";
    if (times == 0)
        return (english(language) ? "Not stored yet: " : "Ikke lagret ennå: ") + records;
    return UnstoredStatus(language, times) + ", " + records;
}

Bilingual RecordNotStoredText() {
    return {"This record is not stored yet; it is stored as soon as the database can be written.",
            "Denne posten er ikke lagret ennå; den lagres så snart databasen kan skrives."};
}

Bilingual StoredAgainText() {
    return {"Everything is stored again.", "Alt er lagret igjen."};
}

std::string UnstoredAtCloseQuestion(Language language, int times, const std::string& reason,
                                    const std::string& recoveryFile) {
    if (english(language))
        return std::to_string(times) + " times are not stored in the meet database (" + reason +
               "). Try again to store them? Yes tries again; No writes them to the file " +
               recoveryFile + " and closes the meet.";
    return std::to_string(times) + " tider er ikke lagret i stevnedatabasen (" + reason +
           "). Prøve å lagre dem igjen? Ja prøver igjen; Nei skriver dem til fila " + recoveryFile +
           " og lukker stevnet.";
}

std::string RecoveryWrittenText(Language language, const std::string& recoveryFile) {
    return english(language)
               ? "The times that were not stored are in the file " + recoveryFile + "."
               : "Tidene som ikke ble lagret, står i fila " + recoveryFile + ".";
}

std::string RecoveryFailedText(Language language, const std::string& recoveryFile,
                               const std::string& reason) {
    if (english(language))
        return "Neither the meet database nor the file " + recoveryFile + " could be written (" +
               reason + "). The meet stays open and keeps the times that are not stored.";
    return "Verken stevnedatabasen eller fila " + recoveryFile + " kunne skrives (" + reason +
           "). Stevnet blir stående åpent og tar vare på tidene som ikke er lagret.";
}

Bilingual FolderChosenText() {
    return {"a folder was chosen, not a meet database file",
            "en mappe ble valgt, ikke en stevnedatabase"};
}

Bilingual NotAFileText() {
    return {"this is a device or a pipe, not a file",
            "dette er en enhet eller et rør, ikke en fil"};
}

Bilingual FolderReadOnlyText() {
    return {
        "the folder of the file cannot be written (the program keeps its journal and lock "
        "there)",
        "mappa filen ligger i kan ikke skrives (programmet holder journal og lås der)"};
}

Bilingual NotADatabaseText() {
    return {"the file is no database", "filen er ingen database"};
}

Bilingual CompetitorCountName() {
    return {"number of competitors", "antall deltakere"};
}

Bilingual ClubCountName() {
    return {"number of clubs", "antall klubber"};
}

Bilingual ClassCountName() {
    return {"number of classes", "antall klasser"};
}

Bilingual BadCountText() {
    return {
        "The meet's setup holds a size the program cannot use (0 to 9999 competitors, 0 to 200 "
        "clubs, 0 to 100 classes), so it is not opened: ",
        "Stevnets oppsett har en størrelse programmet ikke kan bruke (0 til 9999 deltakere, 0 "
        "til 200 klubber, 0 til 100 klasser), så det åpnes ikke: "};
}

Bilingual RegisteredCountName() {
    return {"number of registered times", "antall registrerte tider"};
}

Bilingual FetchedCountName() {
    return {"number of set times", "antall satte tider"};
}

Bilingual TimeTableSizeName() {
    return {"number of times in the time record", "antall tider i tidregisteret"};
}

Bilingual LineCountName() {
    return {"count of line ", "teller for linje "};
}

Bilingual CountsRepairedText() {
    return {"The meet's counts did not agree with its Time table and were put right from it: ",
            "Stevnets tellere stemte ikke med tidregisteret og er rettet etter det: "};
}

Bilingual MeetHeldText() {
    return {"This meet is open in another program (",
            "Dette stevnet er åpent i et annet program ("};
}

Bilingual MeetHeldAfterText() {
    return {"). It can be used here once that program has closed it.",
            "). Det kan brukes her når det programmet har lukket det."};
}

Bilingual CannotHoldText() {
    return {"The meet cannot be kept for this program alone: ",
            "Stevnet kan ikke holdes for dette programmet alene: "};
}

Bilingual UnexpectedFailureText() {
    return {"Something went wrong, nothing stored was lost: ",
            "Noe gikk galt, ingenting som var lagret er tapt: "};
}

std::string ChangesLostText(Language language, int line, long count) {
    if (english(language))
        return "Line " + std::to_string(line) +
               " changed more often than could be kept: " + std::to_string(count) +
               " changes were not seen.";
    return "Linje " + std::to_string(line) +
           " endret seg oftere enn det kunne tas vare på: " + std::to_string(count) +
           " endringer ble ikke sett.";
}

std::string RegisterFullText(Language language, const std::string& table, int count) {
    if (english(language))
        return table + " holds " + std::to_string(count) +
               " records, the most a meet can hold: nothing was added.";
    return table + " har " + std::to_string(count) +
           " poster, det meste et stevne kan ha: ingenting ble lagt til.";
}

std::string NoStartNumberText(Language language, const std::string& typed) {
    if (english(language))
        return "\"" + typed + "\" is no start number (1 to 9999): no competitor was added.";
    return "\"" + typed + "\" er ikke et startnummer (1 til 9999): ingen deltaker ble lagt til.";
}

std::string StartNumberTakenText(Language language, int number, int record) {
    if (english(language))
        return "Start number " + std::to_string(number) + " belongs to competitor record " +
               std::to_string(record) + " already: no competitor was added.";
    return "Startnummer " + std::to_string(number) + " tilhører allerede deltakerpost " +
           std::to_string(record) + ": ingen deltaker ble lagt til.";
}

std::string CompetitorAddedText(Language language, int number, int record) {
    if (english(language))
        return "Competitor " + std::to_string(number) + " added (record " +
               std::to_string(record) + "): fill in the name, club and class.";
    return "Deltaker " + std::to_string(number) + " lagt til (post " + std::to_string(record) +
           "): fyll inn navn, klubb og klasse.";
}

}  // namespace kvt::lang

#include "lang/meet_texts.h"

namespace kvt::lang {

namespace {
bool english(Language language) {
    return language == Language::English;
}
}  // namespace

Bilingual TimeTableFullText() {
    return {"No more times can be registered in this meet (32767 is the most). Not registered: ",
            "Det kan ikke registreres flere tider i dette stevnet (32767 er det meste). Ikke "
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

}  // namespace kvt::lang

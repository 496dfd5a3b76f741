#include "lang/file_texts.h"

namespace kvt::lang {

namespace {

bool english(Language language) {
    return language == Language::English;
}

// A stored language value by its name where the program has one.
std::string languageName(Language language, const std::string& value) {
    std::string digits;
    for (char c : value)
        if (c != ' ') digits += c;
    if (digits == "0") return english(language) ? "Norwegian (0)" : "norsk (0)";
    if (digits == "1") return english(language) ? "English (1)" : "engelsk (1)";
    return english(language) ? "\"" + value + "\", which is none of the program's languages"
                             : "\"" + value + "\", som ikke er noe av programmets språk";
}

}  // namespace

std::string MadeWithLanguageText(Language language, const std::string& madeWith) {
    return english(language) ? " This meet was made with the language " +
                                   languageName(language, madeWith) + "."
                             : " Dette stevnet ble laget med språket " +
                                   languageName(language, madeWith) + ".";
}

std::string UserLanguageWrongText(Language language, const std::string& value) {
    if (english(language))
        return "The user settings (User.ini) give the language \"" + value +
               "\", which is none of the program's (0 Norwegian, 1 English), so no meet can be "
               "opened, made or reset. Choose the language on the setup page, and try again.";
    return "Brukerinnstillingene (User.ini) oppgir språket \"" + value +
           "\", som ikke er noe av programmets (0 norsk, 1 engelsk), så ingen stevner kan "
           "åpnes, lages eller resettes. Velg språk på oppsettsiden, og prøv på nytt.";
}

std::string TooManyTimeRowsText(Language language, long long rows) {
    return english(language)
               ? "the time record holds " + std::to_string(rows) +
                     " rows, more than the 99999 times a meet can keep"
               : "tidregisteret har " + std::to_string(rows) +
                     " rader, flere enn de 99999 tidene et stevne kan holde";
}

std::string ResetQuestion(Language language, const std::string& meet, long long times,
                          long long results) {
    if (english(language))
        return "Reset the meet " + meet + "? It holds " + std::to_string(times) +
               " registered times and " + std::to_string(results) +
               " results, which are all deleted. Competitors, clubs, classes and the setup are "
               "kept.";
    return "Resette stevnet " + meet + "? Det har " + std::to_string(times) +
           " registrerte tider og " + std::to_string(results) +
           " resultater, som alle slettes. Deltakere, klubber, klasser og oppsettet beholdes.";
}

std::string ResetDoneText(Language language, const std::string& meet) {
    return english(language) ? "The meet " + meet + " is reset."
                             : "Stevnet " + meet + " er resatt.";
}

std::string CopiedText(Language language, const std::string& copy) {
    return english(language) ? "The database is copied to " + copy + "."
                             : "Databasen er kopiert til " + copy + ".";
}

std::string CompressedText(Language language, const std::string& meet) {
    return english(language) ? "The database " + meet + " is compressed."
                             : "Databasen " + meet + " er komprimert.";
}

std::string FoundWholeText(Language language, const std::string& meet) {
    return english(language) ? "The database " + meet + " is checked and whole; nothing changed."
                             : "Databasen " + meet + " er kontrollert og hel; ingenting er endret.";
}

Bilingual WholeButNoMeetText() {
    return {"The database is whole, but it cannot be opened as a meet database: ",
            "Databasen er hel, men den kan ikke åpnes som stevnedatabase: "};
}

Bilingual RebuiltButNoMeetText() {
    return {"The database was rebuilt, but it still cannot be opened as a meet database: ",
            "Databasen er bygd opp igjen, men den kan fortsatt ikke åpnes som stevnedatabase: "};
}

}  // namespace kvt::lang

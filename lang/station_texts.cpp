#include "lang/station_texts.h"

namespace kvt::lang {

namespace {

std::string Station(Language language, int station) {
    if (language == Language::English)
        return station > 0 ? "Station " + std::to_string(station) : "Another station";
    return station > 0 ? "Stasjon " + std::to_string(station) : "En annen stasjon";
}

}  // namespace

std::string GivenElsewhereText(Language language, int station, int number, bool start,
                               const std::string& time) {
    if (language == Language::English)
        return Station(language, station) + " gave competitor " + std::to_string(number) +
               (start ? " a start at " : " a finish at ") + time;
    return Station(language, station) + " ga deltaker " + std::to_string(number) +
           (start ? " start " : " mål ") + time;
}

std::string NotGivenText(Language language) {
    return language == Language::English
               ? "The time was not given: it stays in the list."
               : "Tida ble ikke gitt: den står i lista.";
}

std::string KeptGiveText(Language language, int number, bool start, const std::string& time) {
    if (language == Language::English)
        return "Given while the server was away: competitor " + std::to_string(number) +
               (start ? " a start at " : " a finish at ") + time + ".";
    return "Gitt mens serveren var borte: deltaker " + std::to_string(number) +
           (start ? " start " : " mål ") + time + ".";
}

std::string TurnNotHadText(Language language) {
    return language == Language::English
               ? "the server is away or another station holds the meet: what was done waits to "
                 "be stored"
               : "serveren er borte eller en annen stasjon holder stevnet: det som ble gjort "
                 "venter på å bli lagret";
}

std::string CorrectionNeedsServerText(Language language) {
    return language == Language::English
               ? "The server is away or another station holds the meet: corrections and statuses "
                 "are made only once it answers, so that another station's work is never written "
                 "over. Nothing was changed; try again in a moment"
               : "Serveren er borte eller en annen stasjon holder stevnet: rettelser og statuser "
                 "gjøres først når den svarer, så en annen stasjons arbeid aldri skrives over. "
                 "Ingenting ble endret; prøv igjen om litt";
}

std::string EditedElsewhereText(Language language, int station, int number,
                                const std::string& subject, const std::string& change) {
    const std::string what =
        number < 0 ? subject
                   : (language == Language::English ? "competitor " : "deltaker ") +
                         std::to_string(number);
    if (language == Language::English)
        return Station(language, station) + " changed " + what + " (" + change +
               ") a moment ago: this change was not stored.";
    return Station(language, station) + " endret " + what + " (" + change +
           ") for et øyeblikk siden: denne endringen ble ikke lagret.";
}

}  // namespace kvt::lang

#include "lang/timer_texts.h"

#include <cstdio>

namespace kvt::lang {

std::string TimerLinkText(Language language, TimerLinkCondition condition, const std::string& port,
                          int rate) {
    const bool en = language == Language::English;
    const std::string baud = std::to_string(rate);
    switch (condition) {
        case TimerLinkCondition::Working:
            return en ? "The timer is connected on " + port + "."
                      : "Tidtakeruret er tilkoblet på " + port + ".";
        case TimerLinkCondition::NoPort:
            return en ? "The timer's port " + port +
                            " is not there. Check that the cable (or its USB adapter) is plugged "
                            "in, and that the port named here is the one it uses."
                      : "Porten " + port +
                            " for tidtakeruret finnes ikke. Sjekk at kabelen (eller USB-adapteren) "
                            "er satt i, og at porten som er valgt her er den den bruker.";
        case TimerLinkCondition::NothingReceived:
            return en ? "The port " + port +
                            " is open, but nothing has come from the timer yet. Check that the "
                            "timer is switched on, that the cable is in at both ends and that the "
                            "timer is set to send its times to the PC; then give one impulse "
                            "(START on the timer) to try it."
                      : "Porten " + port +
                            " er åpen, men ingenting er kommet fra tidtakeruret ennå. Sjekk at "
                            "uret er slått på, at kabelen sitter i begge ender og at uret er "
                            "innstilt på å sende tidene til PC-en; gi så én impuls (START på "
                            "uret) for å prøve.";
        case TimerLinkCondition::WrongRate:
            return en ? "Something comes from the timer, but it cannot be read: the timer is "
                        "most likely set to another speed than the program. The program is set "
                        "to " +
                            baud + " baud; set the same speed on the timer or here."
                      : "Det kommer noe fra tidtakeruret, men det kan ikke leses: uret er "
                        "trolig innstilt på en annen hastighet enn programmet. Programmet er "
                        "innstilt på " +
                            baud + " baud; still inn det samme på uret eller her.";
        case TimerLinkCondition::Garbage:
            return en ? "The timer sends, but not in the form of the timer chosen here. Check "
                        "that the kind of timer is right, and that the timer is set to send its "
                        "times (not its print-out or scoreboard data) to the PC."
                      : "Tidtakeruret sender, men ikke slik uret som er valgt her gjør. Sjekk at "
                        "riktig type ur er valgt, og at uret er innstilt på å sende tidene (ikke "
                        "utskrift eller data til resultattavle) til PC-en.";
        case TimerLinkCondition::Back:
            return en ? "The timer is connected again on " + port +
                            "; the times it stamped meanwhile were asked from its memory."
                      : "Tidtakeruret er tilkoblet igjen på " + port +
                            "; tidene det tok i mellomtiden er hentet fra minnet.";
        case TimerLinkCondition::Cut:
            return en ? "The connection to the timer is lost: the cable came out or the timer "
                        "was switched off. The program connects again by itself when it comes "
                        "back, and then fetches the times it missed from the timer's memory."
                      : "Forbindelsen til tidtakeruret er brutt: kabelen falt ut eller uret ble "
                        "slått av. Programmet kobler seg til igjen av seg selv når det kommer "
                        "tilbake, og henter da tidene det gikk glipp av fra urets minne.";
    }
    return "";
}

std::string TimerOffsetText(Language language, bool known, long long microseconds) {
    const bool en = language == Language::English;
    if (!known)
        return en ? "The timer's clock is compared with the race clock at its first time."
                  : "Urets klokke sammenlignes med løpsklokka ved første tid.";
    const long long magnitude = microseconds < 0 ? -microseconds : microseconds;
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%lld.%03lld", magnitude / 1000000,
                  magnitude / 1000 % 1000);
    const bool ahead = microseconds >= 0;
    if (en)
        return std::string("The timer's clock is ") + seconds + " s " +
               (ahead ? "ahead of" : "behind") +
               " the race clock; its times count as the timer stamped them.";
    return std::string("Urets klokke går ") + seconds + " s " + (ahead ? "foran" : "etter") +
           " løpsklokka; tidene gjelder slik uret tok dem.";
}

std::string MixedClocksText(Language language, const std::string& name, int number,
                            bool startFromTimer) {
    const std::string who = name + " (" + std::to_string(number) + ")";
    if (language == Language::English)
        return "Start and finish of " + who + " come from different clocks: the start from " +
               (startFromTimer ? "the timer" : "the PC's clock") + ", the finish from " +
               (startFromTimer ? "the PC's clock" : "the timer") +
               ". Check the race time against the timer's tape.";
    return "Start og mål for " + who + " kommer fra forskjellige klokker: starten fra " +
           (startFromTimer ? "tidtakeruret" : "PC-ens klokke") + ", målgangen fra " +
           (startFromTimer ? "PC-ens klokke" : "tidtakeruret") +
           ". Sjekk løpstiden mot urets papirstrimmel.";
}

std::string TimerRecordReadText(Language language, const std::string& channel, int line,
                                const std::string& time, int number, const std::string& marks) {
    const bool en = language == Language::English;
    std::string text = channel.empty() ? "-" : channel;
    text += line > 0 ? (en ? ", line " : ", linje ") + std::to_string(line)
                     : (en ? ", no line" : ", ingen linje");
    if (!time.empty()) text += ", " + time;
    if (number >= 0) text += (en ? ", no. " : ", nr. ") + std::to_string(number);
    if (!marks.empty()) text += ", " + marks;
    return text;
}

Bilingual TimerMemoryAskedText() {
    return {"The timer was asked for the times in its memory.",
            "Tidtakeruret er bedt om tidene i minnet."};
}

Bilingual TimerOptionNeedsMeetText() {
    return {"Open a meet first: this option is kept in the meet.",
            "Åpne et stevne først: dette valget lagres i stevnet."};
}

std::string TimerRecordCountText(Language language, long read, long unreadable) {
    if (language == Language::English)
        return std::to_string(read) + " records read, " + std::to_string(unreadable) +
               " could not be read";
    return std::to_string(read) + " poster lest, " + std::to_string(unreadable) +
           " kunne ikke leses";
}

Bilingual TimerClearedText() {
    return {"cleared on the timer", "slettet på uret"};
}

Bilingual TimerDisqualifiedText() {
    return {"disqualified on the timer", "disket på uret"};
}

Bilingual TimerFromMemoryText() {
    return {"from the timer's memory", "fra urets minne"};
}

Bilingual TimerRepeatedText() {
    return {"already received", "allerede mottatt"};
}

Bilingual TimerNoValidNumberText() {
    return {"no valid start number", "ikke gyldig startnummer"};
}

Bilingual TimerByHandText() {
    return {"given by hand", "gitt for hånd"};
}

Bilingual TimerUnreadableText() {
    return {"could not be read", "kunne ikke leses"};
}

}  // namespace kvt::lang

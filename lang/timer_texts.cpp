#include "lang/timer_texts.h"

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

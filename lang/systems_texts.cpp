#include "lang/systems_texts.h"

namespace kvt::lang {

namespace {
bool english(Language language) {
    return language == Language::English;
}
std::string what(Language language, bool finish) {
    return english(language) ? (finish ? "finish" : "start") : (finish ? "målgang" : "start");
}
}  // namespace

std::string ReplacementHasAText(Language language, int n, bool finish) {
    return english(language)
               ? "Start number " + std::to_string(n) + " has a " + what(language, finish) +
                     " from system A: it needs no replacement."
               : "Startnummer " + std::to_string(n) + " har " + what(language, finish) +
                     " fra system A: den trenger ingen erstatningstid.";
}

std::string ReplacementNoBText(Language language, int n, bool finish) {
    return english(language)
               ? "Start number " + std::to_string(n) + " has no " + what(language, finish) +
                     " from system B or by hand to compute a replacement from."
               : "Startnummer " + std::to_string(n) + " har ingen " + what(language, finish) +
                     " fra system B eller for hånd å beregne en erstatningstid fra.";
}

std::string ReplacementNoBasisText(Language language) {
    return english(language) ? "No competitor has times of both systems yet."
                             : "Ingen deltaker har tider fra begge systemene ennå.";
}

std::string ReplacementReasonText(Language language, bool hand, const std::string& own,
                                  const std::string& mean, int count) {
    if (english(language))
        return std::string("Replacement from ") + (hand ? "hand time " : "B ") + own +
               ", mean A - B " + mean + " over " + std::to_string(count);
    return std::string("Erstatningstid fra ") + (hand ? "håndtid " : "B ") + own +
           ", snitt A - B " + mean + " over " + std::to_string(count);
}

std::string OutOfSyncText(Language language, int n, const std::string& difference) {
    return english(language) ? "Systems A and B out of sync: A - B is " + difference +
                                   " s for start number " + std::to_string(n) + "."
                             : "System A og B går ikke i takt: A - B er " + difference +
                                   " s for startnummer " + std::to_string(n) + ".";
}

std::string NotUnpairedBText(Language language, int entry) {
    return english(language)
               ? "Impulse " + std::to_string(entry) +
                     " is no time of system B (or by hand) that belongs to no one."
               : "Impuls " + std::to_string(entry) +
                     " er ingen tid fra system B (eller for hånd) som ikke hører til noen.";
}

std::string BadHandTimesText(Language language, const std::vector<int>& lines) {
    std::string list;
    for (int line : lines) list += (list.empty() ? "" : ", ") + std::to_string(line);
    return english(language) ? "These lines hold no start number and time of day: " + list +
                                   ". Nothing was read."
                             : "Disse linjene har ikke startnummer og klokkeslett: " + list +
                                   ". Ingenting ble lest.";
}

std::string NoSyncImpulsesText(Language language) {
    return english(language)
               ? "The synchronisation needs an impulse of system A and one of system B."
               : "Synkroniseringen trenger en impuls fra system A og en fra system B.";
}

std::string SyncAgreeText(Language language, bool agree, const std::string& difference) {
    if (english(language))
        return std::string(agree ? "The systems agree" : "The systems do NOT agree") +
               " within 0.001 s: the check differs by " + difference + " s.";
    return std::string(agree ? "Systemene stemmer" : "Systemene stemmer IKKE") +
           " innen 0,001 s: kontrollen avviker med " + difference + " s.";
}

std::string SystemsHeading(Language language) {
    return english(language) ? "Systems A and B" : "System A og B";
}

std::vector<std::string> SystemsColumns(Language language) {
    return english(language) ? std::vector<std::string>{"Line", "System", "Times"}
                             : std::vector<std::string>{"Linje", "System", "Tar tid for"};
}

std::string SystemWord(Language language, bool b, int use) {
    std::string word = b ? "B" : "A";
    if (use == 1) word += english(language) ? ": start" : ": start";
    if (use == 2) word += english(language) ? ": finish" : ": målgang";
    if (use == 0) word += english(language) ? ": start or finish" : ": start eller målgang";
    return word;
}

std::string SystemsSettingsText(Language language, const std::string& window,
                                const std::string& bound) {
    return english(language) ? "Pairing window " + window + " s; out of sync beyond " + bound + " s"
                             : "Vindu for par " + window + " s; ute av takt over " + bound + " s";
}

std::string SyncHeading(Language language) {
    return english(language) ? "Synchronisation and check" : "Synkronisering og kontroll";
}

std::vector<std::string> SyncColumns(Language language) {
    return english(language) ? std::vector<std::string>{"", "A", "B", "A - B"}
                             : std::vector<std::string>{"", "A", "B", "A - B"};
}

std::string SyncRowText(Language language, bool check) {
    if (check) return english(language) ? "Check" : "Kontroll";
    return english(language) ? "Synchronisation" : "Synkronisering";
}

std::string CompetitorsHeading(Language language) {
    return english(language) ? "Each competitor's times of A and B"
                             : "Tidene fra A og B for hver deltaker";
}

std::vector<std::string> CompetitorsColumns(Language language) {
    if (english(language)) return {"Start no.", "", "A", "B", "A - B"};
    return {"Startnr.", "", "A", "B", "A - B"};
}

std::string CompetitorsUseText(Language language, bool finish) {
    return what(language, finish);
}

std::string ReplacementMark(Language language) {
    return english(language) ? "replacement" : "erstatningstid";
}

std::string ReplacementResultMark(Language language) {
    return english(language) ? " R" : " E";
}

std::string HandMark(Language language) {
    return english(language) ? "(hand)" : "(hånd)";
}

std::string ReplacementsHeading(Language language) {
    return english(language) ? "Replacement times" : "Erstatningstider";
}

std::string ReplacementOfText(Language language, int n, bool finish, const std::string& time) {
    if (english(language))
        return "start number " + std::to_string(n) + ", " + what(language, finish) + " " + time;
    return "startnummer " + std::to_string(n) + ", " + what(language, finish) + " " + time;
}

std::vector<std::string> ReplacementFormula(Language language, bool hand, const std::string& own,
                                            const std::string& mean, int count) {
    if (english(language))
        return {hand ? "Hand time" : "B", own, "+ mean A - B", mean, "of " + std::to_string(count)};
    return {hand ? "Håndtid" : "B", own, "+ snitt A - B", mean, "av " + std::to_string(count)};
}

std::vector<std::string> BasisColumns(Language language) {
    return english(language) ? std::vector<std::string>{"Start no.", "A", "B", "A - B"}
                             : std::vector<std::string>{"Startnr.", "A", "B", "A - B"};
}

std::string NoReplacementsText(Language language) {
    return english(language) ? "No replacement times." : "Ingen erstatningstider.";
}

std::string ReplacementQuestion(Language language, int n, bool finish, const std::string& time,
                                const std::string& reason) {
    if (english(language))
        return "Replacement " + what(language, finish) + " of start number " + std::to_string(n) +
               ": " + time + "\n" + reason + ".\n\nAccept it? (No: type another time by hand.)";
    return "Erstatningstid for " + what(language, finish) + " til startnummer " +
           std::to_string(n) + ": " + time + "\n" + reason +
           ".\n\nGodta den? (Nei: skriv en annen tid for hånd.)";
}

std::string ReplacementTitle(Language language) {
    return english(language) ? "Replacement time" : "Erstatningstid";
}

std::vector<std::string> LineSystemChoices(Language language) {
    if (english(language)) return {"A", "A: start", "A: finish", "B: start", "B: finish"};
    return {"A", "A: start", "A: målgang", "B: start", "B: målgang"};
}

std::string LastPairedText(Language language, const std::string& pairs) {
    return (english(language) ? "A - B of the last ones: " : "A - B for de siste: ") + pairs;
}

std::string SyncStateText(Language language, const std::string& sync, const std::string& check) {
    return english(language) ? "Synchronisation: " + sync + ".  Check: " + check + "."
                             : "Synkronisering: " + sync + ".  Kontroll: " + check + ".";
}

std::string HandTimesFileTitle(Language language, bool finish) {
    if (english(language))
        return finish ? "Hand finishes (start number and time, or times in order)"
                      : "Hand starts (start number and time, or times in order)";
    return finish ? "Målganger for hånd (startnummer og tid, eller tider i rekkefølge)"
                  : "Starter for hånd (startnummer og tid, eller tider i rekkefølge)";
}

std::string HandTimesReadText(Language language, int count) {
    return english(language) ? std::to_string(count) + " hand times are read and stored."
                             : std::to_string(count) + " håndtider er lest og lagret.";
}

std::string NotASecondsText(Language language, const std::string& typed) {
    return english(language) ? "\"" + typed + "\" is no number of seconds above 0."
                             : "\"" + typed + "\" er ikke et antall sekunder over 0.";
}

const std::vector<CaptionRow>& SystemsCaptions() {
    static const std::vector<CaptionRow> rows = {
        {"SetupLineSystemHeading", 0, {"System", "System"}},
        {"SetupSystemsFrame", 0, {"Systems A and B", "System A og B"}},
        {"SetupSystemsWindowLabel", 0, {"Pairing window (s)", "Vindu for par (s)"}},
        {"SetupSystemsBoundLabel", 0, {"Out of sync beyond (s)", "Ute av takt over (s)"}},
        {"SetupSystemsUseButton", 0, {"Use these systems", "Bruk disse systemene"}},
        {"SetupSyncButton", 0, {"Record the synchronisation", "Registrer synkroniseringen"}},
        {"SetupSyncCheckButton", 0, {"Record the check", "Registrer kontrollen"}},
        {"SetupHandStartsButton", 0, {"Hand starts from a file...", "Starter for hånd fra fil..."}},
        {"SetupHandFinishesButton", 0,
         {"Hand finishes from a file...", "Målganger for hånd fra fil..."}},
        {"ResultsCorrectionReplaceStart", 0, {"Replacement start...", "Erstatningstid start..."}},
        {"ResultsCorrectionReplaceFinish", 0, {"Replacement finish...", "Erstatningstid mål..."}},
        {"ResultsCorrectionWatchStart", 0, {"Watch's start", "Start fra klokke"}},
        {"ResultsCorrectionWatchFinish", 0, {"Watch's finish", "Mål fra klokke"}},
    };
    return rows;
}

}  // namespace kvt::lang

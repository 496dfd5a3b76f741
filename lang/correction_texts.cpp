#include "lang/correction_texts.h"

namespace kvt::lang {

namespace {
bool english(Language language) {
    return language == Language::English;
}
std::string number(int n) {
    return std::to_string(n);
}
}  // namespace

std::string NoSuchTimeText(Language language, int row) {
    return english(language) ? "There is no registered time " + number(row) + "."
                             : "Det finnes ingen registrert tid " + number(row) + ".";
}

std::string StartOfAllText(Language language) {
    return english(language)
               ? "This time is the start of all: it cannot be given to or taken from one "
                 "competitor."
               : "Denne tida er start for alle: den kan ikke gis til eller tas fra én deltaker.";
}

std::string HasFinishText(Language language, int n) {
    return english(language)
               ? "Start number " + number(n) + " has a finish already: take it back first."
               : "Startnummer " + number(n) + " har allerede en målgang: ta den tilbake først.";
}

std::string NothingToTakeBackText(Language language, int n, bool finish) {
    if (english(language))
        return "Start number " + number(n) + " has no " + (finish ? "finish" : "start") +
               " to take back.";
    return "Startnummer " + number(n) + " har ingen " + (finish ? "målgang" : "start") +
           " å ta tilbake.";
}

std::string NotATimeText(Language language, const std::string& typed) {
    return english(language)
               ? "Not a time of day (HH.MM.SS.hh): \"" + typed + "\". Nothing was changed."
               : "Ikke et klokkeslett (TT.MM.SS.hh): \"" + typed + "\". Ingenting ble endret.";
}

std::string ReasonNeededText(Language language) {
    return english(language)
               ? "Give the reason for a time set by hand (for instance: backup watch). Nothing "
                 "was changed."
               : "Skriv grunnen til en tid satt for hånd (for eksempel: reserveklokke). "
                 "Ingenting ble endret.";
}

std::string NoStartText(Language language, int n) {
    return english(language)
               ? "Start number " + number(n) + " has no start: give the start first."
               : "Startnummer " + number(n) + " har ingen start: gi starten først.";
}

std::string NothingToUndoText(Language language) {
    return english(language) ? "There is no correction to undo."
                             : "Det finnes ingen retting å angre.";
}

std::string NothingToRedoText(Language language) {
    return english(language) ? "There is no correction to redo."
                             : "Det finnes ingen retting å gjøre om igjen.";
}

std::string CannotUndoText(Language language) {
    return english(language)
               ? "The correction cannot be undone: its times were given again since. Nothing "
                 "was changed."
               : "Rettingen kan ikke angres: tidene er gitt på nytt siden. Ingenting ble endret.";
}

std::string NotGivenText(Language language, int row) {
    return english(language)
               ? "Registered time " + number(row) + " is given to no competitor: there is "
                 "nothing to take back."
               : "Registrert tid " + number(row) + " er ikke gitt til noen deltaker: det er "
                 "ingenting å ta tilbake.";
}

std::string NoCompetitorNumberText(Language language, const std::string& typed) {
    return english(language)
               ? "No competitor has the start number \"" + typed + "\". Nothing was changed."
               : "Ingen deltaker har startnummer \"" + typed + "\". Ingenting ble endret.";
}

std::string ReassignedText(Language language, int row, int from, int to) {
    const std::string fromText = from > 0 ? number(from) : "-";
    return english(language) ? "Time " + number(row) + " given to " + number(to) +
                                   " in place of " + fromText
                             : "Tid " + number(row) + " gitt til " + number(to) + " i stedet for " +
                                   fromText;
}

std::string TakenBackText(Language language, int n, bool finish) {
    if (english(language))
        return std::string(finish ? "Finish" : "Start") + " of " + number(n) + " taken back";
    return std::string(finish ? "Målgang" : "Start") + " for " + number(n) + " tatt tilbake";
}

std::string HandTimeText(Language language, int n, bool finish, const std::string& time) {
    if (english(language))
        return std::string(finish ? "Finish" : "Start") + " of " + number(n) + " set by hand to " +
               time;
    return std::string(finish ? "Målgang" : "Start") + " for " + number(n) +
           " satt for hånd til " + time;
}

std::string UndoTitleText(Language language) {
    return english(language) ? "Undo: " : "Angre: ";
}

std::string RedoTitleText(Language language) {
    return english(language) ? "Redo: " : "Gjør om: ";
}

std::string TrailActionText(Language language, const std::string& action) {
    static const struct {
        const char* action;
        Bilingual text;
    } names[] = {
        {"start", {"Start", "Start"}},
        {"finish", {"Finish", "Målgang"}},
        {"start-all", {"Start of all", "Start for alle"}},
        {"edit", {"Register edited", "Register endret"}},
        {"setting", {"Setting", "Innstilling"}},
        {"import", {"Import", "Import"}},
        {"reset", {"Reset", "Nullstilling"}},
        {"reassign", {"Time given to another", "Tid gitt til en annen"}},
        {"take-back", {"Taken back", "Tatt tilbake"}},
        {"hand-time", {"Time by hand", "Tid for hånd"}},
        {"undo", {"Undone", "Angret"}},
        {"redo", {"Redone", "Gjort om"}},
        {"hand-times", {"Hand times", "Håndtider"}},
        {"b-given", {"Time of B given", "Tid fra B gitt"}},
        {"sync", {"Systems synchronised", "Systemene synkronisert"}},
    };
    for (const auto& name : names)
        if (action == name.action) return name.text.in(language);
    return action;
}

std::string TimingReportTitle(Language language) {
    return english(language) ? "Timing report" : "Tidtakerrapport";
}

std::string TimingReportFile(Language language) {
    return english(language) ? "Timing report.pdf" : "Tidtakerrapport.pdf";
}

std::vector<std::string> TimingReportColumns(Language language) {
    if (english(language))
        return {"No.", "When", "Station, user", "Action", "Start no.", "What", "Before", "After",
                "Reason"};
    return {"Nr.", "Når", "Maskin, bruker", "Handling", "Startnr.", "Hva", "Før", "Etter",
            "Grunn"};
}

std::string TimingReportEmpty(Language language) {
    return english(language) ? "No changes are recorded." : "Ingen endringer er registrert.";
}

std::string TimingReportOf(Language language, int n) {
    if (n > 0)
        return (english(language) ? "Changes for start number " : "Endringer for startnummer ") +
               number(n);
    return english(language) ? "Every change, newest first" : "Alle endringer, nyeste først";
}

std::string TrailNewestText(Language language, int shown, int all) {
    return english(language) ? "The newest " + number(shown) + " of " + number(all) +
                                   " changes are shown; the timing report holds them all."
                             : "De nyeste " + number(shown) + " av " + number(all) +
                                   " endringer vises; tidtakerrapporten har alle.";
}

std::string RefereeSignatureText(Language language) {
    return english(language) ? "Checked by the referee (date, name, signature):"
                             : "Kontrollert av dommer (dato, navn, underskrift):";
}

const std::vector<CaptionRow>& CorrectionCaptions() {
    static const std::vector<CaptionRow> rows = {
        {"TimeCorrectionBox", 0, {"Correct the chosen time", "Rett tida som er valgt"}},
        {"TimeCorrectionGiveToLabel", 0, {"Give to start number", "Gi til startnummer"}},
        {"TimeCorrectionReassign", 0, {"Give to number", "Gi til nummer"}},
        {"TimeCorrectionTakeBack", 0, {"Take back", "Ta tilbake"}},
        {"TimeCorrectionUndo", 0, {"Undo", "Angre"}},
        {"TimeCorrectionRedo", 0, {"Redo", "Gjør om"}},
        {"ResultsCorrectionBox", 0, {"Correct a competitor's times", "Rett tidene til en deltaker"}},
        {"ResultsCorrectionNumberLabel", 0,
         {"Start number (empty: the chosen row)", "Startnummer (tomt: raden som er valgt)"}},
        {"ResultsCorrectionGiveToLabel", 0,
         {"Give the finish to start number", "Gi målgangen til startnummer"}},
        {"ResultsCorrectionTimeLabel", 0, {"Time (HH.MM.SS.hh)", "Tid (TT.MM.SS.hh)"}},
        {"ResultsCorrectionReasonLabel", 0, {"Reason", "Grunn"}},
        {"ResultsCorrectionReassign", 0, {"Give finish to number", "Gi målgang til nummer"}},
        {"ResultsCorrectionTakeBackStart", 0, {"Take back start", "Ta tilbake start"}},
        {"ResultsCorrectionTakeBackFinish", 0, {"Take back finish", "Ta tilbake målgang"}},
        {"ResultsCorrectionHandStart", 0, {"Start by hand", "Start for hånd"}},
        {"ResultsCorrectionHandFinish", 0, {"Finish by hand", "Målgang for hånd"}},
        {"ResultsCorrectionUndo", 0, {"Undo", "Angre"}},
        {"ResultsCorrectionRedo", 0, {"Redo", "Gjør om"}},
        {"ResultsTabStrip", 3, {"&Trail of changes", "&Endringslogg"}},
        {"TrailFilterLabel", 0,
         {"Start number (empty: every change)", "Startnummer (tomt: alle endringer)"}},
        {"TrailPrint", 0, {"Print timing report...", "Skriv ut tidtakerrapport..."}},
        {"TrailPdf", 0, {"Timing report as PDF...", "Tidtakerrapport som PDF..."}},
    };
    return rows;
}

}  // namespace kvt::lang

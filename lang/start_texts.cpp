#include "lang/start_texts.h"

namespace kvt::lang {

Bilingual EarlyStartText() {
    return {"Early start, for the jury: ", "Tjuvstart, til juryen: "};
}
Bilingual LateStartText() {
    return {"Late start, for the jury: ", "For sen start, til juryen: "};
}
Bilingual ClassStartedText() {
    return {"The starts of this class have begun; its draw and mode stay as they are: ",
            "Starten i denne klassen er i gang; trekning og startmåte står som de er: "};
}
Bilingual NoFirstStartText() {
    return {"No first start is set for this class, and no class before it to follow: ",
            "Klassen har ingen første start, og ingen klasse foran seg å følge: "};
}
Bilingual IntervalClassNotMassText() {
    return {"A class started at intervals is not started all at once: ",
            "En klasse med intervallstart startes ikke samlet: "};
}
Bilingual DrawnText() {
    return {"Drawn: ", "Trukket: "};
}
Bilingual DrawnClassesText() {
    return {" competitors in classes ", " deltakere i klassene "};
}
Bilingual MassStartedText() {
    return {"Started together at ", "Fellesstart kl. "};
}
Bilingual CompetitorsStartedText() {
    return {" competitors started", " deltakere startet"};
}
Bilingual ImpulseModeText() {
    return {"By impulse", "Med startimpuls"};
}
Bilingual IntervalModeText() {
    return {"Interval", "Intervallstart"};
}
Bilingual MassModeText() {
    return {"Mass / wave", "Fellesstart / puljer"};
}
Bilingual ByNumberOrderText() {
    return {"By start number", "Etter startnummer"};
}
Bilingual RandomOrderText() {
    return {"Random draw", "Tilfeldig trekning"};
}
Bilingual ListOrderText() {
    return {"Order of a list", "Rekkefølge fra liste"};
}
Bilingual EarlyMarkText() {
    return {"Early", "Tidlig"};
}
Bilingual LateMarkText() {
    return {"Late", "Sen"};
}
Bilingual StartTimeHeading() {
    return {"Start", "Start"};
}
Bilingual TimedStartListColumns() {
    return {":Start      :Number: Competitor         : Club            :",
            ":Start      :Nummer: Deltaker           : Klubb           :"};
}
Bilingual StartsTabCaption() {
    return {"S&tarts", "S&tarter"};
}
Bilingual StartsClassLabel() {
    return {"Class", "Klasse"};
}
Bilingual StartsModeLabel() {
    return {"Start mode", "Startmåte"};
}
Bilingual StartsFirstStartLabel() {
    return {"First start (hh.mm.ss)", "Første start (tt.mm.ss)"};
}
Bilingual StartsIntervalLabel() {
    return {"Interval (s)", "Intervall (s)"};
}
Bilingual StartsOrderLabel() {
    return {"Order", "Rekkefølge"};
}
Bilingual StartsListLabel() {
    return {"List of start numbers", "Liste over startnummer"};
}
Bilingual StartsGapLabel() {
    return {"Gap after class (s)", "Pause etter klassen (s)"};
}
Bilingual StartsSequenceLabel() {
    return {"Place in start order", "Plass i startrekkefølgen"};
}
Bilingual StartsToleranceLabel() {
    return {"Tolerance (s)", "Toleranse (s)"};
}
Bilingual StartsSetButton() {
    return {"&Keep", "&Lagre"};
}
Bilingual StartsDrawButton() {
    return {"&Draw", "&Trekk"};
}
Bilingual StartsMassTimeLabel() {
    return {"Mass start at (hh.mm.ss)", "Fellesstart kl. (tt.mm.ss)"};
}
Bilingual StartsMassButton() {
    return {"Start class &at time", "Start klassen &kl."};
}
Bilingual StartsMassImpulseButton() {
    return {"Start class at last &impulse", "Start klassen på siste &impuls"};
}
Bilingual StartsJuryLabel() {
    return {"Starts outside the tolerance (for the jury)",
            "Starter utenfor toleransen (til juryen)"};
}
Bilingual StartsNoMeetText() {
    return {"No meet is open.", "Ingen stevnebase er åpnet."};
}
Bilingual StartsBadValueText() {
    return {"Not a value this box takes: ", "Ikke en verdi denne boksen tar: "};
}

const std::vector<CaptionRow>& StartsPageCaptions() {
    static const std::vector<CaptionRow> rows = {
        {"MainTabStrip", 7, StartsTabCaption()},
        {"StartsLabel_0", 0, StartsClassLabel()},
        {"StartsLabel_1", 0, StartsModeLabel()},
        {"StartsLabel_2", 0, StartsFirstStartLabel()},
        {"StartsLabel_3", 0, StartsIntervalLabel()},
        {"StartsLabel_4", 0, StartsOrderLabel()},
        {"StartsLabel_5", 0, StartsListLabel()},
        {"StartsLabel_6", 0, StartsGapLabel()},
        {"StartsLabel_7", 0, StartsSequenceLabel()},
        {"StartsLabel_8", 0, StartsToleranceLabel()},
        {"StartsLabel_9", 0, StartsMassTimeLabel()},
        {"StartsLabel_10", 0, {"Classes started together (numbers)", "Klasser som starter sammen (nummer)"}},
        {"StartsLabel_11", 0, StartsJuryLabel()},
        {"StartsKeepButton", 0, StartsSetButton()},
        {"StartsDrawButton", 0, StartsDrawButton()},
        {"StartsMassButton", 0, StartsMassButton()},
        {"StartsMassImpulseButton", 0, StartsMassImpulseButton()},
    };
    return rows;
}

}  // namespace kvt::lang

#include "lang/run_texts.h"

namespace kvt::lang {

Bilingual RunText() {
    return {"Run ", "Omgang "};
}
Bilingual CombinedText() {
    return {"Combined", "Sammenlagt"};
}
Bilingual TotalText() {
    return {"Total", "Totalt"};
}
Bilingual PlaceHeadText() {
    return {"Place", "Plass"};
}
Bilingual NumberHeadText() {
    return {"No.", "Nr."};
}
Bilingual NameHeadText() {
    return {"Name", "Navn"};
}
Bilingual ClubHeadText() {
    return {"Club", "Klubb"};
}
Bilingual DifferenceHeadText() {
    return {"Diff.", "Diff."};
}
Bilingual CombinedHeadingText() {
    return {"Combined results", "Sammenlagte resultater"};
}
Bilingual NoSuchRunText() {
    return {"No such run; runs of the meet: ", "Ingen slik omgang; omganger i stevnet: "};
}
Bilingual RunChosenText() {
    return {"Timing run ", "Tidtaking av omgang "};
}
Bilingual FirstRunOrderText() {
    return {"The first run has no run before it to take its order from: ",
            "Første omgang har ingen omgang foran seg å ta rekkefølgen fra: "};
}
Bilingual SameOrderText() {
    return {"As ranked in the run before", "Som rangert i omgangen før"};
}
Bilingual ReversedOrderText() {
    return {"Reversed", "Omvendt"};
}
Bilingual BestReversedOrderText() {
    return {"Best N reversed", "Beste N omvendt"};
}
Bilingual RunWaitsText() {
    return {"Times wait to be stored; the run is not changed: ",
            "Tider venter på å bli lagret; omgangen er ikke endret: "};
}

Bilingual OtherRunTimeText() {
    return {"That time was given in another run; correct it while that run is timed. Run ",
            "Den tiden ble gitt i en annen omgang; rett den mens den omgangen tas tid på. Omgang "};
}

const std::vector<CaptionRow>& RunCaptions() {
    static const std::vector<CaptionRow> rows = {
        {"StartsRunsLabel", 0, {"Runs in the meet", "Omganger i stevnet"}},
        {"StartsRunsButton", 0, {"Set &runs", "Sett &omganger"}},
        {"StartsRunLabel", 0, {"Run being timed", "Omgang som tas tid på"}},
        {"StartsBestLabel", 0, {"Best N reversed: N", "Beste N omvendt: N"}},
        {"ResultsRunLabel", 0, {"Run", "Omgang"}},
    };
    return rows;
}

}  // namespace kvt::lang

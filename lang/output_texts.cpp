#include "lang/output_texts.h"

namespace kvt::lang {

Bilingual PdfListFileText() {
    return {"Results.pdf", "Resultat.pdf"};
}

Bilingual PageNumbersText() {
    return {"Page %1 of %2", "Side %1 av %2"};
}

Bilingual ContinuedText() {
    return {" (continued)", " (fortsatt)"};
}

Bilingual NoResultsText() {
    return {"No results yet.", "Ingen resultater ennå."};
}

Bilingual PrintingUnavailableText() {
    return {"Printing is not available in this program.",
            "Utskrift er ikke tilgjengelig i dette programmet."};
}

Bilingual PdfFailedText() {
    return {"The PDF of the results list could not be written: ",
            "PDF-fila med resultatlista kunne ikke skrives: "};
}

Bilingual CannotShowFileText() {
    return {"No program could be started to show this file: ",
            "Ingen program kunne startes for å vise denne fila: "};
}

Bilingual FileFolderText() {
    return {"The file is in this folder: ", "Fila ligger i denne mappa: "};
}

Bilingual PrintFailedText() {
    return {"The results list could not be printed: ", "Resultatlista kunne ikke skrives ut: "};
}

Bilingual LiveResultsText() {
    return {"Live results", "Direkte resultater"};
}

Bilingual ClassesText() {
    return {"Classes", "Klasser"};
}

Bilingual FinishedText() {
    return {"finished", "i mål"};
}

Bilingual UpdatedText() {
    return {"Updated", "Oppdatert"};
}

Bilingual AllClassesText() {
    return {"All classes", "Alle klasser"};
}

Bilingual NoMeetOpenLiveText() {
    return {"No meet is open.", "Ingen stevne er åpent."};
}

Bilingual RefreshNoteText() {
    return {"The page refreshes itself every 5 seconds.",
            "Siden oppdaterer seg selv hvert 5. sekund."};
}

Bilingual NotFoundText() {
    return {"There is no such page.", "Denne siden finnes ikke."};
}

Bilingual OnlyGetText() {
    return {"These pages can only be read.", "Disse sidene kan bare leses."};
}

Bilingual LivePortInvalidText() {
    return {"The port must be a whole number from 1 to 65535, not: ",
            "Porten må være et heltall fra 1 til 65535, ikke: "};
}

Bilingual LiveNotStartedText() {
    return {"Live results could not be started: ", "Direkte resultater kunne ikke startes: "};
}

Bilingual LiveUnavailableText() {
    return {"Live results are not available in this program.",
            "Direkte resultater er ikke tilgjengelig i dette programmet."};
}

Bilingual LiveAddressText() {
    return {"Open on a phone or another computer: ", "Åpne på en telefon eller en annen maskin: "};
}

}  // namespace kvt::lang

#include "lang/publish_texts.h"

namespace kvt::lang {

Bilingual IofWrittenText() {
    return {"The IOF XML files are written into ", "IOF XML-filene er skrevet i "};
}
Bilingual IofImportTitle() {
    return {"Import from IOF XML", "Importer fra IOF XML"};
}
Bilingual NotIofText() {
    return {"The file is no IOF XML entry or competitor list: ",
            "Filen er ingen IOF XML påmeldings- eller deltakerliste: "};
}
Bilingual NoPersonsText() {
    return {"it holds no competitors.", "den har ingen deltakere."};
}

Bilingual WebPagesFailedText() {
    return {"The pages for the web could not be written: ",
            "Sidene for nettet kunne ikke lages: "};
}
Bilingual StartListWord() {
    return {"Start list", "Startliste"};
}
Bilingual ResultsWord() {
    return {"Results", "Resultater"};
}
Bilingual WebRefreshNoteText() {
    return {"The page refreshes itself every 30 seconds.",
            "Siden oppdaterer seg selv hvert 30. sekund."};
}

Bilingual PublishedAtText() {
    return {"Last published: ", "Sist publisert: "};
}
Bilingual PublishErrorText() {
    return {"Last error: ", "Siste feil: "};
}
Bilingual PublishNeverText() {
    return {"Not published yet", "Ikke publisert ennå"};
}
Bilingual PublishTargetInvalidText() {
    return {"The publishing target is not one the program can use: ",
            "Publiseringsmålet kan ikke brukes: "};
}
Bilingual PublishTimedOutText() {
    return {"the upload took too long and was ended", "opplastingen tok for lang tid og ble avbrutt"};
}

}  // namespace kvt::lang

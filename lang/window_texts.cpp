#include "lang/window_texts.h"

namespace kvt::lang {

std::string NoSuchCompetitorText(Language language, const std::string& number) {
    if (language == Language::English)
        return "No competitor has the start number " + number + ": no time was given.";
    return "Ingen deltaker har startnummer " + number + ": ingen tid ble gitt.";
}

Bilingual NoSuchCompetitorCaption() {
    return {"(no such competitor)", "(ingen slik deltaker)"};
}

Bilingual MakeButtonText() {
    return {"&Make", "&Lag"};
}

Bilingual NoSuchFolderText() {
    return {"The meet database could not be made: there is no folder ",
            "Stevnedatabasen kunne ikke lages: det finnes ingen mappe "};
}

Bilingual FolderNotWritableText() {
    return {"The meet database could not be made: this folder cannot be written: ",
            "Stevnedatabasen kunne ikke lages: denne mappa kan ikke skrives: "};
}

std::string MeetMadeText(Language language, const std::string& path) {
    if (language == Language::English)
        return "Meet made (not opened): " + path + ". Open offers it first.";
    return "Stevnet er laget (ikke åpnet): " + path + ". Åpne tilbyr det først.";
}

}  // namespace kvt::lang

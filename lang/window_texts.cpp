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

}  // namespace kvt::lang

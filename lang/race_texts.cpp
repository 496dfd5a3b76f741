#include "lang/race_texts.h"

namespace kvt::lang {

Bilingual NotStartedStatusText() {
    return {"Not started", "Ikke startet"};
}

Bilingual DnsButtonText() {
    return {"DNS (not started)", "DNS (ikke startet)"};
}

Bilingual DnfButtonText() {
    return {"DNF (gave up)", "DNF (brutt)"};
}

Bilingual DsqButtonText() {
    return {"DSQ (disqualified)", "DSQ (disket)"};
}

Bilingual ClearStatusButtonText() {
    return {"Clear status", "Fjern status"};
}

Bilingual StatusNumberCaption() {
    return {"Start number", "Startnummer"};
}

Bilingual StatusReasonCaption() {
    return {"Reason", "Grunn"};
}

Bilingual StatusFrameCaption() {
    return {"Status during the race", "Status under løpet"};
}

std::string StatusSetText(Language language, int number, const std::string& name,
                          const std::string& status) {
    if (language == Language::English) return std::to_string(number) + " " + name + ": " + status;
    return std::to_string(number) + " " + name + ": " + status;
}

std::string StatusClearedText(Language language, int number, const std::string& name,
                              const std::string& status) {
    const std::string shown = status.empty() || status == "-" ? "-" : status;
    if (language == Language::English)
        return std::to_string(number) + " " + name + ": status cleared (" + shown + ")";
    return std::to_string(number) + " " + name + ": status fjernet (" + shown + ")";
}

Bilingual ReasonNeededText() {
    return {"Write the reason for the disqualification first",
            "Skriv grunnen til diskvalifikasjonen først"};
}

Bilingual StatusNotStoredText() {
    return {"The status is not stored yet: ", "Statusen er ikke lagret ennå: "};
}

std::string OnCourseButtonText(Language language, int count) {
    if (language == Language::English) return "On the course: " + std::to_string(count);
    return "I løypa: " + std::to_string(count);
}

Bilingual CourseViewTitle() {
    return {"On the course", "I løypa"};
}

Bilingual CourseHeadingText() {
    return {"Number  Name                       Class            Start        Running",
            "Nummer  Navn                       Klasse           Start        Løpstid"};
}

Bilingual NobodyOnCourseText() {
    return {"No one is on the course.", "Ingen er i løypa."};
}

Bilingual CourseDnfCaption() {
    return {"Mark DNF", "Merk DNF"};
}

std::string WaitingTimesText(Language language, int count, const std::string& oldest) {
    if (count == 0)
        return language == Language::English ? "No times wait beyond the list"
                                             : "Ingen tider venter utenfor listen";
    if (language == Language::English)
        return std::to_string(count) + (count == 1 ? " time waits" : " times wait") +
               " beyond the list, the oldest " + oldest;
    return std::to_string(count) + (count == 1 ? " tid venter" : " tider venter") +
           " utenfor listen, den eldste " + oldest;
}

}  // namespace kvt::lang

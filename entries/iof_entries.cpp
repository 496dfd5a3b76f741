#include "entries/iof_entries.h"

#include <iterator>
#include <set>
#include <vector>

#include "entries/csv.h"
#include "entries/fields.h"
#include "entries/import.h"
#include "entries/xml_reader.h"
#include "lang/publish_texts.h"
#include "meet/meet.h"

namespace kvt::entries {

namespace {

using meet::Register;

// The fields the rows carry, by their positions in the competitor register.
constexpr int Columns[] = {0, 1, 2, 3, 4, 9, 13, 20};

struct Person {
    std::string entryId, personId;
    std::vector<std::string> cells;  // from the first name on
};

// A start number 1 to 9999 written as plain digits; 0 otherwise.
int startNumber(const std::string& text) {
    if (text.empty() || text.size() > 4) return 0;
    for (char ch : text)
        if (ch < '0' || ch > '9') return 0;
    const int number = std::stoi(text);
    return number >= 1 && number <= meet::MaxStartNumber ? number : 0;
}

// Every person has an id that is a start number, and none comes twice.
bool allNumbers(const std::vector<Person>& persons, std::string Person::*id) {
    std::set<int> seen;
    for (const Person& person : persons) {
        const int number = startNumber(person.*id);
        if (number == 0 || !seen.insert(number).second) return false;
    }
    return true;
}

std::string sexWord(const std::string& sex) {
    if (sex == "M") return "Man";
    if (sex == "F") return "Woman";
    return "";
}

Person personOf(const XmlElement& entry) {
    Person person;
    person.entryId = entry.childText("Id");
    const XmlElement* who = entry.child("Person");
    const XmlElement* name = who ? who->child("Name") : nullptr;
    person.personId = who ? who->childText("Id") : "";
    const XmlElement* club = entry.child("Organisation");
    const XmlElement* entered = entry.child("Class");
    std::string nationality;
    if (const XmlElement* country = who ? who->child("Nationality") : nullptr) {
        nationality = country->childText("Name");
        if (nationality.empty()) nationality = country->attribute("code");
        if (nationality.empty()) {
            // The country as the element's own text.
            const auto begin = country->text.find_first_not_of(" \t\r\n");
            if (begin != std::string::npos)
                nationality = country->text.substr(
                    begin, country->text.find_last_not_of(" \t\r\n") - begin + 1);
        }
    }
    std::string clubName = club ? club->childText("Name") : "";
    if (clubName.empty() && club) clubName = club->childText("ShortName");
    person.cells = {name ? name->childText("Given") : "",
                    name ? name->childText("Family") : "",
                    clubName,
                    entered ? entered->childText("Name") : "",
                    nationality,
                    who ? sexWord(who->attribute("sex")) : "",
                    who ? who->childText("BirthDate") : ""};
    return person;
}

}  // namespace

bool LooksLikeXml(const std::string& bytes) {
    std::size_t at = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    at = bytes.find_first_not_of(" \t\r\n", at);
    return at != std::string::npos && bytes[at] == '<';
}

std::string IofEntriesAsCsv(const std::string& bytes, lang::Language language) {
    const std::string notIof = lang::NotIofText().in(language);
    std::unique_ptr<XmlElement> root;
    try {
        root = ReadXml(bytes);
    } catch (const XmlError& error) {
        throw NotCsv(notIof + std::to_string(error.line()) + ": " + error.what());
    }
    const char* entryName = root->name == "EntryList"        ? "PersonEntry"
                            : root->name == "CompetitorList" ? "Competitor"
                                                             : nullptr;
    if (!entryName) throw NotCsv(notIof + "<" + root->name + ">");
    std::vector<Person> persons;
    for (const auto& child : root->children)
        if (child->name == entryName) persons.push_back(personOf(*child));
    if (persons.empty()) throw NotCsv(notIof + lang::NoPersonsText().in(language));

    std::string Person::*id = allNumbers(persons, &Person::entryId)    ? &Person::entryId
                              : allNumbers(persons, &Person::personId) ? &Person::personId
                                                                       : nullptr;
    // The names always; the other fields only where the file gives them, so that a field the
    // list does not carry is left as the register has it.
    const std::size_t fields = std::size(Columns) - 1;
    std::vector<bool> given(fields, false);
    for (const Person& person : persons)
        for (std::size_t k = 0; k < fields; ++k)
            if (k < 2 || !person.cells[k].empty()) given[k] = true;
    std::vector<std::string> header = {
        FindField(Register::Competitors, Columns[0])->name.in(language)};
    for (std::size_t k = 0; k < fields; ++k)
        if (given[k])
            header.push_back(FindField(Register::Competitors, Columns[k + 1])->name.in(language));
    std::string csv = CsvLine(header, ';');
    int ordinal = 0;
    for (const Person& person : persons) {
        ++ordinal;
        std::vector<std::string> cells = {
            std::to_string(id ? startNumber(person.*id) : ordinal)};
        for (std::size_t k = 0; k < fields; ++k)
            if (given[k]) cells.push_back(person.cells[k]);
        csv += CsvLine(cells, ';');
    }
    return csv;
}

}  // namespace kvt::entries

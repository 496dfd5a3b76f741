#include "entries/fields.h"

#include "base/windows1252.h"

namespace kvt::entries {

namespace {

using Fields = std::vector<RegisterField>;

// Fields the registers share, at the positions of each table.
RegisterField address(int position) {
    return {position, {"Address", "Adresse"}, {"adress", "address1", "adresse1", "street"}};
}
RegisterField address2(int position) {
    return {position, {"Address 2", "Adresse 2"}, {"adress2"}};
}
RegisterField city(int position) {
    return {position, {"City", "By"}, {"town", "poststed", "sted"}};
}
RegisterField state(int position) {
    return {position, {"State", "Fylke"}, {"county", "region"}};
}
RegisterField country(int position) {
    return {position, {"Country", "Land"}, {"nation", "nasjon", "nationality", "nasjonalitet"}};
}
RegisterField code(int position) {
    return {position,
            {"Code", "Kode"},
            {"postcode", "postalcode", "zip", "zipcode", "postnummer", "postnr"}};
}
RegisterField other(int position) {
    return {position,
            {"Other", "Annet"},
            {"note", "notes", "comment", "comments", "merknad", "kommentar"}};
}

const Fields& competitors() {
    static const Fields fields = {
        {0,
         {"Start number", "Startnummer"},
         {"number", "nummer", "nr", "no", "startnr", "startno", "bib", "competitornumber",
          "deltakernummer"}},
        {1, {"First name", "Fornavn"}, {"givenname", "forename", "mainname"}},
        {2, {"Surname", "Etternavn"}, {"lastname", "familyname", "secondname"}},
        {3, {"Club", "Klubb"}, {"team", "lag", "clubname", "klubbnavn"}},
        {4, {"Class", "Klasse"}, {"classname", "klassenavn"}},
        address(5),
        address2(6),
        city(7),
        state(8),
        country(9),
        code(10),
        {11, {"Job", "Jobb"}, {"occupation", "yrke"}},
        {12, {"Status", "Status"}, {}},
        {13, {"Sex", "Kjønn"}, {"gender", "kjonn"}},
        other(14),
        {15,
         {"Phone home", "Telefon hjemme"},
         {"homephone", "phone", "telephone", "telefon", "hjemme", "home", "tlf"}},
        {16, {"Phone job", "Telefon jobb"}, {"workphone", "jobphone", "tlfjobb"}},
        {17, {"Fax", "Faks"}, {"telefax"}},
        {18,
         {"Mobile", "Mobil"},
         {"mobilephone", "cellphone", "cell", "mobiltelefon", "mobilnummer", "tlfmobil"}},
        {19, {"Payment", "Betaling"}, {"paid", "betalt"}},
        {20,
         {"Born", "Født"},
         {"fodt", "birthyear", "yearofbirth", "birthdate", "dateofbirth", "fødselsår",
          "fødselsdato", "fodselsar"}},
        {21, {"Age", "Alder"}, {}},
    };
    return fields;
}

const Fields& clubs() {
    static const Fields fields = {
        {0, {"Club number", "Klubbnummer"}, {"number", "nummer", "nr", "no", "index"}},
        {1, {"Club name", "Klubbnavn"}, {"club", "klubb", "name", "navn", "team", "lag"}},
        {2, {"School", "Skole"}, {}},
        {3, {"Leader", "Leder"}, {"contact", "kontaktperson"}},
        {4, {"Coach", "Trener"}, {}},
        address(5),
        address2(6),
        city(7),
        state(8),
        country(9),
        code(10),
        other(11),
        {12,
         {"Leader's phone home", "Leders telefon hjemme"},
         {"phonehome", "homephone", "phone", "telephone", "telefon", "telefonhjemme", "hjemme"}},
        {13,
         {"Leader's phone job", "Leders telefon jobb"},
         {"phonejob", "workphone", "telefonjobb"}},
        {14, {"Leader's fax", "Leders faks"}, {"fax", "faks"}},
        {15, {"Leader's mobile", "Leders mobil"}, {"mobile", "mobil", "mobiltelefon"}},
    };
    return fields;
}

const Fields& classes() {
    static const Fields fields = {
        {0, {"Class number", "Klassenummer"}, {"number", "nummer", "nr", "no", "index"}},
        {1,
         {"Id", "Id"},
         {"identification", "identifikasjon", "code", "kode", "short", "forkortelse"}},
        {2, {"Class name", "Klassenavn"}, {"class", "klasse", "name", "navn"}},
        {3,
         {"Specification", "Spesifikasjon"},
         {"spesification", "spesifikation", "description", "beskrivelse"}},
    };
    return fields;
}

char32_t small(char32_t ch) {
    if (ch >= U'A' && ch <= U'Z') return ch - U'A' + U'a';
    if (ch >= 0xC0 && ch <= 0xDE && ch != 0xD7) return ch + 0x20;  // Æ, Ø, Å and the others
    return ch;
}

bool letterOrDigit(char32_t ch) {
    return (ch >= U'a' && ch <= U'z') || (ch >= U'0' && ch <= U'9') ||
           (ch >= 0xDF && ch <= 0xFF && ch != 0xF7);
}

}  // namespace

const std::vector<RegisterField>& RegisterFields(meet::Register which) {
    switch (which) {
        case meet::Register::Clubs:
            return clubs();
        case meet::Register::Classes:
            return classes();
        case meet::Register::Competitors:
            break;
    }
    return competitors();
}

const RegisterField* FindField(meet::Register which, int position) {
    for (const auto& field : RegisterFields(which))
        if (field.position == position) return &field;
    return nullptr;
}

std::string HeaderKey(const std::string& utf8) {
    std::u32string key;
    for (char32_t ch : base::DecodeUtf8(utf8)) {
        ch = small(ch);
        if (letterOrDigit(ch)) key += ch;
    }
    return base::EncodeUtf8(key);
}

int GuessField(meet::Register which, const std::string& header) {
    const std::string key = HeaderKey(header);
    if (key.empty()) return -1;
    for (const auto& field : RegisterFields(which)) {
        if (key == HeaderKey(field.name.english) || key == HeaderKey(field.name.norwegian))
            return field.position;
        for (const char* word : field.words)
            if (key == word) return field.position;
    }
    return -1;
}

}  // namespace kvt::entries

#include "lang/server_texts.h"

namespace kvt::lang {

Bilingual HostTitle() {
    return {"Host the meet on a server", "Legg stevnet på en server"};
}
Bilingual JoinTitle() {
    return {"Join a meet on a server", "Koble til et stevne på en server"};
}
Bilingual SaveAsFileTitle() {
    return {"Save the server meet as a meet file", "Lagre serverstevnet som stevnefil"};
}
Bilingual ServerAddressLabel() {
    return {"Server (address or address:port):", "Server (adresse eller adresse:port):"};
}
Bilingual ServerDatabaseLabel() {
    return {"Meet (database name):", "Stevne (databasenavn):"};
}
Bilingual ServerPasswordLabel() {
    return {"Password:", "Passord:"};
}
Bilingual HostButton() {
    return {"&Host", "&Legg på"};
}
Bilingual JoinButton() {
    return {"&Join", "&Koble til"};
}
Bilingual SaveButton() {
    return {"&Save", "&Lagre"};
}
Bilingual BadServerMeetText() {
    return {"This is not a server address and meet name the program can use (the meet's name of "
            "letters, digits, _ and -): ",
            "Dette er ikke en serveradresse og et stevnenavn programmet kan bruke (stevnenavnet "
            "av bokstaver, sifre, _ og -): "};
}
Bilingual ServerUnreachableText() {
    return {"The meet on the server could not be reached: ",
            "Stevnet på serveren kunne ikke nås: "};
}
Bilingual ServerMeetExistsText() {
    return {"The server holds a meet of that name already; nothing was written to it: ",
            "Serveren har allerede et stevne med det navnet; ingenting ble skrevet til det: "};
}
Bilingual HostFailedText() {
    return {"The meet could not be hosted; nothing of it is on the server: ",
            "Stevnet kunne ikke legges på serveren; ingenting av det er der: "};
}
Bilingual AlreadyOnServerText() {
    return {"The open meet is on a server already.", "Det åpne stevnet ligger allerede på en server."};
}
Bilingual NotOnServerText() {
    return {"The open meet is a meet file: Copy makes a copy of it.",
            "Det åpne stevnet er en stevnefil: Kopier lager en kopi av den."};
}
Bilingual SaveBackFailedText() {
    return {"The server meet could not be saved as a meet file; the file is unchanged: ",
            "Serverstevnet kunne ikke lagres som stevnefil; filen er uendret: "};
}

std::string HostedText(Language language, const std::string& meet) {
    return language == Language::English ? "The meet is on the server now: " + meet
                                         : "Stevnet ligger nå på serveren: " + meet;
}

std::string SavedBackText(Language language, const std::string& file) {
    return language == Language::English ? "The server meet is saved as the meet file " + file
                                         : "Serverstevnet er lagret som stevnefilen " + file;
}

}  // namespace kvt::lang

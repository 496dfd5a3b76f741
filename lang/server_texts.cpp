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
Bilingual StartServerTitle() {
    return {"Start a server on this laptop", "Start en server på denne maskinen"};
}
Bilingual ListenAddressLabel() {
    return {"Listen on (an address of this laptop; 127.0.0.1: this laptop alone):",
            "Lytt på (en adresse på denne maskinen; 127.0.0.1: bare denne maskinen):"};
}
Bilingual MadePasswordLabel() {
    return {"Password (the program makes one):", "Passord (programmet lager et):"};
}
Bilingual StartServerButton() {
    return {"&Start", "&Start"};
}
Bilingual NoPostgresText() {
    return {"Debian's PostgreSQL is not installed on this laptop (apt-get install postgresql): "
            "no server could be started. ",
            "Debians PostgreSQL er ikke installert på denne maskinen (apt-get install "
            "postgresql): ingen server kunne startes. "};
}
Bilingual RootCannotRunServerText() {
    return {"The program runs as root, and PostgreSQL's initdb refuses to run as root; there is "
            "no user \"postgres\" or \"kvtpg\" to run the server as. Start the program as an "
            "ordinary user. No server was started.",
            "Programmet kjører som root, og PostgreSQLs initdb nekter å kjøre som root; det "
            "finnes ingen bruker \"postgres\" eller \"kvtpg\" å kjøre serveren som. Start "
            "programmet som en vanlig bruker. Ingen server ble startet."};
}
Bilingual NotOwnAddressText() {
    return {"This is none of this laptop's addresses: the server listens only on one of them "
            "(127.0.0.1 for this laptop alone): ",
            "Dette er ingen av denne maskinens adresser: serveren lytter bare på en av dem "
            "(127.0.0.1 for bare denne maskinen): "};
}
Bilingual ServerNotStartedText() {
    return {"The server could not be started: ", "Serveren kunne ikke startes: "};
}
std::string ServerStartedText(Language language, const std::string& address,
                              const std::string& meet, const std::string& password) {
    return language == Language::English
               ? "The server runs on " + address + " and holds the meet " + meet +
                     ". Its password is " + password +
                     " : write it down, it is shown this once. Other stations join with the "
                     "address, the meet and the password. The server stops when the meet is "
                     "closed."
               : "Serveren kjører på " + address + " og har stevnet " + meet +
                     ". Passordet er " + password +
                     " : skriv det ned, det vises bare denne ene gangen. Andre stasjoner kobler "
                     "til med adressen, stevnet og passordet. Serveren stopper når stevnet "
                     "lukkes.";
}
Bilingual ServerKeepsMeetText() {
    return {"The open meet is on a database server, which keeps it whole and compact itself: "
            "Repair and Compress are for meet files. Nothing was done.",
            "Det åpne stevnet ligger på en databaseserver, som selv holder det helt og kompakt: "
            "Reparer og Komprimer er for stevnefiler. Ingenting ble gjort."};
}
Bilingual ServerResetText() {
    return {"The open meet is on a database server, where other stations may be timing it: it "
            "is not reset there. Save it as a meet file (Copy), close it, and reset that file "
            "for a new run. Nothing was done.",
            "Det åpne stevnet ligger på en databaseserver, der andre stasjoner kan ta tid på "
            "det: det nullstilles ikke der. Lagre det som stevnefil (Kopier), lukk det, og "
            "nullstill den filen for en ny omgang. Ingenting ble gjort."};
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

std::string ServerConnectedText(Language language) {
    return language == Language::English ? "Server: connected" : "Server: tilkoblet";
}
std::string ServerAwayText(Language language, const std::string& since, int waiting) {
    const std::string count = std::to_string(waiting);
    return language == Language::English
               ? "Server: away since " + since + ", " + count + " waiting"
               : "Server: borte siden " + since + ", " + count + " venter";
}

}  // namespace kvt::lang

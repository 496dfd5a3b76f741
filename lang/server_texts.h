// Texts of the program's own about meets on a database server: hosting a meet there, joining
// one, saving one back as a meet file. Each in both languages.
#pragma once

#include <string>

#include "lang/language_texts.h"

namespace kvt::lang {

Bilingual HostTitle();
Bilingual JoinTitle();
Bilingual SaveAsFileTitle();
Bilingual ServerAddressLabel();
Bilingual ServerDatabaseLabel();
Bilingual ServerPasswordLabel();
Bilingual HostButton();
Bilingual JoinButton();
Bilingual SaveButton();
// The address or the meet's name is not plainly one (after it: what was typed).
Bilingual BadServerMeetText();
// The server could not be reached or refused (after it: the server's reason).
Bilingual ServerUnreachableText();
// The server holds a meet of that name already: hosting never writes over it.
Bilingual ServerMeetExistsText();
// Hosting failed; nothing of the meet is on the server (after it: why).
Bilingual HostFailedText();
// The open meet is on a server already.
Bilingual AlreadyOnServerText();
// Save as a meet file is for a meet on a server (a meet file has Copy).
Bilingual NotOnServerText();
// Saving back failed; the file chosen is unchanged (after it: why).
Bilingual SaveBackFailedText();
// The capture page on a server meet: the server reached, or away since a time of day with
// what waits to be sent.
std::string ServerConnectedText(Language language);
std::string ServerAwayText(Language language, const std::string& since, int waiting);
// A server on this laptop: the dialog, why it could not be started, and the address and
// password it was made with (shown this once).
Bilingual StartServerTitle();
Bilingual ListenAddressLabel();
Bilingual MadePasswordLabel();
Bilingual StartServerButton();
Bilingual NoPostgresText();
Bilingual RootCannotRunServerText();
Bilingual NotOwnAddressText();
Bilingual ServerNotStartedText();
std::string ServerStartedText(Language language, const std::string& address,
                              const std::string& meet, const std::string& password);
// Repair and Compress on a meet on a server: the server's business; nothing was done.
Bilingual ServerKeepsMeetText();
// Reset on a meet on a server: done on the meet file it is saved back as, not on the server.
Bilingual ServerResetText();
// For the status bar.
std::string HostedText(Language language, const std::string& meet);
std::string SavedBackText(Language language, const std::string& file);

}  // namespace kvt::lang

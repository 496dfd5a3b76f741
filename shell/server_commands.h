// The Database menu's commands on meets on a database server: hosting a meet there, joining
// one, and saving the open server meet as a meet file. What the user gave last (the server,
// the meet and its password) is remembered for the user in "Servers.ini" of the settings
// folder, readable by the user alone, never beside a meet.
#pragma once

#include <optional>
#include <string>

namespace kvt::ui {
struct Program;
}

namespace kvt::shell {

// Host on a server: the open meet (stored first), or a meet file chosen when none is open, is
// copied into a database on the server the operator names; the program then goes on with the
// meet on the server.
void HostOnServer(ui::Program& program);
// Start a server on this laptop: the open meet file (or one chosen) hosted on a PostgreSQL
// server the program starts, its data in the meet's folder, listening only on the address
// the operator gives (one of the laptop's own, 127.0.0.1 unless another is given), with a
// password the program makes and shows once; the server meet then opened. The server is
// stopped when the meet closes.
void StartServerOnLaptop(ui::Program& program);
// Join a server meet: the server, the meet and its password asked, then the meet opened.
void JoinServerMeet(ui::Program& program);
// Opens the server meet of that name with the password given, as Join does after its dialog.
bool OpenServerMeet(ui::Program& program, const std::string& name, const std::string& password);
// Save as a meet file: the open server meet written as a meet file the operator chooses.
void SaveServerMeetAsFile(ui::Program& program);

// What the user gave last.
struct RememberedServer {
    std::string address, database, password;
};
std::string ServerSettingsPath(const ui::Program& program);
RememberedServer ReadRememberedServer(const ui::Program& program);

}  // namespace kvt::shell

// The commands on meet databases: Make new, Open and Close, and the meet folder beside a meet.
#pragma once

#include <memory>
#include <string>

#include "meetdb/meet_files.h"

namespace kvt::ui {
struct Program;
}

namespace kvt::shell {

// The Make new command of the Database menu.
void MakeNewDatabase(ui::Program& program);
// Makes the meet database at path as Make new does after its questions; an existing file is
// replaced only once the new one is whole. False (after a message) when it failed.
bool MakeNewDatabaseFile(ui::Program& program, const std::string& path);

// The Open command: asks for the file, checks it wholly before anything changes, reads the
// meet, then binds the pages and enters the database-open state.
void OpenDatabase(ui::Program& program);
// Opens the database at path as the Open command does after its file dialog.
bool OpenDatabaseFile(ui::Program& program, const std::string& path);

// The Close command: what is not stored is stored first (or, when that cannot be, written to
// a file beside the meet, as the operator chooses); then everything back to the state after
// start-up. False when the meet stays open.
bool CloseDatabase(ui::Program& program);
// Holds the meet database at path for this program (a lock that another program, here or on
// another machine sharing the folder, cannot take); none, after a message naming the holder,
// when it is open elsewhere.
std::unique_ptr<storage::Hold> HoldMeet(ui::Program& program, const std::string& path);
// Stores what the open meet has not stored, asking the operator while it cannot be: try again,
// or write it to the recovery file. False when it is neither stored nor written.
bool SecureUnstored(ui::Program& program);

// True when the language of the user settings is one of the program's (0 or 1); otherwise
// false, after a message saying that the user settings are wrong (no meet can be opened, made
// or reset under such a language).
bool UserLanguageUsable(ui::Program& program);
// The refusal of a meet made with another language than the one in force, naming it.
std::string LanguageRefusal(ui::Program& program, const std::string& madeWith);

// The club and class picking lists and the results page's class list from the meet.
void FillNameLists(ui::Program& program);

// The meet folder of a database: its path without the last four characters.
std::string MeetFolder(const std::string& databasePath);
// Creates the meet folder of the database at path (when missing), remembers it as the list
// folder and copies the three list images into it unless "Kvt.gif" is there.
void PrepareMeetFolder(ui::Program& program, const std::string& databasePath);

// The table makers on a meet file, as Make new and Reset run them; a table that exists
// already is replaced only when the operator answers Yes to its question. The counts are the
// ones given.
void MakeResults(ui::Program& program, meetdb::MeetFile& file, int classCount);
void MakeTime(ui::Program& program, meetdb::MeetFile& file, int timeRows);
void MakeWork(ui::Program& program, meetdb::MeetFile& file);

}  // namespace kvt::shell

// Making a meet database: the Make new command, the meet folder and the table makers.
#pragma once

#include <stdexcept>
#include <string>

#include "meetdb/schema.h"
#include "meetdb/sqlite.h"

namespace kvt::ui {
struct Program;
}

namespace kvt::meetdb {

// The file format recorded in a meet database (user_version): 2 for the 16-bit choice of the
// setup page, 3 for the 32-bit one; and the collating order (application_id): the language
// identifier 0x0414 in the high half, code page 1252 in the low half.
inline constexpr int Format16Bit = 2;
inline constexpr int Format32Bit = 3;
inline constexpr int CollatingOrder = (0x0414 << 16) | 1252;

// A table maker's failure on its second attempt: it ends the whole command.
class MakerAborted : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The Make new command of the Database menu.
void MakeNewDatabase(ui::Program& program);
// Makes the meet database at path as Make new does after its questions; an existing file is
// replaced only once the new one is whole. False (after a message) when it failed.
bool MakeNewDatabaseFile(ui::Program& program, const std::string& path);

// Creates the meet folder of the database at path (when missing), remembers it as the list
// folder and copies the three list images into it unless "Kvt.gif" is there.
void PrepareMeetFolder(ui::Program& program, const std::string& databasePath);

// The meet folder of a database: its path without the last four characters.
std::string MeetFolder(const std::string& databasePath);

// The table makers, each on an open connection; a table that exists already is replaced
// only when the operator answers Yes to its question.
void MakeCompetitors(ui::Program& program, Connection& db);
void MakeClubs(ui::Program& program, Connection& db);
void MakeClasses(ui::Program& program, Connection& db);
void MakeSetup(ui::Program& program, Connection& db);
void MakeTime(ui::Program& program, Connection& db);
void MakeWork(ui::Program& program, Connection& db);
void MakeResults(ui::Program& program, Connection& db);
void MakeControl(ui::Program& program, Connection& db);

}  // namespace kvt::meetdb

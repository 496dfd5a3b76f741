// Opening and closing a meet database.
#pragma once

#include <string>

namespace kvt::ui {
struct Program;
}

namespace kvt::meetdb {

// The Open command: asks for the file, checks it wholly before anything changes, then binds
// the pages, loads the counts and the in-memory tables and enters the database-open state.
void OpenDatabase(ui::Program& program);
// Opens the database at path as the Open command does after its file dialog.
bool OpenDatabaseFile(ui::Program& program, const std::string& path);

// The Close command: everything back to the state after start-up.
void CloseDatabase(ui::Program& program);

}  // namespace kvt::meetdb

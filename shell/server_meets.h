// Meets on a database server: a meet file hosted on a server (copied into a database of its
// own there) and a server meet saved back as a meet file, which the one-laptop program opens
// with the same records in the same order.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>

#include "pgdb/server_name.h"

namespace kvt::shell {

// A server database that already holds a meet: hosting never writes over one.
class ServerMeetExists : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Copies the meet file at path into the server's database of that name, made when the server
// has none (the user must be allowed to make databases then), in one transaction: the meet is
// there whole or not at all (a database this call made is removed again when the copy fails).
// Every table with its fields, their declared types and every record in stored order, and the
// file's format marks. Throws ServerMeetExists when the database holds a meet already, or a
// runtime_error saying why the copy failed.
void HostMeet(const std::string& path, const pgdb::ServerMeet& server, const std::string& password);

// Writes the server meet as a meet file at path, as the meet is at one moment (a consistent
// read of the server), whole or not at all: the file is made beside path and put in its place
// once complete, synced.
void SaveServerMeet(const pgdb::ServerMeet& server, const std::string& password,
                    const std::string& path);

}  // namespace kvt::shell

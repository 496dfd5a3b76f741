// The name a meet on a database server goes by: where the server is, who connects and which
// database holds the meet. It stands where a meet file's path stands (the title, the settings
// of the user), so it never holds the password.
#pragma once

#include <optional>
#include <string>

namespace kvt::pgdb {

struct ServerMeet {
    // A host name or address, or the folder of the server's local socket (begins with "/").
    std::string host;
    int port = 5432;
    std::string user = "kvt";
    std::string database;

    // "postgresql://user@host:port/database" (a socket folder written percent-encoded).
    std::string name() const;
    // The same server's maintenance database ("postgres"), where databases are made.
    ServerMeet maintenance() const;
};

// Whether a database name is a server meet's rather than a file's path.
bool IsServerName(const std::string& name);

// The server meet a name stands for; no value when it is none, or when it holds anything that
// is not plainly a host, a port, a user and a database (letters, digits, "_", "-", "." in
// host names; the user and database of letters, digits, "_" and "-").
std::optional<ServerMeet> ParseServerName(const std::string& name);

// A server meet from what the operator typed: an address ("host", "host:port",
// "user@host:port", or a socket folder) and a database name; no value when either is not
// plainly one.
std::optional<ServerMeet> ServerMeetFrom(const std::string& address, const std::string& database);

}  // namespace kvt::pgdb

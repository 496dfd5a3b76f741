// Meets on a database server: a meet file hosted on a server (copied into a database of its
// own there) and a server meet saved back as a meet file, which the one-laptop program opens
// with the same records in the same order.
#pragma once

#include <sys/types.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

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

// Why a server could not be started on this laptop.
class LaptopServerError : public std::runtime_error {
public:
    enum class Why { NoPostgres, Root, NotOwnAddress, Failed };
    LaptopServerError(Why why, const std::string& detail)
        : std::runtime_error(detail), why(why) {}
    Why why;
};

// A PostgreSQL server the program starts for the operator on this laptop, from Debian's
// PostgreSQL: its data in the folder given (made with initdb and the password given when the
// folder holds none; initdb refuses to run as root, so as root it runs as the dedicated user
// "postgres" or "kvtpg" when there is one), listening only on the address given (one of this
// laptop's own) at a free port, its superuser "kvt". It is stopped when this object goes.
class LaptopServer {
public:
    // Throws LaptopServerError when it cannot be made or started.
    LaptopServer(const std::string& folder, const std::string& address,
                 const std::string& password);
    ~LaptopServer();
    LaptopServer(const LaptopServer&) = delete;
    LaptopServer& operator=(const LaptopServer&) = delete;
    int port() const { return port_; }
    // A password of 20 letters and digits, from the system's random source.
    static std::string MakePassword();
    // The addresses the server may listen on: 127.0.0.1 and this laptop's own IPv4 addresses.
    static std::vector<std::string> OwnAddresses();

private:
    void stop();
    pid_t pid_ = 0;
    int port_ = 0;
};

}  // namespace kvt::shell

#include "shell/server_meets.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <libpq-fe.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <random>
#include <thread>

#include <filesystem>
#include <memory>
#include <vector>

#include "base/files.h"
#include "meetdb/meet_files.h"
#include "meetdb/sqlite.h"
#include "meetdb/sqlite_engine.h"
#include "pgdb/pg_engine.h"
#include "pgdb/pq.h"

namespace kvt::shell {

namespace fs = std::filesystem;

namespace {

using Fields = std::vector<std::pair<std::string, std::string>>;

bool ServerHasDatabase(pgdb::PgConnection& maintenance, const std::string& database) {
    return maintenance.run("SELECT 1 FROM pg_database WHERE datname = $1", {database}).rows() > 0;
}

bool HoldsMeet(pgdb::PgConnection& db) {
    return db.run("SELECT to_regclass($1) IS NOT NULL", {pgdb::QuoteName(pgdb::CatalogTables)})
                   .value(0, 0) == pgdb::Value("t") &&
           db.run("SELECT 1 FROM " + pgdb::QuoteName(pgdb::CatalogTables) + " LIMIT 1").rows() > 0;
}

void CopyInto(meetdb::Connection& file, pgdb::PgConnection& db) {
    db.begin();
    try {
        pgdb::MakeCatalog(db);
        if (db.run("SELECT 1 FROM " + pgdb::QuoteName(pgdb::CatalogTables) + " LIMIT 1").rows() > 0)
            throw ServerMeetExists("the database " + std::string(PQdb(db.handle())) +
                                   " holds a meet already");
        long long marks[2] = {0, 0};
        const char* pragmas[2] = {"user_version", "application_id"};
        for (int i = 0; i < 2; ++i) {
            auto read = file.prepare(std::string("PRAGMA ") + pragmas[i]);
            if (read.step()) marks[i] = read.integer(0);
        }
        db.run("INSERT INTO " + pgdb::QuoteName(pgdb::CatalogFile) +
                   " (\"user_version\", \"application_id\") VALUES ($1, $2)",
               {std::to_string(marks[0]), std::to_string(marks[1])});
        for (const std::string& table : meetdb::TableNames(file)) {
            Fields fields;
            auto columns =
                file.prepare("SELECT name, type FROM pragma_table_info(?1) ORDER BY cid");
            columns.bind(1, table);
            while (columns.step())
                fields.emplace_back(columns.text(0).value_or(""), columns.text(1).value_or(""));
            pgdb::MakeTable(db, table, fields);
            std::vector<std::vector<pgdb::Value>> rows;
            auto read = file.prepare("SELECT * FROM " + meetdb::QuoteIdentifier(table) +
                                     " ORDER BY rowid");
            while (read.step()) {
                std::vector<pgdb::Value> row(fields.size());
                for (std::size_t i = 0; i < fields.size(); ++i)
                    row[i] = read.text(static_cast<int>(i));
                rows.push_back(std::move(row));
            }
            if (rows.empty()) continue;
            std::string names;
            for (std::size_t i = 0; i < fields.size(); ++i)
                names += (i ? ", " : "") + pgdb::QuoteName(fields[i].first);
            db.copyIn("COPY " + pgdb::QuoteName(table) + " (" + names + ") FROM STDIN", rows);
        }
        db.commit();
    } catch (...) {
        if (db.inTransaction()) db.rollback();
        throw;
    }
}

void SyncFolder(const fs::path& folder) {
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

void HostMeet(const std::string& path, const pgdb::ServerMeet& server, const std::string& password) {
    // The file is read in one read transaction: a meet open meanwhile is read as committed.
    meetdb::Connection file(path, meetdb::Connection::Mode::ReadOnly);
    file.execute("BEGIN");
    struct EndRead {
        meetdb::Connection& file;
        ~EndRead() {
            try {
                file.execute("ROLLBACK");
            } catch (const std::exception&) {
            }
        }
    } endRead{file};
    bool made = false;
    {
        pgdb::PgConnection maintenance({server.maintenance().name(), password});
        if (!ServerHasDatabase(maintenance, server.database)) {
            maintenance.execute("CREATE DATABASE " + pgdb::QuoteName(server.database) +
                                " ENCODING 'UTF8' TEMPLATE template0");
            made = true;
        }
    }
    try {
        pgdb::PgConnection db({server.name(), password});
        CopyInto(file, db);
    } catch (...) {
        if (made) {
            try {
                pgdb::PgConnection maintenance({server.maintenance().name(), password});
                maintenance.execute("DROP DATABASE IF EXISTS " + pgdb::QuoteName(server.database));
            } catch (const std::exception&) {
                // The empty database stays; hosting again fills it.
            }
        }
        throw;
    }
}

void SaveServerMeet(const pgdb::ServerMeet& server, const std::string& password,
                    const std::string& path) {
    pgdb::PgConnection db({server.name(), password});
    if (!HoldsMeet(db)) throw std::runtime_error("the database " + server.database + " holds no meet");
    const std::string making = path + ".saving";
    std::error_code error;
    fs::remove(making, error);
    try {
        db.execute("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
        {
            meetdb::Connection file(making, meetdb::Connection::Mode::Create);
            const pgdb::Result marks = db.run("SELECT \"user_version\", \"application_id\" FROM " +
                                              pgdb::QuoteName(pgdb::CatalogFile) + " LIMIT 1");
            if (marks.rows() > 0) {
                file.execute("PRAGMA user_version = " + std::to_string(marks.integer(0, 0)));
                file.execute("PRAGMA application_id = " + std::to_string(marks.integer(0, 1)));
            }
            meetdb::Transaction writing(file);
            const pgdb::Result tables = db.run("SELECT \"name\" FROM " +
                                               pgdb::QuoteName(pgdb::CatalogTables) +
                                               " ORDER BY \"made\"");
            for (int t = 0; t < tables.rows(); ++t) {
                const std::string table = tables.value(t, 0).value_or("");
                // Which station took each impulse belongs to the server meet, not to a file.
                if (table == storage::StationImpulsesTable) continue;
                const pgdb::Result columns =
                    db.run("SELECT \"name\", \"declared\" FROM " +
                               pgdb::QuoteName(pgdb::CatalogColumns) +
                               " WHERE \"table\" = $1 ORDER BY \"position\"",
                           {table});
                std::string create = "CREATE TABLE " + meetdb::QuoteIdentifier(table) + " (";
                std::string names, marksText;
                for (int c = 0; c < columns.rows(); ++c) {
                    const std::string name = columns.value(c, 0).value_or("");
                    const std::string declared = columns.value(c, 1).value_or("");
                    create += (c ? ", " : "") + meetdb::QuoteIdentifier(name) +
                              (declared.empty() ? "" : " " + declared);
                    names += (c ? ", " : "") + pgdb::QuoteName(name);
                    marksText += c ? ", ?" : "?";
                }
                file.execute(create + ")");
                if (columns.rows() == 0) continue;
                const pgdb::Result rows = db.run("SELECT " + names + " FROM " +
                                                 pgdb::QuoteName(table) + " ORDER BY " +
                                                 pgdb::QuoteName(pgdb::RowColumn));
                auto insert = file.prepare("INSERT INTO " + meetdb::QuoteIdentifier(table) +
                                           " VALUES (" + marksText + ")");
                for (int r = 0; r < rows.rows(); ++r) {
                    insert.reset();
                    for (int c = 0; c < columns.rows(); ++c) insert.bind(c + 1, rows.value(r, c));
                    insert.run();
                }
            }
            writing.commit();
        }
        db.execute("COMMIT");
        fs::rename(making, path);
        SyncFolder(fs::path(path).parent_path());
    } catch (...) {
        fs::remove(making, error);
        throw;
    }
}

// ---- a server on this laptop ----

namespace {

using Why = LaptopServerError::Why;

// The newest of Debian's PostgreSQL programs' folders; empty when none is installed.
fs::path PostgresPrograms() {
    fs::path found;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/usr/lib/postgresql", error))
        if (fs::exists(entry.path() / "bin" / "initdb") &&
            (found.empty() || entry.path().filename().string() >
                                  found.parent_path().filename().string()))
            found = entry.path() / "bin";
    return found;
}

// Who runs the server: the program's own user, or as root a dedicated user when there is one.
struct RunAs {
    uid_t uid = 0;
    gid_t gid = 0;
};

RunAs ServerUser() {
    if (::getuid() != 0) return {::getuid(), ::getgid()};
    for (const char* name : {"postgres", "kvtpg"})
        if (const passwd* user = ::getpwnam(name)) return {user->pw_uid, user->pw_gid};
    throw LaptopServerError(Why::Root, "root");
}

// Runs a program as the user, its output to log; waits seconds at most. Returns the process
// itself when wait is false.
pid_t Run(const RunAs& user, const std::vector<std::string>& arguments, const fs::path& log,
          bool wait, int seconds = 60) {
    const pid_t child = ::fork();
    if (child < 0) throw LaptopServerError(Why::Failed, "fork");
    if (child == 0) {
        ::setsid();
        if (::setgid(user.gid) != 0 || ::setuid(user.uid) != 0) ::_exit(126);
        const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        const int none = ::open("/dev/null", O_RDONLY);
        if (out >= 0) {
            ::dup2(out, 1);
            ::dup2(out, 2);
        }
        if (none >= 0) ::dup2(none, 0);
        std::vector<char*> argv;
        for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    if (!wait) return child;
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (::waitpid(child, &status, WNOHANG) != child) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            throw LaptopServerError(Why::Failed, arguments[0] + ": no answer");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw LaptopServerError(Why::Failed, arguments[0] + ": see " + log.string());
    return 0;
}

// A port on address no one listens on: 5432 when it is free, else one the system gives.
int FreePort(const std::string& address) {
    for (int port : {5432, 0}) {
        const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_port = htons(static_cast<uint16_t>(port));
        ::inet_pton(AF_INET, address.c_str(), &at.sin_addr);
        const bool free = ::bind(probe, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0;
        socklen_t length = sizeof at;
        ::getsockname(probe, reinterpret_cast<sockaddr*>(&at), &length);
        ::close(probe);
        if (free) return ntohs(at.sin_port);
    }
    throw LaptopServerError(Why::Failed, "no free port on " + address);
}

void Own(const fs::path& path, const RunAs& user) {
    if (::chown(path.c_str(), user.uid, user.gid) != 0)
        throw LaptopServerError(Why::Failed, "chown " + path.string());
}

}  // namespace

std::string LaptopServer::MakePassword() {
    static const char letters[] = "abcdefghijkmnpqrstuvwxyzABCDEFGHJKLMNPQRSTUVWXYZ23456789";
    std::random_device random;
    std::string password;
    for (int i = 0; i < 20; ++i) password += letters[random() % (sizeof letters - 1)];
    return password;
}

std::vector<std::string> LaptopServer::OwnAddresses() {
    std::vector<std::string> addresses{"127.0.0.1"};
    ifaddrs* all = nullptr;
    if (::getifaddrs(&all) != 0) return addresses;
    for (ifaddrs* one = all; one; one = one->ifa_next) {
        if (!one->ifa_addr || one->ifa_addr->sa_family != AF_INET) continue;
        char text[INET_ADDRSTRLEN] = {};
        ::inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(one->ifa_addr)->sin_addr, text,
                    sizeof text);
        if (std::find(addresses.begin(), addresses.end(), text) == addresses.end())
            addresses.push_back(text);
    }
    ::freeifaddrs(all);
    return addresses;
}

LaptopServer::LaptopServer(const std::string& folder, const std::string& address,
                           const std::string& password) {
    const auto own = OwnAddresses();
    if (std::find(own.begin(), own.end(), address) == own.end())
        throw LaptopServerError(Why::NotOwnAddress, address);
    const fs::path programs = PostgresPrograms();
    if (programs.empty()) throw LaptopServerError(Why::NoPostgres, "/usr/lib/postgresql");
    const RunAs user = ServerUser();
    const fs::path root(folder), data = root / "data", log = root / "server.log";
    fs::create_directories(root);
    Own(root, user);
    ::chmod(root.c_str(), 0700);
    if (!fs::exists(data / "PG_VERSION")) {
        fs::remove_all(data);
        // The password goes to initdb in a file the server's user alone reads, removed after.
        const fs::path secret = root / "password";
        base::WriteWholeFile(secret.string(), password + "\n", {.mode = 0600});
        Own(secret, user);
        try {
            Run(user,
                {(programs / "initdb").string(), "-D", data.string(), "-U", "kvt",
                 "--pwfile=" + secret.string(), "--auth-local=scram-sha-256",
                 "--auth-host=scram-sha-256", "-E", "UTF8", "--locale=C"},
                log, true);
        } catch (...) {
            fs::remove(secret);
            throw;
        }
        fs::remove(secret);
        // Others on the local network reach it with the password alone.
        std::ofstream(data / "pg_hba.conf", std::ios::app)
            << "host all all samenet scram-sha-256\n";
    }
    port_ = FreePort(address);
    // Where it listens is set at every start (the address may have changed since).
    std::ofstream(data / "postgresql.auto.conf", std::ios::trunc)
        << "listen_addresses = '" << address << "'\nport = " << port_ << "\n"
        << "unix_socket_directories = ''\nmax_prepared_transactions = 20\n";
    Own(data / "postgresql.auto.conf", user);
    pid_ = Run(user, {(programs / "postgres").string(), "-D", data.string()}, log, false);
    const std::string ping = "host=" + address + " port=" + std::to_string(port_) +
                             " dbname=postgres connect_timeout=2";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (PQping(ping.c_str()) != PQPING_OK) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_ ||
            std::chrono::steady_clock::now() > deadline) {
            pid_ = ::waitpid(pid_, &status, WNOHANG) == 0 ? pid_ : 0;
            stop();
            throw LaptopServerError(Why::Failed, "postgres: see " + log.string());
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

LaptopServer::~LaptopServer() {
    stop();
}

void LaptopServer::stop() {
    if (pid_ <= 0) return;
    // A fast shutdown: connections are ended, what is committed is kept.
    ::kill(pid_, SIGINT);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (::waitpid(pid_, nullptr, WNOHANG) != pid_) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    pid_ = 0;
}

}  // namespace kvt::shell

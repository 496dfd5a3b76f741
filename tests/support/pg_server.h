// A PostgreSQL server of a test's or a benchmark's own: made with initdb in a temporary folder,
// run as an ordinary user (initdb refuses root: one is made with useradd when the test runs as
// root), listening on a Unix socket in its folder and on 127.0.0.1 at a free port, stopped and
// removed at the end. Its superuser "kvt" logs in with the password the server was made with.
#pragma once

#include <fcntl.h>
#include <libpq-fe.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/ssh_server.h"

namespace kvt::testing {

inline constexpr const char* DatabaseUser = "kvtpg";

// The folder of Debian's PostgreSQL programs (initdb, postgres); empty when none is there.
inline std::filesystem::path PostgresPrograms() {
    std::filesystem::path found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/usr/lib/postgresql", error))
        if (std::filesystem::exists(entry.path() / "bin" / "initdb") &&
            (found.empty() || entry.path().filename().string() > found.parent_path().filename().string()))
            found = entry.path() / "bin";
    return found;
}

class PgServer {
public:
    // durable: the server syncs each commit (for the benchmarks); tests run without.
    explicit PgServer(bool durable = false, std::string password = "kvt-test-password")
        : password_(std::move(password)) {
        programs_ = PostgresPrograms();
        if (programs_.empty()) return;
        root_ = std::filesystem::temp_directory_path() /
                ("kvt-pg-" + std::to_string(::getpid()) + "-" + std::to_string(++Count()));
        std::filesystem::remove_all(root_);
        std::filesystem::create_directories(root_ / "socket");
        if (::getuid() == 0) {
            if (!::getpwnam(DatabaseUser))
                std::system((std::string("useradd --shell /bin/sh ") + DatabaseUser +
                             " >/dev/null 2>&1")
                                .c_str());
            const passwd* user = ::getpwnam(DatabaseUser);
            if (!user) return;
            uid_ = user->pw_uid;
            gid_ = user->pw_gid;
        } else {
            uid_ = ::getuid();
            gid_ = ::getgid();
        }
        std::ofstream(root_ / "password") << password_ << "\n";
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root_))
            if (::chown(entry.path().c_str(), uid_, gid_) != 0) return;
        if (::chown(root_.c_str(), uid_, gid_) != 0) return;
        ::chmod(root_.c_str(), 0755);
        port_ = freePort();
        const std::string data = (root_ / "data").string();
        const std::string pwfile = "--pwfile=" + (root_ / "password").string();
        if (!runAsUser({(programs_ / "initdb").string(), "-D", data, "-U", "kvt", pwfile,
                        "--auth-local=scram-sha-256", "--auth-host=scram-sha-256", "-E", "UTF8",
                        "--locale=C", "--no-sync"},
                       60))
            return;
        std::ofstream(root_ / "data" / "postgresql.conf", std::ios::app)
            << "listen_addresses = '127.0.0.1'\nport = " << port_ << "\n"
            << "unix_socket_directories = '" << (root_ / "socket").string() << "'\n"
            << "fsync = " << (durable ? "on" : "off") << "\n"
            << "synchronous_commit = " << (durable ? "on" : "off") << "\n"
            << "full_page_writes = " << (durable ? "on" : "off") << "\n"
            << "shared_buffers = 16MB\nmax_connections = 40\nlogging_collector = off\n"
            << "max_prepared_transactions = 20\n"
            << "log_min_messages = fatal\n";
        ready_ = true;
    }
    ~PgServer() {
        stop();
        std::error_code error;
        std::filesystem::remove_all(root_, error);
    }
    PgServer(const PgServer&) = delete;
    PgServer& operator=(const PgServer&) = delete;

    bool ready() const { return ready_; }
    // Starts the server and waits, ten seconds at most, until it accepts connections.
    bool start() {
        if (!ready_) return false;
        pid_ = ::fork();
        if (pid_ == 0) {
            // A group of its own, so that a crash takes the server and its backends at once.
            ::setpgid(0, 0);
            if (::setgid(gid_) != 0 || ::setuid(uid_) != 0) ::_exit(126);
            const std::string postgres = (programs_ / "postgres").string();
            const std::string data = (root_ / "data").string();
            const int quiet = ::open("/dev/null", O_WRONLY);
            if (quiet >= 0) {
                ::dup2(quiet, 1);
                ::dup2(quiet, 2);
            }
            ::execl(postgres.c_str(), postgres.c_str(), "-D", data.c_str(), nullptr);
            ::_exit(127);
        }
        ::setpgid(pid_, pid_);
        // Ready once it takes connections (not while it is still starting up).
        const std::string address = "host=127.0.0.1 dbname=postgres connect_timeout=2 port=" +
                                    std::to_string(port_);
        return within(std::chrono::milliseconds(15000),
                      [&] { return PQping(address.c_str()) == PQPING_OK; });
    }
    // Stops the server (a fast shutdown: connections are ended), ten seconds at most, then
    // kills it.
    void stop() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGINT);
        if (!within(std::chrono::milliseconds(10000), [this] { return reaped(); })) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        pid_ = 0;
    }
    // The server and every backend of it killed at once (SIGKILL), as a crash ends it (each
    // backend is a session of its own: they are found as the server's children).
    void crash() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGSTOP);  // it starts no new ones meanwhile
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
            std::ifstream stat(entry.path() / "stat");
            std::string line;
            if (!std::getline(stat, line)) continue;
            const auto close = line.rfind(')');
            if (close == std::string::npos) continue;
            std::istringstream fields(line.substr(close + 2));
            char state = 0;
            long parent = 0;
            fields >> state >> parent;
            if (parent == pid_) ::kill(static_cast<pid_t>(std::atol(entry.path().filename().c_str())), SIGKILL);
        }
        ::kill(-pid_, SIGKILL);
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = 0;
    }
    int port() const { return port_; }
    const std::string& password() const { return password_; }
    std::filesystem::path socketFolder() const { return root_ / "socket"; }

private:
    static int& Count() {
        static int count = 0;
        return count;
    }
    bool reaped() {
        return ::waitpid(pid_, nullptr, WNOHANG) == pid_;
    }
    bool runAsUser(const std::vector<std::string>& arguments, int seconds) {
        const pid_t child = ::fork();
        if (child == 0) {
            if (::setgid(gid_) != 0 || ::setuid(uid_) != 0) ::_exit(126);
            const int quiet = ::open("/dev/null", O_WRONLY);
            if (quiet >= 0) {
                ::dup2(quiet, 1);
                ::dup2(quiet, 2);
            }
            std::vector<char*> argv;
            for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        int status = 0;
        const bool done = within(std::chrono::milliseconds(seconds * 1000), [&] {
            return ::waitpid(child, &status, WNOHANG) == child;
        });
        if (!done) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            return false;
        }
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

    std::filesystem::path programs_;
    std::filesystem::path root_;
    std::string password_;
    uid_t uid_ = 0;
    gid_t gid_ = 0;
    int port_ = 0;
    pid_t pid_ = 0;
    bool ready_ = false;
};

}  // namespace kvt::testing

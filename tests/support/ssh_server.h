// OpenSSH's sshd on 127.0.0.1, started by a test or a benchmark with a configuration of its
// own in a temporary folder, for the uploads of the pages for the web.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace kvt::testing {

inline bool has(const char* program) {
    return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

// A free port of the loopback address.
inline int freePort() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(s);
    return ntohs(address.sin_port);
}

inline bool accepts(int port) {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(s);
    return ok;
}

// Waits, a few seconds at most, until done says yes.
template <typename Done>
inline bool within(std::chrono::milliseconds bound, Done done) {
    const auto end = std::chrono::steady_clock::now() + bound;
    while (std::chrono::steady_clock::now() < end) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return done();
}

inline constexpr const char* ServerUser = "kvtpublish";

// OpenSSH's sshd on 127.0.0.1 with a configuration of its own in a temporary folder, run as an
// ordinary user (made once with useradd when the test runs as root), who alone may log in, by
// the key the test made.
class SshServer {
public:
    SshServer() {
        root_ = std::filesystem::temp_directory_path() / ("kvt-sshd-" + std::to_string(::getpid()));
        std::filesystem::remove_all(root_);
        std::filesystem::create_directories(root_ / "client");
        std::filesystem::create_directories(root_ / "server" / "site");
        if (::getuid() == 0) {
            if (!::getpwnam(ServerUser))
                std::system((std::string("useradd --create-home --shell /bin/sh ") + ServerUser +
                             " >/dev/null 2>&1")
                                .c_str());
            const passwd* user = ::getpwnam(ServerUser);
            if (!user) return;
            uid_ = user->pw_uid;
            gid_ = user->pw_gid;
            userName_ = ServerUser;
        } else {
            uid_ = ::getuid();
            gid_ = ::getgid();
            userName_ = ::getpwuid(uid_)->pw_name;
        }
        const std::string keygen = "ssh-keygen -q -t ed25519 -N '' -f ";
        if (std::system((keygen + (root_ / "server" / "host_key").string()).c_str()) != 0 ||
            std::system((keygen + (root_ / "client" / "key").string()).c_str()) != 0)
            return;
        std::filesystem::copy_file(root_ / "client" / "key.pub", root_ / "server" / "authorized_keys");
        port_ = freePort();
        std::ofstream(root_ / "server" / "sshd_config")
            << "Port " << port_ << "\nListenAddress 127.0.0.1\n"
            << "HostKey " << (root_ / "server" / "host_key").string() << "\n"
            << "PidFile " << (root_ / "server" / "sshd.pid").string() << "\n"
            << "AuthorizedKeysFile " << (root_ / "server" / "authorized_keys").string() << "\n"
            << "StrictModes no\nUsePAM no\nPasswordAuthentication no\n"
            << "KbdInteractiveAuthentication no\nPubkeyAuthentication yes\n"
            << "Subsystem sftp internal-sftp\nLogLevel ERROR\n";
        // The server's files are the user's.
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root_ / "server"))
            if (::chown(entry.path().c_str(), uid_, gid_) != 0) return;
        if (::chown((root_ / "server").c_str(), uid_, gid_) != 0) return;
        ::chmod(root_.c_str(), 0755);
        ready_ = true;
    }
    ~SshServer() {
        stop();
        std::filesystem::remove_all(root_);
    }
    bool ready() const { return ready_; }
    bool start() {
        pid_ = ::fork();
        if (pid_ == 0) {
            if (::setgid(gid_) != 0 || ::setuid(uid_) != 0) ::_exit(126);
            const std::string config = (root_ / "server" / "sshd_config").string();
            // sshd runs again from its own path: it is given whole.
            ::execl("/usr/sbin/sshd", "/usr/sbin/sshd", "-D", "-e", "-f", config.c_str(), nullptr);
            ::_exit(127);
        }
        return within(std::chrono::milliseconds(5000), [this] { return accepts(port_); });
    }
    void stop() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
        pid_ = 0;
    }
    int port() const { return port_; }
    const std::string& user() const { return userName_; }
    std::filesystem::path site() const { return root_ / "server" / "site"; }
    std::filesystem::path key() const { return root_ / "client" / "key"; }
    std::filesystem::path knownHosts() const { return root_ / "client" / "known_hosts"; }
    std::filesystem::path pages() const { return root_ / "client" / "web"; }

private:
    std::filesystem::path root_;
    uid_t uid_ = 0;
    gid_t gid_ = 0;
    std::string userName_;
    int port_ = 0;
    pid_t pid_ = 0;
    bool ready_ = false;
};

}  // namespace kvt::testing

// Publishing the pages for the web: when an upload is due, the tools' command lines, a child
// that hangs ended after its bound, and uploads against a real OpenSSH server on 127.0.0.1
// (started by the test as an ordinary user on a high port): the pages arrive by rsync and by
// SFTP, a stopped server is told and tried again, a server that hangs is ended.
#include "results/publisher.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

using namespace kvt;
using namespace std::chrono_literals;
using results::Milliseconds;
using results::PublishSchedule;
namespace fs = std::filesystem;

namespace {

std::string readFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

bool has(const char* program) {
    return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

// A free port of the loopback address.
int freePort() {
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

bool accepts(int port) {
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
bool within(std::chrono::milliseconds bound, Done done) {
    const auto end = std::chrono::steady_clock::now() + bound;
    while (std::chrono::steady_clock::now() < end) {
        if (done()) return true;
        std::this_thread::sleep_for(50ms);
    }
    return done();
}

constexpr const char* ServerUser = "kvtpublish";

// OpenSSH's sshd on 127.0.0.1 with a configuration of its own in a temporary folder, run as an
// ordinary user (made once with useradd when the test runs as root), who alone may log in, by
// the key the test made.
class SshServer {
public:
    SshServer() {
        root_ = fs::temp_directory_path() / ("kvt-sshd-" + std::to_string(::getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "client");
        fs::create_directories(root_ / "server" / "site");
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
        fs::copy_file(root_ / "client" / "key.pub", root_ / "server" / "authorized_keys");
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
        for (const auto& entry : fs::recursive_directory_iterator(root_ / "server"))
            if (::chown(entry.path().c_str(), uid_, gid_) != 0) return;
        if (::chown((root_ / "server").c_str(), uid_, gid_) != 0) return;
        ::chmod(root_.c_str(), 0755);
        ready_ = true;
    }
    ~SshServer() {
        stop();
        fs::remove_all(root_);
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
        return within(5000ms, [this] { return accepts(port_); });
    }
    void stop() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
        pid_ = 0;
    }
    int port() const { return port_; }
    const std::string& user() const { return userName_; }
    fs::path site() const { return root_ / "server" / "site"; }
    fs::path key() const { return root_ / "client" / "key"; }
    fs::path knownHosts() const { return root_ / "client" / "known_hosts"; }
    fs::path pages() const { return root_ / "client" / "web"; }

private:
    fs::path root_;
    uid_t uid_ = 0;
    gid_t gid_ = 0;
    std::string userName_;
    int port_ = 0;
    pid_t pid_ = 0;
    bool ready_ = false;
};

#define REQUIRE_SSHD(server)                                                                   \
    if (!fs::exists("/usr/sbin/sshd") || !has("ssh-keygen") || !(server).ready())              \
    GTEST_SKIP() << "OpenSSH's sshd and ssh-keygen are needed (openssh-server)"

results::PublishSettings settingsFor(const SshServer& server, const std::string& target) {
    results::PublishSettings settings;
    settings.target = target;
    settings.user = server.user();
    settings.keyFile = server.key().string();
    settings.knownHosts = server.knownHosts().string();
    settings.bound = 15000ms;
    settings.firstWait = 100ms;
    settings.longestWait = 400ms;
    return settings;
}

void writePage(const fs::path& folder, const std::string& name, const std::string& text) {
    fs::create_directories(folder);
    std::ofstream(folder / name) << text;
}

}  // namespace

TEST(PublishSchedule, AChangeWaitsFourSecondsAndTheWaitDoublesToThirtyTwoWhileChangesKeepComing) {
    PublishSchedule schedule;
    EXPECT_FALSE(schedule.pending());
    schedule.changed(1000ms);
    EXPECT_FALSE(schedule.due(4999ms));
    EXPECT_TRUE(schedule.due(5000ms));
    schedule.changed(3000ms);  // a change while one waits does not put it off
    EXPECT_EQ(schedule.dueAt(), 5000ms);
    Milliseconds now = 5000ms;
    std::vector<long long> waits;
    for (int i = 0; i < 5; ++i) {
        schedule.begin();
        schedule.ended(now, true);
        schedule.changed(now + 1000ms);  // changes keep coming
        waits.push_back(schedule.wait().count());
        now = schedule.dueAt();
    }
    EXPECT_EQ(waits, (std::vector<long long>{8000, 16000, 32000, 32000, 32000}));
    // A quiet spell: back to four seconds.
    schedule.begin();
    schedule.ended(now, true);
    EXPECT_FALSE(schedule.pending());
    schedule.changed(now + 60000ms);
    EXPECT_EQ(schedule.wait(), 4000ms);
    // Nothing changed: nothing is due, however long it waits.
    schedule.begin();
    schedule.ended(now + 64000ms, true);
    EXPECT_FALSE(schedule.due(now + 1000000ms));
    // A failure is tried again, later each time.
    schedule.changed(now + 200000ms);
    schedule.begin();
    schedule.ended(now + 204000ms, false);
    EXPECT_TRUE(schedule.pending());
    EXPECT_EQ(schedule.dueAt(), now + 204000ms + 8000ms);
}

TEST(PublishTarget, AddressesOfTheThreeToolsAreReadAndNoneCanPassForAnOption) {
    auto sftp = results::ParsePublishTarget(" sftp://web@example.org:2222/~/site ");
    ASSERT_TRUE(sftp);
    EXPECT_EQ(sftp->kind, results::PublishTarget::Kind::Sftp);
    EXPECT_EQ(sftp->user, "web");
    EXPECT_EQ(sftp->host, "example.org");
    EXPECT_EQ(sftp->port, 2222);
    EXPECT_EQ(sftp->path, "~/site");
    auto ftps = results::ParsePublishTarget("ftps://example.org/htdocs/kvt");
    ASSERT_TRUE(ftps);
    EXPECT_EQ(ftps->kind, results::PublishTarget::Kind::Ftps);
    EXPECT_EQ(ftps->path, "/htdocs/kvt");
    auto rsync = results::ParsePublishTarget("club@example.org:public_html/results");
    ASSERT_TRUE(rsync);
    EXPECT_EQ(rsync->kind, results::PublishTarget::Kind::Rsync);
    EXPECT_EQ(rsync->user, "club");
    EXPECT_EQ(rsync->path, "public_html/results");
    for (const char* refused : {"", "example.org", "-oProxyCommand=x:y", "sftp://-oX/y",
                                "sftp://host:99999/x", "sftp://host\n/x", "/local/folder:x"})
        EXPECT_FALSE(results::ParsePublishTarget(refused)) << refused;

    // The password reaches lftp through its environment, never its command line.
    results::PublishSettings settings;
    settings.password = "pa\"ss word";
    settings.user = "u";
    const auto command = results::UploadCommand(settings, *sftp, "/tmp/web");
    ASSERT_EQ(command.argv.at(0), "lftp");
    for (const auto& arg : command.argv) EXPECT_FALSE(contains(arg, "pa\"ss")) << arg;
    EXPECT_EQ(command.environment, (std::vector<std::string>{"LFTP_PASSWORD=pa\"ss word"}));
    EXPECT_TRUE(contains(command.argv.at(2), "--env-password -u \"u\" -p 2222"));
    EXPECT_TRUE(contains(command.argv.at(2), "--exclude-glob *.making"));
    const auto upload = results::UploadCommand({}, *rsync, "/tmp/web");
    EXPECT_EQ(upload.argv.at(0), "rsync");
    EXPECT_EQ(upload.argv.back(), "club@example.org:public_html/results/");
    EXPECT_TRUE(contains(upload.argv.at(5), "BatchMode=yes"));
}

TEST(PublishChild, AChildThatHangsIsEndedAfterItsBoundAndAFailureSaysWhy) {
    const auto begin = std::chrono::steady_clock::now();
    const auto hung = results::RunChild({{"sh", "-c", "sleep 30 & sleep 30"}, {}}, 300ms);
    EXPECT_TRUE(hung.timedOut);
    EXPECT_FALSE(hung.ok);
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 5s);
    const auto failed = results::RunChild({{"sh", "-c", "echo $KVT_WORD; exit 3"}, {"KVT_WORD=why"}}, 5000ms);
    EXPECT_FALSE(failed.ok);
    EXPECT_FALSE(failed.timedOut);
    EXPECT_EQ(failed.output, "why\n");
    EXPECT_TRUE(results::RunChild({{"true"}, {}}, 5000ms).ok);
    EXPECT_FALSE(results::RunChild({{"kvt-no-such-tool"}, {}}, 5000ms).ok);
}

TEST(PublishToSsh, PagesArriveByRsyncAndSftpAndTheCommandAfterRuns) {
    SshServer server;
    REQUIRE_SSHD(server);
    ASSERT_TRUE(server.start());
    writePage(server.pages(), "index.html", "<h1>Junior</h1>");
    if (has("rsync")) {
        auto settings = settingsFor(server, "ssh://127.0.0.1:" + std::to_string(server.port()) +
                                                server.site().string() + "/rsync");
        settings.command = "touch " + (server.pages().parent_path() / "after").string();
        results::Publisher publisher(settings, server.pages().string());
        publisher.changed();
        ASSERT_TRUE(within(20000ms, [&] { return publisher.status().uploads == 1; }))
            << publisher.status().lastError;
        EXPECT_EQ(readFile(server.site() / "rsync" / "index.html"), "<h1>Junior</h1>");
        EXPECT_TRUE(fs::exists(server.pages().parent_path() / "after"));
        EXPECT_NE(publisher.status().lastSuccess, "");
        // Nothing changed: nothing more is published.
        std::this_thread::sleep_for(600ms);
        EXPECT_EQ(publisher.status().uploads, 1);
    }
    if (has("lftp")) {
        results::Publisher publisher(
            settingsFor(server, "sftp://127.0.0.1:" + std::to_string(server.port()) +
                                    server.site().string() + "/sftp"),
            server.pages().string());
        publisher.changed();
        ASSERT_TRUE(within(20000ms, [&] { return publisher.status().uploads == 1; }))
            << publisher.status().lastError;
        EXPECT_EQ(readFile(server.site() / "sftp" / "index.html"), "<h1>Junior</h1>");
        writePage(server.pages(), "index.html", "<h1>Senior</h1>");
        publisher.changed();
        ASSERT_TRUE(within(20000ms, [&] { return publisher.status().uploads == 2; }));
        EXPECT_EQ(readFile(server.site() / "sftp" / "index.html"), "<h1>Senior</h1>");
    }
}

TEST(PublishToSsh, AStoppedServerIsToldAndTriedAgainUntilThePagesArrive) {
    SshServer server;
    REQUIRE_SSHD(server);
    if (!has("rsync")) GTEST_SKIP() << "rsync is needed";
    writePage(server.pages(), "index.html", "late");
    results::Publisher publisher(
        settingsFor(server, "ssh://127.0.0.1:" + std::to_string(server.port()) +
                                server.site().string()),
        server.pages().string());
    publisher.changed();
    ASSERT_TRUE(within(20000ms, [&] { return publisher.status().failures >= 2; }));
    EXPECT_NE(publisher.status().lastError, "");
    EXPECT_EQ(publisher.status().lastSuccess, "");
    ASSERT_TRUE(server.start());
    ASSERT_TRUE(within(20000ms, [&] { return publisher.status().uploads == 1; }))
        << publisher.status().lastError;
    EXPECT_EQ(readFile(server.site() / "index.html"), "late");
    EXPECT_EQ(publisher.status().lastError, "");
}

TEST(PublishToSsh, AServerThatHangsIsEndedAfterTheBound) {
    // A listener that takes the connection and never says a word.
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 8), 0);
    socklen_t length = sizeof address;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    if (!has("rsync") || !has("ssh")) GTEST_SKIP() << "rsync and ssh are needed";
    const fs::path pages = fs::temp_directory_path() / ("kvt-hang-" + std::to_string(::getpid()));
    writePage(pages, "index.html", "x");
    results::PublishSettings settings;
    settings.target = "ssh://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/tmp/x";
    settings.knownHosts = (pages / "known_hosts").string();
    settings.bound = 1500ms;
    settings.firstWait = 50ms;
    settings.longestWait = 200ms;
    settings.timedOutText = "ended";
    {
        const auto begin = std::chrono::steady_clock::now();
        results::Publisher publisher(settings, pages.string());
        publisher.changed();
        ASSERT_TRUE(within(10000ms, [&] { return publisher.status().failures >= 1; }));
        EXPECT_TRUE(contains(publisher.status().lastError, "ended")) << publisher.status().lastError;
        EXPECT_LT(std::chrono::steady_clock::now() - begin, 8s);
    }
    ::close(listener);
    fs::remove_all(pages);
}

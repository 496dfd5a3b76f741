// Publishing the pages for the web: when an upload is due, the tools' command lines, a child
// that hangs ended after its bound, and uploads against a real OpenSSH server on 127.0.0.1
// (started by the test as an ordinary user on a high port): the pages arrive by rsync and by
// SFTP, a stopped server is told and tried again, a server that hangs is ended.
#include "results/publisher.h"

#include "support/fakes.h"
#include "support/ssh_server.h"

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
using kvt::testing::SshServer;
using kvt::testing::has;
using kvt::testing::within;
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

TEST(PublishTarget, ATargetThatIsNoneOfTheFormsIsToldAndNothingIsRun) {
    results::PublishSettings settings;
    settings.target = "example.org";
    settings.firstWait = 10ms;
    settings.longestWait = 20ms;
    settings.invalidTargetText = "no target: ";
    results::Publisher publisher(settings, "/nonexistent");
    publisher.changed();
    ASSERT_TRUE(within(5000ms, [&] { return publisher.status().failures >= 1; }));
    EXPECT_TRUE(contains(publisher.status().lastError, "no target: example.org"))
        << publisher.status().lastError;
    EXPECT_EQ(publisher.status().uploads, 0);
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

TEST(PublishToSsh, TheSetupPageShowsTheLastPublishAndTheLastErrorWhileARaceRuns) {
    SshServer server;
    REQUIRE_SSHD(server);
    if (!has("rsync")) GTEST_SKIP() << "rsync is needed";
    kvt::testing::TestProgram test;
    auto& p = test.start();
    auto& main = p.Main;
    main.SetupCheck[1].setChecked(true);
    test.makeAndOpenMeet();
    main.SetupWebCheck.setChecked(true);
    main.SetupPublishTargetText.edit("ssh://127.0.0.1:" + std::to_string(server.port()) +
                                     server.site().string());
    main.SetupPublishUserText.edit(server.user());
    main.SetupPublishKeyText.edit(server.key().string());
    main.SetupPublishCheck.setChecked(true);
    // The server is not there yet: the page tells why, and the pages wait.
    auto shows = [&](const std::string& part) {
        return within(30000ms, [&] {
            main.WebTimer.tick();
            return contains(main.SetupPublishState.caption(), part);
        });
    };
    ASSERT_TRUE(shows("Siste feil: ")) << main.SetupPublishState.caption();
    EXPECT_TRUE(contains(main.SetupPublishState.caption(), "Ikke publisert ennå"));
    ASSERT_TRUE(server.start());
    ASSERT_TRUE(shows("Sist publisert: ")) << main.SetupPublishState.caption();
    EXPECT_FALSE(contains(main.SetupPublishState.caption(), "Siste feil"));
    EXPECT_TRUE(contains(readFile(server.site() / "class-1.html"), "<h1>Junior</h1>"));
    // A finish reaches the server with the next publish.
    main.Number[0].setText("2");
    for (base::LocalTime time : {base::LocalTime{10, 1, 0, 0}, base::LocalTime{10, 29, 59, 990}}) {
        test.clock.time = time;
        main.Number[0].KeyDown.raise(ui::KeyReturn);
        main.Number[0].KeyUp.raise(ui::KeyReturn);
    }
    ASSERT_TRUE(within(40000ms, [&] {
        main.WebTimer.tick();
        return contains(readFile(server.site() / "class-1.html"), "Lars, Vika");
    }));
    test.program().MDIMain.Close.click();
    main.WebTimer.tick();
    EXPECT_EQ(main.SetupPublishState.caption(), "");
}

// Stations as separate processes of the real program (the race child, offscreen, joining a
// server meet) racing on one meet on a server of the test's own: every time captured on every
// station is on the server once, every station ends with the same results, and when two give
// the same competitor's finish or edit the same competitor at the same moment, exactly one
// wins, the other is told (in Norwegian, the stations' language here), and the trail keeps
// both.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <set>
#include <thread>

#include "pgdb/pg_engine.h"
#include "pgdb/server_name.h"
#include "shell/server_meets.h"
#include "support/fakes.h"
#include "support/pg_server.h"
#include "../tools/race_child_process.h"

using namespace kvt;
using kvt::testing::PgServer;
using kvt::testing::TestProgram;
using kvt::tools::Await;
using kvt::tools::Child;
using kvt::tools::Say;
namespace fs = std::filesystem;

namespace {

class StationProcesses : public ::testing::Test {
protected:
    void SetUp() override {
        server_ = std::make_unique<PgServer>();
        ASSERT_TRUE(server_->ready() && server_->start()) << "no PostgreSQL server could be started";
        // A meet with the sample names, hosted.
        TestProgram maker;
        maker.start().Main.SetupCheck[1].setChecked(true);
        const std::string file = maker.makeAndOpenMeet();
        maker.program().MDIMain.Close.click();
        meet_.host = "127.0.0.1";
        meet_.port = server_->port();
        meet_.database = "race";
        shell::HostMeet(file, meet_, server_->password());
        folder_ = fs::temp_directory_path() / ("kvt-stations-" + std::to_string(::getpid()));
        fs::create_directories(folder_);
    }
    void TearDown() override {
        for (auto& child : children_) {
            Say(child, "QUIT");
            Await(child, "DONE QUIT", 5000);
            int status = 0;
            if (::waitpid(child.pid, &status, WNOHANG) == 0) {
                ::kill(child.pid, SIGKILL);
                ::waitpid(child.pid, &status, 0);
            }
            ::close(child.in);
            ::close(child.out);
        }
        for (int lines : lines_) ::close(lines);
        fs::remove_all(folder_);
    }

    // A station joining the meet: the real program with its own (simulated) lines.
    Child& station() {
        const std::string fifo =
            (folder_ / ("lines-" + std::to_string(children_.size()))).string();
        ::mkfifo(fifo.c_str(), 0600);
        lines_.push_back(::open(fifo.c_str(), O_RDWR | O_NONBLOCK));
        ::setenv("KVT_MEET_PASSWORD", server_->password().c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        children_.push_back(tools::StartChild(KVT_RACE_CHILD, meet_.name(), fifo, 0, false));
        ::unsetenv("KVT_MEET_PASSWORD");
        auto& child = children_.back();
        EXPECT_TRUE(Await(child, "READY", 30000)) << "the station did not start";
        return child;
    }

    // The meet's table in its language (Norwegian or English name).
    std::string table(pgdb::PgConnection& look, const std::string& english,
                      const std::string& norwegian) {
        for (const auto& name : {english, norwegian})
            if (look.run("SELECT to_regclass($1) IS NOT NULL", {pgdb::QuoteName(name)})
                    .value(0, 0) == pgdb::Value("t"))
                return name;
        return english;
    }

    std::unique_ptr<PgServer> server_;
    pgdb::ServerMeet meet_;
    fs::path folder_;
    std::deque<Child> children_;  // a deque: a station once started stays where it is
    std::vector<int> lines_;  // each station's line FIFO, written as a contact closes and opens
};

std::string Ask(Child& child, const std::string& command, const std::string& answer) {
    Say(child, command);
    return Await(child, answer, 10000).value_or("");
}

}  // namespace

TEST_F(StationProcesses, ThreeStationsRaceOnOneMeetAndNoTimeIsLostTwiceOrOverwritten) {
    Child& a = station();
    Child& b = station();
    Child& c = station();
    std::vector<Child*> all{&a, &b, &c};
    // Contacts closed on every station's lines at the same moments: each capture is on the
    // server once.
    const int perStation = 12;
    for (int i = 0; i < perStation; ++i) {
        const std::string line = std::to_string(1 + i % 2);
        for (int lines : lines_)
            if (::write(lines, (line + " 0\n").data(), line.size() + 3) < 0) ADD_FAILURE();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        for (int lines : lines_)
            if (::write(lines, (line + " 1\n").data(), line.size() + 3) < 0) ADD_FAILURE();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    pgdb::PgConnection look({meet_.name(), server_->password()});
    const std::string times = pgdb::QuoteName(table(look, "Time", "Tider"));
    auto stored = [&] {
        return look.run("SELECT count(*), count(DISTINCT \"Id\") FROM " + times +
                        " WHERE \"Id\" <> '-'");
    };
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (stored().integer(0, 0) < 3 * perStation && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const auto counted = stored();
    EXPECT_EQ(counted.integer(0, 0), 3 * perStation);
    EXPECT_EQ(counted.integer(0, 1), 3 * perStation);  // no identification twice
    // Every station counts them all within a second or two.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    for (auto* child : all)
        EXPECT_EQ(Ask(*child, "COUNT", "COUNT"), "COUNT " + std::to_string(3 * perStation));

    // Starts on one station, finishes on the others: the results agree on every station.
    for (int n = 1; n <= 5; ++n) {
        Say(a, "TYPE 9 " + std::to_string(n));
        Ask(a, "ENTER 9", "DONE ENTER");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    for (int n = 1; n <= 4; ++n) {
        auto& finish = n % 2 ? b : c;
        Say(finish, "TYPE 9 " + std::to_string(n));
        Ask(finish, "ENTER 9", "DONE ENTER");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    const std::string results = Ask(a, "RESULTS", "RESULTS");
    EXPECT_EQ(std::count(results.begin(), results.end(), ' '), 4) << results;
    for (auto* child : {&b, &c}) EXPECT_EQ(Ask(*child, "RESULTS", "RESULTS"), results);

    // b and c give competitor 5 his finish at the same moment: exactly one wins, the other is
    // told who did what; the trail keeps both.
    Say(b, "TYPE 9 5");
    Say(c, "TYPE 9 5");
    Say(b, "ENTER 9");
    Say(c, "ENTER 9");
    std::vector<std::string> linesB, linesC;
    Await(b, "DONE ENTER", 10000, &linesB);
    Await(c, "DONE ENTER", 10000, &linesC);
    auto told = [](const std::vector<std::string>& lines) {
        for (const auto& line : lines)
            if (line.rfind("NOTICE ", 0) == 0 &&
                line.find("ga deltaker 5 mål") != std::string::npos)
                return true;
        return false;
    };
    EXPECT_NE(told(linesB), told(linesC)) << "exactly one of the two is told";
    const std::string trail = pgdb::QuoteName("Trail");
    auto rows = [&](const std::string& action, const std::string& number) {
        return look.run("SELECT count(*) FROM " + trail + " WHERE \"Action\" = $1 AND \"Number\" = $2",
                        {action, number})
            .integer(0, 0);
    };
    EXPECT_EQ(rows(storage::trail::Finish, "5"), 1);
    EXPECT_EQ(rows(storage::trail::Refused, "5"), 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    const std::string finish5 = Ask(a, "TIMES 5", "TIMES 5");
    EXPECT_EQ(finish5.find(" -", 8), std::string::npos) << finish5;
    for (auto* child : {&b, &c}) EXPECT_EQ(Ask(*child, "TIMES 5", "TIMES 5"), finish5);
    const std::string resultsNow = Ask(a, "RESULTS", "RESULTS");
    for (auto* child : {&b, &c}) EXPECT_EQ(Ask(*child, "RESULTS", "RESULTS"), resultsNow);

    // b and c edit competitor 5's surname at the same moment: one is stored, the other told.
    Say(b, "NAME 5 Bee");
    Say(c, "NAME 5 Cee");
    linesB.clear();
    linesC.clear();
    const std::string namedB = Await(b, "NAMED", 10000, &linesB).value_or("");
    const std::string namedC = Await(c, "NAMED", 10000, &linesC).value_or("");
    auto toldEdit = [](const std::vector<std::string>& lines) {
        for (const auto& line : lines)
            if (line.rfind("NOTICE ", 0) == 0 && line.find("endret deltaker 5") != std::string::npos)
                return true;
        return false;
    };
    EXPECT_NE(toldEdit(linesB), toldEdit(linesC)) << namedB << " / " << namedC;
    EXPECT_EQ(rows(storage::trail::Edit, "5"), 1);
    EXPECT_EQ(rows(storage::trail::Refused, "5"), 2);  // the finish and the edit
}

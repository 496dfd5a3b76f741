// A station whose server goes away: capture goes on, what was taken is shown and kept waiting,
// the capture page says since when the server is away and how much waits, and everything is
// sent once the server is back, each time once. Reaching the server again never holds the
// window up for the connection's time-out.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <thread>

#include "meetdb/station_journal.h"
#include "pgdb/pg_engine.h"
#include "pgdb/server_name.h"
#include "shell/meet_commands.h"
#include "shell/server_commands.h"
#include "shell/server_meets.h"
#include "support/fakes.h"
#include "storage/record_fields.h"
#include "support/pg_server.h"
#include "support/power_cut_vfs.h"

using namespace kvt;
using kvt::testing::PgServer;
using kvt::testing::TestProgram;

namespace {

class ServerAway : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.ready() && server.start()) << "no PostgreSQL server could be started";
        meet.host = "127.0.0.1";
        meet.port = server.port();
        meet.database = "away";
    }
    // A meet made as a file by the station, hosted, and opened on the server, line 1 on.
    ui::Program& openOnServer() {
        auto& p = station.start();
        const std::string file = station.makeAndOpenMeet();
        p.MDIMain.Close.click();
        shell::HostMeet(file, meet, server.password());
        station.server.setPassword(meet.name(), server.password());
        EXPECT_TRUE(shell::OpenDatabaseFile(p, meet.name()));
        p.Main.SetupChannelCheck[0].setChecked(true);
        p.Main.SetupTimerValue[2].setCaption("3");  // a capture is registered 3 polls after
        station.clock.time = {10, 0, 0, 0};
        return p;
    }
    // What the server holds, read apart from the station.
    pgdb::Result read(const std::string& sql) {
        pgdb::PgConnection db({meet.name(), server.password()});
        return db.run(sql);
    }
    // The retry the window's one-second timer makes.
    void tick(ui::Program& p) { p.Main.Hitime2.tick(); }
    // F2 at a time of day, and the polls that register its capture.
    void capture(ui::Program& p, base::LocalTime at) {
        station.clock.time = at;
        p.Main.Window.pressKey(ui::KeyF2);
        for (int i = 0; i < 10; ++i) p.Main.Hitime1.tick();
    }

    PgServer server{true};  // syncs each commit: what it answered survives a crash
    pgdb::ServerMeet meet;
    TestProgram station;
};

}  // namespace

// The station's journal keeps its name and what waits across lives of the program; what is
// marked sent is no longer offered, and every field comes back as kept (no value as none).
TEST(StationJournal, KeepsItsNameAndWhatWaitsAcrossLives) {
    TestProgram folder;
    const std::string path = meetdb::StationJournalPath(
        folder.folder().string(), "postgresql://kvt@10.0.0.5:5432/vinter");
    EXPECT_EQ(std::filesystem::path(path).filename(),
              "Station-postgresql___kvt_10.0.0.5_5432_vinter.journal");
    std::string name;
    {
        meetdb::SqliteStationJournal journal(path);
        name = journal.station();
        EXPECT_EQ(name.size(), 16u);
        storage::Record first(storage::column::impulse::Count);
        first[0] = "1";
        first[4] = "10:00:01.000000";
        storage::Record second = first;
        second[0] = "2";
        second[11] = "tab\there";
        EXPECT_EQ(journal.keep(first), 1);
        EXPECT_EQ(journal.keep(second), 2);
        journal.sent(1);
    }
    meetdb::SqliteStationJournal again(path);
    EXPECT_EQ(again.station(), name);
    const auto waiting = again.waiting();
    ASSERT_EQ(waiting.size(), 1u);
    EXPECT_EQ(waiting[0].first, 2);
    EXPECT_EQ(waiting[0].second[0], "2");
    EXPECT_EQ(waiting[0].second[11], "tab\there");
    EXPECT_FALSE(waiting[0].second[12]);
    EXPECT_EQ(again.keep(waiting[0].second), 3);
    again.sent(3);
    EXPECT_TRUE(again.waiting().empty());
    // Another meet's journal is another station.
    meetdb::SqliteStationJournal other(meetdb::StationJournalPath(folder.folder().string(), "x"));
    EXPECT_NE(other.station(), name);
}

// A mark "sent" is written with the next impulse kept (one sync for both) or when the journal is
// let go; a program killed before either offers the impulse again at its next opening (where
// the server's key shows it sent), and never loses one that waits.
TEST(StationJournal, AMarkSentRidesWithTheNextImpulseAndALostOneOnlyOffersItAgain) {
    TestProgram folder;
    const std::string path = meetdb::StationJournalPath(folder.folder().string(), "marks");
    const storage::Record impulse(storage::column::impulse::Count, std::string("x"));
    // A life killed right after marking 2 sent, its mark of 1 carried by the impulse 3.
    const pid_t child = ::fork();
    if (child == 0) {
        meetdb::SqliteStationJournal journal(path);
        journal.keep(impulse);
        journal.keep(impulse);
        journal.sent(1);
        journal.keep(impulse);
        journal.sent(2);
        ::_exit(journal.waiting().size() == 1 && journal.waiting()[0].first == 3 ? 0 : 2);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0) << "the killed life saw other impulses waiting";
    {
        meetdb::SqliteStationJournal journal(path);
        std::vector<long long> offered;
        for (const auto& entry : journal.waiting()) offered.push_back(entry.first);
        EXPECT_EQ(offered, (std::vector<long long>{2, 3}));
        journal.sent(3);
        EXPECT_TRUE(journal.waiting().empty());
    }  // let go: the mark is written now
    meetdb::SqliteStationJournal again(path);
    EXPECT_TRUE(again.waiting().empty());
}

// A journal an earlier program wrote (a rollback journal, a station's name and impulses waiting)
// is taken up as it stands: the same station, the same impulses waiting, and kept with a log
// ahead from then on.
TEST(StationJournal, AJournalOfAnEarlierProgramIsTakenUpWithWhatWaitsInIt) {
    TestProgram folder;
    const std::string path = meetdb::StationJournalPath(folder.folder().string(), "earlier");
    {
        meetdb::Connection earlier(path, meetdb::Connection::Mode::Create);
        std::string fields;
        for (int i = 0; i < storage::column::impulse::Count; ++i)
            fields += ", \"f" + std::to_string(i) + "\" TEXT";
        earlier.execute("CREATE TABLE \"Station\" (\"Name\" TEXT NOT NULL)");
        earlier.execute("CREATE TABLE \"Kept\" (\"Sequence\" INTEGER PRIMARY KEY, "
                        "\"Sent\" INTEGER NOT NULL DEFAULT 0" + fields + ")");
        earlier.execute("INSERT INTO \"Station\" VALUES ('0123456789abcdef')");
        earlier.execute("INSERT INTO \"Kept\" (\"Sequence\", \"Sent\", \"f0\") VALUES "
                        "(1, 1, '1'), (2, 0, '2'), (3, 0, '3')");
        auto mode = earlier.prepare("PRAGMA journal_mode");
        ASSERT_TRUE(mode.step());
        ASSERT_EQ(mode.text(0), "delete");
    }
    {
        meetdb::SqliteStationJournal journal(path);
        EXPECT_TRUE(journal.logAhead());
        EXPECT_EQ(journal.station(), "0123456789abcdef");
        std::vector<std::string> waiting;
        for (const auto& [sequence, record] : journal.waiting())
            waiting.push_back(std::to_string(sequence) + ":" + record[0].value_or("-"));
        EXPECT_EQ(waiting, (std::vector<std::string>{"2:2", "3:3"}));
        storage::Record next(storage::column::impulse::Count);
        next[0] = "4";
        EXPECT_EQ(journal.keep(next), 4);
    }
    meetdb::SqliteStationJournal again(path);
    EXPECT_EQ(again.waiting().size(), 3u);
}

// A power cut at any moment of a station's journal's life loses no impulse it kept (its keep
// had returned with the power on), invents none, never gives a sequence twice, and offers again
// every impulse not marked sent: the power goes at each write, sync and delete in turn of two
// lives (three impulses and a mark, the journal let go, one more, a mark, two more), and the
// journal is opened again as the machine finds it on restart.
TEST(StationJournal, APowerCutAtAnyMomentLosesNoImpulseKept) {
    using kvt::testing::PowerCutVfs;
    TestProgram folder;
    auto& vfs = PowerCutVfs::Instance();
    int cuts = 0;
    for (long at = 1; at < 500; ++at) {
        const std::string path =
            (folder.folder() / ("cut" + std::to_string(at) + ".journal")).string();
        vfs.forget();
        std::string name;
        {
            meetdb::SqliteStationJournal made(path, PowerCutVfs::Name);
            EXPECT_TRUE(made.logAhead());
            name = made.station();
        }
        std::map<long long, int> acknowledged;  // sequence: impulse
        long long inFlight = 0;                 // the keep the power went during
        long long highestSent = 0;
        auto keep = [&](meetdb::SqliteStationJournal& journal, int impulse) {
            storage::Record record(storage::column::impulse::Count);
            record[0] = std::to_string(impulse);
            const bool before = vfs.isCut();
            try {
                const long long sequence = journal.keep(record);
                if (!vfs.isCut())
                    acknowledged[sequence] = impulse;
                else if (!before)
                    inFlight = sequence;
            } catch (const std::exception& failure) {
                // After the cut the file system lies; before it nothing may fail.
                EXPECT_TRUE(vfs.isCut()) << failure.what();
            }
        };
        auto sent = [&](meetdb::SqliteStationJournal& journal, long long upTo) {
            journal.sent(upTo);
            highestSent = std::max(highestSent, upTo);
        };
        // A life of the journal: opened, the steps, let go.
        auto life = [&](const std::function<void(meetdb::SqliteStationJournal&)>& steps) {
            try {
                meetdb::SqliteStationJournal journal(path, PowerCutVfs::Name);
                steps(journal);
            } catch (const std::exception& failure) {
                EXPECT_TRUE(vfs.isCut()) << failure.what();
            }
        };
        vfs.cutAt(at);
        life([&](auto& journal) {
            keep(journal, 1);
            keep(journal, 2);
            sent(journal, 1);
            keep(journal, 3);
        });
        life([&](auto& journal) {
            keep(journal, 4);
            sent(journal, 4);
            keep(journal, 5);
            keep(journal, 6);
        });
        const bool wasCut = vfs.isCut();
        vfs.restore();

        // What the disk holds, read as any program reads the file.
        std::map<long long, int> present;
        {
            meetdb::Connection disk(path, meetdb::Connection::Mode::ReadWrite);
            auto rows = disk.prepare("SELECT \"Sequence\", \"f0\" FROM \"Kept\"");
            while (rows.step()) present[rows.integer(0)] = std::stoi(rows.text(1).value_or("0"));
        }
        for (const auto& [sequence, impulse] : acknowledged)
            EXPECT_EQ(present.count(sequence) ? present[sequence] : 0, impulse)
                << "impulse " << impulse << " kept as " << sequence << ", power cut at " << at;
        for (const auto& [sequence, impulse] : present)
            EXPECT_TRUE(acknowledged.count(sequence) || sequence == inFlight)
                << "impulse " << impulse << " as " << sequence << " was never kept, cut at "
                << at;
        // One impulse a sequence, in the order kept.
        int last = 0;
        for (const auto& [sequence, impulse] : present) {
            EXPECT_GT(impulse, last) << "cut at " << at;
            last = impulse;
        }
        meetdb::SqliteStationJournal again(path);
        EXPECT_EQ(again.station(), name) << "cut at " << at;
        std::vector<long long> waiting;
        for (const auto& entry : again.waiting()) waiting.push_back(entry.first);
        for (const auto& [sequence, impulse] : acknowledged)
            if (sequence > highestSent)
                EXPECT_NE(std::find(waiting.begin(), waiting.end(), sequence), waiting.end())
                    << "impulse " << impulse << " not offered again, cut at " << at;
        storage::Record next(storage::column::impulse::Count);
        next[0] = "7";
        EXPECT_GT(again.keep(next), present.empty() ? 0 : present.rbegin()->first)
            << "cut at " << at;
        if (!wasCut) break;
        ++cuts;
    }
    EXPECT_GT(cuts, 10);  // every write, sync and delete of both lives was a moment of a cut
    EXPECT_LT(cuts, 499);
}

// Two programs of one user on one meet are two stations: each holds a journal of its own while
// it runs, and a program started again takes up the first journal no running program holds,
// with the station's name and the impulses that wait in it.
TEST(StationJournal, EachRunningProgramHoldsAJournalOfItsOwn) {
    TestProgram folder;
    const std::string meet = "postgresql://kvt@127.0.0.1:5432/vinter";
    std::string firstName;
    {
        auto first = meetdb::OpenStationJournal(folder.folder().string(), meet);
        firstName = first->station();
        EXPECT_THROW(meetdb::SqliteStationJournal(meetdb::StationJournalPath(
                         folder.folder().string(), meet)),
                     meetdb::JournalInUse);
        auto second = meetdb::OpenStationJournal(folder.folder().string(), meet);
        EXPECT_NE(second->station(), firstName);
        storage::Record impulse(storage::column::impulse::Count);
        impulse[0] = "1";
        EXPECT_EQ(first->keep(impulse), 1);
        // What the second keeps is its own: the first's waiting impulse is not among it.
        EXPECT_TRUE(second->waiting().empty());
    }
    // Both let go: the first journal is taken up again, its impulse still waiting.
    auto again = meetdb::OpenStationJournal(folder.folder().string(), meet);
    EXPECT_EQ(again->station(), firstName);
    EXPECT_EQ(again->waiting().size(), 1u);
}

TEST_F(ServerAway, CaptureGoesOnAndEverythingIsSentOnceWhenTheServerIsBack) {
    auto& p = openOnServer();
    ASSERT_TRUE(p.meet);
    tick(p);
    EXPECT_EQ(p.Race.Server.caption(), "Server: tilkoblet");
    capture(p, {10, 0, 1, 0});
    ASSERT_EQ(p.meet->registeredCount(), 1);

    server.crash();
    capture(p, {10, 0, 5, 0});
    capture(p, {10, 0, 6, 0});
    // Taken and shown in the list while the server is away, waiting to be sent.
    EXPECT_EQ(p.meet->registeredCount(), 3);
    EXPECT_EQ(p.Main.RegTime[1].text(), "10.00.05.00");
    EXPECT_EQ(p.Main.RegTime[2].text(), "10.00.06.00");
    EXPECT_EQ(p.meet->unstoredTimes(), 2);
    tick(p);
    const std::string away = p.Race.Server.caption();
    EXPECT_EQ(away.rfind("Server: borte siden ", 0), 0u) << away;
    EXPECT_NE(away.find(", 2 venter"), std::string::npos) << away;
    // The retries while it is away store nothing and lose nothing.
    tick(p);
    tick(p);
    EXPECT_EQ(p.meet->unstoredTimes(), 2);

    ASSERT_TRUE(server.start());
    for (int i = 0; i < 50 && !p.meet->allStored(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        tick(p);
    }
    ASSERT_TRUE(p.meet->allStored()) << p.meet->lastFailure();
    EXPECT_EQ(p.Race.Server.caption(), "Server: tilkoblet");
    const auto times = read("SELECT \"Id\", \"Tid\" FROM \"Tider\" WHERE \"Id\" <> '-' ORDER BY "
                            "\"kvt_row\"");
    ASSERT_EQ(times.rows(), 3);
    EXPECT_EQ(times.value(1, 1), "10.00.05.00");
    EXPECT_EQ(times.value(2, 1), "10.00.06.00");
    const auto journal = read("SELECT count(*), count(DISTINCT \"TimeRow\") FROM \"Impulses\"");
    EXPECT_EQ(journal.integer(0, 0), 3);
    EXPECT_EQ(journal.integer(0, 1), 3);
}

// A commit whose connection breaks before the server answered is reported failed and leaves
// nothing prepared behind; the next commit stores what waited, once.
TEST_F(ServerAway, ACommitCutOffIsNeverHalfStoredNorStoredTwice) {
    auto& p = openOnServer();
    ASSERT_TRUE(p.meet);
    auto& engine = station.server;
    auto db = engine.connection(meet.name());
    db->execute("CREATE TABLE \"probe\" (\"x\" text)");
    // The station's connection ended by the server in the middle of a transaction.
    EXPECT_THROW(engine.transaction(meet.name(),
                                    [&] {
                                        db->run("INSERT INTO \"probe\" VALUES ('x')");
                                        read("SELECT pg_terminate_backend(pid, 5000) FROM "
                                             "pg_stat_activity WHERE application_name = "
                                             "'kvt station " +
                                             std::to_string(p.meet->station()) + "'");
                                    }),
                 pgdb::PgError);
    EXPECT_EQ(read("SELECT count(*) FROM \"probe\"").integer(0, 0), 0);
    // Reached again at the next action; nothing prepared is left behind.
    capture(p, {10, 0, 1, 0});
    for (int i = 0; i < 40 && !p.meet->allStored(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        tick(p);
    }
    ASSERT_TRUE(p.meet->allStored()) << p.meet->lastFailure();
    EXPECT_EQ(read("SELECT count(*) FROM pg_prepared_xacts").integer(0, 0), 0);
    EXPECT_EQ(read("SELECT count(*) FROM \"Impulses\"").integer(0, 0), 1);
    EXPECT_EQ(read("SELECT count(*) FROM \"Tider\" WHERE \"Id\" <> '-'").integer(0, 0), 1);
}

// A server that takes the connection and never answers: each statement gives up at once that
// the server is away (the old connection time-out was 3 s per statement), and the connection
// stands again once the server is back.
TEST_F(ServerAway, AServerThatNeverAnswersNeverHoldsTheWindowUp) {
    pgdb::PgConnection db({meet.maintenance().name(), server.password()});
    db.run("SELECT 1");
    server.crash();
    // Something takes connections on the server's port and never says a word.
    const int silent = ::socket(AF_INET, SOCK_STREAM, 0);
    int yes = 1;
    ::setsockopt(silent, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(server.port()));
    // (The killed server's port is free once its last process is gone.)
    bool bound = false;
    for (int i = 0; i < 100 && !bound; ++i) {
        bound = ::bind(silent, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        if (!bound) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_TRUE(bound);
    ASSERT_EQ(::listen(silent, 16), 0);
    // The loss is seen without a statement; from then on each statement fails at once.
    for (int i = 0; i < 50 && db.probe(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(db.away());
    const auto began = std::chrono::steady_clock::now();
    for (int i = 0; i < 5; ++i) EXPECT_THROW(db.run("SELECT 1"), pgdb::ServerAway);
    EXPECT_FALSE(db.probe());
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(2));
    EXPECT_TRUE(db.away());
    ::close(silent);
    ASSERT_TRUE(server.start());
    bool reached = false;
    for (int i = 0; i < 100 && !reached; ++i) {
        reached = db.probe();
        if (!reached) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_TRUE(reached);
    EXPECT_FALSE(db.away());
    EXPECT_EQ(db.run("SELECT 2").value(0, 0), "2");
}

// The file commands on an open server meet: Copy saves it back as a meet file; Repair and
// Compress are the server's business and Reset is for a meet file: each says so and changes
// nothing.
TEST_F(ServerAway, TheFileCommandsCopyAServerMeetBackAndLeaveTheRestToTheServer) {
    auto& p = openOnServer();
    ASSERT_TRUE(p.meet);
    capture(p, {10, 0, 1, 0});
    ASSERT_TRUE(p.meet->allStored());
    for (auto* item : {&p.MDIMain.Reset, &p.MDIMain.Repair, &p.MDIMain.Kompress, &p.MDIMain.Copy})
        EXPECT_TRUE(item->enabled());
    for (auto* item : {&p.MDIMain.Reset, &p.MDIMain.Repair, &p.MDIMain.Kompress}) {
        station.dialogs.messages.clear();
        item->click();
        ASSERT_EQ(station.dialogs.messages.size(), 1u);
        EXPECT_NE(station.dialogs.messages[0].text.find("Ingenting ble gjort"), std::string::npos)
            << station.dialogs.messages[0].text;
    }
    EXPECT_EQ(read("SELECT count(*) FROM \"Tider\" WHERE \"Id\" <> '-'").integer(0, 0), 1);
    EXPECT_EQ(p.currentDatabase(), meet.name());

    station.dialogs.messages.clear();
    const std::string copy = (station.folder() / "Copy.mdb").string();
    station.dialogs.fileAnswers.push_back(copy);
    p.MDIMain.Copy.click();
    EXPECT_TRUE(station.dialogs.messages.empty()) << station.dialogs.messages[0].text;
    EXPECT_TRUE(std::filesystem::exists(copy));
    p.MDIMain.Close.click();
    // With the meet closed they are the file commands again.
    EXPECT_TRUE(p.MDIMain.Repair.enabled());
}

// What a station took while the server was away is on its own disk: a station stopped before
// it could send it (as when it is killed) sends it when it is started again, each impulse once.
TEST_F(ServerAway, WhatAStationTookWhileAwayOutlivesTheStationAndIsSentOnce) {
    auto& p = openOnServer();
    ASSERT_TRUE(p.meet);
    capture(p, {10, 0, 1, 0});
    ASSERT_TRUE(p.meet->allStored());
    server.crash();
    capture(p, {10, 0, 7, 0});
    capture(p, {10, 0, 8, 0});
    ASSERT_EQ(p.meet->unstoredTimes(), 2);
    // The station ends without a word to the server: what waited in its memory is gone.
    p.meet.reset();
    p.stationJournal.reset();
    station.server.release(meet.name());

    ASSERT_TRUE(server.start());
    ASSERT_TRUE(shell::OpenServerMeet(p, meet.name(), server.password()));
    ASSERT_TRUE(p.meet);
    EXPECT_EQ(p.meet->registeredCount(), 3);
    EXPECT_TRUE(p.meet->allStored());
    const auto times =
        read("SELECT \"Tid\" FROM \"Tider\" WHERE \"Id\" <> '-' ORDER BY \"kvt_row\"");
    ASSERT_EQ(times.rows(), 3);
    EXPECT_EQ(times.value(1, 0), "10.00.07.00");
    EXPECT_EQ(times.value(2, 0), "10.00.08.00");
    // Opened again, nothing is sent twice; the server refuses a second copy of a key.
    p.MDIMain.Close.click();
    ASSERT_TRUE(shell::OpenServerMeet(p, meet.name(), server.password()));
    EXPECT_EQ(p.meet->registeredCount(), 3);
    const auto keys = read("SELECT count(*), count(DISTINCT (\"Station\", \"Sequence\")) FROM "
                           "\"StationImpulses\"");
    EXPECT_EQ(keys.integer(0, 0), 3);
    EXPECT_EQ(keys.integer(0, 1), 3);
    EXPECT_THROW(read("INSERT INTO \"StationImpulses\" (\"Station\", \"Sequence\") SELECT "
                      "\"Station\", \"Sequence\" FROM \"StationImpulses\" LIMIT 1"),
                 pgdb::PgError);
}

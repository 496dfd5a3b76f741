// Several stations on one server meet, each a program of its own in this process: what one
// stores appears on the others by the server's change feed (numbered in commit order), every
// station keeps its own list while the counts and identifications stay unique, and two
// stations giving the same competitor a time or editing the same record never both win.
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <set>
#include <thread>

#include "pgdb/pg_engine.h"
#include "pgdb/server_name.h"
#include "shell/meet_commands.h"
#include "shell/server_meets.h"
#include "storage/record_fields.h"
#include "storage/trail.h"
#include "support/fakes.h"
#include "support/pg_server.h"
#include "support/server_suite.h"
#include "support/tcp_proxy.h"

using namespace kvt;
using kvt::testing::PgServer;
using kvt::testing::TestProgram;

namespace {

class Stations : public kvt::testing::OneServerPerSuite<Stations> {
protected:
    static pgdb::ServerMeet fresh() { return freshNamed("stations_"); }

    // A meet file with the sample names hosted on the server (the program in English), its
    // Time table made with timeRows rows when given.
    static pgdb::ServerMeet hosted(int timeRows = -1) {
        TestProgram maker;
        maker.writeUserIni("x", " 1", " 0", "");
        maker.start().Main.SetupCheck[1].setChecked(true);
        if (timeRows >= 0)
            maker.program().Main.SetupText[ui::setup::TimeTableSizeText].setText(
                std::to_string(timeRows));
        const std::string file = maker.makeAndOpenMeet();
        maker.program().MDIMain.Close.click();
        const auto meet = fresh();
        shell::HostMeet(file, meet, password());
        return meet;
    }
    // A station joining it.
    static void join(TestProgram& station, const pgdb::ServerMeet& meet) {
        station.writeUserIni("x", " 1", " 0", "");
        auto& p = station.start();
        station.server.setPassword(meet.name(), password());
        ASSERT_TRUE(shell::OpenDatabaseFile(p, meet.name()));
        ASSERT_TRUE(p.meet);
        ASSERT_TRUE(p.meet->shared());
    }
    // A station joining it through the proxy, whose link a test can cut.
    static void joinThrough(TestProgram& station, const pgdb::ServerMeet& meet,
                            const kvt::testing::TcpProxy& proxy) {
        auto through = meet;
        through.port = proxy.port();
        join(station, through);
    }
    // a joins through the proxy and b straight; a's capture at 10:00:01.00 on line 1 is then
    // prepared on the server and a's link cut as it asks for the second phase: stored, as a
    // counts it, but not yet completed.
    static void captureLeftPrepared(const pgdb::ServerMeet& meet, kvt::testing::TcpProxy& proxy,
                                    TestProgram& a, TestProgram& b) {
        joinThrough(a, meet, proxy);
        join(b, meet);
        proxy.cutOn("COMMIT PREPARED");
        ASSERT_TRUE(a.program().meet->registerCapture(1, "10:00:01.00").stored);
        ASSERT_EQ(prepared(meet), 1);
    }
    static long long prepared(const pgdb::ServerMeet& meet) {
        pgdb::PgConnection admin({meet.name(), password()});
        return admin.run("SELECT count(*) FROM pg_prepared_xacts").integer(0, 0);
    }
};

meet::Meet& M(TestProgram& station) {
    return *station.program().meet;
}

// Polls the station (its window's poll tick) until what is asked holds, for at most two
// seconds; true when it held.
template <typename Holds>
bool Ticks(TestProgram& station, Holds holds) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (std::chrono::steady_clock::now() < until) {
        station.program().Main.Hitime1.tick();
        if (holds()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

// Enter on the first row of the station's capture page with the number typed, at time.
meet::Outcome Enter(TestProgram& station, int number, const std::string& time) {
    auto& m = M(station);
    m.releaseEnter();
    m.typeNumber(0, std::to_string(number));
    return m.giveTimeNow(0, time);
}

// Long enough for an operator to have seen what another station did (a change that reached a
// station less than a second ago is one its operator cannot have seen).
void Seen() {
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
}

bool Mentions(const meet::Outcome& outcome, const std::string& text) {
    for (const auto& notice : outcome.notices)
        if (notice.find(text) != std::string::npos) return true;
    return false;
}

}  // namespace

// Changes are numbered in the order their transactions commit, not the order their rows were
// made: a station that read up to a number has seen everything numbered before it.
TEST_F(Stations, TheFeedNumbersChangesInTheOrderTheyWereCommitted) {
    const auto meet = hosted();
    pgdb::PgEngine first, second;
    for (auto* engine : {&first, &second}) engine->setPassword(meet.name(), password());
    auto holdFirst = first.hold(meet.name());
    auto holdSecond = second.hold(meet.name());
    auto feed = first.feed(meet.name());
    ASSERT_TRUE(feed);
    first.addTable(meet.name(), storage::TrailSpec());
    const long long start = feed->head();
    auto early = first.openTable(meet.name(), "Trail");
    auto late = second.openTable(meet.name(), "Trail");
    storage::Record row(10, std::string("x"));
    // The first station's row is made first, but the second station's commit comes first.
    first.transaction(meet.name(), [&] {
        early->appendRecord(row);
        second.transaction(meet.name(), [&] { late->appendRecord(row); });
    });
    long long reached = 0;
    const auto changes = feed->since(start, reached);
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0].station, dynamic_cast<pgdb::StationHold&>(*holdSecond).station());
    EXPECT_EQ(changes[1].station, dynamic_cast<pgdb::StationHold&>(*holdFirst).station());
    EXPECT_GT(changes[0].key, changes[1].key);
    EXPECT_LT(changes[0].sequence, changes[1].sequence);
    EXPECT_EQ(reached, changes[1].sequence);
    EXPECT_EQ(feed->head(), reached);
    // A transaction rolled back leaves nothing in the feed.
    EXPECT_THROW(first.transaction(meet.name(),
                                   [&] {
                                       early->appendRecord(row);
                                       throw std::runtime_error("failed");
                                   }),
                 std::runtime_error);
    EXPECT_TRUE(feed->since(reached, reached).empty());
    // A meet file has no feed: nothing of this runs for it.
    TestProgram laptop;
    laptop.start();
    laptop.makeAndOpenMeet();
    EXPECT_FALSE(M(laptop).shared());
}

// What one station stores appears on the other within a second: a start given on one, the
// finish on the other, the results of the class alike on both; each keeps its own list while
// the times registered on both are numbered and identified once.
TEST_F(Stations, EachStationSeesTheOthersWorkAndKeepsItsOwnList) {
    const auto meet = hosted();
    TestProgram start, finish;
    join(start, meet);
    join(finish, meet);
    EXPECT_NE(M(start).station(), M(finish).station());

    ASSERT_TRUE(Enter(start, 1, "10:00:00.00").stored);
    ASSERT_TRUE(Ticks(finish, [&] { return M(finish).competitor(1).start == "10:00:00.00"; }));
    EXPECT_EQ(M(finish).competitor(1).state, meet::Started);
    EXPECT_EQ(M(finish).registeredCount(), 1);
    Seen();

    ASSERT_TRUE(Enter(finish, 1, "10:31:07.45").stored);
    ASSERT_EQ(M(finish).competitor(1).state, meet::Finished);
    ASSERT_TRUE(Ticks(start, [&] { return M(start).competitor(1).state == meet::Finished; }));
    EXPECT_EQ(M(start).competitor(1).finish, "10:31:07.45");
    const int c = M(start).classOf(1);
    ASSERT_GT(c, 0);
    ASSERT_EQ(M(start).results(c).rows().size(), 1u);
    EXPECT_EQ(M(start).results(c).rows()[0].result, M(finish).results(c).rows()[0].result);

    // Captures on both stations, interleaved: each enters its own station's list only, and
    // no two share a Time-table row or an identification.
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(M(start).registerCapture(2, "10:40:0" + std::to_string(i) + ".00").stored);
        ASSERT_TRUE(M(finish).registerCapture(2, "10:41:0" + std::to_string(i) + ".00").stored);
    }
    ASSERT_TRUE(Ticks(start, [&] { return M(start).registeredCount() == 10; }));
    ASSERT_TRUE(Ticks(finish, [&] { return M(finish).registeredCount() == 10; }));
    std::set<std::string> identifications;
    for (int k = 1; k <= 10; ++k) {
        EXPECT_EQ(M(start).registered(k).identification, M(finish).registered(k).identification);
        EXPECT_EQ(M(start).registered(k).time, M(finish).registered(k).time);
        identifications.insert(M(start).registered(k).identification);
    }
    EXPECT_EQ(identifications.size(), 10u);
    for (int row = 0; row < 4; ++row) {
        EXPECT_EQ(M(start).row(row).regTime.substr(0, 6), "10:40:") << row;
        EXPECT_EQ(M(finish).row(row).regTime.substr(0, 6), "10:41:") << row;
    }
    EXPECT_EQ(M(start).row(4).regTime, "-");
    EXPECT_EQ(M(finish).row(4).regTime, "-");
    // The trail names the station of each change.
    const auto& trail = M(start).trail();
    ASSERT_GE(trail.size(), 2u);
    EXPECT_NE(trail[0].station.find(" #" + std::to_string(M(start).station())), std::string::npos);
    EXPECT_NE(trail[1].station.find(" #" + std::to_string(M(finish).station())), std::string::npos);
}

// Both stations give competitor 2 his finish at the same moment: the second is refused, told
// who did what, its time kept in its list; the trail keeps both. The same for two stations
// editing the same competitor.
TEST_F(Stations, TheSecondOfTwoStationsGivingTheSameFinishOrEditIsRefusedAndTold) {
    const auto meet = hosted();
    TestProgram one, two;
    join(one, meet);
    join(two, meet);
    ASSERT_TRUE(Enter(one, 2, "10:00:00.00").stored);
    ASSERT_TRUE(Ticks(two, [&] { return M(two).competitor(2).state == meet::Started; }));
    Seen();

    // Neither has seen the other's finish when it gives its own.
    ASSERT_TRUE(Enter(one, 2, "10:30:00.00").stored);
    const auto refused = Enter(two, 2, "10:30:00.02");
    ASSERT_TRUE(refused.stored);
    const std::string told = "Station " + std::to_string(M(one).station()) +
                             " gave competitor 2 a finish at 10:30:00.00";
    EXPECT_TRUE(Mentions(refused, told)) << (refused.notices.empty() ? "" : refused.notices[0]);
    EXPECT_EQ(M(two).competitor(2).finish, "10:30:00.00");
    // Its time is not lost: it waits in its list, offered to give to another.
    EXPECT_EQ(M(two).row(0).regTime, "10:30:00.02");
    ASSERT_TRUE(Ticks(one, [&] { return M(one).registeredCount() == 3; }));
    EXPECT_EQ(M(one).competitor(2).finish, "10:30:00.00");
    auto lastOf = [](meet::Meet& m, const char* action) {
        for (auto entry = m.trail().rbegin(); entry != m.trail().rend(); ++entry)
            if (entry->action == action && entry->number == 2) return *entry;
        return storage::TrailEntry{};
    };
    for (auto* station : {&one, &two}) {
        EXPECT_EQ(lastOf(M(*station), storage::trail::Finish).after, "10:30:00.00");
        const auto refusal = lastOf(M(*station), storage::trail::Refused);
        EXPECT_EQ(refusal.before, "finish 10:30:00.00");
        EXPECT_EQ(refusal.after, "finish 10:30:00.02");
    }
    // "<<" on a time offered for a competitor another station has just started: refused too.
    ASSERT_TRUE(Enter(one, 3, "10:05:00.00").stored);
    M(two).typeNumber(0, "3");
    const auto offered = M(two).giveRegisteredTime(0);
    EXPECT_TRUE(Mentions(offered, "gave competitor 3 a start at 10:05:00.00"));
    EXPECT_EQ(M(two).competitor(3).start, "10:05:00.00");
    EXPECT_EQ(M(two).row(0).regTime, "10:30:00.02");
    // Once seen, a time given later by this station is its own again.
    Seen();
    EXPECT_TRUE(M(two).giveRegisteredTime(0).notices.empty());
    EXPECT_EQ(M(two).competitor(3).finish, "10:30:00.02");

    // Two stations edit competitor 4: the first wins, the second is told and keeps nothing.
    namespace field = storage::column::competitor;
    const int position = M(one).recordsNumbered(4).at(0);
    ASSERT_TRUE(M(one).editRecord(meet::Register::Competitors, position,
                                  {{field::Surname, "Første"}}).stored);
    const auto edit = M(two).editRecord(meet::Register::Competitors, position,
                                        {{field::Surname, "Andre"}});
    EXPECT_TRUE(Mentions(edit, "Station " + std::to_string(M(one).station()) +
                                   " changed competitor 4"));
    EXPECT_NE(M(two).competitor(4).name.find("Første"), std::string::npos);
    EXPECT_EQ(M(two).unstoredEdits(), 0);
    ASSERT_TRUE(Ticks(one, [&] { return M(one).trail().back().action == storage::trail::Refused; }));
    EXPECT_NE(M(one).competitor(4).name.find("Første"), std::string::npos);
    EXPECT_NE(M(one).trail().back().after.find("Andre"), std::string::npos);
}

// Three stations capture and give finishes in a random order: every time is on the server
// once, and every station ends with the same times, competitors and results.
TEST_F(Stations, ThreeStationsRacingAgreeOnEveryTimeAndResult) {
    const auto meet = hosted();
    TestProgram a, b, c;
    join(a, meet);
    join(b, meet);
    join(c, meet);
    std::vector<TestProgram*> stations{&a, &b, &c};
    std::mt19937 random(26);
    int captures = 0;
    for (int n = 1; n <= 9; ++n) {
        auto& starter = *stations[random() % 3];
        ASSERT_TRUE(Enter(starter, n, "11:00:0" + std::to_string(n) + ".00").stored);
        auto& capturer = *stations[random() % 3];
        ASSERT_TRUE(M(capturer).registerCapture(3, "11:20:0" + std::to_string(n) + ".00").stored);
        ++captures;
        if (random() % 2) stations[random() % 3]->program().Main.Hitime1.tick();
    }
    // The finishes come once every station has seen the starts.
    for (auto* station : stations)
        ASSERT_TRUE(Ticks(*station, [&] { return M(*station).registeredCount() == 9 + captures; }));
    Seen();
    for (int n = 1; n <= 9; ++n) {
        auto& finisher = *stations[random() % 3];
        Enter(finisher, n, "11:30:" + std::to_string(10 + n) + ".00");
    }
    const int expected = 9 + captures + 9;
    for (auto* station : stations)
        ASSERT_TRUE(Ticks(*station, [&] { return M(*station).registeredCount() == expected; }));
    // On the server: each time once, none twice (the Time table in the meet's language).
    pgdb::PgConnection look({meet.name(), password()});
    int tables = 0;
    for (const char* table : {"Time", "Tider"}) {
        if (look.run("SELECT to_regclass($1) IS NOT NULL", {pgdb::QuoteName(table)}).value(0, 0) !=
            pgdb::Value("t"))
            continue;
        ++tables;
        const auto ids = look.run("SELECT count(*), count(DISTINCT \"Id\") FROM " +
                                  pgdb::QuoteName(table) + " WHERE \"Id\" <> '-'");
        EXPECT_EQ(ids.integer(0, 0), expected);
        EXPECT_EQ(ids.integer(0, 1), expected);
    }
    EXPECT_EQ(tables, 1);
    for (auto* station : stations) {
        for (int k = 1; k <= expected; ++k)
            EXPECT_EQ(M(*station).registered(k).identification, M(a).registered(k).identification);
        for (int n = 1; n <= 9; ++n) {
            EXPECT_EQ(M(*station).competitor(n).start, M(a).competitor(n).start) << n;
            EXPECT_EQ(M(*station).competitor(n).finish, M(a).competitor(n).finish) << n;
            EXPECT_NE(M(*station).competitor(n).finish, "-") << n;
        }
        for (int cl = 1; cl <= M(a).classCount(); ++cl) {
            ASSERT_EQ(M(*station).results(cl).rows().size(), M(a).results(cl).rows().size());
            for (std::size_t i = 0; i < M(a).results(cl).rows().size(); ++i) {
                EXPECT_EQ(M(*station).results(cl).rows()[i].number, M(a).results(cl).rows()[i].number);
                EXPECT_EQ(M(*station).results(cl).rows()[i].place, M(a).results(cl).rows()[i].place);
            }
        }
    }
}

// The others are woken as soon as a station's commit has returned, commits having two phases
// on this server: a transaction that sent the wake-up itself could not be prepared.
TEST_F(Stations, TheOthersAreWokenOnceACommitInTwoPhasesHasReturned) {
    const auto meet = hosted();
    pgdb::PgEngine writer, reader;
    for (auto* engine : {&writer, &reader}) engine->setPassword(meet.name(), password());
    auto holdWriter = writer.hold(meet.name());
    auto holdReader = reader.hold(meet.name());
    auto feed = reader.feed(meet.name());
    ASSERT_TRUE(feed);
    writer.addTable(meet.name(), storage::TrailSpec());
    while (feed->woken()) {
    }
    const long long before = feed->head();
    auto trail = writer.openTable(meet.name(), "Trail");
    for (int i = 0; i < 3; ++i) {
        writer.transaction(meet.name(),
                           [&] { trail->appendRecord(storage::Record(10, std::string("x"))); });
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        bool woken = false;
        while (!(woken = feed->woken()) && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        EXPECT_TRUE(woken) << i;
    }
    long long reached = 0;
    EXPECT_EQ(feed->since(before, reached).size(), 3u);
    EXPECT_EQ(reached, before + 3);
    // Every commit went through both phases: none is left prepared on the server.
    pgdb::PgConnection db({meet.name(), password()});
    EXPECT_EQ(db.run("SELECT current_setting('max_prepared_transactions')").value(0, 0), "20");
    EXPECT_EQ(db.run("SELECT count(*) FROM pg_prepared_xacts").integer(0, 0), 0);
}

// A station whose reading under its turn fails (the connection alive) lets the turn go before
// it is told: held on, it would keep every other station waiting until its own next turn.
// Enter on a station asks the server for the turn once: what the capture page shows after it
// (the counts among them, written into the Setup page's boxes) asks for none.
TEST_F(Stations, AnEnterAsksTheServerForTheTurnOnce) {
    const auto meet = hosted();
    kvt::testing::TcpProxy proxy(server_->port());
    TestProgram station;
    joinThrough(station, meet, proxy);
    auto& main = station.program().Main;
    proxy.count("pg_advisory_unlock");  // each turn ends with it
    for (int n = 1; n <= 3; ++n) {
        station.clock.time = {10, 0, n, 0};
        main.Number[0].setText(std::to_string(n));
        main.Number[0].KeyDown.raise(ui::KeyReturn);
        main.Number[0].KeyUp.raise(ui::KeyReturn);
    }
    EXPECT_EQ(M(station).registeredCount(), 3);
    EXPECT_TRUE(M(station).allStored());
    EXPECT_EQ(main.SetupText[ui::setup::RegisteredCountText].text(), "3");
    EXPECT_EQ(proxy.counted(), 3);
}

TEST_F(Stations, ATurnWhoseReadingFailsIsLetGoAtOnce) {
    const auto meet = hosted();
    pgdb::PgEngine first, second;
    for (auto* engine : {&first, &second}) engine->setPassword(meet.name(), password());
    auto holdFirst = first.hold(meet.name());
    auto holdSecond = second.hold(meet.name());
    auto feedFirst = first.feed(meet.name());
    auto feedSecond = second.feed(meet.name());
    ASSERT_TRUE(feedFirst && feedSecond);
    long long reached = 0;
    feedFirst->takeTurn(0, reached);
    pgdb::PgConnection admin({meet.name(), password()});
    admin.execute("ALTER TABLE \"kvt_changes\" RENAME TO \"kvt_changes_away\"");
    EXPECT_THROW(feedFirst->takeTurn(0, reached), pgdb::PgError);
    admin.execute("ALTER TABLE \"kvt_changes_away\" RENAME TO \"kvt_changes\"");
    // Held on, the turn would make the second station's wait end on its lock time-out.
    EXPECT_NO_THROW(feedSecond->takeTurn(0, reached));
    feedSecond->endTurn();
}

// A station that lost the server goes on giving times and capturing. Once it is back, its rows
// are stored past the rows the other station numbered meanwhile, the finish the other station
// gave first stands, and this station's is taken back into its list, told and trailed; what
// nobody else touched is stored as it was given.
TEST_F(Stations, WhatAStationKeptWhileTheServerWasAwayIsCheckedWhenItIsBack) {
    const auto meet = hosted();
    kvt::testing::TcpProxy proxy(server_->port());
    TestProgram away, other;
    joinThrough(away, meet, proxy);
    join(other, meet);
    ASSERT_TRUE(Enter(other, 5, "10:00:00.00").stored);
    ASSERT_TRUE(Ticks(away, [&] { return M(away).competitor(5).state == meet::Started; }));
    Seen();

    proxy.cut();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(Enter(away, 5, "10:20:00.00").stored);
    EXPECT_EQ(M(away).competitor(5).finish, "10:20:00.00");
    EXPECT_FALSE(Enter(away, 6, "10:20:01.00").stored);
    EXPECT_EQ(M(away).registeredCount(), 3);
    // Meanwhile the other station gives 5 his finish and captures: rows 2 and 3 are its own.
    ASSERT_TRUE(Enter(other, 5, "10:20:00.50").stored);
    ASSERT_TRUE(M(other).registerCapture(2, "10:20:02.00").stored);
    ASSERT_EQ(M(other).registeredCount(), 3);

    proxy.restore();
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!M(away).allStored() && std::chrono::steady_clock::now() < until) {
        away.program().Main.Hitime2.tick();  // the retry each second
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ASSERT_TRUE(M(away).allStored()) << M(away).lastFailure();
    // Told with the window's next look at the meet.
    const std::string told = "Given while the server was away: competitor 5 a finish at "
                             "10:20:00.00. Station " +
                             std::to_string(M(other).station()) +
                             " gave competitor 5 a finish at 10:20:00.50";
    EXPECT_TRUE(Ticks(away, [&] {
        for (const auto& notice : away.dialogs.notices)
            if (notice.find(told) != std::string::npos) return true;
        return false;
    })) << (away.dialogs.notices.empty() ? "" : away.dialogs.notices.back());
    EXPECT_EQ(M(away).competitor(5).finish, "10:20:00.50");
    EXPECT_EQ(M(away).competitor(6).start, "10:20:01.00");
    // The time taken back waits in the list, to be given to someone else.
    bool offered = false;
    for (int row = 0; row < 10; ++row) offered = offered || M(away).row(row).regTime == "10:20:00.00";
    EXPECT_TRUE(offered);

    // What the server holds, as a station joining now reads it: every time once, in rows of
    // their own; 6's start and 5's first finish; the refusal beside the finish that stood.
    TestProgram late;
    join(late, meet);
    ASSERT_EQ(M(late).registeredCount(), 5);
    std::multiset<std::string> times;
    for (int k = 1; k <= 5; ++k) times.insert(M(late).registered(k).time);
    EXPECT_EQ(times, (std::multiset<std::string>{"10:00:00.00", "10:20:00.00", "10:20:00.50",
                                                 "10:20:01.00", "10:20:02.00"}));
    // No two times share an identification: the times taken while away are counted on past
    // those the other station counted meanwhile, on the server as on the station.
    std::set<std::string> identifications;
    for (int k = 1; k <= 5; ++k) {
        EXPECT_EQ(M(late).registered(k).time, M(away).registered(k).time) << k;
        EXPECT_EQ(M(late).registered(k).number, M(away).registered(k).number) << k;
        EXPECT_EQ(M(late).registered(k).identification, M(away).registered(k).identification)
            << k;
        identifications.insert(M(late).registered(k).identification);
    }
    EXPECT_EQ(identifications.size(), 5u);
    EXPECT_EQ(M(late).competitor(5).finish, "10:20:00.50");
    EXPECT_EQ(M(late).competitor(6).start, "10:20:01.00");
    ASSERT_TRUE(Ticks(other, [&] { return M(other).competitor(6).start == "10:20:01.00"; }));
    const int c = M(late).classOf(5);
    ASSERT_GT(c, 0);
    int rowsOfFive = 0;
    for (const auto& row : M(late).results(c).rows()) rowsOfFive += row.number == 5;
    EXPECT_EQ(rowsOfFive, 1);
    int refusals = 0, finishes = 0;
    for (const auto& entry : M(late).trail()) {
        if (entry.number != 5) continue;
        if (entry.action == storage::trail::Refused) {
            ++refusals;
            EXPECT_EQ(entry.before, "finish 10:20:00.50");
            EXPECT_EQ(entry.after, "finish 10:20:00.00");
        }
        if (entry.action == storage::trail::Finish) {
            ++finishes;
            EXPECT_EQ(entry.after, "10:20:00.50");
        }
    }
    EXPECT_EQ(refusals, 1);
    EXPECT_EQ(finishes, 1);
}

namespace {

// Every Time-table row as a station joining now reads it: its time and identification.
std::vector<std::string> RowsOnServer(TestProgram& late) {
    std::vector<std::string> rows;
    for (int k = 1; k <= M(late).registeredCount(); ++k)
        rows.push_back(M(late).registered(k).time + " " + M(late).registered(k).identification);
    return rows;
}

std::vector<std::string> RowsShown(TestProgram& station) {
    std::vector<std::string> rows;
    for (int k = 1; k <= M(station).registeredCount(); ++k)
        rows.push_back(M(station).registered(k).time + " " +
                       M(station).registered(k).identification);
    return rows;
}

// The window's retry each second, until everything is stored (ten seconds at most unless told).
bool StoredInTheEnd(TestProgram& station, std::chrono::seconds within = std::chrono::seconds(10)) {
    const auto until = std::chrono::steady_clock::now() + within;
    while (!M(station).allStored() && std::chrono::steady_clock::now() < until) {
        station.program().Main.Hitime2.tick();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return M(station).allStored();
}

}  // namespace

// A station that has the turn but cannot read what the others stored before it (its
// connection for the meet's records broke, the feed's did not) must not act on the meet as it
// followed it last: the turn is let go and its capture waits, then goes past the others' row.
TEST_F(Stations, AStationThatCannotReadTheOthersWorkUnderItsTurnWritesNothingOverIt) {
    const auto meet = hosted();
    TestProgram a, b;
    join(a, meet);
    join(b, meet);
    ASSERT_TRUE(M(b).registerCapture(2, "10:00:01.00").stored);
    {
        pgdb::PgConnection admin({meet.name(), password()});
        const auto ended = admin.run(
            "SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE application_name = $1",
            {"kvt station " + std::to_string(M(a).station())});
        ASSERT_EQ(ended.rows(), 1);
        // The server has let it go before the station's next statement.
        for (int i = 0; i < 100; ++i) {
            const auto left = admin.run(
                "SELECT count(*) FROM pg_stat_activity WHERE application_name = $1",
                {"kvt station " + std::to_string(M(a).station())});
            if (left.integer(0, 0) == 0) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    const auto capture = M(a).registerCapture(3, "10:00:02.00");
    EXPECT_FALSE(capture.stored) << "stored without reading the row station "
                                 << M(b).station() << " stored";
    ASSERT_TRUE(StoredInTheEnd(a)) << M(a).lastFailure();

    TestProgram late;
    join(late, meet);
    EXPECT_EQ(RowsOnServer(late),
              (std::vector<std::string>{"10:00:01.00 2-0001", "10:00:02.00 3-0001"}));
    EXPECT_EQ(RowsShown(a), RowsOnServer(late));
}

// A commit that failed after the Time table grew leaves the station's handle naming a row the
// rollback took away; the others' rows that come after it are read at their true places.
TEST_F(Stations, AFailedCommitThatGrewTheTimeTableLeavesTheOthersRowsInTheirPlaces) {
    const auto meet = hosted(1);
    TestProgram a, b;
    join(a, meet);
    join(b, meet);
    ASSERT_TRUE(M(a).registerCapture(1, "10:00:00.00").stored);
    ASSERT_TRUE(Ticks(b, [&] { return M(b).registeredCount() == 1; }));
    {
        // The feed's counter held elsewhere: a's commit (row 2, made past the table's one
        // row) waits for it, and fails after its lock time-out.
        pgdb::PgConnection admin({meet.name(), password()});
        admin.execute("BEGIN");
        admin.execute("UPDATE \"kvt_feed\" SET \"sequence\" = \"sequence\"");
        EXPECT_FALSE(M(a).registerCapture(1, "10:00:01.00").stored);
        admin.execute("ROLLBACK");
    }
    // Meanwhile another station stores rows 2 and 3, each made new.
    ASSERT_TRUE(M(b).registerCapture(2, "10:00:02.00").stored);
    ASSERT_TRUE(M(b).registerCapture(2, "10:00:03.00").stored);
    ASSERT_TRUE(StoredInTheEnd(a)) << M(a).lastFailure();
    ASSERT_TRUE(Ticks(b, [&] { return M(b).registeredCount() == 4; }));

    TestProgram late;
    join(late, meet);
    const std::vector<std::string> expected{"10:00:00.00 1-0001", "10:00:02.00 2-0001",
                                            "10:00:03.00 2-0002", "10:00:01.00 1-0002"};
    EXPECT_EQ(RowsOnServer(late), expected);
    EXPECT_EQ(RowsShown(a), expected);
    EXPECT_EQ(RowsShown(b), expected);
}

// A commit prepared on the server whose second phase was cut off is stored (prepared is
// durable), and is completed when its station reaches the server again, whoever holds the turn
// then. A station that read the meet under its turn before that completion must not write its
// rows over it unread: its commit is refused and waits, and goes past it at the next try.
TEST_F(Stations, ACommitCompletedAfterAnotherStationReadTheMeetIsNeverWrittenOver) {
    const auto meet = hosted(10);  // rows made ahead: a row is written over, not made twice
    kvt::testing::TcpProxy proxy(server_->port());
    TestProgram a, b;
    captureLeftPrepared(meet, proxy, a, b);
    if (HasFatalFailure()) return;

    // b reads the meet under its turn without a's row (not yet committed), and its own row waits
    // on the prepared commit's locks; then a's commit is completed, as a's reconnection does.
    const std::string waiting = "kvt station " + std::to_string(M(b).station());
    std::thread completes([&] {
        pgdb::PgConnection db({meet.name(), password()});
        for (int i = 0; i < 500; ++i) {
            const auto blocked = db.run(
                "SELECT count(*) FROM pg_stat_activity WHERE application_name = $1 AND "
                "wait_event_type = 'Lock'",
                {waiting});
            if (blocked.integer(0, 0) > 0) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        const auto gid = db.run("SELECT \"gid\" FROM pg_prepared_xacts").value(0, 0);
        if (gid) db.execute("COMMIT PREPARED " + pgdb::QuoteText(*gid));
    });
    const auto capture = M(b).registerCapture(2, "10:00:02.00");
    completes.join();
    EXPECT_FALSE(capture.stored) << "stored over the row of station " << M(a).station();
    ASSERT_TRUE(StoredInTheEnd(b)) << M(b).lastFailure();
    proxy.restore();
    ASSERT_TRUE(StoredInTheEnd(a)) << M(a).lastFailure();
    EXPECT_EQ(prepared(meet), 0);

    TestProgram late;
    join(late, meet);
    const std::vector<std::string> expected{"10:00:01.00 1-0001", "10:00:02.00 2-0001"};
    EXPECT_EQ(RowsOnServer(late), expected);
    EXPECT_TRUE(Ticks(a, [&] { return RowsShown(a) == expected; })) << RowsShown(a).size();
    EXPECT_TRUE(Ticks(b, [&] { return RowsShown(b) == expected; })) << RowsShown(b).size();
}

// A station gone from the server with its commit prepared (the program closed while its link
// was cut) would hold the feed's counter from every station for good: the station that holds the
// turn completes it once that station has been gone a while (here 3 seconds, 30 in the program),
// and reads it as the other's commit.
TEST_F(Stations, ACommitLeftPreparedByAStationGoneIsCompletedAndHoldsNobodyUp) {
    const auto meet = hosted(10);
    kvt::testing::TcpProxy proxy(server_->port());
    TestProgram a, b;
    b.server.setLeftBehindAfter(std::chrono::seconds(3));
    captureLeftPrepared(meet, proxy, a, b);
    if (HasFatalFailure()) return;
    a.program().MDIMain.Close.click();  // tries the server for a while, then lets go
    ASSERT_FALSE(a.program().meet);
    ASSERT_EQ(prepared(meet), 1);

    M(b).registerCapture(2, "10:00:02.00");
    ASSERT_TRUE(StoredInTheEnd(b, std::chrono::seconds(30))) << M(b).lastFailure();
    EXPECT_EQ(prepared(meet), 0);
    TestProgram late;
    join(late, meet);
    const std::vector<std::string> expected{"10:00:01.00 1-0001", "10:00:02.00 2-0001"};
    EXPECT_EQ(RowsOnServer(late), expected);
    EXPECT_TRUE(Ticks(b, [&] { return RowsShown(b) == expected; })) << RowsShown(b).size();
}

// A correction or a status asked for while the station cannot have the turn is not made (kept
// until the server is back, it would be written over what another station did meanwhile): the
// operator is told, nothing changes or waits, and once the server answers it is made on what
// the others stored.
TEST_F(Stations, CorrectionsAndStatusesAreMadeOnlyWithTheServerAndNeverWriteOverAnother) {
    const auto meet = hosted();
    kvt::testing::TcpProxy proxy(server_->port());
    TestProgram away, other;
    joinThrough(away, meet, proxy);
    join(other, meet);
    ASSERT_TRUE(Enter(other, 5, "10:00:00.00").stored);
    ASSERT_TRUE(Enter(other, 5, "10:20:00.00").stored);
    ASSERT_TRUE(Ticks(away, [&] { return M(away).competitor(5).finish == "10:20:00.00"; }));
    const std::string status = M(away).competitor(5).status;
    Seen();

    proxy.cut();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const std::string told = "corrections and statuses are made only once it answers";
    const auto takeBack = M(away).takeBack(5, meet::TimeUse::Finish);
    EXPECT_TRUE(Mentions(takeBack, told));
    const auto hand = M(away).setHandTime(5, meet::TimeUse::Finish, "10:19:59.00", "Watch");
    EXPECT_TRUE(Mentions(hand, told));
    const auto dsq = M(away).setRaceStatus(5, meet::RaceStatus::Disqualified, "Missed a gate");
    EXPECT_TRUE(Mentions(dsq, told));
    const auto undo = M(away).undo();
    EXPECT_TRUE(Mentions(undo, told));
    EXPECT_EQ(M(away).competitor(5).finish, "10:20:00.00");
    EXPECT_EQ(M(away).competitor(5).status, status);
    EXPECT_EQ(M(away).registeredCount(), 2);
    EXPECT_TRUE(M(away).allStored()) << "something waits to be written over the others' work";
    // Meanwhile the other station sets his finish by hand (typed with colons, as a watch
    // shows it).
    ASSERT_TRUE(M(other).setHandTime(5, meet::TimeUse::Finish, "10:20:00.10", "Photo").stored);
    EXPECT_EQ(M(other).competitor(5).finish, "10.20.00.10");

    proxy.restore();
    meet::Outcome later;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    do {
        away.program().Main.Hitime1.tick();
        later = M(away).setRaceStatus(5, meet::RaceStatus::Disqualified, "Missed a gate");
        if (!Mentions(later, told)) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    } while (std::chrono::steady_clock::now() < until);
    ASSERT_FALSE(Mentions(later, told));
    ASSERT_TRUE(later.stored) << later.failure;
    EXPECT_EQ(M(away).competitor(5).finish, "10.20.00.10");

    TestProgram late;
    join(late, meet);
    EXPECT_EQ(M(late).competitor(5).finish, "10.20.00.10");
    EXPECT_NE(M(late).competitor(5).status, status);
    EXPECT_EQ(M(late).competitor(5).status, M(away).competitor(5).status);
    EXPECT_EQ(M(late).registeredCount(), 3);
}

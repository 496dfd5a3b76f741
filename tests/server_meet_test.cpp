// Meets on a PostgreSQL server of the test's own: the engine keeps tables, records, their
// order and transactions as a meet file does; a meet hosted on the server works as the file
// did, with the same lists byte for byte, and saved back it opens in the one-laptop program
// with the same results.
#include <gtest/gtest.h>

#include <fstream>

#include "meetdb/sqlite_engine.h"
#include "pgdb/pg_engine.h"
#include "pgdb/server_name.h"
#include "shell/meet_commands.h"
#include "shell/server_commands.h"
#include "shell/server_meets.h"
#include "support/fakes.h"
#include "support/pg_server.h"
#include "support/server_suite.h"
#include "support/file_bytes.h"

using namespace kvt;
using kvt::testing::PgServer;
using kvt::testing::TestProgram;
namespace fs = std::filesystem;

namespace {

std::string bytes(const fs::path& path) { return kvt::testing::FileBytes(path); }

class ServerMeets : public kvt::testing::OneServerPerSuite<ServerMeets> {
protected:
    // A database of its own for each use.
    static pgdb::ServerMeet fresh() { return freshNamed("meet_"); }
    // An empty database on the server.
    static void make(const pgdb::ServerMeet& meet) {
        pgdb::PgConnection maintenance({meet.maintenance().name(), password()});
        maintenance.execute("CREATE DATABASE " + pgdb::QuoteName(meet.database));
    }
};

storage::TableSpec Mixed() {
    return {storage::TableKind::Control,
            "Blandet \"tabell\"",
            {{"Nr", storage::FieldType::Integer},
             {"Navn", storage::FieldType::Text},
             {"Med", storage::FieldType::YesNo}}};
}

}  // namespace

TEST(ServerNames, ANameHoldsNoPasswordAndOnlyPlainParts) {
    auto meet = pgdb::ServerMeetFrom("stevne@10.0.0.5:6543", "vinter_2026");
    ASSERT_TRUE(meet);
    EXPECT_EQ(meet->name(), "postgresql://stevne@10.0.0.5:6543/vinter_2026");
    auto parsed = pgdb::ParseServerName(meet->name());
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->host, "10.0.0.5");
    EXPECT_EQ(parsed->port, 6543);
    EXPECT_EQ(parsed->user, "stevne");
    EXPECT_EQ(parsed->database, "vinter_2026");
    // A socket folder goes percent-encoded and comes back whole; the default port and user.
    auto local = pgdb::ServerMeetFrom("/run/kvt/socket", "m");
    ASSERT_TRUE(local);
    EXPECT_EQ(local->port, 5432);
    EXPECT_EQ(local->user, "kvt");
    EXPECT_EQ(pgdb::ParseServerName(local->name())->host, "/run/kvt/socket");
    EXPECT_TRUE(pgdb::IsServerName(local->name()));
    EXPECT_FALSE(pgdb::IsServerName("/home/a/Meet.mdb"));
    // Anything that is not plainly a host, port, user and database is refused.
    for (const auto& [address, database] :
         std::vector<std::pair<std::string, std::string>>{{"host", "a;b"},
                                                          {"host", "x y"},
                                                          {"host", "m'--"},
                                                          {"host", ""},
                                                          {"host:0", "m"},
                                                          {"host:70000", "m"},
                                                          {"host:5x", "m"},
                                                          {"a b", "m"},
                                                          {"host?password=x", "m"},
                                                          {"u s@host", "m"},
                                                          {"/run/../etc", "m"}})
        EXPECT_FALSE(pgdb::ServerMeetFrom(address, database)) << address << " " << database;
    EXPECT_FALSE(pgdb::ParseServerName("postgresql://kvt@host:5432/m?password=x"));
    EXPECT_FALSE(pgdb::ParseServerName("postgresql://host:5432/m"));
}

TEST(ServerNames, ValuesReadBackAsAFileGivesThem) {
    using pgdb::Affinity;
    EXPECT_EQ(pgdb::AffinityOf("INTEGER"), Affinity::Integer);
    EXPECT_EQ(pgdb::AffinityOf("TEXT"), Affinity::Text);
    EXPECT_EQ(pgdb::AffinityOf("VARCHAR(10)"), Affinity::Text);
    EXPECT_EQ(pgdb::AffinityOf(""), Affinity::Blob);
    EXPECT_EQ(pgdb::AffinityOf("DOUBLE"), Affinity::Real);
    EXPECT_EQ(pgdb::AffinityOf("DECIMAL"), Affinity::Numeric);
}

// The same records written through a meet file and through the server read back alike, in the
// same order, sorted alike (numbers before texts in a number field, no value last).
TEST_F(ServerMeets, RecordsReadBackAndSortAsInAMeetFile) {
    const auto meet = fresh();
    make(meet);
    pgdb::PgEngine server;
    server.setPassword(meet.name(), password());
    meetdb::SqliteEngine files;
    const fs::path folder = fs::temp_directory_path() / ("kvt-pg-file-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const std::string file = (folder / "Same.mdb").string();
    const std::vector<storage::FieldValue> numbers = {
        "05", " 7 ", "5.0", "5.5", "abc", std::nullopt, "-0", "+3", "1e3", "", "10", "9", "-12",
        "99999999999999999999", "0x10", "Zz", "a b"};
    for (auto* engine : std::vector<storage::Engine*>{&files, &server}) {
        const std::string name = engine == &files ? file : meet.name();
        engine->createDatabase(name, Mixed(), {"1", "first", "0"});
        auto table = engine->openTable(name, Mixed().name);
        for (std::size_t i = 0; i < numbers.size(); ++i)
            table->appendRecord({numbers[i], numbers[numbers.size() - 1 - i], "1"});
        table->writeFields(3, {{"Navn", "written \"'; DROP TABLE x; --"}, {"Med", "0"}});
        table->writeRecords({"Med", "Navn"}, {{5, {"07", "æøå"}}, {7, {std::nullopt, "\\t\"{}"}}});
    }
    auto fileTable = files.openTable(file, Mixed().name);
    auto serverTable = server.openTable(meet.name(), Mixed().name);
    EXPECT_EQ(serverTable->fieldNames(), fileTable->fieldNames());
    ASSERT_EQ(serverTable->recordCount(), fileTable->recordCount());
    EXPECT_EQ(serverTable->readAll(), fileTable->readAll());
    EXPECT_EQ(serverTable->readRecord(5), fileTable->readRecord(5));
    for (const char* field : {"Nr", "Navn"}) {
        auto fileSorted = files.openTable(file, Mixed().name, field)->readAll();
        auto serverSorted = server.openTable(meet.name(), Mixed().name, field)->readAll();
        EXPECT_EQ(serverSorted, fileSorted) << field;
    }
    // An arranged handle gives the records in the order asked for.
    std::vector<int> order;
    for (int k = serverTable->recordCount(); k >= 1; --k) order.push_back(k);
    ASSERT_TRUE(serverTable->arrange(order));
    ASSERT_TRUE(fileTable->arrange(order));
    EXPECT_EQ(serverTable->readAll(), fileTable->readAll());
    EXPECT_TRUE(server.hasTable(meet.name(), Mixed().name));
    EXPECT_FALSE(server.hasTable(meet.name(), "Nothing"));
    files.release(file);
    fs::remove_all(folder);
}

TEST_F(ServerMeets, ATransactionIsStoredWholeOrNotAtAllAndNeverNested) {
    const auto meet = fresh();
    make(meet);
    pgdb::PgEngine station, other;
    station.setPassword(meet.name(), password());
    other.setPassword(meet.name(), password());
    station.createDatabase(meet.name(), Mixed(), {"1", "a", "0"});
    auto table = station.openTable(meet.name(), Mixed().name);
    EXPECT_THROW(station.transaction(meet.name(),
                                     [&] {
                                         table->appendRecord({"2", "b", "0"});
                                         table->writeFields(1, {{"Navn", "changed"}});
                                         throw std::runtime_error("the action failed");
                                     }),
                 std::runtime_error);
    table->reread();
    EXPECT_EQ(table->recordCount(), 1);
    EXPECT_EQ(table->readRecord(1)[1], "a");
    EXPECT_THROW(station.transaction(meet.name(),
                                     [&] { station.transaction(meet.name(), [] {}); }),
                 storage::NestedTransaction);
    EXPECT_FALSE(station.inTransaction());
    // Another station sees what one committed, and only once it is committed.
    auto seen = other.openTable(meet.name(), Mixed().name);
    station.transaction(meet.name(), [&] {
        table->appendRecord({"2", "b", "1"});
        table->appendRecord({"3", "c", "1"});
        seen->readAdded();
        EXPECT_EQ(seen->recordCount(), 1);
    });
    seen->readAdded();
    EXPECT_EQ(seen->recordCount(), 3);
    EXPECT_EQ(seen->readRecord(3)[1], "c");
    // A table added inside a transaction that fails is not there.
    storage::TableSpec extra{storage::TableKind::Control, "Extra", {{"A", storage::FieldType::Text}}};
    EXPECT_THROW(station.transaction(meet.name(),
                                     [&] {
                                         station.addTable(meet.name(), extra);
                                         throw std::runtime_error("failed");
                                     }),
                 std::runtime_error);
    EXPECT_FALSE(station.hasTable(meet.name(), "Extra"));
    station.addTable(meet.name(), extra);
    EXPECT_TRUE(other.hasTable(meet.name(), "Extra"));
}

TEST_F(ServerMeets, EveryStationIsKnownWhileItIsThereAndNoneHoldsTheMeetAlone) {
    const auto meet = fresh();
    make(meet);
    pgdb::PgEngine engine;
    engine.setPassword(meet.name(), password());
    auto first = engine.hold(meet.name());
    auto second = engine.hold(meet.name());
    const int a = dynamic_cast<pgdb::StationHold&>(*first).station();
    const int b = dynamic_cast<pgdb::StationHold&>(*second).station();
    EXPECT_NE(a, b);
    pgdb::PgConnection look({meet.name(), password()});
    auto count = [&] {
        return look.run("SELECT count(*) FROM " + pgdb::QuoteName(pgdb::StationsTable)).integer(0, 0);
    };
    EXPECT_EQ(count(), 2);
    first.reset();
    EXPECT_EQ(count(), 1);
    // A wrong password reaches nothing.
    pgdb::PgEngine wrong;
    wrong.setPassword(meet.name(), "not the password");
    EXPECT_THROW(wrong.hold(meet.name()), std::runtime_error);
    EXPECT_THROW(wrong.openTable(meet.name(), Mixed().name), std::runtime_error);
}

namespace {

// A meet of three finishers in class 1 with Norwegian letters, raced on the program given.
void Race(TestProgram& test) {
    auto& main = test.program().Main;
    main.NameMover.setText("1");
    main.NameText[0].setText("Æsmund Øyvind");
    main.NameText[1].setText("Åsheim-Bråtenå");
    main.NameMover.setText("2");
    main.NameText[1].setText("Łukasiewicz");
    main.NameMover.setText("3");
    auto race = [&](int n, base::LocalTime start, base::LocalTime finish) {
        main.Number[0].setText(std::to_string(n));
        for (auto time : {start, finish}) {
            test.clock.time = time;
            main.Number[0].KeyDown.raise(ui::KeyReturn);
            main.Number[0].KeyUp.raise(ui::KeyReturn);
        }
    };
    race(1, {10, 0, 0, 0}, {10, 31, 7, 450});
    race(2, {10, 1, 0, 0}, {10, 29, 59, 990});
    race(3, {10, 2, 0, 0}, {10, 33, 7, 450});
}

struct Lists {
    std::string text, html;
    int registered = 0;
    bool operator==(const Lists&) const = default;
};

Lists MakeLists(TestProgram& test) {
    auto& p = test.program();
    p.MDIMain.MakeResultslist.click();
    p.MDIMain.MakeResultslistHtml.click();
    return {bytes(fs::path(p.listFolder) / "Resultat.txt"),
            bytes(fs::path(p.listFolder) / "Resultat.htm"), p.meet->registeredCount()};
}

}  // namespace

// The same race on a meet file and on the same meet hosted on the server gives the same lists
// byte for byte; the server meet saved back as a file opens in the one-laptop program with
// the same results and lists.
TEST_F(ServerMeets, AHostedMeetRacesAsTheFileDidAndSavedBackOpensAlike) {
    TestProgram alone;
    alone.start().Main.SetupCheck[1].setChecked(true);  // made with sample names
    const std::string aloneFile = alone.makeAndOpenMeet();
    Race(alone);
    const Lists expected = MakeLists(alone);
    ASSERT_NE(expected.text.find("ukasiewicz"), std::string::npos) << expected.text;
    ASSERT_EQ(expected.registered, 6);

    TestProgram station;
    auto& p = station.start();
    p.Main.SetupCheck[1].setChecked(true);
    const std::string file = station.makeAndOpenMeet();
    p.MDIMain.Close.click();
    ASSERT_FALSE(p.meet);
    const auto meet = fresh();
    shell::HostMeet(file, meet, password());
    // Hosting never writes over a meet on the server.
    EXPECT_THROW(shell::HostMeet(file, meet, password()), shell::ServerMeetExists);
    station.server.setPassword(meet.name(), password());
    ASSERT_TRUE(shell::OpenDatabaseFile(p, meet.name()));
    ASSERT_TRUE(p.meet);
    EXPECT_EQ(p.currentDatabase(), meet.name());
    Race(station);
    EXPECT_EQ(MakeLists(station), expected);
    EXPECT_TRUE(station.dialogs.messages.empty()) << station.dialogs.messages[0].text;

    const std::string saved = (station.folder() / "Saved.mdb").string();
    shell::SaveServerMeet(meet, password(), saved);
    p.MDIMain.Close.click();
    TestProgram laptop;
    laptop.start();
    laptop.dialogs.fileAnswers.push_back(saved);
    laptop.program().MDIMain.Open.click();
    ASSERT_TRUE(laptop.program().meet) << laptop.dialogs.messages.at(0).text;
    EXPECT_EQ(laptop.program().meet->results(1).rows().size(), 3u);
    EXPECT_EQ(MakeLists(laptop), expected);
    // The saved file holds the tables of the file the same race was run on, in the same order.
    EXPECT_EQ(meetdb::TableNames(*laptop.engine.connection(saved)),
              meetdb::TableNames(*alone.engine.connection(aloneFile)));
}

// The Database menu: the open meet hosted on the server and continued there, saved back as a
// file, joined again with what the user gave last; the password kept for the user alone.
TEST_F(ServerMeets, TheDatabaseMenuHostsJoinsAndSavesBackAndKeepsThePasswordForTheUserAlone) {
    TestProgram station;
    auto& p = station.start();
    const std::string file = station.makeAndOpenMeet();
    const auto meet = fresh();
    const std::string address = "127.0.0.1:" + std::to_string(meet.port);
    // What is not plainly a server and a meet's name is refused before anything is reached.
    station.dialogs.serverAnswers.push_back(ui::ServerMeetAnswer{address, "x'; DROP", password()});
    p.MDIMain.HostOnServer.click();
    ASSERT_EQ(station.dialogs.messages.size(), 1u);
    EXPECT_NE(station.dialogs.messages[0].text.find("x'; DROP"), std::string::npos);
    EXPECT_EQ(p.currentDatabase(), file);

    station.dialogs.messages.clear();
    station.dialogs.serverAnswers.push_back(ui::ServerMeetAnswer{address, meet.database, password()});
    p.MDIMain.HostOnServer.click();
    EXPECT_TRUE(station.dialogs.messages.empty()) << station.dialogs.messages[0].text;
    ASSERT_EQ(p.currentDatabase(), meet.name());
    EXPECT_FALSE(p.MDIMain.JoinServer.enabled());
    p.Main.Number[0].setText("1");
    station.clock.time = {10, 0, 0, 0};
    p.Main.Number[0].KeyDown.raise(ui::KeyReturn);
    p.Main.Number[0].KeyUp.raise(ui::KeyReturn);
    ASSERT_EQ(p.meet->registeredCount(), 1);

    // The password is in the user's settings file, readable by the user alone, and in no file
    // of the meet's folders.
    const fs::path settings = shell::ServerSettingsPath(p);
    ASSERT_TRUE(fs::exists(settings));
    EXPECT_EQ(fs::status(settings).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_NE(bytes(settings).find(password()), std::string::npos);
    for (const fs::path& folder : {fs::path(p.listFolder), fs::path(shell::MeetFolder(file))}) {
        for (const auto& entry : fs::recursive_directory_iterator(folder)) {
            if (entry.is_regular_file()) {
                EXPECT_EQ(bytes(entry.path()).find(password()), std::string::npos) << entry.path();
            }
        }
    }

    const std::string saved = (station.folder() / "Back.mdb").string();
    station.dialogs.fileAnswers.push_back(saved);
    p.MDIMain.SaveAsFile.click();
    EXPECT_TRUE(station.dialogs.messages.empty()) << station.dialogs.messages[0].text;
    EXPECT_TRUE(fs::exists(saved));
    p.MDIMain.Close.click();
    ASSERT_FALSE(p.meet);

    // A wrong password opens nothing; the dialog starts with what was given last.
    station.dialogs.serverAnswers.push_back(ui::ServerMeetAnswer{address, meet.database, "wrong"});
    p.MDIMain.JoinServer.click();
    EXPECT_FALSE(p.meet);
    EXPECT_EQ(station.dialogs.messages.size(), 1u);
    EXPECT_EQ(station.dialogs.serverRequests.back().address, address);
    EXPECT_EQ(station.dialogs.serverRequests.back().database, meet.database);
    station.dialogs.messages.clear();
    station.dialogs.serverAnswers.push_back(ui::ServerMeetAnswer{address, meet.database, password()});
    p.MDIMain.JoinServer.click();
    ASSERT_TRUE(p.meet);
    EXPECT_EQ(p.meet->registeredCount(), 1);
    p.MDIMain.Close.click();

    // Hosting never writes over a meet on the server.
    station.dialogs.fileAnswers.push_back(saved);
    station.dialogs.serverAnswers.push_back(ui::ServerMeetAnswer{address, meet.database, password()});
    p.MDIMain.HostOnServer.click();
    ASSERT_EQ(station.dialogs.messages.size(), 1u);
    EXPECT_FALSE(p.meet);
}

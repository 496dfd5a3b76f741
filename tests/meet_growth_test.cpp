// A meet that grows on race day: competitors, clubs and classes added while the meet is open
// and racing (the register pages' "Add new", the capture page's late entry, an import beyond
// the count), each addition one commit that is there whole or not at all, and the most a meet
// can hold.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>

#include "meetdb/sqlite.h"
#include "support/fakes.h"
#include "support/meet_query.h"

using namespace kvt;
using kvt::testing::TestProgram;
namespace fs = std::filesystem;

namespace {

int commitCount = 0;
int countCommit(void*) {
    ++commitCount;
    return 0;
}

std::vector<std::string> columnsOf(const std::string& path, const std::string& table) {
    meetdb::Connection reader(path, meetdb::Connection::Mode::ReadOnly);
    auto q = reader.prepare("SELECT name FROM pragma_table_info(?1) ORDER BY cid");
    q.bind(1, table);
    std::vector<std::string> names;
    while (q.step()) names.push_back(*q.text(0));
    return names;
}

// An open Norwegian meet of the sample names (10 competitors, 15 clubs, 10 classes of which 1
// is "Junior"), every commit of its file counted.
class MeetGrowth : public ::testing::Test {
protected:
    void SetUp() override {
        auto& p = test.start();
        p.Main.SetupCheck[1].setChecked(true);
        path = test.makeAndOpenMeet();
        ASSERT_EQ(p.currentDatabase(), path);
        watch();
        at(10, 0, 0, 0);
    }
    void watch() {
        db = test.engine.connection(path);
        sqlite3_commit_hook(db->handle(), countCommit, nullptr);
    }
    ui::Program& program() { return test.program(); }
    ui::MainWindow& main() { return test.program().Main; }
    meet::Meet& meet() { return *test.program().meet; }
    void at(int h, int m, int s, int ms) { test.clock.time = {h, m, s, ms}; }
    int commitsOf(const std::function<void()>& action) {
        commitCount = 0;
        action();
        return commitCount;
    }
    void enter(int line) {
        main().Number[line].KeyDown.raise(ui::KeyReturn);
        main().Number[line].KeyUp.raise(ui::KeyReturn);
    }
    long long count(const std::string& sql) { return kvt::testing::StoredNumber(path, sql); }
    std::optional<std::string> value(const std::string& sql) {
        return kvt::testing::StoredText(path, sql);
    }
    void reopen() {
        program().MDIMain.Close.click();
        ASSERT_FALSE(program().meet);
        test.dialogs.fileAnswers.push_back(path);
        program().MDIMain.Open.click();
        ASSERT_TRUE(program().meet);
        watch();
    }

    TestProgram test;
    std::string path;
    std::shared_ptr<meetdb::Connection> db;
};

}  // namespace

TEST_F(MeetGrowth, AClubAClassAndALateEntryAddedWhileRacingAreTimedRankedAndKept) {
    // The race is on: competitor 1 has started.
    main().Number[0].setText("1");
    enter(0);
    ASSERT_EQ(meet().competitor(1).state, meet::Started);

    // A club more, from the club page, named there.
    EXPECT_EQ(commitsOf([&] { main().ClubNew.click(); }), 1);
    EXPECT_EQ(meet().clubCount(), 16);
    ASSERT_FALSE(meet().trail().empty());
    EXPECT_EQ(meet().trail().back().action, "add");
    EXPECT_EQ(meet().trail().back().subject, "Klubber 16");
    EXPECT_EQ(main().ClubData.position(), 16);
    EXPECT_EQ(main().ClubIndex.text(), " 16");
    EXPECT_EQ(count("SELECT count(*) FROM \"Klubber\""), 16);
    EXPECT_EQ(value("SELECT \"22\" FROM \"Oppsett\""), "16");
    EXPECT_EQ(main().SetupText[ui::setup::ClubCountText].text(), "16");
    main().ClubText[0].setText("Fjellfolk");
    main().ClubButton.click();

    // A class more, with its results table made in the same commit.
    EXPECT_EQ(commitsOf([&] { main().ClassNew.click(); }), 1);
    EXPECT_EQ(meet().classCount(), 11);
    EXPECT_EQ(meet().trail().back().subject, "Klasser 11");
    EXPECT_EQ(value("SELECT \"23\" FROM \"Oppsett\""), "11");
    EXPECT_EQ(columnsOf(path, "Resultat-11"), columnsOf(path, "Resultat-1"));
    EXPECT_EQ(columnsOf(path, "Klasser").size(), 4u);
    main().ClassText[1].setText("Veteran");
    main().ClassButton.click();
    EXPECT_EQ(meet().className(11), "Veteran");

    // The late entry: his start number typed on a line is no one's yet, and the capture
    // page adds him with it (the next record's number, so the records stay in order).
    main().Number[5].setText("11");
    ASSERT_TRUE(meet().row(5).noCompetitor);
    EXPECT_EQ(commitsOf([&] { main().CaptureNewCompetitor.click(); }), 1);
    EXPECT_EQ(meet().highestNumber(), 11);
    EXPECT_EQ(meet().trail().back().action, "add");
    EXPECT_EQ(meet().trail().back().number, 11);
    EXPECT_EQ(meet().trail().back().after, "0: 11");
    EXPECT_EQ(count("SELECT count(*) FROM \"Trail\" WHERE \"Action\" = 'add'"), 3);
    EXPECT_FALSE(meet().row(5).noCompetitor);
    EXPECT_EQ(value("SELECT \"0\" FROM \"Deltakere\" WHERE rowid = 11"), " 11");
    EXPECT_EQ(value("SELECT \"19\" FROM \"Deltakere\" WHERE rowid = 11"), "1");
    EXPECT_EQ(value("SELECT \"21\" FROM \"Oppsett\""), "11");
    EXPECT_EQ(main().NameData.position(), 11);
    EXPECT_EQ(main().NameIndex.text(), " 11");
    EXPECT_EQ(program().MDIMain.Status.panelText(2),
              "Deltaker 11 lagt til (post 11): fyll inn navn, klubb og klasse.");
    main().NameText[0].setText("Sen");
    main().NameText[1].setText("Ankomst");
    main().NameCombo[0].setText("Fjellfolk");
    main().NameCombo[1].setText("Veteran");
    main().NameButton.click();
    EXPECT_EQ(main().NameWarning.caption(), "");  // his club and class are the meet's

    // He is timed on his line and ranked in the new class.
    at(10, 1, 0, 0);
    enter(5);
    at(10, 3, 30, 50);
    enter(5);
    ASSERT_EQ(meet().competitor(11).state, meet::Finished);
    EXPECT_EQ(value("SELECT \"Nummer\" FROM \"Resultat-11\""), "11");
    EXPECT_EQ(value("SELECT \"Klubb\" FROM \"Resultat-11\""), "Fjellfolk");

    // Everything added is the meet's after closing and opening it again.
    reopen();
    EXPECT_EQ(meet().highestNumber(), 11);
    EXPECT_EQ(meet().clubCount(), 16);
    EXPECT_EQ(meet().classCount(), 11);
    EXPECT_EQ(meet().clubName(16), "Fjellfolk");
    EXPECT_EQ(meet().className(11), "Veteran");
    EXPECT_EQ(meet().competitor(11).name, "Sen, Ankomst");
    EXPECT_EQ(meet().competitor(11).state, meet::Finished);
    ASSERT_EQ(meet().results(11).rows().size(), 1u);
    EXPECT_EQ(meet().results(11).rows()[0].number, 11);
    EXPECT_EQ(main().NameCombo[1].items().size(), 11u);
    EXPECT_TRUE(test.dialogs.messages.empty()) << test.dialogs.messages.back().text;
}

TEST_F(MeetGrowth, ALateEntryWithAStartNumberBeyondTheOthersIsTimedByIt) {
    main().Number[4].setText("501");
    ASSERT_TRUE(meet().row(4).noCompetitor);
    main().CaptureNewCompetitor.click();
    EXPECT_EQ(meet().recordNumber(11), 501);
    EXPECT_FALSE(meet().row(4).noCompetitor);
    enter(4);
    EXPECT_EQ(meet().competitor(501).state, meet::Started);
    EXPECT_EQ(value("SELECT trim(\"Nr\") FROM \"Tider\" WHERE \"Type\" = 'Ut'"), "501");

    // Opened again, the register holds each start number once: nothing is named in error,
    // and 501 finishes by his number.
    reopen();
    EXPECT_TRUE(test.dialogs.messages.empty()) << test.dialogs.messages.back().text;
    EXPECT_EQ(meet().recordNumber(11), 501);
    ASSERT_EQ(meet().competitor(501).state, meet::Started);
    main().Number[4].setText("501");
    enter(4);
    EXPECT_EQ(meet().competitor(501).state, meet::Finished);
}

TEST_F(MeetGrowth, ALateEntryWithoutANumberTypedGetsTheNextFreeOneAndATakenOneIsRefused) {
    // Record 3 carries start number 11: the next free number above the count is 12.
    main().NameMover.setText("3");
    main().NameIndex.setText("11");
    main().NameButton.click();
    ASSERT_EQ(meet().recordNumber(3), 11);
    main().CaptureNewCompetitor.click();
    EXPECT_EQ(meet().recordNumber(11), 12);

    // A number typed that is no start number at all, or one a record holds: nothing is added
    // and the operator is told why.
    test.dialogs.notices.clear();
    main().Number[2].setText("12345");
    EXPECT_EQ(commitsOf([&] { main().CaptureNewCompetitor.click(); }), 0);
    ASSERT_EQ(test.dialogs.notices.size(), 1u);
    EXPECT_EQ(test.dialogs.notices[0],
              "\"12345\" er ikke et startnummer (1 til 9999): ingen deltaker ble lagt til.");
    EXPECT_EQ(meet().highestNumber(), 11);
    EXPECT_EQ(meet().addRecord(meet::Register::Competitors, {{0, "12"}}).notices.at(0),
              "Startnummer 12 tilhører allerede deltakerpost 11: ingen deltaker ble lagt til.");
    EXPECT_EQ(count("SELECT count(*) FROM \"Deltakere\""), 11);
}

TEST_F(MeetGrowth, AnAdditionThatCannotBeStoredLeavesTheMeetAsItWasAndIsNotKept) {
    db->execute("PRAGMA query_only = ON");
    main().ClassNew.click();
    main().ClubNew.click();
    main().Number[0].setText("77");
    main().CaptureNewCompetitor.click();
    EXPECT_EQ(meet().classCount(), 10);
    EXPECT_EQ(meet().clubCount(), 15);
    EXPECT_EQ(meet().highestNumber(), 10);
    EXPECT_TRUE(meet().row(0).noCompetitor);
    EXPECT_EQ(main().ClassData.recordCount(), 10);
    EXPECT_GE(test.dialogs.notices.size(), 3u);
    const auto trailRows = meet().trail().size();

    db->execute("PRAGMA query_only = OFF");
    main().Hitime2.tick();  // the retry each second: an addition not stored is not kept
    EXPECT_TRUE(meet().allStored());
    EXPECT_EQ(count("SELECT count(*) FROM \"Klasser\""), 10);
    EXPECT_EQ(count("SELECT count(*) FROM sqlite_master WHERE name = 'Resultat-11'"), 0);
    EXPECT_EQ(value("SELECT \"23\" FROM \"Oppsett\""), "10");
    EXPECT_EQ(meet().trail().size(), trailRows);  // no row of what was not added

    // Tried again, it goes in.
    main().ClassNew.click();
    EXPECT_EQ(meet().classCount(), 11);
    EXPECT_EQ(count("SELECT count(*) FROM sqlite_master WHERE name = 'Resultat-11'"), 1);
}

TEST_F(MeetGrowth, AnImportBeyondTheCountAddsTheRecordsAndSaysSo) {
    const fs::path file = test.folder() / "Late.csv";
    std::ofstream(file, std::ios::binary)
        << "Startnummer;Fornavn;Etternavn;Klubb;Klasse\r\n"
           "2;Lars;Vika;Sprint;Junior\r\n"
           "12;Sen;Ankomst;Tornado;Junior\r\n"
           "13;Siste;Mann;Olsberg;Junior\r\n";
    commitCount = 0;
    test.dialogs.fileAnswers.push_back(file.string());
    main().Number[1].setText("13");  // typed before he was entered
    program().MDIMain.ImportCsv.click();
    EXPECT_EQ(commitCount, 1);
    ASSERT_FALSE(test.dialogs.messages.empty());
    EXPECT_EQ(test.dialogs.messages.back().text,
              "Importert: 3 poster i Deltakere, 2 av dem lagt til; Deltakere har 13 poster nå.");
    EXPECT_EQ(meet().highestNumber(), 13);
    EXPECT_EQ(count("SELECT count(*) FROM \"Deltakere\""), 13);
    EXPECT_EQ(value("SELECT \"21\" FROM \"Oppsett\""), "13");
    // Record 11, which no row named, stands between them as a new meet's record does.
    EXPECT_EQ(value("SELECT \"0\" || '|' || \"1\" || '|' || \"19\" FROM \"Deltakere\" "
                    "WHERE rowid = 11"),
              " 11|-|1");
    EXPECT_EQ(value("SELECT \"1\" FROM \"Deltakere\" WHERE rowid = 13"), "Siste");
    EXPECT_EQ(meet().competitor(12).name, "Sen, Ankomst");
    EXPECT_EQ(main().SetupText[ui::setup::CompetitorCountText].text(), "13");
    EXPECT_EQ(main().NameData.recordCount(), 13);
    EXPECT_EQ(meet().row(1).name, "Siste, Mann");
    ASSERT_FALSE(meet().trail().empty());
    EXPECT_EQ(meet().trail().back().action, "import");
    EXPECT_EQ(meet().trail().back().before, "10");
    EXPECT_EQ(meet().trail().back().after, "3 (2-13), 13");

    // Classes beyond the count come with their results tables.
    const fs::path classes = test.folder() / "Classes.csv";
    std::ofstream(classes, std::ios::binary) << "Nummer;Id;Klassenavn\r\n12;V;Veteran\r\n";
    test.dialogs.fileAnswers.push_back(classes.string());
    program().MDIMain.ImportCsv.click();
    EXPECT_EQ(meet().classCount(), 12);
    EXPECT_EQ(columnsOf(path, "Resultat-11"), columnsOf(path, "Resultat-1"));
    EXPECT_EQ(columnsOf(path, "Resultat-12"), columnsOf(path, "Resultat-1"));
    EXPECT_EQ(meet().className(12), "Veteran");
}

TEST(MeetGrowthOldMeet, AMeetMadeByAnEarlierVersionOpensUnchangedAndCanGrow) {
    // A meet as the earlier version made it: the Parts' tables alone.
    TestProgram test;
    auto& program = test.start();
    const std::string path = test.makeAndOpenMeet("Old.mdb");
    program.MDIMain.Close.click();
    const auto tables = [&] {
        meetdb::Connection reader(path, meetdb::Connection::Mode::ReadOnly);
        auto q = reader.prepare("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name");
        std::vector<std::string> names;
        while (q.step()) names.push_back(*q.text(0));
        return names;
    };
    const auto before = tables();
    const auto competitorColumns = columnsOf(path, "Deltakere");
    test.dialogs.fileAnswers.push_back(path);
    program.MDIMain.Open.click();
    ASSERT_TRUE(program.meet);
    EXPECT_EQ(tables(), before);  // opening adds nothing

    program.Main.NameNew.click();
    program.Main.ClassNew.click();
    EXPECT_EQ(program.meet->highestNumber(), 11);
    EXPECT_EQ(program.meet->classCount(), 11);
    EXPECT_EQ(columnsOf(path, "Deltakere"), competitorColumns);
    EXPECT_EQ(columnsOf(path, "Resultat-11"), columnsOf(path, "Resultat-1"));
}

TEST(MeetLimits, TheMostCompetitorsClubsAndClassesAreAcceptedAndOneMoreIsRefused) {
    TestProgram test;
    auto& program = test.start();
    auto& main = program.Main;
    main.SetupText[0].setText("9998");
    main.SetupText[1].setText("199");
    main.SetupText[2].setText("99");
    const std::string path = test.makeAndOpenMeet("Big.mdb");
    ASSERT_TRUE(program.meet);
    ASSERT_EQ(program.meet->highestNumber(), 9998);

    main.NameNew.click();
    main.ClubNew.click();
    main.ClassNew.click();
    EXPECT_EQ(program.meet->highestNumber(), 9999);
    EXPECT_EQ(program.meet->recordNumber(9999), 9999);
    EXPECT_EQ(program.meet->clubCount(), 200);
    EXPECT_EQ(program.meet->classCount(), 100);
    EXPECT_TRUE(test.dialogs.notices.empty()) << test.dialogs.notices.front();

    main.NameNew.click();
    main.ClubNew.click();
    main.ClassNew.click();
    EXPECT_EQ(test.dialogs.notices,
              (std::vector<std::string>{
                  "Deltakere har 9999 poster, det meste et stevne kan ha: ingenting ble lagt til.",
                  "Klubber har 200 poster, det meste et stevne kan ha: ingenting ble lagt til.",
                  "Klasser har 100 poster, det meste et stevne kan ha: ingenting ble lagt til."}));
    EXPECT_EQ(program.meet->highestNumber(), 9999);
    EXPECT_EQ(program.meet->clubCount(), 200);
    EXPECT_EQ(program.meet->classCount(), 100);
    EXPECT_EQ(kvt::testing::ReadField(path, "Oppsett", "21"), "9999");
    EXPECT_EQ(kvt::testing::ReadField(path, "Oppsett", "23"), "100");

    // The highest start number is timed like any other.
    main.Number[0].setText("9999");
    EXPECT_FALSE(program.meet->row(0).noCompetitor);
    main.Number[0].KeyDown.raise(ui::KeyReturn);
    main.Number[0].KeyUp.raise(ui::KeyReturn);
    EXPECT_EQ(program.meet->competitor(9999).state, meet::Started);
    EXPECT_EQ(program.meet->competitor(10000).state, meet::NotStarted);  // none, never a fault
}

TEST(MeetLimits, TimesBeyondTenThousandOnOneLineKeepTheirWholeCount) {
    // Two runs of the most competitors: a line counts past 9999 and its identifications stay
    // apart.
    TestProgram test;
    auto& program = test.start();
    test.makeAndOpenMeet();
    ASSERT_TRUE(program.meet);
    program.MDIMain.Close.click();
    meetdb::Connection((test.folder() / "Meet.mdb").string(), meetdb::Connection::Mode::ReadWrite)
        .execute("UPDATE \"Oppsett\" SET \"32\" = ' 39999'");
    test.dialogs.fileAnswers.push_back((test.folder() / "Meet.mdb").string());
    program.MDIMain.Open.click();
    ASSERT_TRUE(program.meet);
    program.Main.SetupChannelCheck[0].setChecked(true);
    auto outcome = program.meet->registerCapture(1, "10:00:00,00");
    EXPECT_TRUE(outcome.stored) << outcome.failure;
    EXPECT_EQ(program.meet->registered(1).identification, "1-40000");
    EXPECT_EQ(program.meet->channelCount(1), 40000);
}

TEST(MakeNewTells, TheStatusBarNamesTheMeetMadeAndTheNextOpenOffersIt) {
    TestProgram test;
    auto& program = test.start();
    const std::string path = (test.folder() / "Made.mdb").string();
    test.dialogs.fileAnswers.push_back(path);
    program.MDIMain.MakeNew.click();
    ASSERT_TRUE(fs::exists(path));
    EXPECT_FALSE(program.meet);  // left closed
    EXPECT_EQ(program.MDIMain.Status.panelText(2),
              "Stevnet er laget (ikke åpnet): " + fs::absolute(path).string() +
                  ". Åpne tilbyr det først.");
    test.dialogs.fileAnswers.push_back(std::nullopt);  // the operator looks, and cancels
    program.MDIMain.Open.click();
    ASSERT_FALSE(test.dialogs.fileRequests.empty());
    EXPECT_EQ(test.dialogs.fileRequests.back().fileName, fs::absolute(path).string());
    EXPECT_EQ(test.dialogs.fileRequests.back().initialFolder, test.folder().string());
    // Offered once: the Open after it presets the demo meet's name again.
    program.MDIMain.Open.click();
    EXPECT_EQ(test.dialogs.fileRequests.back().fileName, "Demorenn");
}

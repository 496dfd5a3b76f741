#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "lang/apply.h"
#include "meetdb/make_new.h"
#include "meetdb/sqlite.h"
#include "support/fakes.h"

using namespace kvt;
using kvt::testing::TestProgram;
namespace fs = std::filesystem;

namespace {

std::string meetPath(TestProgram& test, const std::string& name = "Meet.mdb") {
    return (test.folder() / name).string();
}

void makeMeet(TestProgram& test, const std::string& path) {
    test.dialogs.fileAnswers.push_back(path);
    test.program().MDIMain.MakeNew.click();
}

bool openMeet(TestProgram& test, const std::string& path) {
    test.dialogs.fileAnswers.push_back(path);
    test.program().MDIMain.Open.click();
    return !test.program().currentDatabase.empty();
}

std::vector<std::string> tables(const std::string& path) {
    meetdb::Connection db(path, meetdb::Connection::Mode::ReadOnly);
    return meetdb::TableNames(db);
}

long long count(const std::string& path, const std::string& table) {
    meetdb::Connection db(path, meetdb::Connection::Mode::ReadOnly);
    auto q = db.prepare("SELECT count(*) FROM " + meetdb::QuoteIdentifier(table));
    q.step();
    return q.integer(0);
}

std::optional<std::string> field(const std::string& path, const std::string& table,
                                 const std::string& name, int position) {
    meetdb::Connection db(path, meetdb::Connection::Mode::ReadOnly);
    auto q = db.prepare("SELECT " + meetdb::QuoteIdentifier(name) + " FROM " +
                        meetdb::QuoteIdentifier(table) + " ORDER BY rowid LIMIT 1 OFFSET ?1");
    q.bind(1, static_cast<long long>(position - 1));
    if (!q.step()) return std::nullopt;
    return q.text(0);
}

void execute(const std::string& path, const std::string& sql) {
    meetdb::Connection db(path, meetdb::Connection::Mode::Create);
    db.execute(sql);
}

std::string fileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

}  // namespace

TEST(MakeNew, DefaultMeetUnderEnglish) {
    TestProgram test;
    test.writeUserIni("x", " 1", " 0", "");
    test.start();
    const auto path = meetPath(test);
    makeMeet(test, path);
    EXPECT_TRUE(test.dialogs.messages.empty());
    EXPECT_EQ(test.dialogs.fileRequests.at(0).title, "Make new");
    EXPECT_EQ(test.dialogs.fileRequests.at(0).fileName, "Demomeet");
    std::vector<std::string> expected = {"Competitors", "Clubs", "Classes", "Setup", "Time", "Work"};
    for (int c = 1; c <= 10; ++c) expected.push_back("Results-" + std::to_string(c));
    expected.push_back("Control");
    EXPECT_EQ(tables(path), expected);
    EXPECT_EQ(count(path, "Competitors"), 10);
    EXPECT_EQ(count(path, "Clubs"), 15);
    EXPECT_EQ(count(path, "Classes"), 10);
    EXPECT_EQ(count(path, "Time"), 300);
    EXPECT_EQ(count(path, "Work"), 1);
    EXPECT_EQ(count(path, "Results-10"), 0);
    EXPECT_EQ(field(path, "Competitors", "0", 10), " 10");
    EXPECT_EQ(field(path, "Competitors", "1", 1), "-");
    EXPECT_EQ(field(path, "Competitors", "19", 1), "1");
    EXPECT_EQ(field(path, "Competitors", "22", 1), "-");
    EXPECT_EQ(field(path, "Competitors", "23", 1), std::nullopt);
    EXPECT_EQ(field(path, "Classes", "Name", 1), "Junior");
    EXPECT_EQ(field(path, "Classes", "Id", 2), "S");
    EXPECT_EQ(field(path, "Classes", "Name", 3), "-");
    EXPECT_EQ(field(path, "Time", "Time", 300), "-");
    EXPECT_EQ(field(path, "Time", "Index", 300), " 300");
    EXPECT_EQ(field(path, "Work", "29", 1), "-");
    EXPECT_EQ(field(path, "Work", "30", 1), "0");
    EXPECT_EQ(field(path, "Setup", "21", 1), "10");
    EXPECT_EQ(field(path, "Setup", "31", 1), "300");
    EXPECT_EQ(field(path, "Setup", "28", 1), "20");
    EXPECT_EQ(field(path, "Setup", "0", 1), "0");
    EXPECT_EQ(field(path, "Control", "Language", 1), " 1");
    auto date = field(path, "Control", "Date", 1).value();
    EXPECT_EQ(date.size(), 10u);
    EXPECT_EQ(date[2], '-');
    // The format of the 32-bit choice and the collating order are recorded.
    meetdb::Connection db(path, meetdb::Connection::Mode::ReadOnly);
    auto version = db.prepare("PRAGMA user_version");
    version.step();
    EXPECT_EQ(version.integer(0), meetdb::Format32Bit);
    auto order = db.prepare("PRAGMA application_id");
    order.step();
    EXPECT_EQ(order.integer(0), meetdb::CollatingOrder);
    // The meet folder with the list images.
    EXPECT_TRUE(fs::is_directory(test.folder() / "Meet"));
    EXPECT_TRUE(test.program().currentDatabase.empty());
    EXPECT_FALSE(fs::exists(path + ".making"));
}

TEST(MakeNew, NorwegianNamesAndTheSixteenBitFormat) {
    TestProgram test;
    auto& program = test.start();
    program.Main.SetupOption[0].select();
    const auto path = meetPath(test, "Vår stevne 'A'.mdb");
    makeMeet(test, path);
    auto names = tables(path);
    ASSERT_GE(names.size(), 7u);
    EXPECT_EQ(names[0], "Deltakere");
    EXPECT_EQ(names[4], "Tider");
    EXPECT_EQ(names[6], "Resultat-1");
    EXPECT_EQ(field(path, "Tider", "Tid", 1), "-");
    EXPECT_EQ(field(path, "Klasser", "Navn", 2), "Senior");
    EXPECT_EQ(field(path, "Control", "Language", 1), "0");
    meetdb::Connection db(path, meetdb::Connection::Mode::ReadOnly);
    auto version = db.prepare("PRAGMA user_version");
    version.step();
    EXPECT_EQ(version.integer(0), meetdb::Format16Bit);
}

TEST(MakeNew, SampleNamesFollowTheCounts) {
    TestProgram test;
    auto& program = test.start();
    auto& main = program.Main;
    main.SetupCheck[1].setChecked(true);
    main.SetupText[0].setText("3");
    main.SetupText[1].setText("2");
    main.SetupText[2].setText("1");
    const auto path = meetPath(test);
    makeMeet(test, path);
    EXPECT_EQ(count(path, "Deltakere"), 3);
    EXPECT_EQ(field(path, "Deltakere", "1", 3), "Sindre");
    EXPECT_EQ(field(path, "Deltakere", "2", 3), "Vika");
    EXPECT_EQ(field(path, "Deltakere", "3", 2), "Tornado");
    EXPECT_EQ(field(path, "Deltakere", "4", 1), "Junior");
    EXPECT_EQ(field(path, "Klubber", "1", 2), "Sprint");
    EXPECT_EQ(count(path, "Klubber"), 2);
    EXPECT_EQ(count(path, "Klasser"), 1);
    EXPECT_EQ(tables(path).size(), 8u);  // one results table

    main.SetupText[2].setText("0");
    const auto none = meetPath(test, "None.mdb");
    makeMeet(test, none);
    EXPECT_EQ(count(none, "Klasser"), 0);
    EXPECT_EQ(tables(none).size(), 7u);
}

TEST(MakeNew, AnExistingFileIsReplacedOnlyOnYes) {
    TestProgram test;
    test.start();
    const auto path = meetPath(test);
    execute(path, "CREATE TABLE \"Mine\" (\"a\" TEXT)");
    const std::string before = fileBytes(path);

    test.dialogs.answers.push_back(ui::Answer::No);
    makeMeet(test, path);
    EXPECT_EQ(test.dialogs.messages.back().text, "Vil du overskrive den gamle databasen?");
    EXPECT_EQ(fileBytes(path), before);

    test.dialogs.answers.push_back(ui::Answer::Yes);
    makeMeet(test, path);
    auto names = tables(path);
    EXPECT_EQ(std::count(names.begin(), names.end(), "Mine"), 0);
    EXPECT_EQ(names.front(), "Deltakere");
}

TEST(MakeNew, ACancelledDialogMakesNothing) {
    TestProgram test;
    test.start();
    test.program().MDIMain.MakeNew.click();
    EXPECT_EQ(test.dialogs.fileRequests.size(), 1u);
    EXPECT_TRUE(test.dialogs.messages.empty());
    EXPECT_EQ(std::distance(fs::directory_iterator(test.folder()), fs::directory_iterator{}), 0);
}

TEST(MakeNew, AMakerAsksBeforeReplacingAnExistingTable) {
    TestProgram test;
    auto& program = test.start();
    const auto path = meetPath(test);
    makeMeet(test, path);
    execute(path, "UPDATE \"Arbeid\" SET \"0\" = ' 17'");
    meetdb::Connection db(path, meetdb::Connection::Mode::ReadWrite);
    test.dialogs.answers.push_back(ui::Answer::No);
    meetdb::MakeWork(program, db);
    EXPECT_EQ(test.dialogs.messages.back().text, "Vil du overskrive det gamle arbeids registeret?");
    EXPECT_EQ(field(path, "Arbeid", "0", 1), " 17");
    test.dialogs.answers.push_back(ui::Answer::Yes);
    meetdb::MakeWork(program, db);
    EXPECT_EQ(field(path, "Arbeid", "0", 1), "-");
    EXPECT_EQ(count(path, "Arbeid"), 1);
}

TEST(MakeNew, AMeetFolderWithItsBackgroundIsLeftAlone) {
    TestProgram test;
    auto& program = test.start();
    fs::create_directories(test.folder() / "Meet");
    { std::ofstream(test.folder() / "Meet" / "Kvt.gif") << "mine"; }
    { std::ofstream(test.folder() / "Kvtn.gif") << "picture"; }
    meetdb::PrepareMeetFolder(program, meetPath(test));
    EXPECT_FALSE(fs::exists(test.folder() / "Meet" / "Kvtn.gif"));
    EXPECT_EQ(fileBytes((test.folder() / "Meet" / "Kvt.gif").string()), "mine");
    EXPECT_EQ(meetdb::MeetFolder("/d/Meet.mdb"), "/d/Meet");
    meetdb::PrepareMeetFolder(program, meetPath(test, "Other.mdb"));
    EXPECT_TRUE(fs::exists(test.folder() / "Other" / "Kvtn.gif"));
    EXPECT_EQ(program.listFolder, (test.folder() / "Other" / "").string());
}

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "meetdb/sqlite.h"
#include "shell/meet_commands.h"
#include "support/fakes.h"
#include "ui/captions.h"
#include "support/meet_query.h"

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
    return !test.program().currentDatabase().empty();
}

std::vector<std::string> tables(const std::string& path) {
    meetdb::Connection db(path, meetdb::Connection::Mode::ReadOnly);
    return meetdb::TableNames(db);
}

long long count(const std::string& path, const std::string& table) {
    return kvt::testing::StoredRows(path, table);
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
    std::vector<std::string> expected = {"Competitors", "Clubs", "Classes",
                                         "Setup",       "Time",  "Work"};
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
    EXPECT_TRUE(test.program().currentDatabase().empty());
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
    {
        meetdb::Connection db(path, meetdb::Connection::Mode::ReadOnly);
        auto version = db.prepare("PRAGMA user_version");
        version.step();
        EXPECT_EQ(version.integer(0), meetdb::Format16Bit);
    }
    // A name with blanks, quotes and Norwegian letters opens like any other.
    EXPECT_TRUE(openMeet(test, path));
    EXPECT_EQ(program.MDIMain.Frame.caption(), "[KVT] Kvarne tidtaking System[Vår stevne 'A'.mdb]");
    EXPECT_TRUE(fs::is_directory(test.folder() / "Vår stevne 'A'"));
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

TEST(MakeNew, TheTimeTableHasAsManyRowsAsTheSizeTypedAndOpensWithoutAWarning) {
    TestProgram test;
    auto& program = test.start();
    program.Main.SetupText[8].setText("500");  // typed since start-up, which read 300
    const auto path = meetPath(test);
    makeMeet(test, path);
    EXPECT_EQ(count(path, "Tider"), 500);
    EXPECT_EQ(field(path, "Oppsett", "31", 1), "500");
    ASSERT_TRUE(openMeet(test, path));
    EXPECT_TRUE(test.dialogs.messages.empty()) << test.dialogs.messages.front().text;
    EXPECT_EQ(program.meet->timeTableSize(), 500);
}

TEST(MakeNew, ATimeTableSizeBeyondThePreparedRowsMakesAMeetThatOpens) {
    TestProgram test;
    auto& program = test.start();
    program.Main.SetupText[8].setText("40000");
    EXPECT_EQ(program.Main.SetupText[8].text(), "3000");
    const auto path = meetPath(test);
    makeMeet(test, path);
    EXPECT_EQ(count(path, "Tider"), 3000);
    ASSERT_TRUE(openMeet(test, path));
    EXPECT_TRUE(test.dialogs.messages.empty()) << test.dialogs.messages.front().text;
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
    meetdb::MeetFile file(path);
    test.dialogs.answers.push_back(ui::Answer::No);
    shell::MakeWork(program, file);
    EXPECT_EQ(test.dialogs.messages.back().text, "Vil du overskrive det gamle arbeids registeret?");
    EXPECT_EQ(field(path, "Arbeid", "0", 1), " 17");
    test.dialogs.answers.push_back(ui::Answer::Yes);
    shell::MakeWork(program, file);
    EXPECT_EQ(field(path, "Arbeid", "0", 1), "-");
    EXPECT_EQ(count(path, "Arbeid"), 1);
}

TEST(MakeNew, AMeetFolderWithItsBackgroundIsLeftAlone) {
    TestProgram test;
    auto& program = test.start();
    fs::create_directories(test.folder() / "Meet");
    { std::ofstream(test.folder() / "Meet" / "Kvt.gif") << "mine"; }
    { std::ofstream(test.folder() / "Kvtn.gif") << "picture"; }
    shell::PrepareMeetFolder(program, meetPath(test));
    EXPECT_FALSE(fs::exists(test.folder() / "Meet" / "Kvtn.gif"));
    EXPECT_EQ(fileBytes((test.folder() / "Meet" / "Kvt.gif").string()), "mine");
    EXPECT_EQ(shell::MeetFolder("/d/Meet.mdb"), "/d/Meet");
    shell::PrepareMeetFolder(program, meetPath(test, "Other.mdb"));
    EXPECT_TRUE(fs::exists(test.folder() / "Other" / "Kvtn.gif"));
    EXPECT_EQ(program.listFolder, (test.folder() / "Other" / "").string());
}

namespace {

// A Norwegian meet with sample names, made and ready to open.
std::string sampleMeet(TestProgram& test, const std::string& name = "Meet.mdb") {
    test.program().Main.SetupCheck[1].setChecked(true);
    const auto path = meetPath(test, name);
    makeMeet(test, path);
    test.program().Main.SetupCheck[1].setChecked(false);
    return path;
}

void expectNothingOpen(TestProgram& test) {
    auto& program = test.program();
    EXPECT_TRUE(program.currentDatabase().empty());
    EXPECT_FALSE(program.Main.NameData.isOpen());
    EXPECT_FALSE(program.Main.SetupData.isOpen());
    EXPECT_FALSE(program.Main.ControlData.isOpen());
    EXPECT_TRUE(program.MDIMain.Open.enabled());
    EXPECT_FALSE(program.MDIMain.Close.enabled());
    EXPECT_FALSE(program.Main.Window.keyPreview());
    EXPECT_EQ(program.MDIMain.Frame.caption().find("[Meet"), std::string::npos);
}

}  // namespace

TEST(OpenDatabase, BindsThePagesAndLoadsTheMeet) {
    TestProgram test;
    auto& program = test.start();
    const auto path = sampleMeet(test);
    ASSERT_TRUE(openMeet(test, path));
    auto& main = program.Main;
    EXPECT_TRUE(test.dialogs.messages.empty());
    EXPECT_EQ(program.MDIMain.Frame.caption(), "[KVT] Kvarne tidtaking System[Meet.mdb]");
    EXPECT_FALSE(program.MDIMain.Open.enabled());
    EXPECT_TRUE(program.MDIMain.Close.enabled());
    EXPECT_TRUE(main.Window.keyPreview());
    EXPECT_FALSE(main.SetupLanguageOption[1].enabled());
    EXPECT_FALSE(main.SetupText[0].enabled());
    EXPECT_FALSE(main.SetupOption[1].enabled());
    EXPECT_EQ(program.meet->highestNumber(), 10);
    EXPECT_EQ(program.meet->competitor(3).name, "Sindre, Vika");
    EXPECT_EQ(program.meet->competitor(9).name, "-, -");
    EXPECT_EQ(program.meet->competitor(1).club, "Tornado");
    EXPECT_EQ(program.meet->clubName(3), "Olsberg");
    EXPECT_EQ(program.meet->className(2), "Senior");
    EXPECT_EQ(main.NameCombo[0].items().size(), 15u);
    EXPECT_EQ(main.ResultsCombo.items().at(0), "Junior");
    EXPECT_EQ(main.ResultsCombo.text(), "Junior");
    EXPECT_EQ(program.meet->registered(300).rowIndex, "300");
    EXPECT_EQ(main.SetupText[19].text(), "0");
    // The competitor page opens on the first record.
    EXPECT_EQ(main.NameData.position(), 1);
    EXPECT_EQ(main.NameText[0].text(), "Eirik");
    EXPECT_TRUE(main.ClassDBGrid.column(0).readOnly);
    EXPECT_FALSE(main.ClassDBGrid.column(0).visible);
    EXPECT_TRUE(main.TimeDBGrid.readOnly());
    EXPECT_EQ(main.TimeDBGrid.column(5).widthTwips, 2600);
}

TEST(OpenDatabase, AMeetOfTheOtherLanguageIsRefused) {
    TestProgram test;
    auto& program = test.start();
    const auto path = sampleMeet(test);
    const std::string before = fileBytes(path);
    kvt::ui::SetEnglishTexts(program);
    program.Main.SetupLanguageOption[1].select();
    EXPECT_FALSE(openMeet(test, path));
    EXPECT_EQ(test.dialogs.messages.back().text,
              "The databasen was made with a different language setup in the program. Change "
              "this language, and try again. This database can't be loaded. This meet was made "
              "with the language Norwegian (0).");
    expectNothingOpen(test);
    EXPECT_EQ(fileBytes(path), before);
    program.Main.SetupLanguageOption[0].select();
    EXPECT_TRUE(openMeet(test, path));
}

TEST(OpenDatabase, AUserLanguageThatIsNoneOfTheProgramsIsToldAsTheUserSettings) {
    TestProgram maker;
    maker.start();
    const auto path = sampleMeet(maker);
    const std::string before = fileBytes(path);
    for (const char* language : {" 2", " 7", "-1", " 0.5"}) {
        TestProgram test;
        test.writeUserIni("x", language, " 0", "");
        test.start();
        const std::string told = std::string("Brukerinnstillingene (User.ini) oppgir språket \"") +
                                 language +
                                 "\", som ikke er noe av programmets (0 norsk, 1 engelsk), så "
                                 "ingen stevner kan åpnes, lages eller resettes. Velg språk på "
                                 "oppsettsiden, og prøv på nytt.";
        EXPECT_FALSE(openMeet(test, path));
        ASSERT_EQ(test.dialogs.messages.size(), 1u) << language;
        EXPECT_EQ(test.dialogs.messages[0].text, told);
        expectNothingOpen(test);
        // Nor is a meet made or reset under it.
        const auto made = meetPath(test, "New.mdb");
        makeMeet(test, made);
        EXPECT_FALSE(fs::exists(made));
        EXPECT_EQ(test.dialogs.messages.back().text, told);
        test.dialogs.fileAnswers.push_back(path);
        test.dialogs.answers.push_back(ui::Answer::Yes);
        test.program().MDIMain.Reset.click();
        EXPECT_EQ(test.dialogs.messages.back().text, told);
        EXPECT_EQ(fileBytes(path), before);
        // Choosing a language of the program puts it right; a value that names no option
        // shows none as chosen.
        auto& options = test.program().Main.SetupLanguageOption;
        EXPECT_EQ(options[2].selected(), std::string(language) == " 2");
        EXPECT_FALSE(options[0].selected()) << language;
        options[0].select();
        EXPECT_TRUE(openMeet(test, path)) << test.dialogs.messages.back().text;
    }
}

TEST(OpenDatabase, AMeetOfAnUnknownLanguageNamesIt) {
    TestProgram test;
    test.start();
    const auto path = sampleMeet(test);
    execute(path, "UPDATE \"Control\" SET \"Language\" = '4'");
    EXPECT_FALSE(openMeet(test, path));
    EXPECT_NE(test.dialogs.messages.back().text.find(
                  "Dette stevnet ble laget med språket \"4\", som ikke er noe av programmets "
                  "språk."),
              std::string::npos)
        << test.dialogs.messages.back().text;
}

TEST(OpenDatabase, ATimeTableBeyondWhatTheCountsReachIsRefusedNotRepairedToItself) {
    TestProgram test;
    test.start();
    const auto path = sampleMeet(test);
    execute(path,
            "WITH RECURSIVE k(n) AS (SELECT 301 UNION ALL SELECT n + 1 FROM k WHERE n < 100000) "
            "INSERT INTO \"Tider\" (\"Index\", \"Id\", \"Tid\", \"Nr\", \"Type\", "
            "\"Deltaker\", \"Info\") SELECT ' ' || n, '-', '-', '-', '-', '-', '-' FROM k");
    execute(path, "UPDATE \"Oppsett\" SET \"31\" = '100000'");
    const std::string before = fileBytes(path);
    EXPECT_FALSE(openMeet(test, path));
    ASSERT_EQ(test.dialogs.messages.size(), 1u);
    EXPECT_EQ(test.dialogs.messages[0].text,
              "Filen kan ikke åpnes som stevnedatabase: tidregisteret har 100000 rader, flere "
              "enn de 99999 tidene et stevne kan holde");
    EXPECT_EQ(fileBytes(path), before);
    // At the bound it opens.
    execute(path, "DELETE FROM \"Tider\" WHERE rowid > 99999");
    EXPECT_TRUE(openMeet(test, path)) << test.dialogs.messages.back().text;
    EXPECT_EQ(test.program().meet->timeTableSize(), 99999);
}

TEST(OpenDatabase, FilesThatAreNoMeetDatabaseLeaveNothingOpen) {
    TestProgram test;
    test.start();
    const auto good = sampleMeet(test);
    auto variant = [&](const std::string& name) {
        const auto path = meetPath(test, name);
        fs::copy_file(good, path);
        return path;
    };
    std::vector<std::string> bad;
    bad.push_back(meetPath(test, "missing.mdb"));
    { std::ofstream(meetPath(test, "empty.mdb")); }
    bad.push_back(meetPath(test, "empty.mdb"));
    {
        std::ofstream random(meetPath(test, "random.mdb"), std::ios::binary);
        for (int i = 0; i < 5000; ++i) random.put(static_cast<char>((i * 7919) % 251));
    }
    bad.push_back(meetPath(test, "random.mdb"));
    { std::ofstream(meetPath(test, "text.mdb")) << "Name;Club\nEirik;Tornado\n"; }
    bad.push_back(meetPath(test, "text.mdb"));
    execute(meetPath(test, "other.mdb"), "CREATE TABLE \"notes\" (\"x\" TEXT)");
    bad.push_back(meetPath(test, "other.mdb"));
    const auto dropped = variant("dropped.mdb");
    execute(dropped, "DROP TABLE \"Tider\"");
    bad.push_back(dropped);
    const auto noResults = variant("noresults.mdb");
    execute(noResults, "DROP TABLE \"Resultat-7\"");
    bad.push_back(noResults);
    const auto readOnly = variant("readonly.mdb");
    ::chmod(readOnly.c_str(), 0444);
    if (::access(readOnly.c_str(), W_OK) != 0) bad.push_back(readOnly);  // root may write anyway

    for (const auto& path : bad) {
        const std::string before = fileBytes(path);
        test.dialogs.messages.clear();
        EXPECT_FALSE(openMeet(test, path)) << path;
        ASSERT_EQ(test.dialogs.messages.size(), 1u) << path;
        EXPECT_EQ(test.dialogs.messages[0].text.rfind("Filen kan ikke åpnes som stevnedatabase", 0),
                  0u)
            << test.dialogs.messages[0].text;
        expectNothingOpen(test);
        EXPECT_EQ(fileBytes(path), before) << path;
    }
    EXPECT_FALSE(fs::exists(meetPath(test, "missing.mdb")));
}

TEST(OpenDatabase, CountsBeyondTheTablesAreRefused) {
    TestProgram test;
    test.start();
    const auto path = sampleMeet(test);
    execute(path, "UPDATE \"Oppsett\" SET \"21\" = '10000'");
    EXPECT_FALSE(openMeet(test, path));
    EXPECT_NE(test.dialogs.messages.back().text.find("9999"), std::string::npos);
    expectNothingOpen(test);
    execute(path, "UPDATE \"Oppsett\" SET \"21\" = '10', \"22\" = '201'");
    EXPECT_FALSE(openMeet(test, path));
    execute(path, "UPDATE \"Oppsett\" SET \"22\" = '15', \"23\" = '101'");
    EXPECT_FALSE(openMeet(test, path));
    execute(path, "UPDATE \"Oppsett\" SET \"23\" = '99999999'");
    EXPECT_FALSE(openMeet(test, path));
    expectNothingOpen(test);
}

TEST(OpenDatabase, MisnumberedRecordsAreToldOnceAfterTheWalk) {
    TestProgram test;
    test.start();
    const auto path = sampleMeet(test);
    execute(path, "UPDATE \"Deltakere\" SET \"0\" = ' 4' WHERE rowid = 3");
    execute(path, "UPDATE \"Klasser\" SET \"Index\" = ' 2' WHERE rowid = 3");
    ASSERT_TRUE(openMeet(test, path));
    std::vector<std::string> texts;
    for (const auto& shown : test.dialogs.messages) texts.push_back(shown.text);
    EXPECT_EQ(texts,
              (std::vector<std::string>{"Feil i deltaker register", "Feil i klasse register"}));
}

TEST(OpenDatabase, TheTimeTableGivesStartsAndFinishes) {
    TestProgram test;
    auto& program = test.start();
    const auto path = sampleMeet(test);
    execute(path,
            "UPDATE \"Tider\" SET \"Tid\" = '10.00.00.00', \"Nr\" = ' 3', \"Type\" = 'Inn' "
            "WHERE rowid = 1");
    execute(path,
            "UPDATE \"Tider\" SET \"Tid\" = '09.00.00.00', \"Nr\" = '-', \"Type\" = 'Ut alle', "
            "\"Id\" = '1-1' WHERE rowid = 2");
    execute(path,
            "UPDATE \"Tider\" SET \"Tid\" = '09.30.00.00', \"Nr\" = ' 5', \"Type\" = 'Ut' "
            "WHERE rowid = 3");
    ASSERT_TRUE(openMeet(test, path));
    EXPECT_EQ(program.meet->competitor(3).state, meet::Finished);
    EXPECT_EQ(program.meet->competitor(3).finish, "10.00.00.00");
    // The start of all reaches those not finished, as the live program gave it.
    EXPECT_EQ(program.meet->competitor(3).start, "-");
    EXPECT_EQ(program.meet->competitor(1).state, meet::Started);
    EXPECT_EQ(program.meet->competitor(10).start, "09.00.00.00");
    EXPECT_EQ(program.meet->competitor(5).start, "09.30.00.00");
    EXPECT_EQ(program.meet->competitor(11).state, meet::NotStarted);
    EXPECT_EQ(program.meet->registered(2).identification, "1-1");
    EXPECT_EQ(program.meet->registered(2).kind, "Ut alle");
    EXPECT_EQ(program.meet->registered(1).number, " 3");
}

TEST(CloseDatabase, ResetsTheCountsTheTitleAndTheTables) {
    TestProgram test;
    auto& program = test.start();
    const auto path = sampleMeet(test);
    execute(path,
            "UPDATE \"Tider\" SET \"Id\" = printf('2-%04d', rowid), \"Tid\" = '09.00.00.00' "
            "WHERE rowid <= 7");
    execute(path, "UPDATE \"Oppsett\" SET \"29\" = '7', \"30\" = '7', \"33\" = ' 7'");
    ASSERT_TRUE(openMeet(test, path));
    EXPECT_EQ(program.meet->registeredCount(), 7);
    EXPECT_EQ(program.meet->channelCount(2), 7);
    program.MDIMain.Close.click();
    expectNothingOpen(test);
    EXPECT_EQ(program.meet, nullptr);
    EXPECT_EQ(program.Main.SetupText[6].text(), "0");
    EXPECT_EQ(program.Main.SetupText[10].text(), "0");
    EXPECT_EQ(program.MDIMain.Frame.caption(),
              "[KVT] Kvarne Tidtaking System [ Ingen database åpenet ]");
    EXPECT_TRUE(program.Main.SetupText[0].enabled());
    EXPECT_EQ(program.Main.SetupText[0].text(), "10");
    EXPECT_EQ(program.Main.NameText[0].text(), "");
    // Nothing stays beside the database.
    for (const auto& entry : fs::directory_iterator(test.folder()))
        for (const char* side : {"-journal", "-wal", "-shm"})
            EXPECT_EQ(entry.path().string().find(side), std::string::npos) << entry.path();
}

TEST(RegisterPages, AnEditSurvivesClosingAndOpening) {
    TestProgram test;
    auto& program = test.start();
    auto& main = program.Main;
    const auto path = sampleMeet(test);
    ASSERT_TRUE(openMeet(test, path));
    main.NameMover.setText("7");
    EXPECT_EQ(main.NameIndex.text(), " 7");
    main.NameText[0].setText("Åse \"Quote\"; DROP");
    main.NameText[1].setText("Berg");
    main.NameCombo[0].dropDown();
    main.NameCombo[0].pick(1);
    main.NameOption[2].select();
    EXPECT_EQ(main.NameText[16].text(), " 3");
    main.NameButton.click();
    EXPECT_EQ(main.NameData.position(), 7);
    EXPECT_EQ(program.meet->competitor(7).name, "Åse \"Quote\"; DROP, Berg");
    EXPECT_EQ(program.meet->competitor(7).club, "Sprint");
    EXPECT_EQ(program.meet->competitor(7).payment, 3);
    EXPECT_EQ(field(path, "Deltakere", "1", 7), "Åse \"Quote\"; DROP");
    main.NameText[2].setText("Storgata 1");
    program.MDIMain.Close.click();
    ASSERT_TRUE(openMeet(test, path));
    main.NameMover.setText("7");
    EXPECT_EQ(main.NameText[0].text(), "Åse \"Quote\"; DROP");
    EXPECT_EQ(main.NameText[2].text(), "Storgata 1");  // saved when the binding closed
    EXPECT_TRUE(main.NameOption[2].selected());
    EXPECT_EQ(program.meet->competitor(7).name, "Åse \"Quote\"; DROP, Berg");
}

TEST(RegisterPages, MoveToStaysWithinTheCount) {
    TestProgram test;
    auto& program = test.start();
    auto& main = program.Main;
    ASSERT_TRUE(openMeet(test, sampleMeet(test)));
    main.ClassMover.setText("10");
    EXPECT_EQ(main.ClassData.position(), 10);
    for (const char* ignored : {"11", "0", "-3", "abc"}) {
        main.ClassMover.setText(ignored);
        EXPECT_EQ(main.ClassData.position(), 10) << ignored;
    }
    main.ClubMover.setText("3");
    EXPECT_EQ(main.ClubText[0].text(), "Olsberg");
    main.ClubText[0].setText("Olsberg IL");
    main.ClubMover.setText("1");
    EXPECT_EQ(program.meet->clubName(3), "Olsberg IL");
    main.NameCombo[0].dropDown();
    EXPECT_EQ(main.NameCombo[0].items().at(2), "Olsberg IL");
}

TEST(RegisterPages, LeavingARecordFillsTheCachesAndTheListsFollowTheCounts) {
    TestProgram test;
    auto& program = test.start();
    auto& main = program.Main;
    ASSERT_TRUE(openMeet(test, sampleMeet(test)));
    main.NameMover.setText("4");
    main.NameText[0].setText("");
    main.NameMover.setText("5");
    EXPECT_EQ(program.meet->competitor(4).name, ", Dahl");
    main.NameText[16].setText("5");  // no such payment: the options stay
    EXPECT_TRUE(main.NameOption[0].selected());
    main.NameCombo[1].dropDown();
    EXPECT_EQ(main.NameCombo[1].items().size(), 10u);
    EXPECT_EQ(main.NameCombo[1].items().at(1), "Senior");
    // A meet made with no clubs and two classes lists none and two.
    program.MDIMain.Close.click();
    main.SetupText[1].setText("0");
    main.SetupText[2].setText("2");
    const auto small = meetPath(test, "Small.mdb");
    makeMeet(test, small);
    ASSERT_TRUE(openMeet(test, small));
    main.NameCombo[0].dropDown();
    EXPECT_TRUE(main.NameCombo[0].items().empty());
    main.NameCombo[1].dropDown();
    EXPECT_EQ(main.NameCombo[1].items(), (std::vector<std::string>{"Junior", "Senior"}));
}

TEST(SetupPage, TheMeetsLanguageBoxStaysLockedAndAnEditThereIsNeverStored) {
    TestProgram test;
    auto& program = test.start();
    auto& main = program.Main;
    const auto path = sampleMeet(test);
    ASSERT_TRUE(openMeet(test, path));
    EXPECT_TRUE(main.SetupText[19].locked());
    main.SetupText[19].edit(" 1");  // what the operator types there
    EXPECT_EQ(main.SetupText[19].text(), "0");
    main.ControlData.refresh();
    EXPECT_TRUE(main.SetupText[19].locked());
    program.MDIMain.Close.click();
    EXPECT_TRUE(main.SetupText[19].locked());
    EXPECT_EQ(field(path, "Control", "Language", 1), "0");
    EXPECT_TRUE(openMeet(test, path));
    // The operator's typing reaches every other box.
    main.NameText[0].edit("Kari");
    EXPECT_EQ(main.NameText[0].text(), "Kari");
}

TEST(SetupPage, EditsOfTheMeetSetupAreStoredAtOnce) {
    TestProgram test;
    auto& program = test.start();
    const auto path = sampleMeet(test);
    ASSERT_TRUE(openMeet(test, path));
    program.Main.SetupTimeOption[3].select();
    program.Main.SetupChannelCheck[2].setChecked(true);
    program.Main.SetupCheck[5].setChecked(true);
    EXPECT_EQ(field(path, "Oppsett", "26", 1), " 3");
    EXPECT_EQ(field(path, "Oppsett", "4", 1), "1");
    EXPECT_EQ(field(path, "Oppsett", "17", 1), "1");
    program.MDIMain.Close.click();
    EXPECT_TRUE(program.Main.SetupTimeOption[0].selected());
    ASSERT_TRUE(openMeet(test, path));
    EXPECT_TRUE(program.Main.SetupTimeOption[3].selected());
    EXPECT_TRUE(program.Main.SetupChannelCheck[2].checked());
    EXPECT_TRUE(program.Main.TimeButton[2].enabled());
}

TEST(OpenDatabase, AMeetLeftInTheMiddleOfAWriteOpensWithTheWriteUndone) {
    TestProgram test;
    auto& program = test.start();
    const auto path = sampleMeet(test);
    const auto copy = meetPath(test, "Copy.mdb");
    {
        // A program stopped in the middle of a write: the file and its journal as they were.
        meetdb::Connection db(path, meetdb::Connection::Mode::ReadWrite);
        db.execute("PRAGMA cache_size = 1");  // changed pages reach the file at once
        db.execute("BEGIN IMMEDIATE");
        db.execute("UPDATE \"Deltakere\" SET \"1\" = 'Half written'");
        db.execute("UPDATE \"Tider\" SET \"Tid\" = 'Half written, and longer than before'");
        fs::copy_file(path, copy);
        fs::copy_file(path + "-journal", copy + "-journal");
        db.execute("ROLLBACK");
    }
    ASSERT_TRUE(openMeet(test, copy));
    EXPECT_TRUE(test.dialogs.messages.empty());
    EXPECT_EQ(program.meet->competitor(1).name, "Eirik, Dahl");
}

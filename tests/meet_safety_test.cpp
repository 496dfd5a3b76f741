// A meet beyond one program: a second program on it is refused, counts damaged in the file are
// put right from the Time table, and a file that is refused is never written.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "meetdb/meet_lock.h"
#include "meetdb/sqlite.h"
#include "support/fakes.h"
#include "support/file_bytes.h"

using namespace kvt;
using kvt::testing::TestProgram;
namespace fs = std::filesystem;

namespace {

std::string bytes(const fs::path& path) { return kvt::testing::FileBytes(path); }

void execute(const std::string& path, const std::string& sql) {
    meetdb::Connection db(path, meetdb::Connection::Mode::ReadWrite);
    db.execute(sql);
}

bool open(TestProgram& test, const std::string& path) {
    test.dialogs.fileAnswers.push_back(path);
    test.program().MDIMain.Open.click();
    return !test.program().currentDatabase().empty();
}

// Copies the database file and its journal as they are in the middle of a write that has
// spilled into the file: the journal is hot, the file half written.
void copyInTheMiddleOfAWrite(const std::string& database, const std::string& sql,
                             const std::string& fileCopy, const std::string& journalCopy) {
    meetdb::Connection db(database, meetdb::Connection::Mode::ReadWrite);
    db.execute("PRAGMA cache_size = 1");
    db.execute("BEGIN");
    db.execute(sql);
    fs::copy_file(database + "-journal", journalCopy, fs::copy_options::overwrite_existing);
    if (!fileCopy.empty()) fs::copy_file(database, fileCopy, fs::copy_options::overwrite_existing);
    db.execute("ROLLBACK");
}

std::string lastMessage(TestProgram& test) {
    return test.dialogs.messages.empty() ? "" : test.dialogs.messages.back().text;
}

// A second program in its own folder, choosing files of the first one's.
struct SecondProgram {
    SecondProgram() { test.start(); }
    TestProgram test;
};

}  // namespace

TEST(OneProgramPerMeet, ASecondProgramIsRefusedAndToldWhoHoldsTheMeet) {
    TestProgram first;
    first.start();
    const std::string path = first.makeAndOpenMeet();
    SecondProgram second;
    EXPECT_FALSE(open(second.test, path));
    const std::string told = lastMessage(second.test);
    EXPECT_EQ(told.rfind("Dette stevnet er åpent i et annet program (kvt, ", 0), 0u) << told;
    EXPECT_NE(told.find("process " + std::to_string(::getpid())), std::string::npos) << told;
    // Once the first closes it, the second may.
    first.program().MDIMain.Close.click();
    EXPECT_TRUE(open(second.test, path));
}

TEST(OneProgramPerMeet, ResetRepairAndCompressRefuseAMeetOpenElsewhereAndCopyCopiesIt) {
    TestProgram first;
    first.start();
    const std::string path = first.makeAndOpenMeet();
    first.program().Main.SetupChannelCheck[0].setChecked(true);
    first.program().Main.Window.pressKey(ui::KeyF2);
    for (int i = 0; i < 25; ++i) first.program().Main.Hitime1.tick();
    ASSERT_EQ(first.program().meet->registeredCount(), 1);
    const std::string before = bytes(path);

    SecondProgram second;
    auto& menu = second.test.program().MDIMain;
    for (ui::MenuItem* command : {&menu.Reset, &menu.Repair, &menu.Kompress}) {
        second.test.dialogs.fileAnswers.push_back(path);
        command->click();
        EXPECT_EQ(lastMessage(second.test).rfind("Dette stevnet er åpent", 0), 0u)
            << command->name();
    }
    EXPECT_EQ(bytes(path), before);
    EXPECT_TRUE(fs::exists(path));
    // A copy of the racing meet holds what it stored.
    second.test.dialogs.fileAnswers.push_back(path);
    menu.Copy.click();
    const std::string copy = path.substr(0, path.size() - 4) + ".bak";
    ASSERT_TRUE(fs::exists(copy));
    EXPECT_EQ(kvt::testing::ReadField(copy, "Oppsett", "29"), "1");
    EXPECT_EQ(kvt::testing::ReadField(copy, "Tider", "Id"), "1-0001");
}

TEST(OneProgramPerMeet, ALockLeftByAProgramThatDiedIsTakenOver) {
    TestProgram test;
    test.start();
    const std::string path = test.makeAndOpenMeet();
    test.program().MDIMain.Close.click();
    // The holder file of a program killed while it had the meet open: nothing holds the meet.
    const std::string holder = meetdb::MeetLock::PathOf(path).value();
    {
        std::ofstream stale(holder);
        stale << "kvt, someone@elsewhere, process 99999, 2026-01-01 10:00:00\n";
    }
    EXPECT_TRUE(open(test, path)) << lastMessage(test);
    EXPECT_NE(bytes(holder).find(std::to_string(::getpid())), std::string::npos);
    test.program().MDIMain.Close.click();
    EXPECT_FALSE(fs::exists(holder));
}

namespace {

// Every other name of an open meet's file: a symlink, a hard link (beside it and in another
// folder), a symlink to its folder, and other spellings of its path.
std::vector<std::string> otherNamesOf(const fs::path& meet) {
    const fs::path folder = meet.parent_path();
    fs::create_directories(folder / "elsewhere");
    fs::create_symlink(meet, folder / "Link.mdb");
    fs::create_hard_link(meet, folder / "Hard.mdb");
    fs::create_hard_link(meet, folder / "elsewhere" / "Hard.mdb");
    fs::create_directory_symlink(folder, folder / "linked");
    return {(folder / "Link.mdb").string(),
            (folder / "Hard.mdb").string(),
            (folder / "elsewhere" / "Hard.mdb").string(),
            (folder / "linked" / meet.filename()).string(),
            (folder / "elsewhere" / ".." / meet.filename()).string(),
            (folder / "." / meet.filename()).string(),
            (folder.string() + "//" + meet.filename().string())};
}

}  // namespace

TEST(OneProgramPerMeet, EveryOtherNameOfTheFileIsRefusedWhileOneIsOpen) {
    TestProgram first;
    first.start();
    const std::string path = first.makeAndOpenMeet();
    SecondProgram second;
    for (const std::string& name : otherNamesOf(path)) {
        EXPECT_FALSE(open(second.test, name)) << name;
        const std::string told = lastMessage(second.test);
        EXPECT_EQ(told.rfind("Dette stevnet er åpent i et annet program (", 0), 0u) << told;
        // Found beside every name but a hard link in another folder, which has a folder of its
        // own: there the program that holds the meet is not known by name.
        if (name.find("elsewhere/Hard") == std::string::npos) {
            EXPECT_NE(told.find("process " + std::to_string(::getpid())), std::string::npos)
                << name << ": " << told;
        }
        // Reset, Repair and Compress by that name are refused as well.
        auto& menu = second.test.program().MDIMain;
        for (ui::MenuItem* command : {&menu.Reset, &menu.Repair, &menu.Kompress}) {
            second.test.dialogs.fileAnswers.push_back(name);
            command->click();
            EXPECT_EQ(lastMessage(second.test).rfind("Dette stevnet er åpent", 0), 0u)
                << command->name() << " " << name;
        }
    }
    // Opened by another name, the first name is refused in turn.
    first.program().MDIMain.Close.click();
    const std::string link = (fs::path(path).parent_path() / "Hard.mdb").string();
    EXPECT_TRUE(open(first, link)) << lastMessage(first);
    EXPECT_FALSE(open(second.test, path));
    first.program().MDIMain.Close.click();
    EXPECT_TRUE(open(second.test, path)) << lastMessage(second.test);
}

TEST(OneProgramPerMeet, MakeNewNeverReplacesAMeetOpenElsewhere) {
    TestProgram first;
    first.start();
    const std::string path = first.makeAndOpenMeet();
    const std::string before = bytes(path);
    SecondProgram second;
    second.test.dialogs.fileAnswers.push_back(path);
    second.test.dialogs.answers.push_back(ui::Answer::Yes);  // replace the old file
    second.test.program().MDIMain.MakeNew.click();
    EXPECT_EQ(lastMessage(second.test).rfind("Dette stevnet er åpent i et annet program (", 0),
              0u)
        << lastMessage(second.test);
    EXPECT_EQ(bytes(path), before);
    EXPECT_FALSE(fs::exists(path + ".making"));
}

TEST(OneProgramPerMeet, AHolderFileThatIsASymlinkIsReplacedAndNeverWrittenThrough) {
    TestProgram test;
    test.start();
    const std::string path = test.makeAndOpenMeet();
    test.program().MDIMain.Close.click();
    const std::string holder = meetdb::MeetLock::PathOf(path).value();
    const fs::path victim = test.folder() / "victim.txt";
    { std::ofstream(victim) << "keep me"; }
    fs::create_symlink(victim, holder);
    EXPECT_TRUE(open(test, path)) << lastMessage(test);
    EXPECT_EQ(bytes(victim), "keep me");
    EXPECT_FALSE(fs::is_symlink(holder));
    test.program().MDIMain.Close.click();
    EXPECT_FALSE(fs::exists(fs::symlink_status(holder)));
    EXPECT_EQ(bytes(victim), "keep me");

    // A dangling symlink: nothing is made where it points.
    const fs::path nowhere = test.folder() / "made-through-the-link";
    fs::create_symlink(nowhere, holder);
    EXPECT_TRUE(open(test, path)) << lastMessage(test);
    EXPECT_FALSE(fs::exists(nowhere));
    test.program().MDIMain.Close.click();
    EXPECT_FALSE(fs::exists(nowhere));
}

TEST(Durability, EveryConnectionThatWritesSyncsTheFolderToo) {
    TestProgram test;
    test.start();
    const std::string path = test.makeAndOpenMeet();
    auto synchronous = test.engine.connection(path)->prepare("PRAGMA synchronous");
    ASSERT_TRUE(synchronous.step());
    EXPECT_EQ(synchronous.integer(0), 3);  // EXTRA
}

// ---- counts damaged in the file ----

class DamagedCounts : public ::testing::Test {
protected:
    void SetUp() override {
        test.start();
        path = test.makeAndOpenMeet();
        auto& main = test.program().Main;
        main.SetupChannelCheck[0].setChecked(true);
        main.SetupTimerValue[2].setCaption("1");
        for (int i = 0; i < 3; ++i) capture();
        test.program().MDIMain.Close.click();
        test.dialogs.messages.clear();
    }
    void capture() {
        auto& main = test.program().Main;
        main.Window.pressKey(ui::KeyF2);
        for (int i = 0; i < 3; ++i) main.Hitime1.tick();
    }
    // Opens the meet whose Setup fields were set so; the message of the repair.
    std::string openWith(const std::string& assignments) {
        execute(path, "UPDATE \"Oppsett\" SET " + assignments);
        EXPECT_TRUE(open(test, path)) << lastMessage(test);
        return lastMessage(test);
    }

    TestProgram test;
    std::string path;
};

TEST_F(DamagedCounts, ANegativeRegisteredCountIsPutRightAndNoTimeIsOverwritten) {
    const std::string told = openWith("\"29\" = '-5'");
    EXPECT_NE(told.find("antall registrerte tider: -5 -> 3"), std::string::npos) << told;
    EXPECT_EQ(test.program().meet->registeredCount(), 3);
    capture();
    EXPECT_EQ(test.program().meet->registeredCount(), 4);
    EXPECT_EQ(kvt::testing::ReadField(path, "Oppsett", "29"), "4");
    meetdb::Connection db(path, meetdb::Connection::Mode::ReadOnly);
    auto ids = db.prepare("SELECT count(DISTINCT \"Id\") FROM \"Tider\" WHERE \"Id\" <> '-'");
    ids.step();
    EXPECT_EQ(ids.integer(0), 4);
}

TEST_F(DamagedCounts, ASetCountBeyondTheRegisteredOnesHidesNoNewTime) {
    const std::string told = openWith("\"30\" = '100'");
    EXPECT_NE(told.find("antall satte tider: 100 -> 3"), std::string::npos) << told;
    capture();
    EXPECT_EQ(test.program().meet->fetchedCount(), 4);
    EXPECT_EQ(test.program().Main.RegTime[3].text().empty(), false);
    EXPECT_NE(test.program().Main.RegTime[3].text(), "-");
}

TEST_F(DamagedCounts, ANegativeLineCountGivesNoBrokenIdentification) {
    const std::string told = openWith("\"32\" = '-3'");
    EXPECT_NE(told.find("teller for linje 1: -3 -> 3"), std::string::npos) << told;
    capture();
    EXPECT_EQ(test.program().meet->registered(4).identification, "1-0004");
}

TEST_F(DamagedCounts, AHugeRegisteredCountAndTableSizeArePutRight) {
    const std::string told = openWith("\"29\" = '32767', \"31\" = '40000'");
    EXPECT_NE(told.find("32767 -> 3"), std::string::npos) << told;
    EXPECT_NE(told.find("40000 -> 300"), std::string::npos) << told;
    capture();
    test.program().MDIMain.Close.click();
    test.dialogs.messages.clear();
    EXPECT_TRUE(open(test, path));
    EXPECT_TRUE(test.dialogs.messages.empty()) << lastMessage(test);  // agreeing now
    EXPECT_EQ(test.program().meet->registeredCount(), 4);
    EXPECT_EQ(test.program().meet->timeTableSize(), 300);
}

TEST_F(DamagedCounts, ANegativeNumberOfCompetitorsIsRefusedAndNamed) {
    execute(path, "UPDATE \"Oppsett\" SET \"21\" = '-5'");
    EXPECT_FALSE(open(test, path));
    EXPECT_NE(lastMessage(test).find("antall deltakere = -5"), std::string::npos)
        << lastMessage(test);
}

TEST_F(DamagedCounts, TheCountBoxesShowTheCountsAndCannotBeTypedInto) {
    EXPECT_TRUE(open(test, path));
    auto& main = test.program().Main;
    for (int box : {6, 7, 8, 9, 10, 14}) EXPECT_TRUE(main.SetupText[box].locked()) << box;
    main.SetupText[6].setText("0");  // what the window would do for a typed 0
    capture();
    EXPECT_EQ(test.program().meet->registered(4).identification, "1-0004");
    EXPECT_EQ(kvt::testing::ReadField(path, "Oppsett", "29"), "4");
}

// ---- files that are refused stay as they were ----

TEST(RefusedFiles, ATextFileWithAJournalBesideItIsRefusedAndLeftAsItWas) {
    TestProgram test;
    test.start();
    const fs::path notes = test.folder() / "Notes.mdb";
    { std::ofstream(notes) << "Shopping: bread, milk\n"; }
    // A hot journal of another database: played back, it would write its pages into the file.
    const fs::path other = test.folder() / "Other.db";
    {
        meetdb::Connection db(other.string(), meetdb::Connection::Mode::Create);
        db.execute("CREATE TABLE t (x)");
        db.execute(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
            "INSERT INTO t SELECT printf('%0100d', i) FROM n");
    }
    copyInTheMiddleOfAWrite(other.string(), "UPDATE t SET x = x || 'changed'", "",
                            notes.string() + "-journal");
    ASSERT_GT(fs::file_size(notes.string() + "-journal"), 4096u);
    const std::string file = bytes(notes), journal = bytes(notes.string() + "-journal");
    EXPECT_FALSE(open(test, notes.string()));
    EXPECT_EQ(bytes(notes), file);
    EXPECT_EQ(bytes(notes.string() + "-journal"), journal);
    EXPECT_NE(lastMessage(test).find("filen er ingen database"), std::string::npos)
        << lastMessage(test);
}

TEST(RefusedFiles, AMeetWithAStrayJournalIsExaminedOnACopyAndOpensWhenItIsOne) {
    TestProgram test;
    test.start();
    const std::string path = test.makeAndOpenMeet();
    test.program().MDIMain.Close.click();
    // A program stopped in the middle of a write into this meet: the file half written (the
    // Setup record says 9 times), its journal holding what undoes it.
    const std::string journal = path + "-journal";
    copyInTheMiddleOfAWrite(path,
                            "UPDATE \"Tider\" SET \"Id\" = '1-0001'; "
                            "UPDATE \"Oppsett\" SET \"29\" = '9'",
                            path + ".half", journal + ".kept");
    fs::rename(journal + ".kept", journal);
    fs::rename(path + ".half", path);
    EXPECT_TRUE(open(test, path)) << lastMessage(test);
    EXPECT_EQ(test.program().meet->registeredCount(), 0);
    EXPECT_EQ(kvt::testing::ReadField(path, "Tider", "Id"), "-");
    EXPECT_FALSE(fs::exists(journal));
}

TEST(RefusedFiles, AMeetLeftInTheMiddleOfAWriteOpensByASymlinkToo) {
    TestProgram test;
    test.start();
    const std::string path = test.makeAndOpenMeet();
    test.program().MDIMain.Close.click();
    // SQLite keeps the journal beside the file the symlink names, not beside the link: the
    // file is examined as the write will be undone, not as it was left.
    const std::string journal = path + "-journal";
    copyInTheMiddleOfAWrite(path, "DROP TABLE \"Tider\"; UPDATE \"Oppsett\" SET \"29\" = '9'",
                            path + ".half", journal + ".kept");
    fs::rename(journal + ".kept", journal);
    fs::rename(path + ".half", path);
    const fs::path link = test.folder() / "Link.mdb";
    fs::create_symlink(path, link);
    EXPECT_TRUE(open(test, link.string())) << lastMessage(test);
    EXPECT_EQ(test.program().meet->registeredCount(), 0);
    EXPECT_EQ(test.program().meet->timeTableSize(), 300);
    EXPECT_FALSE(fs::exists(journal));
}

TEST(RefusedFiles, FoldersPipesAndDevicesAreNamedForWhatTheyAre) {
    TestProgram test;
    test.start();
    const fs::path folder = test.folder() / "Folder.mdb";
    fs::create_directories(folder);
    EXPECT_FALSE(open(test, folder.string()));
    EXPECT_NE(lastMessage(test).find("en mappe ble valgt"), std::string::npos) << lastMessage(test);
    const fs::path pipe = test.folder() / "Pipe.mdb";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_FALSE(open(test, pipe.string()));
    EXPECT_NE(lastMessage(test).find("enhet eller et rør"), std::string::npos);
    EXPECT_FALSE(open(test, "/dev/null"));
    EXPECT_NE(lastMessage(test).find("enhet eller et rør"), std::string::npos);
    EXPECT_EQ(test.program().meet, nullptr);
}

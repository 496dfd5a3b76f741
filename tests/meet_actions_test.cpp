// The promise of the meet layer, counted in the file: one operator action is one commit, an
// action whose commit fails loses nothing and is stored (result and ranking included) once
// storage works again, and nothing of one meet reaches the next.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>

#include "meetdb/sqlite.h"
#include "storage/store.h"
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

// An open Norwegian meet of the sample competitors (1 to 5 in class "Junior"), line 2 in use
// with a delay of 2 polls, and every commit of its database counted.
class MeetActions : public ::testing::Test {
protected:
    void SetUp() override {
        auto& program = test.start();
        program.Main.SetupCheck[1].setChecked(true);
        path = test.makeAndOpenMeet();
        ASSERT_EQ(program.currentDatabase(), path);
        main().SetupChannelCheck[1].setChecked(true);
        main().SetupTimerValue[2].setCaption("2");
        db = test.engine.connection(path);
        sqlite3_commit_hook(db->handle(), countCommit, nullptr);
        at(10, 0, 0, 0);
    }
    ui::Program& program() { return test.program(); }
    ui::MainWindow& main() { return test.program().Main; }
    void at(int h, int m, int s, int ms) { test.clock.time = {h, m, s, ms}; }
    // Commits made by one action.
    int commitsOf(const std::function<void()>& action) {
        commitCount = 0;
        action();
        return commitCount;
    }
    void polls(int count) {
        for (int i = 0; i < count; ++i) main().Hitime1.tick();
    }
    // F3 pressed and the polls until its time is registered.
    void capture() {
        main().Window.pressKey(ui::KeyF2 + 1);
        polls(4);
    }
    void enter(int line) {
        main().Number[line].KeyDown.raise(ui::KeyReturn);
        main().Number[line].KeyUp.raise(ui::KeyReturn);
    }
    long long count(const std::string& sql) { return kvt::testing::StoredNumber(path, sql); }
    std::optional<std::string> value(const std::string& sql) {
        return kvt::testing::StoredText(path, sql);
    }
    long long storedTimes() { return count("SELECT count(*) FROM \"Tider\" WHERE \"Id\" <> '-'"); }
    long long storedResults() { return count("SELECT count(*) FROM \"Resultat-1\""); }

    TestProgram test;
    std::string path;
    std::shared_ptr<meetdb::Connection> db;
};

}  // namespace

TEST_F(MeetActions, EachActionIsOneCommit) {
    EXPECT_EQ(commitsOf([&] { capture(); }), 1);
    EXPECT_EQ(storedTimes(), 1);

    main().Number[1].setText("1");
    EXPECT_EQ(commitsOf([&] { enter(1); }), 1);  // a start by Enter
    at(10, 20, 0, 0);
    EXPECT_EQ(commitsOf([&] { enter(1); }), 1);  // the finish: Time row, counts, result, ranking
    EXPECT_EQ(storedResults(), 1);
    EXPECT_EQ(value("SELECT \"Plass\" FROM \"Resultat-1\""), "1");
    EXPECT_EQ(value("SELECT \"Type\" FROM \"Tider\" WHERE rowid = 3"), "Inn");
    EXPECT_EQ(value("SELECT \"29\" FROM \"Oppsett\""), "3");

    // "<<" gives the captured time as a start, then another as the finish.
    main().Number[0].setText("2");
    EXPECT_EQ(commitsOf([&] { main().Set[0].click(); }), 1);
    capture();
    main().Number[1].setText("2");
    EXPECT_EQ(commitsOf([&] { main().Set[1].click(); }), 1);
    EXPECT_EQ(storedResults(), 2);

    test.dialogs.answers.push_back(ui::Answer::Yes);
    EXPECT_EQ(commitsOf([&] { main().Delete[0].click(); }), 1);
    EXPECT_EQ(value("SELECT \"0\" FROM \"Arbeid\""), "2");  // row 1 moved up into row 0

    EXPECT_EQ(commitsOf([&] { main().SetupCheck[4].setChecked(true); }), 1);
    EXPECT_EQ(value("SELECT \"16\" FROM \"Oppsett\""), "1");
    // Typing a number stores nothing by itself; it goes with the next action.
    EXPECT_EQ(commitsOf([&] { main().Number[3].setText("4"); }), 0);
}

TEST_F(MeetActions, ARegisterEditIsOneCommitAndTheMeetFollowsItOnceStored) {
    // "Confirm this" on an edited competitor: one commit, the meet's copy follows.
    main().NameMover.setText("3");
    main().NameText[0].setText("Kari");
    EXPECT_EQ(commitsOf([&] { main().NameButton.click(); }), 1);
    EXPECT_EQ(value("SELECT \"1\" FROM \"Deltakere\" WHERE rowid = 3"), "Kari");
    EXPECT_EQ(program().meet->competitor(3).name.rfind("Kari, ", 0), 0u);
    // Leaving a record without a change stores nothing.
    EXPECT_EQ(commitsOf([&] { main().NameMover.setText("4"); }), 0);
    // A cell of the class grid: one commit, the finish lists use the name.
    EXPECT_EQ(commitsOf([&] { main().ClassDBGrid.edit(2, 2, "Eldre"); }), 1);
    EXPECT_EQ(value("SELECT \"Navn\" FROM \"Klasser\" WHERE rowid = 2"), "Eldre");
    EXPECT_EQ(program().meet->className(2), "Eldre");
    EXPECT_TRUE(program().meet->hasClass("Eldre"));

    // A finish whose class is none of the meet's waits; the edit that names a class records
    // it, in the same one commit as the edit.
    main().Number[2].setText("6");
    enter(2);
    at(10, 30, 0, 0);
    enter(2);
    ASSERT_EQ(program().meet->competitor(6).state, meet::Finished);
    EXPECT_EQ(storedResults(), 0);
    main().NameMover.setText("6");
    main().NameCombo[1].setText("Junior");
    EXPECT_EQ(commitsOf([&] { main().NameMover.setText("7"); }), 1);
    EXPECT_EQ(storedResults(), 1);
    EXPECT_EQ(value("SELECT \"Nummer\" FROM \"Resultat-1\""), "6");
}

TEST_F(MeetActions, ASettingOrAnEditThatCannotBeStoredIsNotUsedAndIsStoredByTheRetry) {
    db->execute("PRAGMA query_only = ON");
    main().SetupCheck[2].setChecked(true);  // "start at the same time"
    EXPECT_FALSE(program().meet->setup().yes(meet::field::StartAtSameTime));
    main().ClassDBGrid.edit(1, 2, "Yngre");
    EXPECT_EQ(program().meet->className(1), "Junior");
    EXPECT_EQ(program().meet->unstoredEdits(), 2);
    EXPECT_FALSE(program().meet->allStored());
    // A start now is one competitor's, as the stored setting says.
    main().Number[0].setText("1");
    enter(0);
    EXPECT_EQ(program().meet->competitor(2).state, meet::NotStarted);

    db->execute("PRAGMA query_only = OFF");
    main().Hitime2.tick();  // the retry each second
    EXPECT_TRUE(program().meet->allStored()) << program().meet->lastFailure();
    EXPECT_EQ(program().MDIMain.Status.panelText(1), "");
    EXPECT_EQ(value("SELECT \"14\" FROM \"Oppsett\""), "1");
    EXPECT_EQ(value("SELECT \"Navn\" FROM \"Klasser\" WHERE rowid = 1"), "Yngre");
    EXPECT_TRUE(program().meet->setup().yes(meet::field::StartAtSameTime));
    EXPECT_EQ(program().meet->className(1), "Yngre");
}

TEST_F(MeetActions, AFinishThatCannotBeStoredIsStoredWithItsRankingOnceItCan) {
    main().Number[0].setText("3");
    enter(0);
    db->execute("PRAGMA query_only = ON");  // the file can no longer be written
    at(10, 31, 7, 450);
    enter(0);
    // The operator sees the finish and is told it is not stored; nothing crashed.
    EXPECT_EQ(program().meet->competitor(3).state, meet::Finished);
    EXPECT_TRUE(main().Inled[0].lit());
    ASSERT_FALSE(test.dialogs.notices.empty());
    EXPECT_NE(test.dialogs.notices.back().find("10.31.07.45"), std::string::npos);
    EXPECT_NE(program().MDIMain.Status.panelText(1), "");
    EXPECT_EQ(storedResults(), 0);
    EXPECT_EQ(value("SELECT \"Type\" FROM \"Tider\" WHERE rowid = 2"), "-");

    db->execute("PRAGMA query_only = OFF");
    main().Hitime2.tick();  // the retry each second
    EXPECT_EQ(program().MDIMain.Status.panelText(1), "");
    EXPECT_EQ(test.dialogs.notices.back(), "Alt er lagret igjen.");
    EXPECT_EQ(storedResults(), 1);
    EXPECT_EQ(value("SELECT \"Plass\" FROM \"Resultat-1\""), "1");
    EXPECT_EQ(value("SELECT \"Resultat\" FROM \"Resultat-1\""), "00.31.07");
    EXPECT_EQ(value("SELECT \"Type\" FROM \"Tider\" WHERE rowid = 2"), "Inn");
    EXPECT_EQ(value("SELECT \"Tid\" FROM \"Tider\" WHERE rowid = 2"), "10.31.07.45");
}

TEST_F(MeetActions, AStartADeletionAndACaptureOnAFullDiskWaitForRoom) {
    capture();
    auto pages = db->prepare("PRAGMA page_count");
    pages.step();
    db->execute("PRAGMA max_page_count = " + std::to_string(pages.integer(0)));
    // More rows than the table has, so that it must grow on a full disk.
    for (int i = 0; i < 320; ++i) capture();
    main().Number[9].setText("5");
    enter(9);
    test.dialogs.answers.push_back(ui::Answer::Yes);
    main().Delete[0].click();
    EXPECT_EQ(program().meet->registeredCount(), 322);
    EXPECT_EQ(program().meet->competitor(5).state, meet::Started);
    EXPECT_LT(storedTimes(), 322);
    db->execute("PRAGMA max_page_count = 1073741823");
    main().Hitime2.tick();
    EXPECT_EQ(storedTimes(), 322);
    EXPECT_EQ(value("SELECT \"Type\" FROM \"Tider\" WHERE rowid = 322"), "Ut");
    EXPECT_EQ(value("SELECT \"29\" FROM \"Oppsett\""), "322");
    EXPECT_EQ(value("SELECT \"31\" FROM \"Oppsett\""), "322");
    // The row deleted while the disk was full stays deleted.
    EXPECT_EQ(value("SELECT \"20\" FROM \"Arbeid\""), main().RegTime[0].text());
}

TEST_F(MeetActions, ALockedFileKeepsTheTimeUntilTheLockIsGone) {
    meetdb::Connection other(path, meetdb::Connection::Mode::ReadWrite);
    other.execute("BEGIN EXCLUSIVE");  // another program holds the file
    capture();
    EXPECT_EQ(program().meet->registeredCount(), 1);
    ASSERT_FALSE(test.dialogs.notices.empty());
    other.execute("COMMIT");
    EXPECT_EQ(storedTimes(), 0);
    main().Hitime2.tick();
    EXPECT_EQ(storedTimes(), 1);
}

TEST_F(MeetActions, ACaptureWaitingForItsDelayAtCloseBelongsToTheMeetItWasCapturedIn) {
    main().Window.pressKey(ui::KeyF2 + 1);  // captured, its delay not passed
    ASSERT_TRUE(main().ChannelLed[1].lit());
    program().MDIMain.Close.click();
    EXPECT_EQ(storedTimes(), 1);  // registered into this meet before it closed

    test.program().Main.SetupCheck[1].setChecked(false);
    const std::string other = test.makeAndOpenMeet("Other.mdb");
    ASSERT_EQ(program().currentDatabase(), other);
    polls(10);
    EXPECT_EQ(program().meet->registeredCount(), 0);
    EXPECT_FALSE(main().ChannelLed[1].lit());
    EXPECT_EQ(kvt::testing::ReadField(other, "Oppsett", "29"), "0");
}

TEST_F(MeetActions, TimesThatCannotBeStoredAtCloseAreWrittenBesideTheMeetNotIntoTheNext) {
    capture();
    db->execute("PRAGMA query_only = ON");
    at(10, 5, 0, 0);
    capture();
    capture();
    // Close: the question names how many wait and the file; Yes tries again, No writes it.
    test.dialogs.answers = {ui::Answer::Yes, ui::Answer::No};
    program().MDIMain.Close.click();
    std::vector<std::string> questions;
    for (const auto& shown : test.dialogs.messages)
        if (shown.buttons == ui::MessageButtons::YesNo) questions.push_back(shown.text);
    ASSERT_EQ(questions.size(), 2u);
    EXPECT_EQ(questions[0].rfind("2 tider", 0), 0u) << questions[0];
    EXPECT_EQ(program().meet, nullptr);
    fs::path written;
    for (const auto& entry : fs::directory_iterator(test.folder()))
        if (entry.path().filename().string().find("Meet-not-stored-") == 0) written = entry.path();
    ASSERT_FALSE(written.empty());
    EXPECT_NE(questions[0].find(written.string()), std::string::npos);
    std::ifstream file(written);
    std::string text((std::istreambuf_iterator<char>(file)), {});
    EXPECT_NE(text.find("10.05.00.00"), std::string::npos) << text;
    EXPECT_NE(text.find("2-0003"), std::string::npos) << text;
    EXPECT_EQ(test.dialogs.messages.back().text.find("Tidene som ikke ble lagret"), 0u);

    // The next meet gets nothing of them.
    db.reset();
    const std::string other = test.makeAndOpenMeet("Other.mdb");
    polls(5);
    main().Hitime2.tick();
    EXPECT_EQ(program().meet->registeredCount(), 0);
    EXPECT_EQ(kvt::testing::ReadField(other, "Tider", "Tid"), "-");
    EXPECT_EQ(kvt::testing::ReadField(other, "Oppsett", "29"), "0");
}

TEST_F(MeetActions, ARecordTypedButNotLeftIsStoredAtCloseOrWrittenBesideTheMeet) {
    main().NameMover.setText("3");
    main().NameText[0].setText("Kari");  // typed, the record not left
    main().SetupCheck[5].setChecked(true);
    db->execute("PRAGMA query_only = ON");
    main().SetupCheck[5].setChecked(false);  // "differences" off again: waits
    test.dialogs.answers = {ui::Answer::No};
    program().MDIMain.Close.click();
    EXPECT_EQ(program().meet, nullptr);
    fs::path written;
    for (const auto& entry : fs::directory_iterator(test.folder()))
        if (entry.path().filename().string().find("Meet-not-stored-") == 0) written = entry.path();
    ASSERT_FALSE(written.empty());
    std::ifstream file(written);
    std::string text((std::istreambuf_iterator<char>(file)), {});
    EXPECT_NE(text.find("Deltakere 3: \"1\" = Kari;"), std::string::npos) << text;
    EXPECT_NE(text.find("\"17\" = 0;"), std::string::npos) << text;
    EXPECT_NE(value("SELECT \"1\" FROM \"Deltakere\" WHERE rowid = 3"), "Kari");
}

TEST_F(MeetActions, CloseTriesAgainUntilTheTimesAreStored) {
    db->execute("PRAGMA query_only = ON");
    capture();
    // The operator frees the disk while the question is shown, then answers Yes.
    test.dialogs.onMessage = [&](const auto& shown) {
        if (shown.buttons == ui::MessageButtons::YesNo) db->execute("PRAGMA query_only = OFF");
    };
    test.dialogs.answers = {ui::Answer::Yes};
    program().MDIMain.Close.click();
    EXPECT_EQ(program().meet, nullptr);
    EXPECT_EQ(storedTimes(), 1);
    for (const auto& entry : fs::directory_iterator(test.folder()))
        EXPECT_EQ(entry.path().filename().string().find("Meet-not-stored-"), std::string::npos);
}

TEST_F(MeetActions, AMeetThatCanNeitherBeStoredNorWrittenBesideStaysOpen) {
    db->execute("PRAGMA query_only = ON");
    capture();
    // Where the file would go, a folder stands: it cannot be written, not even by root.
    fs::create_directories(program().meet->recoveryFilePath());
    test.dialogs.answers = {ui::Answer::No};
    program().MDIMain.Close.click();
    ASSERT_NE(program().meet, nullptr);
    EXPECT_EQ(program().meet->registeredCount(), 1);
    EXPECT_NE(test.dialogs.messages.back().text.find("Verken stevnedatabasen"), std::string::npos);
}

TEST_F(MeetActions, NoTransactionJoinsAnotherAndNoDialogRunsInsideOne) {
    auto& engine = test.engine;
    EXPECT_THROW(engine.transaction(path, [&] { engine.transaction(path, [] {}); }),
                 storage::NestedTransaction);
    bool refused = false;
    engine.transaction(path, [&] {
        try {
            program().info("inside");
        } catch (const std::logic_error&) {
            refused = true;
        }
    });
    EXPECT_TRUE(refused);
    EXPECT_TRUE(test.dialogs.messages.empty());
    EXPECT_THROW(engine.transaction(path, [&] { program().pumpEvents(); }), std::logic_error);
}

TEST_F(MeetActions, AFailureInsideAHandlerEndsInItsMessage) {
    // The meet file disappears under the results page: choosing a class tells, nothing throws.
    db.reset();
    test.engine.release(path);
    fs::remove(path);
    main().ResultsCombo.pick(1);
    ASSERT_FALSE(test.dialogs.messages.empty());
}

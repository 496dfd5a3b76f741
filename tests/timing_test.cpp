#include <gtest/gtest.h>

#include <fstream>

#include "capture/time_list.h"
#include "meetdb/sqlite.h"
#include "results/lists.h"
#include "results/results_page.h"
#include "support/fakes.h"

using namespace kvt;
using kvt::testing::TestProgram;
namespace fs = std::filesystem;

namespace {

// An open Norwegian meet with the sample names (competitors 1 to 5 in "Junior"), line 1 on.
class Timing : public ::testing::Test {
protected:
    void SetUp() override {
        auto& p = test.start();
        p.Main.SetupCheck[1].setChecked(true);
        path = test.makeAndOpenMeet();
        ASSERT_EQ(p.currentDatabase(), path);
        main().SetupChannelCheck[0].setChecked(true);
        main().SetupTimerValue[2].setCaption("1");
        at(10, 0, 0, 0);
    }

    ui::Program& program() { return test.program(); }
    ui::MainWindow& main() { return test.program().Main; }
    void at(int h, int m, int s, int ms) { test.clock.time = {h, m, s, ms}; }
    void enter(int line) {
        main().Number[line].KeyDown.raise(ui::KeyReturn);
        main().Number[line].KeyUp.raise(ui::KeyReturn);
    }
    // A time captured on line 1 and taken into the list.
    void capture() {
        main().Window.pressKey(ui::KeyF2);
        main().Hitime1.tick();
        main().Hitime1.tick();
    }
    std::vector<std::vector<std::string>> results(int classNumber) {
        meetdb::Connection db(path, meetdb::Connection::Mode::ReadOnly);
        auto q = db.prepare("SELECT * FROM \"Resultat-" + std::to_string(classNumber) +
                            "\" ORDER BY \"Plass\", rowid");
        std::vector<std::vector<std::string>> rows;
        while (q.step()) {
            std::vector<std::string> row;
            for (int i = 0; i < 6; ++i) row.push_back(q.text(i).value_or("<null>"));
            rows.push_back(row);
        }
        return rows;
    }
    std::optional<std::string> timeField(const std::string& field, int row) {
        meetdb::Connection db(path, meetdb::Connection::Mode::ReadOnly);
        auto q = db.prepare("SELECT " + meetdb::QuoteIdentifier(field) +
                            " FROM \"Tider\" ORDER BY rowid LIMIT 1 OFFSET ?1");
        q.bind(1, static_cast<long long>(row - 1));
        if (!q.step()) return std::nullopt;
        return q.text(0);
    }
    // Competitor n starts at start and finishes at finish, by Enter on line 5.
    void race(int n, base::LocalTime start, base::LocalTime finish) {
        main().Number[5].setText(std::to_string(n));
        test.clock.time = start;
        enter(5);
        test.clock.time = finish;
        enter(5);
    }

    TestProgram test;
    std::string path;
};

}  // namespace

TEST_F(Timing, EnterStartsFinishesAndThenRemovesTheLine) {
    main().Number[0].setText("3");
    EXPECT_EQ(main().TimeNames[0].caption(), "Sindre, Vika");
    enter(0);
    EXPECT_EQ(program().meet->competitor(3).state, meet::Started);
    EXPECT_EQ(program().meet->competitor(3).start, "10.00.00.00");
    EXPECT_TRUE(main().Outled[0].lit());
    EXPECT_EQ(timeField("Id", 1), "1-0001");
    EXPECT_EQ(timeField("Type", 1), "Ut");
    EXPECT_EQ(timeField("Nr", 1), "3");
    EXPECT_EQ(timeField("Deltaker", 1), "Sindre, Vika");

    at(10, 25, 30, 456);
    enter(0);
    EXPECT_EQ(program().meet->competitor(3).state, meet::Finished);
    EXPECT_TRUE(main().Inled[0].lit());
    EXPECT_EQ(timeField("Type", 2), "Inn");
    EXPECT_EQ(timeField("Info", 2), "Overført");
    // Times given by Enter never enter the list.
    EXPECT_EQ(program().meet->fetchedCount(), 2);
    EXPECT_TRUE(program().meet->registered(2).given);
    auto rows = results(1);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0],
              (std::vector<std::string>{"1", "3", "Sindre, Vika", "Tornado", "00.25.30", "-"}));
    EXPECT_EQ(main().ResultsCombo.text(), "Junior");

    enter(0);  // finished already: nothing registered, the line goes
    EXPECT_EQ(program().meet->registeredCount(), 2);
    EXPECT_EQ(main().Number[0].text(), "-");
}

TEST_F(Timing, AHeldEnterRegistersOnce) {
    main().Number[0].setText("2");
    main().Number[0].KeyDown.raise(ui::KeyReturn);
    main().Number[0].KeyDown.raise(ui::KeyReturn);
    main().Number[0].KeyDown.raise(ui::KeyReturn);
    EXPECT_EQ(program().meet->registeredCount(), 1);
    main().Number[0].KeyUp.raise(ui::KeyReturn);
    main().Number[0].KeyDown.raise(ui::KeyReturn);
    EXPECT_EQ(program().meet->registeredCount(), 2);
}

TEST_F(Timing, NumbersOutsideTheMeetAreIgnored) {
    main().Number[0].setText("4");
    for (const char* typed : {"0", "11", "abc", "-"}) {
        main().Number[0].setText(typed);
        enter(0);
    }
    EXPECT_EQ(program().meet->registeredCount(), 0);
}

// Typing 11 after 1 in a meet of 10: the line never goes on showing competitor 1.
TEST_F(Timing, ANumberThatIsNoCompetitorClearsTheLineAndEnterSaysWhyItGivesNothing) {
    main().Number[0].setText("1");
    enter(0);
    ASSERT_TRUE(main().Outled[0].lit());
    for (const char* typed : {"11", "0", "abc", "3.5", "111"}) {
        main().Number[0].setText(typed);
        EXPECT_EQ(main().TimeNames[0].caption(), "(ingen slik deltaker)") << typed;
        EXPECT_FALSE(main().Outled[0].lit()) << typed;
        EXPECT_FALSE(main().Inled[0].lit()) << typed;
        test.dialogs.notices.clear();
        enter(0);
        ASSERT_EQ(test.dialogs.notices.size(), 1u) << typed;
        EXPECT_EQ(test.dialogs.notices[0],
                  std::string("Ingen deltaker har startnummer ") + typed + ": ingen tid ble gitt.");
    }
    main().Hitime3.tick();  // the clock leaves the lamps of no one dark
    EXPECT_FALSE(main().Outled[0].lit());
    EXPECT_EQ(program().meet->registeredCount(), 1);
    EXPECT_EQ(program().meet->competitor(1).state, meet::Started);
    // An empty line names no one and says nothing.
    main().Number[0].setText("-");
    EXPECT_EQ(main().TimeNames[0].caption(), "-");
    test.dialogs.notices.clear();
    enter(0);
    EXPECT_TRUE(test.dialogs.notices.empty());
    EXPECT_TRUE(test.dialogs.messages.empty());  // never a box that waits for a key
}

TEST_F(Timing, AnOfferedTimeIsGivenToNoOneForANumberThatIsNoCompetitorAndStays) {
    capture();
    main().Number[0].setText("777");
    main().Set[0].click();
    EXPECT_EQ(main().RegTime[0].text(), "10.00.00.00");
    ASSERT_FALSE(test.dialogs.notices.empty());
    EXPECT_EQ(test.dialogs.notices.back(),
              "Ingen deltaker har startnummer 777: ingen tid ble gitt.");
    for (int n = 1; n <= 10; ++n) EXPECT_EQ(program().meet->competitor(n).state, meet::NotStarted);
    EXPECT_EQ(timeField("Nr", 1), "-");
}

// A number typed is stored by the next commit; it is no store that failed, so nothing is told.
TEST_F(Timing, ATypedNumberIsStoredByTheRetryWithoutAWord) {
    main().Number[0].setText("4");
    EXPECT_EQ(program().MDIMain.Status.panelText(1), "");
    main().Hitime2.tick();
    EXPECT_TRUE(program().meet->allStored());
    EXPECT_EQ(kvt::testing::ReadField(path, "Arbeid", "0"), "4");
    EXPECT_TRUE(test.dialogs.notices.empty());
    EXPECT_TRUE(test.dialogs.messages.empty());
    EXPECT_EQ(program().MDIMain.Status.panelText(1), "");
}

TEST_F(Timing, StoredAgainIsToldOnlyAfterAFailureThatWasTold) {
    {
        meetdb::Connection db(path, meetdb::Connection::Mode::ReadWrite);
        db.execute(
            "CREATE TRIGGER \"refuse\" BEFORE UPDATE ON \"Tider\" BEGIN "
            "SELECT RAISE(ABORT, 'disk full'); END");
    }
    main().Number[0].setText("2");
    enter(0);
    ASSERT_EQ(test.dialogs.notices.size(), 1u);
    EXPECT_NE(test.dialogs.notices[0].find("disk full"), std::string::npos);
    EXPECT_NE(program().MDIMain.Status.panelText(1), "");
    main().Hitime2.tick();  // still failing: nothing new is said
    EXPECT_EQ(test.dialogs.notices.size(), 1u);
    {
        meetdb::Connection db(path, meetdb::Connection::Mode::ReadWrite);
        db.execute("DROP TRIGGER \"refuse\"");
    }
    main().Hitime2.tick();
    ASSERT_EQ(test.dialogs.notices.size(), 2u);
    EXPECT_EQ(test.dialogs.notices[1], "Alt er lagret igjen.");
    EXPECT_EQ(timeField("Nr", 1), "2");
    EXPECT_EQ(program().MDIMain.Status.panelText(1), "");
    main().Number[1].setText("3");
    main().Hitime2.tick();
    EXPECT_EQ(test.dialogs.notices.size(), 2u);
}

// A time that enters a row after its number got a time there was not typed for that number.
TEST_F(Timing, ATimeEnteringARowWhoseNumberGotItsTimeThereClearsTheNumber) {
    main().Number[0].setText("5");
    enter(0);  // started by Enter: the row holds no time
    at(10, 4, 0, 0);
    capture();  // the next capture takes that row
    EXPECT_EQ(main().RegTime[0].text(), "10.04.00.00");
    EXPECT_EQ(main().Number[0].text(), "-");
    EXPECT_EQ(main().TimeNames[0].caption(), "-");
    EXPECT_FALSE(main().Outled[0].lit());
    main().Set[0].click();  // a quick "<<" gives the time to no one
    EXPECT_EQ(program().meet->competitor(5).state, meet::Started);
    EXPECT_EQ(main().RegTime[0].text(), "10.04.00.00");
    // A number typed before its time came stays beside it.
    main().Number[1].setText("6");
    capture();
    EXPECT_EQ(main().Number[1].text(), "6");
    main().Set[1].click();
    EXPECT_EQ(program().meet->competitor(6).start, "10.04.00.00");
}

TEST_F(Timing, TheOfferedTimeIsGivenAsStartAndFinish) {
    capture();
    EXPECT_EQ(main().RegTime[0].text(), "10.00.00.00");
    main().Number[0].setText("5");
    main().Set[0].click();
    EXPECT_EQ(program().meet->competitor(5).start, "10.00.00.00");
    EXPECT_EQ(main().RegTime[0].text(), "-");
    EXPECT_TRUE(main().ReadyLed[0].lit());  // the line stays taken
    EXPECT_EQ(timeField("Id", 1), "1-0001");
    EXPECT_EQ(timeField("Nr", 1), "5");
    EXPECT_EQ(timeField("Type", 1), "Ut");

    main().SetupCheck[4].setChecked(true);  // remove from the list when the time is set
    at(10, 31, 2, 990);
    capture();
    EXPECT_EQ(main().RegTime[1].text(), "10.31.02.99");
    main().Number[1].setText("5");
    main().Set[1].click();
    EXPECT_EQ(program().meet->competitor(5).finish, "10.31.02.99");
    EXPECT_EQ(timeField("Info", 2), "Overført");
    EXPECT_EQ(results(1).at(0).at(4), "00.31.02");
    EXPECT_EQ(main().Number[1].text(), "-");
    EXPECT_FALSE(main().ReadyLed[1].lit());
}

TEST_F(Timing, ATypoOnTheLineDoesNotUseUpTheCapturedTime) {
    capture();
    main().Number[0].setText("77");
    main().SetupCheck[4].setChecked(true);
    main().Set[0].click();
    EXPECT_EQ(main().RegTime[0].text(), "10.00.00.00");
    main().Number[0].setText("");
    main().Set[0].click();
    EXPECT_EQ(main().RegTime[0].text(), "10.00.00.00");
    main().Number[0].setText("1");
    main().Set[0].click();
    EXPECT_EQ(program().meet->competitor(1).state, meet::Started);
}

TEST_F(Timing, EveryClassOfTheSameNameGetsTheFinish) {
    // Class 3 renamed on the class page.
    main().ClassMover.setText("3");
    main().ClassText[1].setText("Junior");
    main().ClassMover.setText("1");
    ASSERT_EQ(program().meet->className(3), "Junior");
    race(1, {9, 0, 0, 0}, {9, 10, 0, 0});
    EXPECT_EQ(results(1).size(), 1u);
    EXPECT_EQ(results(3).size(), 1u);
    EXPECT_EQ(results(2).size(), 0u);
}

TEST_F(Timing, StartAtTheSameTimeStartsEveryoneNotFinishedAtTheTimeGiven) {
    race(2, {9, 0, 0, 0}, {9, 30, 0, 0});
    main().SetupCheck[2].setChecked(true);
    main().Number[0].setText("5");
    at(11, 0, 0, 0);
    enter(0);
    EXPECT_EQ(timeField("Type", 3), "Ut alle");
    for (int n : {1, 3, 5, 10}) {
        EXPECT_EQ(program().meet->competitor(n).start, "11.00.00.00") << n;
        EXPECT_EQ(program().meet->competitor(n).state, meet::Started) << n;
    }
    EXPECT_EQ(program().meet->competitor(2).state, meet::Finished);
    EXPECT_EQ(program().meet->competitor(2).start, "09.00.00.00");
    // Reopening gives the same starts.
    program().MDIMain.Close.click();
    test.dialogs.fileAnswers.push_back(path);
    program().MDIMain.Open.click();
    EXPECT_EQ(program().meet->competitor(1).start, "11.00.00.00");
    EXPECT_EQ(program().meet->competitor(2).state, meet::Finished);
}

TEST_F(Timing, EqualResultsGetConsecutivePlacesAndDifferencesFollowTheFormat) {
    main().SetupTimeOption[3].select();
    main().SetupCheck[5].setChecked(true);
    race(1, {10, 0, 0, 0}, {10, 10, 5, 200});
    race(2, {10, 0, 0, 0}, {10, 9, 59, 800});
    race(3, {10, 0, 0, 0}, {10, 10, 5, 200});
    auto rows = results(1);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"1", "2", "Lars, Vika", "Tornado", "00.09.59,80",
                                                 "00.00.00,00"}));
    EXPECT_EQ(rows[1][1], "1");
    EXPECT_EQ(rows[2][1], "3");
    EXPECT_EQ(rows[1][5], "00.00.05,40");
    EXPECT_TRUE(main().ResultsText[5].visible());
    main().SetupCheck[5].setChecked(false);
    results::ShowClassResults(program(), 1);
    EXPECT_FALSE(main().ResultsText[5].visible());
    EXPECT_FALSE(main().ResultsLabel[8].visible());
    EXPECT_FALSE(main().ResultsDBGrid.column(5).visible);
    EXPECT_EQ(results(1)[1][5], "00.00.05,40");  // the stored differences stay
}

TEST_F(Timing, ARaceAcrossMidnightHasItsTrueTime) {
    race(4, {23, 50, 0, 0}, {0, 5, 30, 0});
    EXPECT_EQ(results(1).at(0).at(4), "00.15.30");
}

TEST_F(Timing, TheResultsPageShowsAClassAndJumpsToAPlace) {
    for (int n = 1; n <= 5; ++n) race(n, {10, 0, 0, 0}, {10, 20 - n, 0, 0});
    main().ResultsCombo.pick(1);
    EXPECT_EQ(main().ResultsData.recordCount(), 0);
    main().ResultsCombo.pick(0);
    EXPECT_EQ(main().ResultsData.recordCount(), 5);
    main().ResultsMover.setText("3");
    EXPECT_EQ(main().ResultsText[0].text(), "3");
    EXPECT_EQ(main().ResultsText[1].text(), "3");
    for (const char* ignored : {"0", "6", "x"}) {
        main().ResultsMover.setText(ignored);
        EXPECT_EQ(main().ResultsText[0].text(), "3") << ignored;
    }
}

TEST_F(Timing, ViewersOpenTheListsOrSayTheyAreNotMade) {
    program().MDIMain.ViewResultslist.click();
    EXPECT_EQ(test.dialogs.messages.back().text, "Det er ikke laget en slik resultatliste");
    EXPECT_TRUE(test.launcher.started.empty());
    program().MDIMain.MakeResultslist.click();
    program().MDIMain.MakeResultslistHtml.click();
    program().MDIMain.ViewResultslist.click();
    program().MDIMain.ViewResultslistHtml.click();
    ASSERT_EQ(test.launcher.started.size(), 2u);
    EXPECT_EQ(test.launcher.started[0].first, "Notepad.exe");
    EXPECT_EQ(test.launcher.started[0].second, (test.folder() / "Meet" / "Resultat.txt").string());
    EXPECT_EQ(test.launcher.started[1].first, "C:\\Program Files\\Internet Explorer\\Iexplore.exe");
    EXPECT_EQ(test.launcher.started[1].second, (test.folder() / "Meet" / "Resultat.htm").string());
}

TEST_F(Timing, AListThatCannotBeWrittenSaysSoAndKeepsTheOldOne) {
    program().MDIMain.MakeResultslist.click();
    const auto list = test.folder() / "Meet" / "Resultat.txt";
    ASSERT_TRUE(fs::exists(list));
    fs::remove_all(test.folder() / "Meet");
    program().MDIMain.MakeResultslist.click();
    EXPECT_NE(test.dialogs.messages.back().text.find("Resultat.txt"), std::string::npos);
    program().MDIMain.MakeResultslistHtml.click();
    EXPECT_EQ(test.dialogs.messages.back().text.rfind("033 Error", 0), 0u);
    EXPECT_FALSE(test.application.busy);
}

// ---- faults an outside audit found in giving times ----

TEST_F(Timing, EqualSecondsAreRankedByTheFullRaceTimeAndNoDifferenceIsNegative) {
    main().SetupCheck[5].setChecked(true);   // differences on; default format: no hundredths
    race(1, {9, 0, 0, 0}, {9, 30, 0, 500});  // 00.30.00.50
    race(2, {9, 0, 0, 0}, {9, 30, 0, 200});  // 00.30.00.20, given later, faster
    auto rows = results(1);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"1", "2", "Lars, Vika", "Tornado", "00.30.00",
                                                 "00.00.00"}));
    EXPECT_EQ(rows[1], (std::vector<std::string>{"2", "1", "Eirik, Dahl", "Tornado", "00.30.00",
                                                 "00.00.00"}));
    // With hundredths shown the difference is the 0.30 between them, never below zero.
    main().SetupText[3].setText("3");
    race(3, {9, 0, 0, 0}, {9, 29, 59, 990});
    rows = results(1);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0][1], "3");
    EXPECT_EQ(rows[1][5], "00.00.00,21");
    EXPECT_EQ(rows[2][5], "00.00.00,51");
    for (const auto& row : rows) EXPECT_EQ(row[5].find('-'), std::string::npos) << row[5];
}

TEST_F(Timing, AStartOfAllAfterReopeningGivesTheStartsTheLiveProgramGave) {
    main().SetupCheck[5].setChecked(true);
    race(1, {9, 0, 0, 0}, {9, 20, 0, 0});  // started alone and in before the start of all
    main().SetupCheck[2].setChecked(true);
    main().Number[6].setText("2");
    at(9, 30, 0, 0);
    enter(6);  // "Out all": everyone who is not in starts at 09.30
    EXPECT_EQ(program().meet->competitor(1).start, "09.00.00.00");
    EXPECT_EQ(program().meet->competitor(3).start, "09.30.00.00");
    main().Number[7].setText("3");  // out since the start of all: Enter is his finish
    at(9, 52, 30, 0);
    enter(7);
    const auto before = results(1);
    program().MDIMain.Close.click();
    test.dialogs.fileAnswers.push_back(path);
    program().MDIMain.Open.click();
    EXPECT_EQ(program().meet->competitor(1).start, "09.00.00.00");
    EXPECT_EQ(program().meet->competitor(3).start, "09.30.00.00");
    EXPECT_EQ(program().meet->competitor(4).start, "09.30.00.00");
    main().ResultsCombo.pick(0);  // ranked anew after reopening: nothing changes
    EXPECT_EQ(results(1), before);
    ASSERT_EQ(before.size(), 2u);
    EXPECT_EQ(before[0][4], "00.20.00");
    EXPECT_EQ(before[1][4], "00.22.30");
    EXPECT_EQ(before[1][5], "00.02.30");
}

TEST_F(Timing, EnterNeverTakesTheTimeOfALineOneCaptureWaitingForItsDelay) {
    main().SetupTimerValue[2].setCaption("20");
    at(10, 0, 0, 0);
    main().Window.pressKey(ui::KeyF2);  // captured at 10.00.00.00, its delay running
    main().Number[3].setText("4");
    at(10, 0, 7, 770);
    enter(3);
    for (int i = 0; i < 25; ++i) main().Hitime1.tick();
    ASSERT_EQ(program().meet->registeredCount(), 2);
    EXPECT_EQ(program().meet->registered(1).time, "10.00.07.77");  // the Enter
    EXPECT_EQ(program().meet->registered(2).time, "10.00.00.00");  // the capture
    EXPECT_EQ(program().meet->registered(2).identification, "1-0002");
    EXPECT_EQ(timeField("Tid", 2), "10.00.00.00");
}

TEST_F(Timing, AFinishByEnterLeavesTimesWaitingForARowWaiting) {
    for (int i = 0; i < 12; ++i) {
        at(10, 0, i, 0);
        capture();
    }
    ASSERT_EQ(program().meet->fetchedCount(), 10);
    main().Number[0].setText("1");
    main().Set[0].click();  // a start from the list
    at(10, 30, 0, 0);
    enter(0);  // the finish by Enter
    EXPECT_EQ(program().meet->fetchedCount(), 10);
    // Both times still waiting reach the list as rows free up.
    test.dialogs.answers = {ui::Answer::Yes, ui::Answer::Yes};
    main().Delete[1].click();
    main().Delete[1].click();
    EXPECT_EQ(main().RegTime[8].text(), "10.00.10.00");
    EXPECT_EQ(main().RegTime[9].text(), "10.00.11.00");
    EXPECT_EQ(program().meet->fetchedCount(), 13);  // the Enter's own time passed over
}

TEST_F(Timing, AHeldEnterOnAFinishedCompetitorRemovesHisLineOnly) {
    race(1, {9, 0, 0, 0}, {9, 20, 0, 0});
    main().Number[5].setText("1");
    main().Number[6].setText("2");
    const int registered = program().meet->registeredCount();
    // Held down: the first key-down removes line 5, the repeats must not time competitor 2.
    for (int i = 0; i < 5; ++i) main().Number[5].KeyDown.raise(ui::KeyReturn);
    main().Number[5].KeyUp.raise(ui::KeyReturn);
    EXPECT_EQ(program().meet->registeredCount(), registered);
    EXPECT_EQ(program().meet->competitor(2).state, meet::NotStarted);
    EXPECT_EQ(main().Number[5].text(), "2");
}

TEST_F(Timing, AFinishWhoseClassMatchesNoneIsToldKeptAndRecordedOnceTheClassIsRight) {
    // Competitor 3 in a class the meet does not have.
    main().NameMover.setText("3");
    main().NameCombo[1].setText("Veteran");
    main().NameMover.setText("1");
    race(3, {9, 0, 0, 0}, {9, 40, 0, 0});
    EXPECT_EQ(program().meet->competitor(3).state, meet::Finished);
    ASSERT_FALSE(test.dialogs.notices.empty());
    const auto& told = test.dialogs.notices.back();
    EXPECT_NE(told.find("Sindre, Vika"), std::string::npos) << told;
    EXPECT_NE(told.find("(3)"), std::string::npos) << told;
    EXPECT_NE(told.find("Veteran"), std::string::npos) << told;
    for (int c = 1; c <= 10; ++c) EXPECT_TRUE(results(c).empty()) << c;
    // Class 3 is named "Veteran" on the class page: the result is recorded there.
    main().ClassMover.setText("3");
    main().ClassText[1].setText("Veteran");
    main().ClassMover.setText("1");
    ASSERT_EQ(results(3).size(), 1u);
    EXPECT_EQ(results(3)[0][1], "3");
    EXPECT_EQ(results(3)[0][4], "00.40.00");
}

TEST_F(Timing, AFinisherOfTheUnnamedClassGetsNoResultInEveryUnnamedClass) {
    main().NameMover.setText("2");
    main().NameCombo[1].setText("-");
    main().NameMover.setText("1");
    race(2, {9, 0, 0, 0}, {9, 10, 0, 0});
    for (int c = 1; c <= 10; ++c) EXPECT_TRUE(results(c).empty()) << c;
    EXPECT_FALSE(test.dialogs.notices.empty());
}

TEST_F(Timing, AStartNumberWithAFractionIsNoStartNumber) {
    main().Number[0].setText("2");
    main().Number[0].setText("3.5");
    EXPECT_EQ(main().TimeNames[0].caption(), "(ingen slik deltaker)");
    enter(0);
    EXPECT_EQ(program().meet->registeredCount(), 0);
    capture();
    main().Number[0].setText("2.7");
    main().Set[0].click();
    EXPECT_EQ(program().meet->competitor(2).state, meet::NotStarted);
    EXPECT_EQ(program().meet->competitor(3).state, meet::NotStarted);
    EXPECT_EQ(main().RegTime[0].text(), "10.00.00.00");  // the time stays offered
}

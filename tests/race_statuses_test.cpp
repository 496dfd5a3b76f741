// Statuses set during the race from the capture page, the results page and the course view;
// who is on the course; the times that wait beyond the ten rows of the list.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fstream>

#include "lang/race_texts.h"
#include "meetdb/sqlite.h"
#include "storage/trail.h"
#include "support/fakes.h"

using namespace kvt;
using kvt::testing::TestProgram;
namespace fs = std::filesystem;

namespace {

int commitCount = 0;
int countCommit(void*) {
    ++commitCount;
    return 0;
}

std::string fileText(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

// Three finishers in class 1 (2 fastest, then 1, then 3) and competitor 4 on the course; the
// option that ranks statuses apart is off, as a meet starts.
class RaceStatuses : public ::testing::Test {
protected:
    void SetUp() override {
        auto& p = test.start();
        p.Main.SetupCheck[1].setChecked(true);
        path = test.makeAndOpenMeet();
        ASSERT_EQ(p.currentDatabase(), path);
        p.Main.SetupTimeOption[3].select();
        p.Main.SetupCheck[5].setChecked(true);  // differences
        race(1, {10, 0, 0, 0}, {10, 31, 7, 450});
        race(2, {10, 1, 0, 0}, {10, 29, 59, 990});
        race(3, {10, 2, 0, 0}, {10, 35, 0, 0});
        give(4, {10, 3, 0, 0});
        test.clock.time = {10, 40, 0, 0};
        db = test.engine.connection(path);
        sqlite3_commit_hook(db->handle(), countCommit, nullptr);
    }
    void give(int n, base::LocalTime at) {
        auto& main = test.program().Main;
        main.Number[0].setText(std::to_string(n));
        test.clock.time = at;
        main.Number[0].KeyDown.raise(ui::KeyReturn);
        main.Number[0].KeyUp.raise(ui::KeyReturn);
    }
    void race(int n, base::LocalTime start, base::LocalTime finish) {
        give(n, start);
        give(n, finish);
    }
    ui::Program& program() { return test.program(); }
    ui::RaceControls& race() { return test.program().Race; }
    meet::Meet& meet() { return *test.program().meet; }
    // One click of a status button on the capture page, counting its commits.
    int onCapturePage(int n, ui::CommandButton ui::StatusControls::*button,
                      const std::string& reason = "") {
        auto& controls = race().CaptureStatus;
        controls.Number.edit(std::to_string(n));
        controls.Reason.edit(reason);
        commitCount = 0;
        (controls.*button).click();
        return commitCount;
    }
    std::vector<std::string> query(const std::string& sql) {
        meetdb::Connection reader(path, meetdb::Connection::Mode::ReadOnly);
        auto select = reader.prepare(sql);
        std::vector<std::string> rows;
        while (select.step()) {
            std::string row;
            for (int i = 0; i < select.columnCount(); ++i)
                row += (i ? " " : "") + select.text(i).value_or("none");
            rows.push_back(row);
        }
        return rows;
    }
    // The results table of class 1 as stored: place, number, result, difference.
    std::vector<std::string> stored() {
        return query(
            "SELECT \"Plass\", \"Nummer\", \"Resultat\", \"Differanse\" FROM \"Resultat-1\" "
            "ORDER BY rowid");
    }
    std::string storedStatus(int n) {
        auto rows = query("SELECT \"12\" FROM \"Deltakere\" WHERE rowid = " + std::to_string(n));
        return rows.empty() ? "no record" : rows[0];
    }
    // The class's rows of the text list, between its heading and the last line.
    std::vector<std::string> textList() {
        program().MDIMain.MakeResultslist.click();
        const std::string text = fileText(test.folder() / "Meet" / "Resultat.txt");
        std::vector<std::string> lines;
        for (std::size_t begin = 0; begin < text.size();) {
            auto end = text.find("\r\n", begin);
            lines.push_back(text.substr(begin, end - begin));
            begin = end == std::string::npos ? text.size() : end + 2;
        }
        return std::vector<std::string>(lines.begin() + 8, lines.end() - 2);
    }

    TestProgram test;
    std::string path;
    std::shared_ptr<meetdb::Connection> db;
};

}  // namespace

TEST_F(RaceStatuses, ADisqualificationFromTheCapturePageIsOneCommitWithHisClassRankedAgain) {
    const std::size_t trail = meet().trail().size();
    EXPECT_EQ(onCapturePage(2, &ui::StatusControls::Dsq, "Skated in the classic part"), 1);
    // One trail row, in the same commit, with the reason.
    ASSERT_EQ(meet().trail().size(), trail + 1);
    const auto& row = meet().trail().back();
    EXPECT_EQ(row.action, storage::trail::Status);
    EXPECT_EQ(row.number, 2);
    EXPECT_EQ(row.subject, "DSQ");
    EXPECT_EQ(row.before, "-");
    EXPECT_EQ(row.after, "Disket");
    EXPECT_EQ(row.reason, "Skated in the classic part");
    EXPECT_EQ(query("SELECT count(*) FROM \"Trail\"").at(0), std::to_string(trail + 1));
    EXPECT_EQ(storedStatus(2), "Disket");
    EXPECT_EQ(meet().raceStatus(2), meet::RaceStatus::Disqualified);
    EXPECT_EQ(meet().raceStatusReason(2), "Skated in the classic part");
    // Ranked again in the same commit: no place for him, the differences to the new winner.
    EXPECT_EQ(stored(), (std::vector<std::string>{"1 1 00.31.07,45 00.00.00,00", "none 2 Disket -",
                                                  "2 3 00.33.00,00 00.01.52,55"}));
    EXPECT_EQ(query("SELECT \"Number\", \"Status\", \"Reason\", \"Before\" FROM \"RaceStatuses\""),
              (std::vector<std::string>{"2 DSQ Skated in the classic part -"}));
    EXPECT_NE(race().CaptureStatus.Message.caption().find("Disket"), std::string::npos);
    EXPECT_EQ(race().CaptureStatus.Reason.text(), "");
    // The competitor page shows it as his status.
    program().Main.NameMover.setText("2");
    EXPECT_EQ(program().Main.NameCombo[2].text(), "Disket");
    // Both lists, with the option of the setup page off.
    EXPECT_EQ(textList().back(),
              ":     2:     Lars, Vika:          Tornado:          Disket:       -:            :");
    program().MDIMain.MakeResultslistHtml.click();
    const std::string html = fileText(test.folder() / "Meet" / "Resultat.htm");
    EXPECT_LT(html.find("Sindre, Vika"), html.find("Lars, Vika"));
    EXPECT_NE(html.find("\r\nDisket\r\n"), std::string::npos);
}

TEST_F(RaceStatuses, ClearingPutsBackTheStatusHeHadAndHisPlace) {
    // A status picked on the competitor page before the race.
    program().Main.NameMover.setText("2");
    program().Main.NameCombo[2].setText("Sjuk");
    program().Main.NameMover.setText("1");
    ASSERT_EQ(storedStatus(2), "Sjuk");
    onCapturePage(2, &ui::StatusControls::Dnf);
    EXPECT_EQ(storedStatus(2), "Brutt");
    // A second status replaces the first and keeps what was there before both.
    onCapturePage(2, &ui::StatusControls::Dsq, "Wrong course");
    EXPECT_EQ(storedStatus(2), "Disket");
    const std::size_t trail = meet().trail().size();
    EXPECT_EQ(onCapturePage(2, &ui::StatusControls::Clear), 1);
    EXPECT_EQ(storedStatus(2), "Sjuk");
    ASSERT_EQ(meet().trail().size(), trail + 1);
    EXPECT_EQ(meet().trail().back().subject, "clear");
    EXPECT_EQ(meet().trail().back().before, "Disket");
    EXPECT_EQ(meet().trail().back().after, "Sjuk");
    EXPECT_EQ(meet().raceStatus(2), meet::RaceStatus::None);
    EXPECT_EQ(stored()[1], "1 2 00.28.59,99 00.00.00,00");
    EXPECT_EQ(stored()[0], "2 1 00.31.07,45 00.02.07,46");
    // Clearing again does nothing and writes nothing.
    EXPECT_EQ(onCapturePage(2, &ui::StatusControls::Clear), 0);
    EXPECT_EQ(meet().trail().size(), trail + 1);
    EXPECT_EQ(storedStatus(2), "Sjuk");
}

TEST_F(RaceStatuses, NoStatusForANumberThatIsNoCompetitorNorADisqualificationWithoutAReason) {
    EXPECT_EQ(onCapturePage(2, &ui::StatusControls::Dsq, "  "), 0);
    EXPECT_EQ(race().CaptureStatus.Message.caption(), lang::ReasonNeededText().norwegian);
    race().CaptureStatus.Number.edit("12x");
    commitCount = 0;
    race().CaptureStatus.Dnf.click();
    EXPECT_EQ(commitCount, 0);
    EXPECT_NE(race().CaptureStatus.Message.caption().find("12x"), std::string::npos);
    EXPECT_EQ(storedStatus(2), "-");
    EXPECT_THROW(meet().setRaceStatus(4000, meet::RaceStatus::NotFinished), std::invalid_argument);
    EXPECT_THROW(meet().setRaceStatus(2, meet::RaceStatus::Disqualified, ""),
                 std::invalid_argument);
    EXPECT_TRUE(meet().allStored());
}

TEST_F(RaceStatuses, TheCourseViewListsWhoIsOutAndADnfThereTakesHimOffAndIntoTheLists) {
    give(5, {10, 4, 0, 0});
    test.clock.time = {10, 40, 0, 0};
    program().Main.Hitime3.tick();
    EXPECT_EQ(race().CourseButton.caption(), "I løypa: 2");
    race().CourseButton.click();
    ASSERT_TRUE(race().Course.Window.visible());
    const std::string list = race().Course.List.text();
    // In start order, with the running time at the clock's time.
    const auto four = list.find("     4  ");
    const auto five = list.find("     5  ");
    ASSERT_NE(four, std::string::npos) << list;
    ASSERT_NE(five, std::string::npos) << list;
    EXPECT_LT(four, five);
    EXPECT_NE(list.find("10.03.00.00  00.37.00.00"), std::string::npos) << list;
    // The running time moves on with the clock.
    test.clock.time = {10, 41, 0, 0};
    program().Main.Hitime3.tick();
    EXPECT_NE(race().Course.List.text().find("00.38.00.00"), std::string::npos);

    race().Course.Number.edit("4");
    commitCount = 0;
    race().Course.Dnf.click();
    EXPECT_EQ(commitCount, 1);
    EXPECT_EQ(storedStatus(4), "Brutt");
    EXPECT_EQ(race().Course.List.text().find("     4  "), std::string::npos);
    EXPECT_EQ(race().CourseButton.caption(), "I løypa: 1");
    EXPECT_EQ(race().Course.Count.caption(), "I løypa: 1");
    EXPECT_EQ(race().Course.Number.text(), "");
    // He has no result: he follows the results of his class in the lists, the print and the
    // live pages.
    const auto rows = textList();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[3].substr(0, 13), ":     4:     ");
    EXPECT_NE(rows[3].find("Brutt"), std::string::npos);
    program().MDIMain.PrintResultslist.click();
    ASSERT_EQ(test.printer.printed.size(), 1u);
    const auto& printed = test.printer.printed[0].sections.at(0).rows;
    ASSERT_EQ(printed.size(), 4u);
    EXPECT_EQ(printed[3].at(1), "4");
    EXPECT_EQ(printed[3].at(4), "Brutt");
    program().Main.SetupLiveCheck.setChecked(true);
    ASSERT_TRUE(test.web.running());
    program().Main.LiveTimer.tick();
    const std::string page = test.web.get("/class/1").body;
    EXPECT_NE(page.find("<td class=\"n\">Brutt"), std::string::npos) << page;
    // Cleared: on the course again, and out of the lists.
    race().CaptureStatus.Number.edit("4");
    race().CaptureStatus.Clear.click();
    EXPECT_EQ(race().CourseButton.caption(), "I løypa: 2");
    EXPECT_EQ(textList().size(), 3u);
    program().Main.LiveTimer.tick();
    EXPECT_EQ(test.web.get("/class/1").body.find("Brutt"), std::string::npos);
}

TEST_F(RaceStatuses, OnTheResultsPageTheStatusActsOnTheRowShown) {
    auto& main = program().Main;
    main.ResultsCombo.pick(0);
    ASSERT_EQ(main.ResultsData.recordCount(), 3);
    main.ResultsData.moveTo(3);
    ASSERT_EQ(main.ResultsText[1].text(), "3");
    EXPECT_EQ(race().ResultsStatus.Number.text(), "3");
    race().ResultsStatus.Reason.edit("Missed a gate");
    race().ResultsStatus.Dsq.click();
    EXPECT_EQ(storedStatus(3), "Disket");
    // The page shows his class as stored now: he is listed without a place.
    main.ResultsData.moveTo(3);
    EXPECT_EQ(main.ResultsText[1].text(), "3");
    EXPECT_EQ(main.ResultsText[0].text(), "");
    EXPECT_EQ(main.ResultsText[4].text(), "Disket");
}

TEST_F(RaceStatuses, AStatusOutlivesTheMeetClosedAndOpenedAndClearsAfterwards) {
    onCapturePage(4, &ui::StatusControls::Dns);
    EXPECT_EQ(storedStatus(4), "Ikke startet");
    program().MDIMain.Close.click();
    test.dialogs.fileAnswers.push_back(path);
    program().MDIMain.Open.click();
    ASSERT_EQ(program().currentDatabase(), path);
    EXPECT_EQ(meet().raceStatus(4), meet::RaceStatus::NotStarted);
    EXPECT_TRUE(meet().onCourse().empty());
    onCapturePage(4, &ui::StatusControls::Clear);
    EXPECT_EQ(storedStatus(4), "-");
    ASSERT_EQ(meet().onCourse().size(), 1u);
    EXPECT_EQ(meet().onCourse()[0].number, 4);
    // A status the competitor page gives him afterwards is his, and no race status stands.
    onCapturePage(1, &ui::StatusControls::Dnf);
    program().Main.NameMover.setText("1");
    program().Main.NameCombo[2].setText("Ok");
    program().Main.NameMover.setText("2");
    EXPECT_EQ(meet().raceStatus(1), meet::RaceStatus::None);
}

TEST_F(RaceStatuses, AStatusOnAFullDiskIsKeptAndStoredWithTheNextAction) {
    auto pages = db->prepare("PRAGMA page_count");
    pages.step();
    db->execute("PRAGMA max_page_count = " + std::to_string(pages.integer(0)));
    const std::size_t trail = meet().trail().size();
    onCapturePage(3, &ui::StatusControls::Dsq, "Obstruction");
    EXPECT_EQ(meet().trail().size(), trail);
    EXPECT_FALSE(meet().allStored());
    EXPECT_EQ(storedStatus(3), "-");
    // Nothing shown as stored: the meet follows it only once it is.
    EXPECT_EQ(meet().raceStatus(3), meet::RaceStatus::None);
    EXPECT_NE(race().CaptureStatus.Message.caption().find(lang::StatusNotStoredText().norwegian),
              std::string::npos);
    EXPECT_FALSE(test.dialogs.notices.empty());
    db->execute("PRAGMA max_page_count = 1073741823");
    program().Main.Hitime2.tick();  // the retry each second
    EXPECT_TRUE(meet().allStored());
    EXPECT_EQ(storedStatus(3), "Disket");
    EXPECT_EQ(meet().raceStatus(3), meet::RaceStatus::Disqualified);
    EXPECT_EQ(stored()[2], "none 3 Disket -");
    EXPECT_EQ(query("SELECT \"Reason\" FROM \"RaceStatuses\""),
              (std::vector<std::string>{"Obstruction"}));
    // Its trail row came with it, and only one.
    ASSERT_EQ(meet().trail().size(), trail + 1);
    EXPECT_EQ(meet().trail().back().reason, "Obstruction");
    EXPECT_EQ(query("SELECT \"Reason\" FROM \"Trail\" WHERE \"Action\" = 'status'"),
              (std::vector<std::string>{"Obstruction"}));
}

TEST_F(RaceStatuses, TheCapturePageCountsTheTimesWaitingBeyondTheListAndNamesTheOldest) {
    auto& main = program().Main;
    main.SetupChannelCheck[1].setChecked(true);
    main.SetupTimerValue[2].setCaption("2");
    auto capture = [&](int second) {
        test.clock.time = {11, 0, second, 0};
        main.Window.pressKey(ui::KeyF2 + 1);
        for (int i = 0; i < 4; ++i) main.Hitime1.tick();
    };
    for (int i = 0; i < 10; ++i) capture(i);
    EXPECT_EQ(meet().waitingTimes(), 0);
    EXPECT_EQ(race().Waiting.caption(), "Ingen tider venter utenfor listen");
    capture(10);
    capture(11);
    EXPECT_EQ(meet().waitingTimes(), 2);
    EXPECT_EQ(race().Waiting.caption(),
              "2 tider venter utenfor listen, den eldste 11.00.10.00 (2-0011)");
    // A row deleted takes the oldest into the list.
    test.dialogs.answers.push_back(ui::Answer::Yes);
    main.Delete[0].click();
    EXPECT_EQ(race().Waiting.caption(),
              "1 tid venter utenfor listen, den eldste 11.00.11.00 (2-0012)");
}

// A two-run slalom: 60 competitors in one class, run 2 drawn in the reversed order of the best
// 30 of run 1, a competitor who gave up in run 1 and one disqualified in run 2. Each run's
// results and the combined result against times computed here by hand, the combined lists
// byte for byte against tests/golden, and run 1 left as it was by all of run 2.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "base/time_text.h"
#include "lang/run_texts.h"
#include "meetdb/sqlite.h"
#include "shell/run_commands.h"
#include "storage/schema.h"
#include "support/fakes.h"
#include "support/file_bytes.h"

using namespace kvt;
using kvt::testing::TestProgram;
using meet::ClassStart;
using meet::StartMode;
using meet::StartOrder;
namespace fs = std::filesystem;
namespace entry = lang::entry;

namespace {

constexpr int Competitors = 60, Best = 30;
constexpr int GaveUp = 7, Disqualified = 12;
constexpr long long Hour = 360000;

// Each competitor's race time in each run, in hundredths (all different, 70 to 78 s).
long long runTime(int run, int n) {
    return run == 1 ? 7000 + (n * 37 % 61) * 13 : 7000 + (n * 23 % 61) * 11;
}

std::string bytes(const fs::path& path) { return kvt::testing::FileBytes(path); }

class Runs : public ::testing::Test {
protected:
    // A meet of 60 competitors in one class "SL", under the language given, with two runs.
    void make(bool english) {
        if (english) test.writeUserIni("x", " 1", " 0", "");
        auto& p = test.start();
        p.Main.SetupCheck[1].setChecked(true);
        p.Main.SetupText[0].setText(std::to_string(Competitors));
        p.Main.SetupText[1].setText("3");
        p.Main.SetupText[2].setText("1");
        path = (test.folder() / "Meet.mdb").string();
        test.dialogs.fileAnswers.push_back(path);
        p.MDIMain.MakeNew.click();
        {
            const auto& words = p.LanguageTexts;
            meetdb::Connection db(path, meetdb::Connection::Mode::ReadWrite);
            db.execute("UPDATE " + meetdb::QuoteIdentifier(words[entry::ClassesTable]) + " SET " +
                       meetdb::QuoteIdentifier(words[entry::ClassNameField]) + " = 'SL'");
            db.execute("UPDATE " + meetdb::QuoteIdentifier(words[entry::CompetitorsTable]) +
                       " SET \"1\" = 'Skier', \"2\" = 'No ' || rowid, \"3\" = 'Club ' || "
                       "(1 + rowid % 3), \"4\" = 'SL'");
        }
        test.dialogs.fileAnswers.push_back(path);
        p.MDIMain.Open.click();
        ASSERT_EQ(p.currentDatabase(), path);
        p.Main.SetupTimeOption[3].select();
        p.Main.SetupCheck[5].setChecked(true);  // differences
        p.Main.StartsRunsText.setText("2");
        p.Main.StartsRunsButton.click();
        ASSERT_EQ(meet().runCount(), 2);
        ASSERT_EQ(meet().run(), 1);
    }
    meet::Meet& meet() { return *test.program().meet; }
    // Enter on the first line for competitor n at the time given (hundredths of the day).
    void enter(int n, long long h) {
        auto& main = test.program().Main;
        test.clock.time = {static_cast<int>(h / Hour), static_cast<int>(h / 6000 % 60),
                           static_cast<int>(h / 100 % 60), static_cast<int>(h % 100) * 10};
        main.Number[0].setText(std::to_string(n));
        main.Number[0].KeyDown.raise(ui::KeyReturn);
        main.Number[0].KeyUp.raise(ui::KeyReturn);
    }
    // Run 1: everyone starts by impulse a minute apart and finishes, but for the one who
    // gives up.
    void runOne() {
        for (int n = 1; n <= Competitors; ++n) {
            const long long start = 10 * Hour + (n - 1) * 6000;
            enter(n, start);
            if (n != GaveUp) enter(n, start + runTime(1, n));
        }
        ASSERT_TRUE(meet().setRaceStatus(GaveUp, meet::RaceStatus::NotFinished).stored);
    }
    // Run 1's finishers from the fastest.
    std::vector<int> rankedInRunOne() const {
        std::vector<int> ranked;
        for (int n = 1; n <= Competitors; ++n)
            if (n != GaveUp) ranked.push_back(n);
        std::sort(ranked.begin(), ranked.end(),
                  [](int a, int b) { return runTime(1, a) < runTime(1, b); });
        return ranked;
    }
    // Run 2's start order by hand: the best 30 reversed, the others as they ranked, the one
    // who gave up last.
    std::vector<int> runTwoOrder() const {
        auto ranked = rankedInRunOne();
        std::vector<int> order(ranked.rbegin() + (ranked.size() - Best), ranked.rend());
        order.insert(order.end(), ranked.begin() + Best, ranked.end());
        order.push_back(GaveUp);
        return order;
    }
    // Run 2 chosen, drawn at one-minute intervals from 13.00 in reversed order of the best
    // 30; each finishes (the one who gave up in run 1 does not start), and one is
    // disqualified.
    void runTwo() {
        ASSERT_TRUE(shell::ChooseRun(test.program(), 2));
        ASSERT_EQ(meet().run(), 2);
        ClassStart start;
        start.mode = StartMode::Interval;
        start.firstStart = "13.00.00.00";
        start.interval = 6000;
        start.order = StartOrder::BestReversed;
        start.best = Best;
        ASSERT_TRUE(meet().setClassStart(1, start).stored);
        ASSERT_TRUE(meet().draw("12.00.00.00", 1).stored);
        const auto order = runTwoOrder();
        for (std::size_t i = 0; i < order.size(); ++i) {
            const int n = order[i];
            if (n == GaveUp) continue;
            enter(n, 13 * Hour + static_cast<long long>(i) * 6000 + runTime(2, n));
        }
        ASSERT_TRUE(
            meet().setRaceStatus(Disqualified, meet::RaceStatus::Disqualified, "Gate 14").stored);
    }
    // Every record of a table in stored order, as one text.
    std::string dump(const std::string& table, const std::string& where = "") {
        meetdb::Connection db(path, meetdb::Connection::Mode::ReadOnly);
        auto exists = db.prepare("SELECT count(*) FROM sqlite_master WHERE name = ?1");
        exists.bind(1, table);
        if (!exists.step() || exists.integer(0) == 0) return "";  // none: as no record
        auto statement =
            db.prepare("SELECT * FROM " + meetdb::QuoteIdentifier(table) + where + " ORDER BY rowid");
        std::string text;
        while (statement.step()) {
            for (int c = 0; c < statement.columnCount(); ++c)
                text += statement.text(c).value_or("<null>") + "|";
            text += "\n";
        }
        return text;
    }
    // Run 1's tables: its results, the registers, its statuses, its Time-table rows, starts.
    std::string runOneTables(int timeRows) {
        const auto& words = test.program().LanguageTexts;
        return dump(words[entry::ResultsTablePrefix] + "1") +
               dump(words[entry::CompetitorsTable]) + dump(storage::RaceStatusesTable) +
               dump(words[entry::TimeTable], " WHERE rowid <= " + std::to_string(timeRows)) +
               dump(storage::PlannedStartsTable, " WHERE \"Run\" = 1");
    }
    void compare(const std::string& list, const std::string& golden) {
        const fs::path written = test.folder() / "Meet" / list;
        const fs::path expected = fs::path(KVT_GOLDEN_DIR) / golden;
        ASSERT_TRUE(fs::exists(written)) << written;
        if (std::getenv("KVT_WRITE_GOLDEN"))
            fs::copy_file(written, expected, fs::copy_options::overwrite_existing);
        EXPECT_EQ(bytes(written), bytes(expected)) << golden;
    }
    // The combined lists written, with "Combined" chosen on the results page.
    void writeCombinedLists() {
        auto& p = test.program();
        p.Main.ResultsRunCombo.dropDown();
        ASSERT_EQ(p.Main.ResultsRunCombo.items().size(), 3u);
        p.Main.ResultsRunCombo.pick(2);
        EXPECT_EQ(p.Main.ResultsRunCombo.text(), lang::CombinedText().in(p.language));
        p.MDIMain.MakeResultslist.click();
        p.MDIMain.MakeResultslistHtml.click();
    }

    TestProgram test;
    std::string path;
};

}  // namespace

TEST_F(Runs, ATwoRunSlalomRanksEachRunAndTheCombinedResultAsComputedByHand) {
    make(false);
    runOne();
    ASSERT_TRUE(meet().rankAll().stored);
    // Run 1: the finishers by their time, the one who gave up after them.
    const auto ranked = rankedInRunOne();
    auto one = meet().runResults(1, 1);
    ASSERT_EQ(one.size(), ranked.size() + 1);
    for (std::size_t i = 0; i < ranked.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(one[i].number, ranked[i]);
        EXPECT_EQ(one[i].place, static_cast<int>(i) + 1);
        EXPECT_EQ(base::ResultHundredths(one[i].result), runTime(1, ranked[i]));
        EXPECT_EQ(base::ResultHundredths(one[i].difference),
                  runTime(1, ranked[i]) - runTime(1, ranked[0]));
    }
    EXPECT_EQ(one.back().number, GaveUp);
    EXPECT_EQ(one.back().status, test.program().LanguageTexts[entry::Canceled]);
    const int timeRows = meet().registeredCount();
    const std::string before = runOneTables(timeRows);

    runTwo();
    ASSERT_TRUE(meet().rankAll().stored);
    // Run 2 was drawn as the best 30 of run 1 reversed, the rest as they ranked, the one who
    // gave up last.
    const auto order = runTwoOrder();
    for (std::size_t i = 0; i < order.size(); ++i) {
        const auto* plan = meet().plannedStart(order[i]);
        ASSERT_NE(plan, nullptr) << order[i];
        EXPECT_EQ(plan->planned, base::HundredthsText(13 * Hour + static_cast<long long>(i) * 6000))
            << order[i];
    }
    // Run 2's own results: by its times, the disqualified one without a place.
    std::vector<int> rankedTwo;
    for (int n = 1; n <= Competitors; ++n)
        if (n != GaveUp && n != Disqualified) rankedTwo.push_back(n);
    std::sort(rankedTwo.begin(), rankedTwo.end(),
              [](int a, int b) { return runTime(2, a) < runTime(2, b); });
    auto two = meet().runResults(2, 1);
    ASSERT_EQ(two.size(), rankedTwo.size() + 1);
    for (std::size_t i = 0; i < rankedTwo.size(); ++i) {
        EXPECT_EQ(two[i].number, rankedTwo[i]) << i;
        EXPECT_EQ(two[i].place, static_cast<int>(i) + 1) << i;
        EXPECT_EQ(base::ResultHundredths(two[i].result), runTime(2, rankedTwo[i])) << i;
    }
    EXPECT_EQ(two.back().number, Disqualified);
    EXPECT_EQ(two.back().status, test.program().LanguageTexts[entry::Disqualified]);
    // Nothing of run 2 reached run 1: its results, the register (a disqualification in run 2
    // is not his status in it), its statuses, its times and its plans.
    EXPECT_EQ(runOneTables(timeRows), before);
    EXPECT_EQ(meet().runResults(1, 1).size(), one.size());

    // Combined: the sum of both runs, equal sums sharing a place (in number order); a status
    // in either run gives no place.
    std::vector<int> combinedOrder = rankedTwo;
    std::sort(combinedOrder.begin(), combinedOrder.end(), [](int a, int b) {
        const long long x = runTime(1, a) + runTime(2, a), y = runTime(1, b) + runTime(2, b);
        return x != y ? x < y : a < b;
    });
    const auto combined = meet().combinedResults(1);
    ASSERT_EQ(combined.size(), combinedOrder.size() + 2);
    const long long winner = runTime(1, combinedOrder[0]) + runTime(2, combinedOrder[0]);
    int place = 0;
    long long last = -1;
    for (std::size_t i = 0; i < combinedOrder.size(); ++i) {
        SCOPED_TRACE(i);
        const int n = combinedOrder[i];
        const long long total = runTime(1, n) + runTime(2, n);
        if (total != last) place = static_cast<int>(i) + 1;
        last = total;
        EXPECT_EQ(combined[i].number, n);
        EXPECT_EQ(combined[i].place, place);
        EXPECT_EQ(combined[i].hundredths, total);
        EXPECT_EQ(base::ResultHundredths(combined[i].total), total);
        EXPECT_EQ(base::ResultHundredths(combined[i].difference), total - winner);
        ASSERT_EQ(combined[i].runs.size(), 2u);
        EXPECT_EQ(base::ResultHundredths(combined[i].runs[0]), runTime(1, n));
        EXPECT_EQ(base::ResultHundredths(combined[i].runs[1]), runTime(2, n));
    }
    const auto& gaveUp = combined[combined.size() - 2];
    const auto& disqualified = combined.back();
    EXPECT_EQ(gaveUp.number, GaveUp);
    EXPECT_EQ(gaveUp.place, 0);
    EXPECT_EQ(gaveUp.status, test.program().LanguageTexts[entry::Canceled]);
    EXPECT_EQ(disqualified.number, Disqualified);
    EXPECT_EQ(disqualified.place, 0);
    EXPECT_EQ(disqualified.status, test.program().LanguageTexts[entry::Disqualified]);
    EXPECT_EQ(base::ResultHundredths(disqualified.runs[0]), runTime(1, Disqualified));

    // The same read again from the file, in run 2 and back in run 1.
    test.program().MDIMain.Close.click();
    test.dialogs.fileAnswers.push_back(path);
    test.program().MDIMain.Open.click();
    ASSERT_EQ(meet().run(), 2);
    const auto again = meet().combinedResults(1);
    ASSERT_EQ(again.size(), combined.size());
    for (std::size_t i = 0; i < again.size(); ++i) {
        EXPECT_EQ(again[i].number, combined[i].number) << i;
        EXPECT_EQ(again[i].total, combined[i].total) << i;
        EXPECT_EQ(again[i].status, combined[i].status) << i;
    }
    ASSERT_TRUE(shell::ChooseRun(test.program(), 1));
    EXPECT_EQ(meet().run(), 1);
    EXPECT_EQ(meet().competitor(Disqualified).state, meet::Finished);
    EXPECT_EQ(meet().raceStatus(Disqualified), meet::RaceStatus::None);
    EXPECT_EQ(meet().raceStatus(GaveUp), meet::RaceStatus::NotFinished);
    EXPECT_EQ(runOneTables(timeRows), before);
    EXPECT_EQ(meet().combinedResults(1).size(), combined.size());
}

TEST_F(Runs, TheCombinedListsInNorwegian) {
    make(false);
    runOne();
    runTwo();
    writeCombinedLists();
    compare("Resultat.txt", "no-combined.txt");
    compare("Resultat.htm", "no-combined.htm");
    // The results page shows the same combined result, its columns lined up for the page's
    // fixed font: each row's total under the heading, the winner's first, a status in place.
    const std::string shown = test.program().Main.ResultsCombinedText.text();
    EXPECT_TRUE(test.program().Main.ResultsCombinedText.visible());
    EXPECT_FALSE(test.program().Main.ResultsDBGrid.visible());  // it holds one run's results
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; at < shown.size(); at = end + 1) {
        end = shown.find('\n', at);
        if (end == std::string::npos) end = shown.size();
        lines.push_back(shown.substr(at, end - at));
    }
    const auto rows = meet().combinedResults(1);
    ASSERT_EQ(lines.size(), rows.size() + 1);
    const std::size_t total = lines[0].find(lang::TotalText().in(test.program().language));
    ASSERT_NE(total, std::string::npos);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::string expected = rows[i].status.empty() ? rows[i].total : rows[i].status;
        EXPECT_EQ(lines[i + 1].substr(total, expected.size()), expected) << lines[i + 1];
        EXPECT_EQ(lines[i + 1][total - 1], ' ') << lines[i + 1];
    }
}

TEST_F(Runs, TheCombinedListsInEnglish) {
    make(true);
    runOne();
    runTwo();
    writeCombinedLists();
    compare("Results.txt", "en-combined.txt");
    compare("Results.htm", "en-combined.htm");
}

TEST_F(Runs, AListOfOneRunIsThatRunAsStored) {
    make(false);
    runOne();
    ASSERT_TRUE(meet().rankAll().stored);
    auto& p = test.program();
    p.MDIMain.MakeResultslist.click();
    const std::string runOneList = bytes(test.folder() / "Meet" / "Resultat.txt");
    runTwo();
    // Run 1 chosen on the results page while run 2 is timed: its list is as it was.
    p.Main.ResultsRunCombo.pick(0);
    EXPECT_TRUE(p.Main.ResultsDBGrid.visible());
    EXPECT_FALSE(p.Main.ResultsCombinedText.visible());
    p.MDIMain.MakeResultslist.click();
    EXPECT_EQ(bytes(test.folder() / "Meet" / "Resultat.txt"), runOneList);
    // Run 2 chosen: another list, with the disqualified one in it.
    p.Main.ResultsRunCombo.pick(1);
    p.MDIMain.MakeResultslist.click();
    const std::string runTwoList = bytes(test.folder() / "Meet" / "Resultat.txt");
    EXPECT_NE(runTwoList, runOneList);
    EXPECT_NE(runTwoList.find(p.LanguageTexts[entry::Disqualified]), std::string::npos);
}

TEST_F(Runs, CorrectionsAndTheCaptureListWorkWithinTheRunBeingTimed) {
    make(false);
    runOne();
    // A correction of run 1 taken back: it waits there to be made again.
    ASSERT_TRUE(meet().takeBack(2, meet::TimeUse::Finish).stored);
    ASSERT_TRUE(meet().undo().stored);
    ASSERT_TRUE(meet().canRedo());
    const int timeRows = meet().registeredCount();
    const std::string before = runOneTables(timeRows);
    const int runOneFinish = meet().competitor(3).finishRow;
    ASSERT_GT(runOneFinish, 0);
    ASSERT_TRUE(shell::ChooseRun(test.program(), 2));
    // A time given in run 1 is not run 2's to correct.
    for (const auto& refused :
         {meet().reassignTime(runOneFinish, 4), meet().takeBackTime(runOneFinish)}) {
        EXPECT_FALSE(refused.acted);
        ASSERT_EQ(refused.notices.size(), 1u);
        EXPECT_NE(refused.notices[0].find("Omgang 1"), std::string::npos) << refused.notices[0];
    }
    // The capture page says which run is timed.
    EXPECT_EQ(test.program().Main.CaptureRun.caption(), "Omgang 2");
    // Competitor 3 has neither start nor finish in run 2, whatever he did in run 1.
    EXPECT_EQ(meet().competitor(3).state, meet::NotStarted);
    EXPECT_EQ(meet().competitor(GaveUp).state, meet::NotStarted);
    EXPECT_FALSE(meet().canRedo());  // run 1's corrections are not run 2's to redo
    enter(3, 14 * Hour);
    enter(3, 14 * Hour + 8123);
    ASSERT_EQ(meet().competitor(3).state, meet::Finished);
    // His finish taken back and given again: run 2 only.
    ASSERT_TRUE(meet().takeBack(3, meet::TimeUse::Finish).stored);
    EXPECT_EQ(meet().competitor(3).state, meet::Started);
    ASSERT_TRUE(meet().undo().stored);
    EXPECT_EQ(meet().competitor(3).state, meet::Finished);
    ASSERT_TRUE(meet().rankAll().stored);
    EXPECT_EQ(meet().runResults(2, 1).size(), 1u);
    EXPECT_EQ(runOneTables(timeRows), before);
    // Back in run 1 he has his run 1 times, and the trail marks what run 2 did.
    ASSERT_TRUE(shell::ChooseRun(test.program(), 1));
    EXPECT_EQ(test.program().Main.CaptureRun.caption(), "Omgang 1");
    EXPECT_TRUE(meet().canRedo());
    EXPECT_FALSE(meet().canUndo());
    EXPECT_EQ(base::RaceHundredths(meet().competitor(3).start, meet().competitor(3).finish),
              runTime(1, 3));
    int marked = 0;
    for (const auto& row : meet().trail())
        if (row.subject.find("[Omgang 2]") != std::string::npos) ++marked;
    EXPECT_GE(marked, 4);  // start, finish, take-back, undo
}

TEST_F(Runs, AMeetOfOneRunHasNoRunChoiceAndRefusesARunItDoesNotHold) {
    make(false);
    auto& runs = test.program().Main.ResultsRunCombo;
    runs.dropDown();
    EXPECT_TRUE(runs.visible());
    EXPECT_EQ(runs.items().size(), 3u);
    test.program().Main.StartsRunsText.setText("1");
    test.program().Main.StartsRunsButton.click();
    ASSERT_EQ(meet().runCount(), 1);
    enter(1, 10 * Hour);  // the capture page shown anew
    EXPECT_EQ(test.program().Main.CaptureRun.caption(), "");
    runs.dropDown();
    EXPECT_FALSE(runs.visible());
    EXPECT_TRUE(runs.items().empty());
    const auto refused = meet().chooseRun(2);
    EXPECT_FALSE(refused.acted);
    ASSERT_FALSE(refused.notices.empty());
    EXPECT_EQ(meet().run(), 1);
    EXPECT_FALSE(meet().setRunCount(meet::MaxRuns + 1).acted);
}

TEST(RunTexts, EachHasBothLanguagesAndEveryCaptionNamesAControl) {
    for (auto text : {lang::RunText, lang::CombinedText, lang::TotalText, lang::PlaceHeadText,
                      lang::NameHeadText, lang::ClubHeadText, lang::CombinedHeadingText,
                      lang::NoSuchRunText, lang::RunChosenText, lang::FirstRunOrderText,
                      lang::SameOrderText, lang::ReversedOrderText, lang::BestReversedOrderText,
                      lang::RunWaitsText, lang::OtherRunTimeText}) {
        const lang::Bilingual both = text();
        EXPECT_FALSE(std::string(both.english).empty());
        EXPECT_NE(std::string(both.english), std::string(both.norwegian)) << both.english;
    }
    TestProgram test;
    auto& program = test.program();
    for (const auto& row : lang::RunCaptions())
        EXPECT_NE(program.Main.registry.find(row.control), nullptr) << row.control;
}

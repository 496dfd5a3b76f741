// Classes that start at intervals from a draw, all at once, or by each competitor's impulse:
// the draw, start impulses against the plans, finishes, places and differences, and a class
// started alone leaving every other class as it was.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <set>

#include "base/time_text.h"
#include "meetdb/sqlite.h"
#include "meetdb/sqlite_engine.h"
#include "pages/starts_page.h"
#include "results/live_results.h"
#include "results/start_list.h"
#include "storage/trail.h"
#include "support/fakes.h"

using namespace kvt;
using kvt::testing::TestProgram;
using meet::ClassStart;
using meet::StartMode;
using meet::StartOrder;
namespace fs = std::filesystem;

namespace {

constexpr int Competitors = 200, Classes = 8, PerClass = 25;

// h, m, s, hundredths as a time text.
std::string at(int h, int m, int s, int hh = 0) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d.%02d.%02d.%02d", h, m, s, hh);
    return text;
}

std::vector<std::string> lines(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::string text{std::istreambuf_iterator<char>(file), {}};
    std::vector<std::string> result;
    for (std::size_t begin = 0; begin < text.size();) {
        auto end = text.find("\r\n", begin);
        result.push_back(text.substr(begin, end - begin));
        begin = end == std::string::npos ? text.size() : end + 2;
    }
    return result;
}

class NullProgress : public meet::Progress {
public:
    void begin(const std::string&, int) override {}
    void step(int) override {}
    void end() override {}
};

// A Norwegian meet of 200 competitors in 8 classes of 25 ("K1" holds 1 to 25, "K2" 26 to 50,
// ...), no one started.
class Starts : public ::testing::Test {
protected:
    void SetUp() override {
        auto& p = test.start();
        p.Main.SetupCheck[1].setChecked(true);
        p.Main.SetupText[0].setText(std::to_string(Competitors));
        p.Main.SetupText[1].setText("2");
        p.Main.SetupText[2].setText(std::to_string(Classes));
        path = (test.folder() / "Meet.mdb").string();
        test.dialogs.fileAnswers.push_back(path);
        p.MDIMain.MakeNew.click();
        {
            const auto& words = p.LanguageTexts;
            namespace entry = lang::entry;
            meetdb::Connection db(path, meetdb::Connection::Mode::ReadWrite);
            db.execute("UPDATE " + meetdb::QuoteIdentifier(words[entry::ClassesTable]) + " SET " +
                       meetdb::QuoteIdentifier(words[entry::ClassNameField]) + " = 'K' || rowid");
            db.execute("UPDATE " + meetdb::QuoteIdentifier(words[entry::CompetitorsTable]) +
                       " SET \"4\" = 'K' || (1 + (rowid - 1) / " + std::to_string(PerClass) +
                       ")");
        }
        open();
        p.Main.SetupTimeOption[3].select();
        p.Main.SetupCheck[5].setChecked(true);  // differences
    }
    void open() {
        test.dialogs.fileAnswers.push_back(path);
        test.program().MDIMain.Open.click();
        ASSERT_EQ(test.program().currentDatabase(), path);
    }
    void reopen() {
        test.program().MDIMain.Close.click();
        open();
    }
    meet::Meet& meet() { return *test.program().meet; }
    // Enter on a line for competitor n at the time given.
    void enter(int n, const std::string& time) {
        auto& main = test.program().Main;
        const long long h = base::TimeHundredths(time);
        test.clock.time = {static_cast<int>(h / 360000), static_cast<int>(h / 6000 % 60),
                           static_cast<int>(h / 100 % 60), static_cast<int>(h % 100) * 10};
        main.Number[0].setText(std::to_string(n));
        main.Number[0].KeyDown.raise(ui::KeyReturn);
        main.Number[0].KeyUp.raise(ui::KeyReturn);
    }
    // A capture on line 1 given to competitor n by "<<".
    void capture(int n, const std::string& time) {
        ASSERT_TRUE(meet().registerCapture(1, time).stored);
        auto& main = test.program().Main;
        for (int i = 0; i < ui::CaptureRows; ++i) {
            if (meet().row(i).regTime != time) continue;
            main.Number[i].setText(std::to_string(n));
            main.Set[i].click();
            return;
        }
        FAIL() << "the capture " << time << " entered no row";
    }
    ClassStart interval(const std::string& first, int sequence, StartOrder order = StartOrder::ByNumber) {
        ClassStart start;
        start.mode = StartMode::Interval;
        start.firstStart = first;
        start.interval = 3000;
        start.gap = 6000;
        start.sequence = sequence;
        start.order = order;
        start.tolerance = 300;
        return start;
    }
    // Every class at intervals of 30 s with a minute's gap after it, in the order 3, 1, 2, 4
    // to 8; class 3 first at 10.00.00 in a random order, class 2 in the order of a list.
    void setUpIntervalRace() {
        for (int c = 1; c <= Classes; ++c) {
            const int sequence = c == 3 ? 1 : c == 1 ? 2 : c == 2 ? 3 : c;
            auto start = interval(c == 3 ? at(10, 0, 0) : "-", sequence,
                                  c == 3   ? StartOrder::Random
                                  : c == 2 ? StartOrder::List
                                           : StartOrder::ByNumber);
            if (c == 2)
                for (int n = 50; n >= 26; --n) start.listOrder.push_back(n);
            ASSERT_TRUE(meet().setClassStart(c, start).stored);
        }
        ASSERT_TRUE(meet().draw(at(9, 0, 0), 7).acted);
    }

    TestProgram test;
    std::string path;
};

}  // namespace

TEST_F(Starts, ADrawPlansEveryClassInItsOrderAtItsIntervalWithTheGapsBetween) {
    setUpIntervalRace();
    // Class 3 (51 to 75): 10.00.00 to 10.12.00 in a random order, each slot once.
    std::set<std::string> slots;
    std::vector<int> byPlan;
    for (int n = 51; n <= 75; ++n) {
        ASSERT_NE(meet().plannedStart(n), nullptr) << n;
        slots.insert(meet().plannedStart(n)->planned);
    }
    ASSERT_EQ(slots.size(), 25u);
    EXPECT_EQ(*slots.begin(), "10.00.00.00");
    EXPECT_EQ(*slots.rbegin(), "10.12.00.00");
    bool shuffled = false;
    for (int n = 51; n < 75; ++n)
        shuffled = shuffled || meet().plannedStart(n)->planned > meet().plannedStart(n + 1)->planned;
    EXPECT_TRUE(shuffled);
    // Class 1 follows: 10.12.00 + 30 s + 60 s = 10.13.30, then every 30 s by number.
    EXPECT_EQ(meet().plannedStart(1)->planned, "10.13.30.00");
    EXPECT_EQ(meet().plannedStart(2)->planned, "10.14.00.00");
    EXPECT_EQ(meet().plannedStart(25)->planned, "10.25.30.00");
    // Class 2 in the list's order: 50 first at 10.25.30 + 1.30 = 10.27.00, 26 last.
    EXPECT_EQ(meet().plannedStart(50)->planned, "10.27.00.00");
    EXPECT_EQ(meet().plannedStart(26)->planned, "10.39.00.00");
    // Class 4 (76 to 100) at 10.40.30, ..., class 8 (176 to 200) ends at 11.44.30.
    EXPECT_EQ(meet().plannedStart(76)->planned, "10.40.30.00");
    // Each class takes 12 minutes and a minute and a half to the next: class 8 begins at
    // 11.34.30 and ends at 11.46.30.
    EXPECT_EQ(meet().plannedStart(176)->planned, "11.34.30.00");
    EXPECT_EQ(meet().plannedStart(200)->planned, "11.46.30.00");
    // Everyone is out by his plan, with no impulse; the plans are there after reopening.
    EXPECT_EQ(meet().competitor(1).state, meet::Started);
    EXPECT_EQ(meet().competitor(1).start, "10.13.30.00");
    const std::string planned51 = meet().plannedStart(51)->planned;
    reopen();
    EXPECT_EQ(meet().plannedStart(51)->planned, planned51);
    EXPECT_EQ(meet().competitor(26).start, "10.39.00.00");
    EXPECT_EQ(meet().classStart(3).draws, 1);
    EXPECT_EQ(meet().startSequence().front(), 3);
    // The draw is one row of the trail, after the eight classes' settings.
    const auto& trail = meet().trail();
    ASSERT_FALSE(trail.empty());
    EXPECT_EQ(std::count_if(trail.begin(), trail.end(),
                            [](const auto& row) { return row.action == storage::trail::Draw; }),
              1);
    EXPECT_EQ(std::count_if(trail.begin(), trail.end(),
                            [](const auto& row) {
                                return row.action == storage::trail::Setting &&
                                       row.subject.rfind("ClassStarts K", 0) == 0;
                            }),
              Classes);
    EXPECT_EQ(trail.back().action, storage::trail::Draw);
    EXPECT_EQ(trail.back().after, "200: 10.00.00.00 - 11.46.30.00");
    EXPECT_EQ(trail.back().subject.substr(0, 13), "K3 #1, K1 #1,");
}

TEST_F(Starts, ADrawIsMadeAgainUntilTheClassStartsAndThenStaysAsItIs) {
    setUpIntervalRace();
    std::vector<std::string> first;
    for (int n = 51; n <= 75; ++n) first.push_back(meet().plannedStart(n)->planned);
    ASSERT_TRUE(meet().draw(at(9, 30, 0), 8, {3}).acted);
    std::vector<std::string> second;
    for (int n = 51; n <= 75; ++n) second.push_back(meet().plannedStart(n)->planned);
    EXPECT_NE(first, second);
    EXPECT_EQ(meet().classStart(3).draws, 2);
    // Once its first start has passed, the class keeps its plans (and says so).
    const auto late = meet().draw(at(10, 0, 1), 9, {3});
    EXPECT_FALSE(late.acted);
    ASSERT_FALSE(late.notices.empty());
    std::vector<std::string> third;
    for (int n = 51; n <= 75; ++n) third.push_back(meet().plannedStart(n)->planned);
    EXPECT_EQ(third, second);
}

TEST_F(Starts, StartsByPlanAndByImpulseInsideAndOutsideTheToleranceGiveRaceTimesFromTheRightStart) {
    setUpIntervalRace();
    // Class 1: 1 at 10.13.30, 2 at 10.14.00, 3 at 10.14.30, 4 at 10.15.00, 5 at 10.15.30.
    enter(1, at(10, 45, 10));       // no impulse: from the plan, 31.40,00
    enter(2, at(10, 14, 1, 50));    // 1,5 s late: inside the tolerance, his start
    enter(2, at(10, 44, 0));        // 29.58,50
    enter(3, at(10, 14, 20));       // 10 s early: for the jury, the plan stands
    enter(3, at(10, 46, 0));        // 31.30,00
    enter(4, at(10, 15, 8));        // 8 s late: for the jury
    enter(4, at(10, 44, 30));       // 29.30,00
    capture(5, at(10, 15, 29, 20)); // a capture 0,8 s early: his start
    capture(5, at(10, 50, 0));      // 34.30,80
    EXPECT_EQ(meet().competitor(2).start, "10.14.01.50");
    EXPECT_EQ(meet().competitor(3).start, "10.14.30.00");
    EXPECT_EQ(meet().competitor(5).start, "10.15.29.20");
    // Both the plan and the impulse are kept, the marks for the jury with them.
    EXPECT_EQ(meet().plannedStart(3)->impulse, "10.14.20.00");
    EXPECT_EQ(meet().plannedStart(3)->jury, meet::JuryMark::Early);
    EXPECT_EQ(meet().plannedStart(4)->jury, meet::JuryMark::Late);
    EXPECT_EQ(meet().plannedStart(2)->jury, meet::JuryMark::None);
    EXPECT_EQ(meet().juryMarked(), (std::vector<int>{3, 4}));
    // The trail has each start impulse against the plan, the early one with its mark.
    const auto early = std::find_if(meet().trail().begin(), meet().trail().end(),
                                    [](const auto& row) { return row.number == 3; });
    ASSERT_NE(early, meet().trail().end());
    EXPECT_EQ(early->action, storage::trail::Start);
    EXPECT_EQ(early->before, "10.14.30.00");
    EXPECT_EQ(early->after, "10.14.30.00 (early: 10.14.20.00)");
    auto check = [&] {
        const auto& results = meet().results(1);
        ASSERT_EQ(results.rows().size(), 5u);
        std::vector<std::string> ranked;
        for (int i : results.ranking()) {
            const auto& row = results.rows()[i];
            ranked.push_back(std::to_string(row.place) + " " + std::to_string(row.number) + " " +
                             row.result + " " + row.difference);
        }
        EXPECT_EQ(ranked, (std::vector<std::string>{
                              "1 4 00.29.30,00 00.00.00,00",
                              "2 2 00.29.58,50 00.00.28,50",
                              "3 3 00.31.30,00 00.02.00,00",
                              "4 1 00.31.40,00 00.02.10,00",
                              "5 5 00.34.30,80 00.05.00,80",
                          }));
    };
    check();
    // The same after reopening, and in the text list.
    reopen();
    EXPECT_EQ(meet().competitor(3).start, "10.14.30.00");
    EXPECT_EQ(meet().competitor(2).start, "10.14.01.50");
    EXPECT_EQ(meet().juryMarked(), (std::vector<int>{3, 4}));
    check();
    test.program().MDIMain.MakeResultslist.click();
    const auto list = lines(test.folder() / "Meet" / "Resultat.txt");
    const auto row = std::find_if(list.begin(), list.end(),
                                  [](const std::string& l) { return l.rfind("1:    4:", 0) == 0; });
    ASSERT_NE(row, list.end());
    EXPECT_NE(row->find("00.29.30,00:  00.00.00,00:"), std::string::npos) << *row;
}

TEST_F(Starts, AMassStartOfOneClassLeavesEveryOtherClassUntouched) {
    // Competitor 30 (class 2) started on his own before.
    enter(30, at(10, 50, 0));
    std::vector<meet::Competitor> before;
    for (int n = 0; n <= Competitors; ++n) before.push_back(meet().competitor(n));
    const auto outcome = meet().massStart({5}, at(11, 0, 0));
    ASSERT_TRUE(outcome.stored);
    EXPECT_EQ(meet().trail().back().action, storage::trail::MassStart);
    EXPECT_EQ(meet().trail().back().after, "11.00.00.00 (25)");
    for (int n = 1; n <= Competitors; ++n) {
        const auto& now = meet().competitor(n);
        if (n >= 101 && n <= 125) {
            EXPECT_EQ(now.state, meet::Started) << n;
            EXPECT_EQ(now.start, "11.00.00.00") << n;
            continue;
        }
        EXPECT_EQ(now.state, before[n].state) << n;
        EXPECT_EQ(now.start, before[n].start) << n;
        EXPECT_EQ(now.finish, before[n].finish) << n;
    }
    // A junior of another class given her own start afterwards is started, not finished.
    enter(7, at(11, 2, 0));
    EXPECT_EQ(meet().competitor(7).state, meet::Started);
    EXPECT_EQ(meet().competitor(7).start, "11.02.00.00");
    EXPECT_TRUE(meet().results(1).rows().empty());
    // A time given to one of class 5 is his finish from the class's start.
    enter(110, at(11, 31, 15, 40));
    ASSERT_EQ(meet().results(5).rows().size(), 1u);
    EXPECT_EQ(meet().results(5).rows()[0].result, "00.31.15,40");
    reopen();
    EXPECT_EQ(meet().competitor(101).start, "11.00.00.00");
    EXPECT_EQ(meet().competitor(101).state, meet::Started);
    EXPECT_EQ(meet().competitor(100).state, meet::NotStarted);
    EXPECT_EQ(meet().competitor(126).state, meet::NotStarted);
    EXPECT_EQ(meet().competitor(7).start, "11.02.00.00");
}

TEST_F(Starts, AMassStartAtACapturedImpulseTakesItsTimeAndTheImpulseLeavesTheList) {
    ASSERT_TRUE(meet().registerCapture(1, at(12, 0, 0, 7)).stored);
    const int k = meet().registeredCount();
    ASSERT_EQ(meet().row(0).regTime, at(12, 0, 0, 7));
    ASSERT_TRUE(meet().massStart({6, 7}, "", k).stored);
    EXPECT_EQ(meet().competitor(126).start, "12.00.00.07");
    EXPECT_EQ(meet().competitor(175).start, "12.00.00.07");
    EXPECT_EQ(meet().competitor(176).state, meet::NotStarted);
    EXPECT_EQ(meet().row(0).regTime, "-");
    // An interval class is not started all at once.
    ASSERT_TRUE(meet().setClassStart(8, interval(at(13, 0, 0), 0)).stored);
    const auto refused = meet().massStart({8}, at(13, 0, 0));
    EXPECT_FALSE(refused.acted);
    EXPECT_EQ(meet().competitor(176).state, meet::NotStarted);
    reopen();
    EXPECT_EQ(meet().competitor(150).start, "12.00.00.07");
}

TEST_F(Starts, StartAtSameTimeStillStartsTheWholeMeetButNotThoseWithAPlan) {
    ASSERT_TRUE(meet().setClassStart(8, interval(at(13, 0, 0), 0)).stored);
    ASSERT_TRUE(meet().draw(at(9, 0, 0), 1).acted);
    test.program().Main.SetupCheck[2].setChecked(true);
    enter(1, at(11, 0, 0));
    EXPECT_EQ(meet().competitor(150).start, "11.00.00.00");
    EXPECT_EQ(meet().competitor(176).start, "13.00.00.00");
    reopen();
    EXPECT_EQ(meet().competitor(150).start, "11.00.00.00");
    EXPECT_EQ(meet().competitor(176).start, "13.00.00.00");
}

TEST_F(Starts, ADrawSurvivesAKillRightAfterIt) {
    for (int c = 1; c <= Classes; ++c)
        ASSERT_TRUE(meet().setClassStart(c, interval(c == 1 ? at(10, 0, 0) : "-", 0,
                                                     StartOrder::Random))
                        .stored);
    const auto words = test.program().LanguageTexts;
    test.program().MDIMain.Close.click();
    int pipe[2];
    ASSERT_EQ(::pipe(pipe), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The child draws and is killed the moment the draw returns: nothing closes the meet.
        ::close(pipe[0]);
        meetdb::SqliteEngine engine;
        NullProgress progress;
        std::vector<int> warnings;
        auto drawn = meet::Meet::Open(engine, path, words, lang::Language::Norwegian, progress,
                                      warnings);
        const auto outcome = drawn->draw(at(9, 0, 0), 12345);
        std::string plans;
        for (int n = 1; n <= Competitors; ++n)
            plans += drawn->plannedStart(n) ? drawn->plannedStart(n)->planned : "none";
        if (outcome.stored) (void)!::write(pipe[1], plans.data(), plans.size());
        ::close(pipe[1]);
        ::raise(SIGKILL);
    }
    ::close(pipe[1]);
    std::string reported;
    char buffer[4096];
    for (ssize_t got; (got = ::read(pipe[0], buffer, sizeof buffer)) > 0;)
        reported.append(buffer, static_cast<std::size_t>(got));
    ::close(pipe[0]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    ASSERT_EQ(reported.size(), Competitors * 11u);
    open();
    std::string plans;
    for (int n = 1; n <= Competitors; ++n)
        plans += meet().plannedStart(n) ? meet().plannedStart(n)->planned : "none";
    EXPECT_EQ(plans, reported);
    EXPECT_EQ(meet().competitor(200).start, meet().plannedStart(200)->planned);
    EXPECT_EQ(meet().classStart(1).draws, 1);
}

TEST_F(Starts, ADrawThatCannotBeStoredChangesNothingAndCanBeMadeAgain) {
    ASSERT_TRUE(meet().setClassStart(1, interval(at(10, 0, 0), 0)).stored);
    {
        // Another program holds a write lock on the file: the commit cannot go through.
        meetdb::Connection other(path, meetdb::Connection::Mode::ReadWrite);
        other.execute("BEGIN EXCLUSIVE");
        const auto failed = meet().draw(at(9, 0, 0), 3);
        EXPECT_FALSE(failed.stored);
        EXPECT_EQ(meet().plannedStart(1), nullptr);
        EXPECT_EQ(meet().competitor(1).state, meet::NotStarted);
        other.execute("COMMIT");
    }
    ASSERT_TRUE(meet().draw(at(9, 0, 0), 3).stored);
    EXPECT_EQ(meet().plannedStart(25)->planned, "10.12.00.00");
    reopen();
    EXPECT_EQ(meet().plannedStart(25)->planned, "10.12.00.00");
    EXPECT_EQ(meet().classStart(1).draws, 1);
}

TEST_F(Starts, TheStartListShowsEachCompetitorsStartTimeInTheOrderOfTheDraw) {
    setUpIntervalRace();
    test.program().MDIMain.MakeStartlist.click();
    const auto text = lines(test.folder() / "Meet" / "Startliste.txt");
    // Class K2 is listed in the order of the list it was drawn from: 50 first, 26 last.
    const auto k2 = std::find(text.begin(), text.end(), "K2");
    ASSERT_NE(k2, text.end());
    ASSERT_GT(text.end() - k2, 30);
    EXPECT_EQ(k2[1], std::string(59, '='));
    EXPECT_EQ(k2[2], ":Start      :Nummer: Deltaker           : Klubb           :");
    EXPECT_EQ(k2[4].substr(0, 19), "10.27.00:   50:    ");
    EXPECT_EQ(k2[28].substr(0, 19), "10.39.00:   26:    ");
    EXPECT_EQ(k2[4].size(), 59u);
    // The HTML list has the start time first in each row of a class drawn.
    test.program().MDIMain.MakeStartlist.click();
    std::ifstream html(test.folder() / "Meet" / "Startliste.htm", std::ios::binary);
    const std::string page{std::istreambuf_iterator<char>(html), {}};
    const auto row = page.find("<P>10.27.00</FONT>");
    ASSERT_NE(row, std::string::npos);
    EXPECT_LT(row, page.find("<P>50</FONT>", row));
    // Paper and PDF: a column of start times before the number.
    const auto printed = results::PrintedStartList(test.program());
    ASSERT_EQ(printed.columns.front(), "Start");
    ASSERT_FALSE(printed.sections.empty());
    EXPECT_EQ(printed.sections[0].rows[0][0], "10.13.30");
    EXPECT_EQ(printed.sections[0].rows[0][1], "1");
}

TEST_F(Starts, TheLivePagesHaveAStartListPerClass) {
    setUpIntervalRace();
    auto snapshot = results::TakeSnapshot(test.program().meet.get(), test.program().LanguageTexts,
                                          lang::Language::Norwegian, "09.00.00");
    const auto index = results::AnswerLiveRequest(snapshot, {"GET", "/"});
    EXPECT_NE(index.body.find("href=\"/start/2\""), std::string::npos);
    const auto page = results::AnswerLiveRequest(snapshot, {"GET", "/start/2"});
    ASSERT_EQ(page.status, 200);
    const auto first = page.body.find(">10.27.00<");
    ASSERT_NE(first, std::string::npos);
    EXPECT_LT(first, page.body.find(">50<"));
    EXPECT_LT(page.body.find(">50<"), page.body.find(">10.27.30<"));
    EXPECT_EQ(results::AnswerLiveRequest(snapshot, {"GET", "/start/9"}).status, 404);
    // A draw made again is news for the pages.
    EXPECT_TRUE(results::SameResults(snapshot, test.program().meet.get(), lang::Language::Norwegian));
    ASSERT_TRUE(meet().draw(at(9, 0, 0), 99, {3}).acted);
    EXPECT_FALSE(results::SameResults(snapshot, test.program().meet.get(), lang::Language::Norwegian));
}

TEST_F(Starts, TheStartsPageSetsAClassDrawsItAndStartsAnotherAllAtOnce) {
    auto& main = test.program().Main;
    main.MainTabStrip.clickTab(7);
    EXPECT_EQ(main.MainConTainer.front(), 6);
    EXPECT_EQ(main.MainTabStrip.tabCaption(7), "S&tarter");
    EXPECT_EQ(main.StartsMessage.caption(), "");  // no word of a meet not open
    ASSERT_EQ(main.StartsClassCombo.items().size(), static_cast<std::size_t>(Classes));
    main.StartsClassCombo.pick(0);
    main.StartsModeCombo.pick(1);  // interval
    main.StartsFirstText.edit("10:00");
    main.StartsIntervalText.edit("15");
    main.StartsToleranceText.edit("2,5");
    main.StartsKeepButton.click();
    EXPECT_EQ(meet().classStart(1).mode, StartMode::Interval);
    EXPECT_EQ(meet().classStart(1).firstStart, "10.00.00.00");
    EXPECT_EQ(meet().classStart(1).interval, 1500);
    EXPECT_EQ(meet().classStart(1).tolerance, 250);
    // A time of day that is none is refused, and nothing changes.
    main.StartsFirstText.edit("25.00");
    main.StartsKeepButton.click();
    EXPECT_EQ(meet().classStart(1).firstStart, "10.00.00.00");
    EXPECT_NE(main.StartsMessage.caption().find("25.00"), std::string::npos);
    main.StartsDrawButton.click();
    EXPECT_EQ(meet().plannedStart(2)->planned, "10.00.15.00");
    EXPECT_EQ(main.StartsPlanText.text().substr(0, 14), "10.00.00.00  1");
    // Classes 2 and 3 started together at a time of day.
    main.StartsClassCombo.pick(1);
    main.StartsMassTimeText.edit("11.30");
    main.StartsGroupText.edit("2 3");
    main.StartsMassButton.click();
    EXPECT_EQ(meet().competitor(26).start, "11.30.00.00");
    EXPECT_EQ(meet().competitor(75).start, "11.30.00.00");
    EXPECT_EQ(meet().competitor(76).state, meet::NotStarted);
    EXPECT_EQ(meet().classStart(2).mode, StartMode::Mass);
    test.program().MDIMain.Close.click();
    EXPECT_FALSE(main.StartsDrawButton.enabled());
}

TEST(TypedTimes, TimesOfDayAndSecondsAsAnOfficialTypesThem) {
    EXPECT_EQ(pages::TypedTimeOfDay("10.30"), "10.30.00.00");
    EXPECT_EQ(pages::TypedTimeOfDay(" 9:05:07 "), "09.05.07.00");
    EXPECT_EQ(pages::TypedTimeOfDay("10.30.15.5"), "10.30.15.05");
    EXPECT_EQ(pages::TypedTimeOfDay(""), "-");
    EXPECT_EQ(pages::TypedTimeOfDay("24.00"), "");
    EXPECT_EQ(pages::TypedTimeOfDay("10"), "");
    EXPECT_EQ(pages::TypedTimeOfDay("10.3x"), "");
    EXPECT_EQ(pages::TypedSeconds("30"), 3000);
    EXPECT_EQ(pages::TypedSeconds("1,5"), 150);
    EXPECT_EQ(pages::TypedSeconds("0.25"), 25);
    EXPECT_EQ(pages::TypedSeconds(""), 0);
    EXPECT_EQ(pages::TypedSeconds("-3"), -1);
    EXPECT_EQ(pages::TypedSeconds("1 min"), -1);
}

TEST_F(Starts, AResetTakesTheStartsGivenAndKeepsTheDraw) {
    setUpIntervalRace();
    enter(3, at(10, 14, 20));  // early, for the jury
    enter(3, at(10, 46, 0));
    ASSERT_TRUE(meet().massStart({1}, at(11, 0, 0)).acted == false);  // an interval class
    test.program().MDIMain.Close.click();
    test.dialogs.fileAnswers.push_back(path);
    test.dialogs.answers.push_back(ui::Answer::Yes);
    test.program().MDIMain.Reset.click();
    test.dialogs.answers.clear();
    open();
    EXPECT_EQ(meet().plannedStart(3)->planned, "10.14.30.00");
    EXPECT_EQ(meet().plannedStart(3)->impulse, "-");
    EXPECT_TRUE(meet().juryMarked().empty());
    EXPECT_EQ(meet().competitor(3).state, meet::Started);
    EXPECT_EQ(meet().competitor(3).finish, "-");
    EXPECT_TRUE(meet().results(1).rows().empty());
}

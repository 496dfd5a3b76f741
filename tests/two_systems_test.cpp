// Two timing systems: B's impulses paired with A's, hand times in B's place, the replacement
// time where A missed, the synchronisation check and the timing report a referee signs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>

#include "base/precise_time.h"
#include "lang/systems_texts.h"
#include "meetdb/sqlite.h"
#include "results/trail_view.h"
#include "shell/meet_commands.h"
#include "support/fakes.h"
#include "support/race_file.h"
#include "support/two_systems_race.h"
#include "support/meet_query.h"

using namespace kvt;
using base::DayMicroseconds;
using kvt::testing::TestProgram;

namespace {

DayMicroseconds at(const std::string& clock) {
    DayMicroseconds time = 0;
    int decimals = 0;
    EXPECT_TRUE(base::ParseClockTime(clock, time, decimals)) << clock;
    return time;
}

}  // namespace

// ---- the rules ----

TEST(TwoSystemRules, PairsFollowTheDriftAndLeaveAMissedImpulseUnpaired) {
    // A every 20 s; B 2 ms behind, growing 1 ms each pair; A's third impulse missing.
    std::vector<DayMicroseconds> a, b;
    for (int i = 0; i < 40; ++i) {
        const DayMicroseconds t = 36000000000LL + i * 20000000LL;
        if (i != 2) a.push_back(t);
        b.push_back(t - 2000 - i * 1000 + (i % 3 - 1) * 200);
    }
    const auto pairs = meet::PairImpulses(a, b, 300000);
    ASSERT_EQ(pairs.size(), b.size());
    EXPECT_EQ(pairs[2], -1);  // its A is missing: not taken by a neighbour's
    for (int i = 0; i < 40; ++i)
        if (i != 2) {
            EXPECT_EQ(pairs[i], i < 2 ? i : i - 1) << i;
        }
    // A drift beyond the window from the start leaves them unpaired rather than paired wrong.
    const auto far = meet::PairImpulses(a, {a[0] + 400000}, 300000);
    EXPECT_EQ(far[0], -1);
    // Two B's near one A: only the nearer is its own.
    const auto two = meet::PairImpulses({1000000}, {1000000 - 50000, 1000000 - 1000}, 300000);
    EXPECT_EQ(two, (std::vector<int>{-1, 0}));
}

TEST(TwoSystemRules, TheTenNearestTakeMoreFromOneSideWhereTheOtherIsShort) {
    std::vector<int> all(30);
    for (int i = 0; i < 30; ++i) all[i] = i < 15 ? i : i + 1;  // 15 is the one replaced
    EXPECT_EQ(meet::NearestInOrder(all, 15), (std::vector<int>{10, 11, 12, 13, 14, 16, 17, 18, 19, 20}));
    // The first: ten after him.
    std::vector<int> after(20);
    for (int i = 0; i < 20; ++i) after[i] = i + 1;
    EXPECT_EQ(meet::NearestInOrder(after, 0), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    // Two before him: eight after.
    std::vector<int> two{0, 1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    EXPECT_EQ(meet::NearestInOrder(two, 2), (std::vector<int>{0, 1, 3, 4, 5, 6, 7, 8, 9, 10}));
    // Fewer than ten in all: every one.
    EXPECT_EQ(meet::NearestInOrder({0, 1, 5}, 3), (std::vector<int>{0, 1, 5}));
}

TEST(TwoSystemRules, TheReplacementIsCutNotRoundedFromTheExactMean) {
    // B 10:00:00.0000 and a mean A - B of 0.0099999 (10 differences summing to 0.099999 s):
    // 10:00:00.0099999 cut is 10:00:00.00, where a mean rounded to 1/10000 gives .01.
    std::vector<meet::ReplacementBasis> basis;
    for (int i = 0; i < 10; ++i) basis.push_back({i + 1, 1000000 + (i == 0 ? 9999 : 10000), 1000000});
    const auto replacement = meet::ComputeReplacement(at("10:00:00.0000"), basis);
    EXPECT_EQ(replacement.sum, 99999);
    EXPECT_EQ(replacement.time, at("10:00:00.00"));
    EXPECT_EQ(replacement.meanText(), "+0.0099999");
    // A negative mean moves the time back, still cut toward the earlier hundredth.
    std::vector<meet::ReplacementBasis> behind{{1, 0, 3001}, {2, 0, 3000}};
    const auto back = meet::ComputeReplacement(at("10:00:01.0000"), behind);
    EXPECT_EQ(back.time, at("10:00:00.99"));  // 10:00:00.9969995
    EXPECT_EQ(meet::DifferenceText(-3000), "-0.003");
    EXPECT_EQ(meet::DifferenceText(1234), "+0.001234");
}

TEST(TwoSystemRules, HandTimeListsTakeNumbersAndTimesOrTimesInOrder) {
    std::vector<int> bad;
    const auto times = meet::ReadHandTimes("12 10:01:02.34\n\n10.01.05.1\n7  9:59:58\nx 10:00\n", bad);
    ASSERT_EQ(times.size(), 3u);
    EXPECT_EQ(times[0].number, 12);
    EXPECT_EQ(times[0].time, at("10:01:02.34"));
    EXPECT_EQ(times[1].number, 0);
    EXPECT_EQ(times[1].time, at("10:01:05.1"));
    EXPECT_EQ(times[2].number, 7);
    EXPECT_EQ(times[2].time, at("09:59:58"));
    EXPECT_EQ(bad, std::vector<int>{5});
    meet::SystemsSetup systems;
    EXPECT_TRUE(systems.readLines("A-start A-finish B-start B-finish A A"));
    EXPECT_EQ(systems.lines[3].system, meet::TimingSystem::B);
    EXPECT_EQ(systems.linesText(), "A-start A-finish B-start B-finish A A");
    // B times a start or a finish; a text of another form changes nothing.
    EXPECT_FALSE(systems.readLines("A A B A A A"));
    EXPECT_FALSE(systems.readLines("A A"));
    EXPECT_EQ(systems.lines[4].use, meet::LineUse::Finish);
}

namespace {

class TwoSystems : public ::testing::Test {
protected:
    void make(int competitors) {
        auto& program = test.start();
        program.Main.SetupText[0].setText(std::to_string(competitors));
        program.Main.SetupText[2].setText("1");
        path = (test.folder() / "Race.mdb").string();
        test.dialogs.fileAnswers.push_back(path);
        program.MDIMain.MakeNew.click();
        test.dialogs.fileAnswers.push_back(path);
        program.MDIMain.Open.click();
        ASSERT_TRUE(program.meet);
        test.clock.time = {12, 0, 0, 0};
    }
    meet::Meet& meet() { return *test.program().meet; }
    void open() {
        ASSERT_TRUE(shell::OpenDatabaseFile(test.program(), path));
        ASSERT_TRUE(test.program().meet);
    }
    void reopen() {
        ASSERT_TRUE(shell::CloseDatabase(test.program()));
        open();
    }
    // The synthetic race written into the file, and the meet opened on it.
    void race(int competitors, unsigned seed) {
        make(competitors);
        if (HasFatalFailure()) return;
        if (test.program().meet) {
            ASSERT_TRUE(shell::CloseDatabase(test.program()));
        }
        made = kvt::testing::MakeTwoSystemsRace(competitors, seed);
        kvt::testing::WriteTwoSystemsRace(test.engine, path, test.program().LanguageTexts, made);
        open();
    }
    long long count(const std::string& sql) { return kvt::testing::StoredNumber(path, sql); }
    devices::Impulse timerTime(DayMicroseconds time, int line, int number = -1) {
        devices::Impulse impulse;
        impulse.source = devices::ImpulseSource::Timer;
        impulse.channel = "C" + std::to_string(line);
        impulse.line = line;
        impulse.hasTime = true;
        impulse.timeOfDay = time;
        impulse.decimals = 4;
        impulse.number = number;
        impulse.raw = base::ClockTimeText(time, 4);
        return impulse;
    }

    TestProgram test;
    std::string path;
    kvt::testing::TwoSystemsRace made;
};

}  // namespace

TEST_F(TwoSystems, OneThousandCompetitorsEveryBPairedWithItsAAndEveryReplacementAsByHand) {
    race(1000, 2026);
    const auto sheet = meet().systemsSheet();
    ASSERT_EQ(sheet.size(), 1000u);
    // Every B stands beside its own competitor's A: none paired with another's.
    int mismatches = 0, paired = 0;
    for (const auto& row : sheet) {
        const int n = row.number;
        for (bool finish : {false, true}) {
            const auto& times = finish ? row.finish : row.start;
            const auto a = (finish ? made.aFinish : made.aStart)[n];
            const auto b = (finish ? made.bFinish : made.bStart)[n];
            EXPECT_EQ(times.a, a) << n;
            if (times.a >= 0 && times.b >= 0 && !times.hand) {
                ++paired;
                if (times.b != b) ++mismatches;
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(paired, 1900);
    // The sheet is in start order.
    for (std::size_t i = 0; i < sheet.size(); ++i) ASSERT_EQ(sheet[i].number, made.order[i]);

    // B's missed by A belong to no one yet (contact lines give no number): each is given to
    // its competitor, as the operator reads them off B's tape.
    int proposals = 0;
    std::map<std::pair<int, bool>, meet::Replacement> expected;
    for (int n = 1; n <= 1000; ++n)
        for (bool finish : {false, true}) {
            const auto a = (finish ? made.aFinish : made.aStart)[n];
            const auto b = (finish ? made.bFinish : made.bStart)[n];
            if (a >= 0 || b < 0) continue;
            const auto use = finish ? meet::TimeUse::Finish : meet::TimeUse::Start;
            int entry = 0;
            for (const auto& [journalEntry, time] : meet().unpairedB(use))
                if (time == b) entry = journalEntry;
            ASSERT_GT(entry, 0) << n;
            ASSERT_TRUE(meet().giveSystemB(entry, n).stored);
        }
    for (int n = 1; n <= 1000; ++n)
        for (bool finish : {false, true}) {
            meet::Replacement byHand, proposed;
            const bool due = kvt::testing::ReplacementByHand(made, n, finish, byHand);
            if (!due && n % 10 != 0) continue;  // a tenth of those A timed: none proposed
            bool hand = false;
            std::string why;
            const bool given = meet().proposeReplacement(
                n, finish ? meet::TimeUse::Finish : meet::TimeUse::Start, proposed, hand, why);
            ASSERT_EQ(given, due) << n << (finish ? " finish " : " start ") << why;
            if (!due) continue;
            ++proposals;
            EXPECT_EQ(proposed.time, byHand.time) << n;
            EXPECT_EQ(proposed.sum, byHand.sum) << n;
            EXPECT_EQ(proposed.own, byHand.own) << n;
            ASSERT_EQ(proposed.basis.size(), 10u) << n;
            for (std::size_t k = 0; k < 10; ++k) EXPECT_EQ(proposed.basis[k].number, byHand.basis[k].number);
            expected[{n, finish}] = proposed;
        }
    // About 2 % of 2000 impulses, and the first and last starters' and the hand times.
    EXPECT_GT(proposals, 20);
    EXPECT_LT(proposals, 80);
    // The first starter's start: all ten come after him; the last one's finish: all before.
    const int first = made.order.front(), last = made.order.back();
    ASSERT_TRUE(expected.count({first, false}));
    for (const auto& basis : expected[{first, false}].basis)
        EXPECT_NE(std::find(made.order.begin() + 1, made.order.begin() + 12, basis.number),
                  made.order.begin() + 12);
    ASSERT_TRUE(expected.count({last, true}));
    for (const auto& basis : expected[{last, true}].basis)
        EXPECT_NE(std::find(made.order.end() - 14, made.order.end() - 1, basis.number),
                  made.order.end() - 1);
    // Both missed at the second starter's finish: his hand time stands in B's place.
    {
        meet::Replacement proposed;
        bool hand = false;
        std::string why;
        ASSERT_TRUE(meet().proposeReplacement(made.order[1], meet::TimeUse::Finish, proposed, hand, why));
        EXPECT_TRUE(hand);
        EXPECT_EQ(proposed.own, made.handFinish[made.order[1]]);
    }
}

TEST_F(TwoSystems, AReplacementAcceptedIsOneCorrectionRankedMarkedKeptAndReported) {
    race(60, 7);
    // Starts first, so that the finishes have their competitors started.
    std::vector<std::pair<int, bool>> due;
    for (int n = 1; n <= 60; ++n)
        for (bool finish : {false, true}) {
            const auto a = (finish ? made.aFinish : made.aStart)[n];
            const auto b = (finish ? made.bFinish : made.bStart)[n];
            if (a >= 0) continue;
            if (b >= 0) {
                const auto use = finish ? meet::TimeUse::Finish : meet::TimeUse::Start;
                for (const auto& [entry, time] : meet().unpairedB(use))
                    if (time == b) {
                        ASSERT_TRUE(meet().giveSystemB(entry, n).stored);
                    }
            }
            due.push_back({n, finish});
        }
    std::sort(due.begin(), due.end(), [](auto x, auto y) { return x.second < y.second; });
    const auto trailBefore = meet().trail().size();
    const auto last = made.order.back();
    int accepted = 0;
    for (const auto& [n, finish] : due) {
        meet::Replacement byHand;
        ASSERT_TRUE(kvt::testing::ReplacementByHand(made, n, finish, byHand)) << n;
        const auto outcome =
            meet().acceptReplacement(n, finish ? meet::TimeUse::Finish : meet::TimeUse::Start);
        ASSERT_TRUE(outcome.stored) << outcome.failure;
        ASSERT_TRUE(outcome.notices.empty()) << outcome.notices[0];
        ++accepted;
        const auto& competitor = meet().competitor(n);
        EXPECT_EQ(finish ? competitor.finish : competitor.start, base::PreciseTimeText(byHand.time));
        // Asked again: there is nothing to replace.
        meet::Replacement again;
        bool hand = false;
        std::string why;
        EXPECT_FALSE(meet().proposeReplacement(n, finish ? meet::TimeUse::Finish : meet::TimeUse::Start,
                                               again, hand, why));
    }
    // One trail row each, the hand-time correction's, with its reason.
    ASSERT_EQ(meet().trail().size(), trailBefore + accepted);
    EXPECT_EQ(meet().trail().back().action, storage::trail::HandTime);
    EXPECT_NE(meet().trail().back().reason.find("A - B"), std::string::npos);
    EXPECT_EQ(count("SELECT count(*) FROM \"Replacements\""), accepted);
    // The last starter finished on a replacement: ranked in his class, his result marked.
    EXPECT_TRUE(meet().isReplacement(last));
    bool ranked = false;
    for (const auto& row : meet().results(1).rows())
        if (row.number == last) {
            ranked = true;
            EXPECT_EQ(meet().markedResult(row), row.result + lang::ReplacementResultMark(lang::Language::Norwegian));
        }
    EXPECT_TRUE(ranked);
    // Kept across opening the meet again; undone, the mark goes with the time.
    reopen();
    EXPECT_EQ(meet().replacements().size(), static_cast<std::size_t>(accepted));
    EXPECT_TRUE(meet().isReplacement(last));
    const auto report = results::TimingReport(meet(), lang::Language::English, 0);
    bool listed = false;
    for (const auto& section : report.sections)
        if (section.heading.find("start number " + std::to_string(last) + ", finish") !=
            std::string::npos) {
            listed = true;
            EXPECT_EQ(section.rows.size(), 11u);  // how, and the ten
            // Under column names of its own, not the trail's.
            EXPECT_EQ(section.columns.at(0), "Start no.");
            EXPECT_EQ(section.rows.at(0).at(0), "B");
        }
    EXPECT_TRUE(listed);
    ASSERT_TRUE(meet().undo().stored);
    // The last correction was a finish: the mark follows what the competitor holds.
    for (const auto& row : meet().systemsSheet())
        if (row.number == due.back().first) {
            EXPECT_FALSE(row.finish.replaced);
        }
}

TEST_F(TwoSystems, ImpulsesOfBLinesAreJournaledNeverRegisteredAndTheDriftIsTold) {
    make(10);
    meet::SystemsSetup systems;
    ASSERT_TRUE(systems.readLines("A-start A-finish B-start B-finish A A"));
    systems.bound = 5000;
    const auto trailBefore = meet().trail().size();
    ASSERT_TRUE(meet().setSystems(systems).stored);
    EXPECT_EQ(meet().trail().size(), trailBefore + 1);
    EXPECT_EQ(meet().trail().back().subject, "Systems");
    for (int line = 0; line < 4; ++line) test.program().Main.SetupChannelCheck[line].setChecked(true);
    ASSERT_TRUE(meet().setGiveNumberedAtOnce(true).stored);
    // Competitor 1: A start and B start 1 ms apart; finish A, and B 8 ms apart (beyond 5 ms).
    auto outcome = meet().registerImpulse(timerTime(at("10:00:00.0000"), 0, 1));
    EXPECT_EQ(meet().competitor(1).state, meet::Started);
    outcome = meet().registerImpulse(timerTime(at("09:59:59.9990"), 2));
    EXPECT_TRUE(outcome.stored);
    EXPECT_EQ(meet().registeredCount(), 1);  // B is journaled only
    EXPECT_EQ(meet().journalCount(), 2);
    EXPECT_TRUE(outcome.notices.empty());
    // A finish line never gives a start: 2 has none, so his finish waits in the list.
    meet().registerImpulse(timerTime(at("10:01:00.0000"), 1, 2));
    EXPECT_EQ(meet().competitor(2).state, meet::NotStarted);
    meet().registerImpulse(timerTime(at("10:01:10.0000"), 1, 1));
    EXPECT_EQ(meet().competitor(1).state, meet::Finished);
    outcome = meet().registerImpulse(timerTime(at("10:01:09.9920"), 3));
    ASSERT_EQ(outcome.notices.size(), 1u);
    EXPECT_EQ(outcome.notices[0],
              lang::OutOfSyncText(lang::Language::Norwegian, 1, "+0.008"));
    const auto last = meet().lastPaired(1);
    ASSERT_EQ(last.size(), 1u);
    EXPECT_EQ(last[0].finish.a - last[0].finish.b, 8000);
    // Stored before shown: the journal holds the B's, the Time table only A's.
    EXPECT_EQ(count("SELECT count(*) FROM \"Impulses\" WHERE \"Line\" IN (3, 4) AND \"TimeRow\" IS NULL"), 2);
    reopen();
    EXPECT_EQ(meet().systems(), systems);
    EXPECT_EQ(meet().lastPaired(1)[0].finish.b, at("10:01:09.9920"));
}

TEST_F(TwoSystems, HandTimesTakeBsPlaceAndTheSyncCheckSaysWhetherTheSystemsAgree) {
    make(30);
    meet::SystemsSetup systems;
    ASSERT_TRUE(systems.readLines("A-start A-finish B-start B-finish A A"));
    ASSERT_TRUE(meet().setSystems(systems).stored);
    for (int line = 0; line < 4; ++line) test.program().Main.SetupChannelCheck[line].setChecked(true);
    ASSERT_TRUE(meet().setGiveNumberedAtOnce(true).stored);
    // The synchronisation: one contact stamped by both.
    meet().registerImpulse(timerTime(at("09:00:00.0000"), 0));
    meet().registerImpulse(timerTime(at("09:00:00.0000"), 2));
    auto outcome = meet().recordSync(false);
    ASSERT_TRUE(outcome.stored);
    EXPECT_TRUE(meet().syncCheck().synced());
    // The check a minute later: 0.0004 s apart, they agree.
    meet().registerImpulse(timerTime(at("09:01:00.0004"), 0));
    meet().registerImpulse(timerTime(at("09:01:00.0000"), 2));
    outcome = meet().recordSync(true);
    ASSERT_TRUE(outcome.stored);
    EXPECT_TRUE(meet().syncCheck().agree());
    ASSERT_EQ(outcome.notices.size(), 1u);
    EXPECT_NE(outcome.notices[0].find("+0.0004"), std::string::npos);
    // Twelve competitors started on A, no B (the B start line broke): hand times, typed by
    // number, stand beside A's.
    std::string list;
    for (int n = 1; n <= 12; ++n) {
        const DayMicroseconds start = at("10:00:00.0000") + n * 30000000LL;
        if (n != 6) meet().registerImpulse(timerTime(start, 0, n));
        char line[40];
        std::snprintf(line, sizeof line, "%d %s\n", n, base::ClockTimeText(start - 50000 - n * 1000, 2).c_str());
        list += line;
    }
    std::vector<int> bad;
    const auto hand = meet::ReadHandTimes(list, bad);
    ASSERT_TRUE(bad.empty());
    const auto trailBefore = meet().trail().size();
    ASSERT_TRUE(meet().addHandTimes(meet::TimeUse::Start, hand).stored);
    EXPECT_EQ(meet().trail().size(), trailBefore + 1);  // one import, one trail row
    const auto sheet = meet().systemsSheet();
    int withHand = 0;
    for (const auto& row : sheet)
        if (row.start.hand) ++withHand;
    EXPECT_EQ(withHand, 12);
    // 6 has no A: his replacement comes from his hand time and the mean A - hand of the ten
    // nearest with both (1 to 5 and 7 to 11).
    meet::Replacement proposal;
    bool fromHand = false;
    std::string why;
    ASSERT_TRUE(meet().proposeReplacement(6, meet::TimeUse::Start, proposal, fromHand, why)) << why;
    EXPECT_TRUE(fromHand);
    long long sum = 0;
    for (int n : {1, 2, 3, 4, 5, 7, 8, 9, 10, 11}) {
        const DayMicroseconds start = at("10:00:00.0000") + n * 30000000LL;
        sum += start - base::CutToDecimals(start - 50000 - n * 1000, 2);
    }
    const DayMicroseconds own = base::CutToDecimals(at("10:03:00.0000") - 56000, 2);
    EXPECT_EQ(proposal.own, own);
    EXPECT_EQ(proposal.sum, sum);
    EXPECT_EQ(proposal.time, base::CutToDecimals(own + sum / 10, 2));
    ASSERT_EQ(proposal.basis.size(), 10u);
    EXPECT_EQ(proposal.basis[5].number, 7);
    ASSERT_TRUE(meet().acceptReplacement(6, meet::TimeUse::Start).stored);
    EXPECT_EQ(meet().competitor(6).start, base::PreciseTimeText(proposal.time));
    EXPECT_TRUE(meet().replacements().back().hand);
    // The check recorded again far apart: they do not agree.
    meet().registerImpulse(timerTime(at("09:02:00.0030"), 0));
    meet().registerImpulse(timerTime(at("09:02:00.0000"), 2));
    ASSERT_TRUE(meet().recordSync(true).stored);
    EXPECT_FALSE(meet().syncCheck().agree());
    reopen();
    EXPECT_EQ(meet().syncCheck().checkA, at("09:02:00.0030"));
    EXPECT_FALSE(meet().syncCheck().agree());
}

TEST_F(TwoSystems, TheSetupPageSetsEachLinesSystemAndRefusesABoundThatIsNoNumber) {
    make(10);
    auto& main = test.program().Main;
    const auto choices = lang::LineSystemChoices(lang::Language::Norwegian);
    ASSERT_EQ(main.SetupLineSystemCombo[0].items(), choices);
    EXPECT_EQ(main.SetupLineSystemCombo[2].text(), "A");  // a meet made earlier: all A
    main.SetupLineSystemCombo[0].pick(1);
    main.SetupLineSystemCombo[1].pick(2);
    main.SetupLineSystemCombo[2].pick(3);
    main.SetupLineSystemCombo[3].pick(4);
    main.SetupSystemsWindowText.setText("0,5");
    main.SetupSystemsBoundText.setText("0.004");
    const auto trailBefore = meet().trail().size();
    main.SetupSystemsUseButton.click();
    EXPECT_EQ(meet().systems().linesText(), "A-start A-finish B-start B-finish A A");
    EXPECT_EQ(meet().systems().window, 500000);
    EXPECT_EQ(meet().systems().bound, 4000);
    EXPECT_EQ(meet().trail().size(), trailBefore + 1);
    // A bound that is no number changes nothing, and the page shows what is stored.
    main.SetupSystemsBoundText.setText("x");
    main.SetupSystemsUseButton.click();
    EXPECT_EQ(meet().systems().bound, 4000);
    EXPECT_EQ(main.SetupSystemsBoundText.text(), "0.004");
    ASSERT_FALSE(test.dialogs.notices.empty());
    EXPECT_EQ(test.dialogs.notices.back(), lang::NotASecondsText(lang::Language::Norwegian, "x"));
    reopen();
    EXPECT_EQ(main.SetupLineSystemCombo[3].text(), choices[4]);
}

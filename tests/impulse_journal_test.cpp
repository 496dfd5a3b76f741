// The journal of impulses: every impulse the program takes, from a line, a key, Enter or a
// timer, kept beside the Time table in the same commit as its registration; a timer's times
// registered with the timer's own time of day, once each.
#include <gtest/gtest.h>

#include "base/number_text.h"
#include "base/precise_time.h"
#include "meetdb/sqlite.h"
#include "shell/meet_commands.h"
#include "support/fakes.h"
#include "support/race_file.h"
#include "support/meet_query.h"

using namespace kvt;
using kvt::testing::TestProgram;

namespace {

class Journal : public ::testing::Test {
protected:
    void SetUp() override {
        auto& p = test.start();
        path = test.makeAndOpenMeet();
        ASSERT_EQ(p.currentDatabase(), path);
        p.Main.SetupChannelCheck[0].setChecked(true);
        p.Main.SetupChannelCheck[1].setChecked(true);
        p.Main.SetupTimerValue[2].setCaption("1");
        db = test.engine.connection(path);
        test.clock.time = {12, 0, 0, 0};
    }
    meet::Meet& meet() { return *test.program().meet; }
    // The meet closed and opened again from its file.
    void reopen() {
        db.reset();
        ASSERT_TRUE(shell::CloseDatabase(test.program()));
        ASSERT_TRUE(shell::OpenDatabaseFile(test.program(), path));
        ASSERT_TRUE(test.program().meet);
        db = test.engine.connection(path);
    }
    void captures(int count) {
        for (int i = 0; i < count; ++i) {
            test.clock.time.second = i % 60;
            test.program().Main.Window.pressKey(ui::KeyF2);
        }
        for (int i = 0; i < 3; ++i) test.program().Main.Hitime1.tick();
    }
    long long count(const std::string& sql) { return kvt::testing::StoredNumber(path, sql); }
    long long storedTimes() { return count("SELECT count(*) FROM \"Tider\" WHERE \"Id\" <> '-'"); }
    long long journalRows() { return count("SELECT count(*) FROM \"Impulses\""); }
    bool hasJournal() {
        return count("SELECT count(*) FROM sqlite_master WHERE name = 'Impulses'") == 1;
    }
    // A field of journal row k as text.
    std::string journalField(int k, const std::string& field) {
        meetdb::Connection reader(path, meetdb::Connection::Mode::ReadOnly);
        auto q = reader.prepare("SELECT \"" + field + "\" FROM \"Impulses\" WHERE \"Impulse\" = ?1");
        q.bind(1, static_cast<long long>(k));
        if (!q.step()) return "<none>";
        return q.text(0).value_or("<null>");
    }
    devices::Impulse timerTime(const std::string& clock, int line, int number = -1) {
        devices::Impulse impulse;
        impulse.source = devices::ImpulseSource::Timer;
        impulse.channel = "C" + std::to_string(line);
        impulse.line = line;
        int decimals = 0;
        impulse.hasTime = base::ParseClockTime(clock, impulse.timeOfDay, decimals);
        impulse.decimals = decimals;
        impulse.number = number;
        impulse.raw = " 0001 C" + std::to_string(line) + "  " + clock + " 00";
        impulse.arrivalTime = {12, 0, 1, 500};
        impulse.arrival = 42;
        return impulse;
    }
    std::vector<meet::Outcome> pollWith(std::vector<devices::Impulse> impulses) {
        meet::PollInput input;
        input.now = test.clock.time;
        input.impulses = std::move(impulses);
        return meet().poll(std::move(input));
    }

    TestProgram test;
    std::string path;
    std::shared_ptr<meetdb::Connection> db;
};

}  // namespace

TEST_F(Journal, TheRunningClockATimerSendsBetweenItsTimesIsNoImpulse) {
    auto tick = timerTime("10:00:01.0000", 0);
    tick.kind = devices::RecordKind::ClockTick;
    for (int i = 0; i < 20; ++i) EXPECT_TRUE(pollWith({tick}).empty());
    EXPECT_EQ(meet().journalCount(), 0);
    EXPECT_EQ(meet().registeredCount(), 0);
    EXPECT_FALSE(hasJournal());
}

TEST_F(Journal, EveryRegistrationHasItsJournalRowInTheSameCommit) {
    EXPECT_FALSE(hasJournal());  // a meet gains the table with its first impulse
    captures(3);
    ASSERT_EQ(storedTimes(), 3);
    EXPECT_EQ(journalRows(), 3);
    EXPECT_EQ(meet().journalCount(), 3);
    for (int k = 1; k <= 3; ++k) {
        EXPECT_EQ(journalField(k, "TimeRow"), std::to_string(k));
        EXPECT_EQ(journalField(k, "Source"), "button");
        EXPECT_EQ(journalField(k, "Line"), "1");
    }
    EXPECT_EQ(journalField(2, "TimeOfDay"), "12:00:01.000000");
    EXPECT_EQ(journalField(2, "Microseconds"), std::to_string(43201LL * 1000000));
    EXPECT_EQ(journalField(1, "Number"), "-1");
}

TEST_F(Journal, AFailedCommitLeavesNeitherTheTimeNorItsJournalRowAndBothComeLater) {
    captures(1);
    db->execute("PRAGMA query_only = ON");
    captures(2);
    EXPECT_EQ(storedTimes(), 1);
    EXPECT_EQ(journalRows(), 1);
    EXPECT_EQ(meet().registeredCount(), 3);
    db->execute("PRAGMA query_only = OFF");
    captures(1);
    EXPECT_EQ(storedTimes(), 4);
    EXPECT_EQ(journalRows(), 4);
    for (int k = 1; k <= 4; ++k) EXPECT_EQ(journalField(k, "TimeRow"), std::to_string(k));
}

TEST_F(Journal, TheFirstImpulseOfAMeetThatCannotBeWrittenMakesTheTableOnceItCan) {
    db->execute("PRAGMA query_only = ON");
    captures(1);
    EXPECT_FALSE(hasJournal());
    db->execute("PRAGMA query_only = OFF");
    captures(1);
    EXPECT_TRUE(hasJournal());
    EXPECT_EQ(journalRows(), 2);
    EXPECT_EQ(storedTimes(), 2);
}

TEST_F(Journal, AMeetOpenedAgainGoesOnWithItsJournal) {
    captures(2);
    reopen();
    EXPECT_EQ(meet().journalCount(), 2);
    captures(1);
    EXPECT_EQ(journalRows(), 3);
    EXPECT_EQ(journalField(3, "TimeRow"), "3");
}

TEST_F(Journal, ATimersTimeIsRegisteredWithTheTimersTimeOfDayAndItsRecordKept) {
    auto outcomes = pollWith({timerTime("10:00:00.0009", 0, 7)});
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_TRUE(outcomes[0].stored);
    EXPECT_EQ(meet().registeredCount(), 1);
    EXPECT_EQ(meet().registered(1).time, "10.00.00.00");
    EXPECT_EQ(meet().registered(1).identification, "1-0001");
    EXPECT_EQ(storedTimes(), 1);
    EXPECT_EQ(journalField(1, "Source"), "timer");
    EXPECT_EQ(journalField(1, "Channel"), "C0");
    EXPECT_EQ(journalField(1, "TimeOfDay"), "10:00:00.000900");
    EXPECT_EQ(journalField(1, "Microseconds"), "36000000900");
    EXPECT_EQ(journalField(1, "Decimals"), "4");
    EXPECT_EQ(journalField(1, "Number"), "7");
    EXPECT_EQ(journalField(1, "Raw"), " 0001 C0  10:00:00.0009 00");
    EXPECT_EQ(journalField(1, "Arrival"), "12:00:01.500");
    EXPECT_EQ(journalField(1, "TimeRow"), "1");
    // The timer's start number fills the number of the row, for the operator to confirm.
    EXPECT_EQ(meet().row(0).number, "7");
    EXPECT_EQ(meet().row(0).regTime, "10.00.00.00");
}

TEST_F(Journal, ATimeSentTwiceIsRegisteredOnceAndJournaledAsRepeated) {
    pollWith({timerTime("10:00:00.0009", 1)});
    pollWith({timerTime("10:00:00.0009", 1), timerTime("10:00:05.1234", 1)});
    EXPECT_EQ(meet().registeredCount(), 2);
    EXPECT_EQ(journalRows(), 3);
    EXPECT_EQ(journalField(2, "TimeRow"), "<null>");
    EXPECT_NE(std::stoi(journalField(2, "Flags")) & devices::Repeated, 0);
    EXPECT_EQ(journalField(3, "TimeRow"), "2");
    // The same time on another channel is another impulse.
    pollWith({timerTime("10:00:00.0009", 0)});
    EXPECT_EQ(meet().registeredCount(), 3);
    // Opened again, the meet still knows the times it registered.
    reopen();
    pollWith({timerTime("10:00:05.1234", 1)});
    EXPECT_EQ(meet().registeredCount(), 3);
    EXPECT_EQ(journalRows(), 5);
}

TEST_F(Journal, ClearedDisqualifiedAndUnmappedImpulsesAreJournaledAndShownNotRegistered) {
    auto cleared = timerTime("10:00:01.0000", 1);
    cleared.flags = devices::Cleared;
    auto disqualified = timerTime("10:00:02.0000", 1);
    disqualified.flags = devices::Disqualified;
    auto unmapped = timerTime("10:00:03.0000", 1);
    unmapped.line = -1;
    auto unused = timerTime("10:00:04.0000", 4);  // line 5 is not in use
    auto outcomes = pollWith({cleared, disqualified, unmapped, unused});
    ASSERT_EQ(outcomes.size(), 4u);
    EXPECT_EQ(meet().registeredCount(), 0);
    EXPECT_EQ(storedTimes(), 0);
    EXPECT_EQ(journalRows(), 4);
    for (int k = 1; k <= 4; ++k) EXPECT_EQ(journalField(k, "TimeRow"), "<null>");
    ASSERT_EQ(outcomes[0].notices.size(), 1u);
    EXPECT_NE(outcomes[0].notices[0].find("10:00:01.0000"), std::string::npos);
    EXPECT_EQ(outcomes[1].notices.size(), 1u);
    // A cleared time does not keep the same time, uncleared, from being registered.
    pollWith({timerTime("10:00:01.0000", 1)});
    EXPECT_EQ(meet().registeredCount(), 1);
}

namespace {

// Competitors 1 and 2 in class K1, nobody started yet, the meet opened again.
class FullPrecision : public Journal {
protected:
    void SetUp() override {
        Journal::SetUp();
        kvt::testing::PrepareRace(path, test.program().LanguageTexts, 2, 1, 0);
        meetdb::Connection writer(path, meetdb::Connection::Mode::ReadWrite);
        writer.execute("DELETE FROM \"Tider\"");
        writer.execute(
            "UPDATE \"Oppsett\" SET \"29\" = '0', \"30\" = '0', \"31\" = '0', \"32\" = '0'");
        reopen();
        ASSERT_EQ(meet().competitor(1).state, meet::NotStarted);
    }
    // The row offering Time-table row k, given with "<<".
    void give(int k) {
        for (int row = 0; row < meet::CaptureRows; ++row)
            if (base::TextToNumber(meet().row(row).regTimeIndex) == k && meet().row(row).ready) {
                auto outcome = meet().giveRegisteredTime(row);
                ASSERT_TRUE(outcome.stored);
                return;
            }
        FAIL() << "no row offers time " << k;
    }
    // The worked example: a start at 10:00:00.0009 and a finish at 10:01:14.3004.
    void race() {
        pollWith({timerTime("10:00:00.0009", 0, 1)});
        give(1);
        pollWith({timerTime("10:01:14.3004", 1, 1)});
        give(2);
        ASSERT_EQ(meet().competitor(1).state, meet::Finished);
    }
    std::string result() {
        const auto& rows = meet().results(1).rows();
        return rows.empty() ? "<none>" : rows[0].result;
    }
};

}  // namespace

TEST_F(FullPrecision, OffTheTimesAreCutToHundredthsFirstAsInEveryMeetBefore) {
    EXPECT_FALSE(meet().fullPrecision());
    race();
    EXPECT_EQ(meet().raceTime(meet().competitor(1)), "00.01.14.30");
    EXPECT_EQ(result(), "00.01.14");  // the list shows whole seconds
}

TEST_F(FullPrecision, OnTheRaceTimeIsTakenAtFullPrecisionThenCut) {
    ASSERT_TRUE(meet().setFullPrecision(true).stored);
    race();
    EXPECT_EQ(meet().raceTime(meet().competitor(1)), "00.01.14.29");
    EXPECT_EQ(result(), "00.01.14");
    EXPECT_EQ(meet().raceHundredths(meet().competitor(1)), 7429);
    // Opened again, the option and the times of day at full precision are still there.
    reopen();
    EXPECT_TRUE(meet().fullPrecision());
    EXPECT_EQ(meet().raceTime(meet().competitor(1)), "00.01.14.29");
}

TEST_F(FullPrecision, TheOptionIsFollowedOnlyOnceStoredAndATimeEditedIsTakenAsItStands) {
    auto writer = test.engine.connection(path);
    writer->execute("PRAGMA query_only = ON");
    EXPECT_FALSE(meet().setFullPrecision(true).stored);
    EXPECT_FALSE(meet().fullPrecision());
    writer->execute("PRAGMA query_only = OFF");
    ASSERT_TRUE(meet().setFullPrecision(true).stored);
    race();
    // A finish changed by hand in the Time table no longer has a time of day of the timer.
    writer->execute("UPDATE \"Tider\" SET \"Tid\" = '10.01.15.00' WHERE rowid = 2");
    writer.reset();
    reopen();
    EXPECT_EQ(meet().raceTime(meet().competitor(1)), "00.01.15.00");
}

namespace {

// A timer's times that carry start numbers, given at once where the meet is set so.
class NumberedTimes : public FullPrecision {
protected:
    // A text field of Time-table row k as stored.
    std::string stored(int k, const std::string& field) {
        meetdb::Connection reader(path, meetdb::Connection::Mode::ReadOnly);
        auto q = reader.prepare("SELECT \"" + field + "\" FROM \"Tider\" WHERE rowid = ?1");
        q.bind(1, static_cast<long long>(k));
        if (!q.step()) return "<none>";
        return q.text(0).value_or("<null>");
    }
    bool offered(int k) {
        for (int row = 0; row < meet::CaptureRows; ++row)
            if (meet().row(row).ready && base::TextToNumber(meet().row(row).regTimeIndex) == k)
                return true;
        return false;
    }
    // "<<" on the row offering Time-table row k.
    meet::Outcome giveRow(int k) {
        for (int row = 0; row < meet::CaptureRows; ++row)
            if (meet().row(row).ready && base::TextToNumber(meet().row(row).regTimeIndex) == k)
                return meet().giveRegisteredTime(row);
        ADD_FAILURE() << "no row offers time " << k;
        return {};
    }
    std::vector<std::string> notices(const std::vector<meet::Outcome>& outcomes) {
        std::vector<std::string> all;
        for (const auto& outcome : outcomes)
            all.insert(all.end(), outcome.notices.begin(), outcome.notices.end());
        return all;
    }
};

bool anyContains(const std::vector<std::string>& texts, const std::string& part) {
    for (const auto& text : texts)
        if (text.find(part) != std::string::npos) return true;
    return false;
}

}  // namespace

TEST_F(NumberedTimes, WithTheOptionATimeWithACompetitorsNumberIsHisAtOnceInOneCommit) {
    ASSERT_TRUE(meet().setGiveNumberedAtOnce(true).stored);
    pollWith({timerTime("10:00:00.0009", 0, 1)});
    EXPECT_EQ(meet().competitor(1).state, meet::Started);
    EXPECT_EQ(meet().competitor(1).start, "10.00.00.00");
    EXPECT_FALSE(offered(1));  // given: the list never offers it
    EXPECT_EQ(stored(1, "Nr"), "1");
    EXPECT_EQ(stored(1, "Type"), "Ut");
    EXPECT_EQ(journalField(1, "TimeRow"), "1");
    // The finish, in the commit of its registration, with the result of the class.
    auto outcomes = pollWith({timerTime("10:01:14.3004", 1, 1)});
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_TRUE(outcomes[0].stored);
    EXPECT_TRUE(outcomes[0].finished);
    EXPECT_EQ(meet().competitor(1).state, meet::Finished);
    EXPECT_EQ(stored(2, "Nr"), "1");
    EXPECT_EQ(stored(2, "Type"), "Inn");
    EXPECT_EQ(result(), "00.01.14");
    EXPECT_EQ(count("SELECT count(*) FROM \"Resultat-1\""), 1);
    EXPECT_FALSE(anyContains(notices(outcomes), "klokker"));  // both from the timer
    // The option and both gives are in the trail, each stored with its change.
    std::vector<std::string> trail;
    for (const auto& entry : meet().trail())
        if (entry.action != "setting" || entry.subject == "GiveNumberedAtOnce")
            trail.push_back(entry.action + " " + std::to_string(entry.number) + " " +
                            entry.subject + " " + entry.before + ">" + entry.after);
    EXPECT_EQ(trail, (std::vector<std::string>{"setting -1 GiveNumberedAtOnce 0>1",
                                               "start 1 1-0001 ->10.00.00.00",
                                               "finish 1 2-0001 ->10.01.14.30"}));

    // No number, a number of no competitor, or of one who finished: into the list, as before.
    pollWith({timerTime("10:02:00.0000", 0), timerTime("10:02:01.0000", 0, 77),
              timerTime("10:02:02.0000", 1, 1)});
    EXPECT_TRUE(offered(3));
    EXPECT_TRUE(offered(4));
    EXPECT_TRUE(offered(5));
    EXPECT_EQ(meet().competitor(1).finish, "10.01.14.30");
    EXPECT_EQ(meet().row(1).number, "77");
    EXPECT_EQ(meet().row(2).number, "1");

    // Opened again, the option is still chosen, and the given times stay given.
    reopen();
    EXPECT_TRUE(meet().giveNumberedAtOnce());
    EXPECT_EQ(meet().competitor(1).state, meet::Finished);
    EXPECT_FALSE(offered(1));
    EXPECT_FALSE(offered(2));
}

TEST_F(NumberedTimes, WithoutTheOptionTheNumberFillsTheRowForTheOperatorToGive) {
    EXPECT_FALSE(meet().giveNumberedAtOnce());
    pollWith({timerTime("10:00:00.0009", 0, 2)});
    EXPECT_EQ(meet().competitor(2).state, meet::NotStarted);
    EXPECT_TRUE(offered(1));
    EXPECT_EQ(meet().row(0).number, "2");
    EXPECT_EQ(stored(1, "Nr"), "-");
}

TEST_F(NumberedTimes, AGiveThatCannotBeStoredIsKeptAndStoredWithTheNextCommit) {
    ASSERT_TRUE(meet().setGiveNumberedAtOnce(true).stored);
    auto writer = test.engine.connection(path);
    writer->execute("PRAGMA query_only = ON");
    auto outcomes = pollWith({timerTime("10:00:00.0009", 0, 2)});
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_FALSE(outcomes[0].stored);
    EXPECT_EQ(storedTimes(), 0);
    EXPECT_FALSE(hasJournal());  // neither the time nor its journal row
    EXPECT_EQ(meet().competitor(2).state, meet::Started);  // kept, to be stored
    writer->execute("PRAGMA query_only = OFF");
    EXPECT_TRUE(meet().store().stored);
    EXPECT_EQ(stored(1, "Nr"), "2");
    EXPECT_EQ(stored(1, "Type"), "Ut");
    EXPECT_EQ(journalRows(), 1);
    writer.reset();
    reopen();
    EXPECT_EQ(meet().competitor(2).state, meet::Started);
}

TEST_F(NumberedTimes, AFinishFromAnotherClockThanItsStartIsToldWhenItIsGiven) {
    ASSERT_TRUE(meet().setGiveNumberedAtOnce(true).stored);
    // Competitor 1 starts on the timer, and finishes by Enter on the PC's clock.
    pollWith({timerTime("10:00:00.0009", 0, 1)});
    meet().typeNumber(0, "1");
    auto finish = meet().giveTimeNow(0, "10.01.14.30");
    meet().releaseEnter();
    ASSERT_TRUE(finish.stored);
    EXPECT_EQ(meet().competitor(1).state, meet::Finished);
    ASSERT_TRUE(anyContains(finish.notices, "forskjellige klokker")) << finish.notices.size();
    EXPECT_TRUE(anyContains(finish.notices, "starten fra tidtakeruret, målgangen fra PC-ens"));
    // Competitor 2 starts by Enter, and the timer's finish is given at once.
    meet().typeNumber(1, "2");
    ASSERT_TRUE(meet().giveTimeNow(1, "10.00.30.00").stored);
    meet().releaseEnter();
    auto timerFinish = pollWith({timerTime("10:02:00.1234", 1, 2)});
    EXPECT_EQ(meet().competitor(2).state, meet::Finished);
    EXPECT_TRUE(anyContains(notices(timerFinish), "starten fra PC-ens klokke, målgangen fra "
                                                  "tidtakeruret"));
}

TEST_F(NumberedTimes, AFinishGivenWithTheListFromAnotherClockIsToldToo) {
    // The start a capture of line 1 on the PC's clock, the finish a timer's time given with "<<".
    test.clock.time = {10, 0, 0, 0};
    test.program().Main.Window.pressKey(ui::KeyF2);
    for (int i = 0; i < 3; ++i) test.program().Main.Hitime1.tick();
    ASSERT_EQ(meet().registeredCount(), 1);
    meet().typeNumber(0, "1");
    ASSERT_TRUE(giveRow(1).stored);
    ASSERT_EQ(meet().competitor(1).state, meet::Started);
    pollWith({timerTime("10:01:00.0000", 1, 1)});
    auto given = giveRow(2);
    EXPECT_EQ(meet().competitor(1).state, meet::Finished);
    EXPECT_TRUE(anyContains(given.notices, "starten fra PC-ens klokke"));
    // Both from the timer: nothing to tell.
    pollWith({timerTime("10:03:00.0000", 0, 2)});
    ASSERT_TRUE(giveRow(3).stored);
    pollWith({timerTime("10:04:00.0000", 1, 2)});
    auto same = giveRow(4);
    EXPECT_EQ(meet().competitor(2).state, meet::Finished);
    EXPECT_FALSE(anyContains(same.notices, "klokker"));
}

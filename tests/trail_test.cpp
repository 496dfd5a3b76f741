// The trail of changes: every start, finish, register edit, setting, import and reset leaves one
// row in the meet, written in the same commit as the change, and none is written for a change
// that could not be stored.
#include <gtest/gtest.h>

#include "base/number_text.h"
#include "meet/setup.h"
#include "meetdb/sqlite.h"
#include "shell/meet_commands.h"
#include "support/fakes.h"
#include "support/race_file.h"
#include "support/meet_query.h"

using namespace kvt;
using kvt::testing::TestProgram;

namespace {

// Competitors 1 to 4 in class K1, nobody started yet, the meet open.
class Trail : public ::testing::Test {
protected:
    void SetUp() override {
        auto& p = test.start();
        path = test.makeAndOpenMeet();
        ASSERT_EQ(p.currentDatabase(), path);
        p.Main.SetupChannelCheck[0].setChecked(true);
        kvt::testing::PrepareRace(path, p.LanguageTexts, 4, 1, 0);
        {
            meetdb::Connection writer(path, meetdb::Connection::Mode::ReadWrite);
            writer.execute("DELETE FROM \"Tider\"");
            writer.execute(
                "UPDATE \"Oppsett\" SET \"29\" = '0', \"30\" = '0', \"31\" = '0', \"32\" = '0'");
        }
        reopen();
        test.program().Main.SetupTimerValue[2].setCaption("1");
        test.clock.time = {12, 0, 0, 0};
        // Choosing the line and the delay above are settings, in the trail already.
        base = static_cast<int>(meet().trail().size());
    }
    meet::Meet& meet() { return *test.program().meet; }
    void reopen() {
        db.reset();
        ASSERT_TRUE(shell::CloseDatabase(test.program()));
        ASSERT_TRUE(shell::OpenDatabaseFile(test.program(), path));
        ASSERT_TRUE(test.program().meet);
        db = test.engine.connection(path);
    }
    void capture(int second) {
        test.clock.time.second = second;
        test.program().Main.Window.pressKey(ui::KeyF2);
        for (int i = 0; i < 3; ++i) test.program().Main.Hitime1.tick();
    }
    // The time offered on the first row that offers one, given to number n with "<<".
    meet::Outcome give(int n) {
        for (int row = 0; row < meet::CaptureRows; ++row)
            if (meet().row(row).ready && meet().row(row).regTime != "-") {
                meet().typeNumber(row, std::to_string(n));
                return meet().giveRegisteredTime(row);
            }
        ADD_FAILURE() << "no row offers a time; registered " << meet().registeredCount()
                      << ", row 0 " << meet().row(0).regTime << " / " << meet().row(0).number
                      << ", row 1 " << meet().row(1).regTime << " ready " << meet().row(1).ready;
        return {};
    }
    long long count(const std::string& sql) { return kvt::testing::StoredNumber(path, sql); }
    // The rows of the trail since the fixture was set up.
    long long trailRows() {
        if (count("SELECT count(*) FROM sqlite_master WHERE name = 'Trail'") == 0) return -base;
        return count("SELECT count(*) FROM \"Trail\"") - base;
    }
    // Field of trail row k (1: the oldest) as stored.
    std::string trailField(int k, const std::string& field) {
        meetdb::Connection reader(path, meetdb::Connection::Mode::ReadOnly);
        auto q = reader.prepare("SELECT \"" + field + "\" FROM \"Trail\" WHERE \"Entry\" = ?1");
        q.bind(1, static_cast<long long>(base + k));
        if (!q.step()) return "<none>";
        return q.text(0).value_or("<null>");
    }

    TestProgram test;
    std::string path;
    std::shared_ptr<meetdb::Connection> db;
    int base = 0;
};

}  // namespace

TEST_F(Trail, EveryStartAndFinishGivenLeavesOneRowWithWhatItWasAndWhatItBecame) {
    EXPECT_EQ(trailRows(), 0);
    capture(0);
    capture(5);
    ASSERT_TRUE(give(2).stored);
    EXPECT_EQ(trailRows(), 1);
    ASSERT_TRUE(give(2).stored);
    ASSERT_EQ(trailRows(), 2);
    EXPECT_EQ(trailField(1, "Action"), "start");
    EXPECT_EQ(trailField(1, "Number"), "2");
    EXPECT_EQ(trailField(1, "Subject"), "1-0001");
    EXPECT_EQ(trailField(1, "Before"), "-");
    EXPECT_EQ(trailField(1, "After"), meet().competitor(2).start);
    EXPECT_EQ(trailField(2, "Action"), "finish");
    EXPECT_EQ(trailField(2, "Subject"), "1-0002");
    EXPECT_EQ(trailField(2, "After"), meet().competitor(2).finish);
    EXPECT_NE(trailField(2, "Station"), "");
    EXPECT_NE(trailField(2, "User"), "");
    EXPECT_EQ(trailField(2, "Moment").size(), std::string("2026-12-08 12:00:00.000").size());
    // Captures alone change no competitor and leave no row.
    capture(9);
    EXPECT_EQ(trailRows(), 2);
    // The meet holds what is stored, and opened again reads the same.
    ASSERT_EQ(meet().trail().size(), base + 2u);
    reopen();
    ASSERT_EQ(meet().trail().size(), base + 2u);
    EXPECT_EQ(meet().trail().back().action, "finish");
    EXPECT_EQ(meet().trail().back().number, 2);
    EXPECT_EQ(meet().trail().back().entry, base + 2);
}

TEST_F(Trail, AFinishThatCannotBeStoredWritesNoRowUntilItIsStoredAndThenOneWithIt) {
    capture(0);
    capture(5);
    ASSERT_TRUE(give(3).stored);
    db->execute("PRAGMA query_only = ON");
    auto outcome = give(3);
    EXPECT_FALSE(outcome.stored);
    EXPECT_EQ(trailRows(), 1);
    EXPECT_EQ(meet().trail().size(), base + 1u);
    EXPECT_FALSE(meet().allStored());
    db->execute("PRAGMA query_only = OFF");
    ASSERT_TRUE(meet().store().stored);
    EXPECT_EQ(trailRows(), 2);
    EXPECT_EQ(trailField(2, "Action"), "finish");
    EXPECT_EQ(count("SELECT count(*) FROM \"Resultat-1\""), 1);
    EXPECT_EQ(meet().trail().size(), base + 2u);
}

TEST_F(Trail, EditsSettingsAndImportsLeaveARowOnlyWhenTheyChangeSomethingAndAreStored) {
    namespace field = meet::field;
    auto edited = meet().editRecord(meet::Register::Competitors, 3, {{3, "Nytt lag"}});
    ASSERT_TRUE(edited.stored);
    ASSERT_EQ(trailRows(), 1);
    EXPECT_EQ(trailField(1, "Action"), "edit");
    EXPECT_EQ(trailField(1, "Number"), "3");
    EXPECT_EQ(trailField(1, "Subject"), "Deltakere 3");
    EXPECT_EQ(trailField(1, "After"), "3: Nytt lag");
    EXPECT_NE(trailField(1, "Before"), "3: Nytt lag");
    // The same value again changes nothing and leaves no row.
    meet().editRecord(meet::Register::Competitors, 3, {{3, "Nytt lag"}});
    EXPECT_EQ(trailRows(), 1);

    const std::string was = meet().setup().fields[field::RemoveFromList];
    const std::string now = was == "1" ? "0" : "1";
    ASSERT_TRUE(meet().changeSetting(field::RemoveFromList, now).stored);
    ASSERT_EQ(trailRows(), 2);
    EXPECT_EQ(trailField(2, "Action"), "setting");
    EXPECT_EQ(trailField(2, "Subject"), "Oppsett 16");
    EXPECT_EQ(trailField(2, "Before"), was);
    EXPECT_EQ(trailField(2, "After"), now);

    ASSERT_TRUE(meet().setFullPrecision(true).stored);
    EXPECT_EQ(trailRows(), 3);
    EXPECT_EQ(trailField(3, "Subject"), "FullPrecision");

    ASSERT_TRUE(meet()
                    .importEntries(meet::Register::Competitors,
                                   {{4, {{1, "Ola"}}}, {2, {{1, "Kari"}}}})
                    .stored);
    ASSERT_EQ(trailRows(), 4);
    EXPECT_EQ(trailField(4, "Action"), "import");
    EXPECT_EQ(trailField(4, "After"), "2 (2-4)");

    // An edit refused by the file is put back, and so is its row; stored later, both are.
    db->execute("PRAGMA query_only = ON");
    auto refused = meet().editRecord(meet::Register::Competitors, 1, {{1, "Per"}});
    EXPECT_FALSE(refused.stored);
    auto refusedImport =
        meet().importEntries(meet::Register::Competitors, {{1, {{2, "Hansen"}}}});
    EXPECT_FALSE(refusedImport.stored);
    EXPECT_EQ(trailRows(), 4);
    EXPECT_EQ(meet().trail().size(), base + 4u);
    db->execute("PRAGMA query_only = OFF");
    ASSERT_TRUE(meet().store().stored);
    ASSERT_EQ(trailRows(), 5);
    EXPECT_EQ(trailField(5, "After"), "1: Per");
    EXPECT_EQ(meet().trail().back().entry, base + 5);
}

TEST_F(Trail, AResetIsInTheTrailOfTheMeetItEmptied) {
    capture(0);
    capture(5);
    ASSERT_TRUE(give(1).stored);
    ASSERT_TRUE(give(1).stored);
    ASSERT_TRUE(shell::CloseDatabase(test.program()));
    db.reset();
    test.dialogs.fileAnswers.push_back(path);
    test.dialogs.answers.push_back(ui::Answer::Yes);
    test.program().MDIMain.Reset.click();
    ASSERT_EQ(count("SELECT count(*) FROM \"Tider\" WHERE \"Id\" <> '-'"), 0);
    ASSERT_EQ(trailRows(), 3);
    EXPECT_EQ(trailField(3, "Action"), "reset");
    EXPECT_EQ(trailField(3, "Before"), "2 / 1");
    ASSERT_TRUE(shell::OpenDatabaseFile(test.program(), path));
    ASSERT_EQ(meet().trail().size(), base + 3u);
    EXPECT_EQ(meet().trail().back().action, "reset");
}

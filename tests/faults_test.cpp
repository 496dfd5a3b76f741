// Faults beside a finish line: a disk that fills up and a database that can no longer be
// written during a race. The program says what failed, keeps the times in memory and in the
// list, and loses nothing it stored.
#include <gtest/gtest.h>

#include "meetdb/sqlite.h"
#include "support/fakes.h"

using namespace kvt;
using kvt::testing::TestProgram;

namespace {

class Fault : public ::testing::Test {
protected:
    void SetUp() override {
        auto& p = test.start();
        p.Main.SetupText[8].setText("5");  // few prepared time rows: the table must grow
        path = test.makeAndOpenMeet();
        ASSERT_EQ(p.currentDatabase(), path);
        p.Main.SetupChannelCheck[0].setChecked(true);
        p.Main.SetupTimerValue[2].setCaption("1");
        db = test.engine.connection(path);
        test.clock.time = {12, 0, 0, 0};
    }
    void captures(int count) {
        for (int i = 0; i < count; ++i) {
            test.clock.time.second = i % 60;
            test.program().Main.Window.pressKey(ui::KeyF2);
        }
        for (int i = 0; i < 3; ++i) test.program().Main.Hitime1.tick();
    }
    long long storedTimes() {
        meetdb::Connection reader(path, meetdb::Connection::Mode::ReadOnly);
        auto q = reader.prepare("SELECT count(*) FROM \"Tider\" WHERE \"Id\" <> '-'");
        q.step();
        return q.integer(0);
    }

    TestProgram test;
    std::string path;
    std::shared_ptr<meetdb::Connection> db;
};

}  // namespace

TEST_F(Fault, ADiskThatFillsUpLosesNoTime) {
    captures(3);
    ASSERT_EQ(storedTimes(), 3);
    auto pages = db->prepare("PRAGMA page_count");
    pages.step();
    db->execute("PRAGMA max_page_count = " + std::to_string(pages.integer(0)));  // the disk is full
    captures(400);  // the Time table must grow past its rows: no room
    EXPECT_EQ(test.program().meet->registeredCount(), 403);
    ASSERT_FALSE(test.dialogs.notices.empty());
    EXPECT_NE(test.dialogs.notices.back().find("1-0403"), std::string::npos);
    EXPECT_EQ(test.program().meet->registered(403).identification, "1-0403");
    EXPECT_EQ(test.program().Main.SetupCheck[3].checked(), false);  // never was on; untouched
    db->execute("PRAGMA max_page_count = 1073741823");              // room again
    captures(1);
    EXPECT_EQ(storedTimes(), 404);
    EXPECT_EQ(kvt::testing::ReadField(path, "Oppsett", "29"), "404");
}

TEST_F(Fault, ADatabaseThatBecomesReadOnlyKeepsTheTimesInTheList) {
    captures(2);
    db->execute("PRAGMA query_only = ON");  // the file can no longer be written
    captures(2);
    EXPECT_EQ(test.program().meet->registeredCount(), 4);
    EXPECT_EQ(test.program().Main.RegTime[3].text(), "12.00.01.00");
    EXPECT_TRUE(test.program().Main.ReadyLed[3].lit());
    EXPECT_EQ(storedTimes(), 2);
    ASSERT_FALSE(test.dialogs.notices.empty());
    EXPECT_NE(test.dialogs.notices.back().find("1-0004"), std::string::npos);
    db->execute("PRAGMA query_only = OFF");
    captures(1);
    EXPECT_EQ(storedTimes(), 5);
    // Closing and opening again shows all five in the list.
    test.program().MDIMain.Close.click();
    test.dialogs.fileAnswers.push_back(path);
    test.program().MDIMain.Open.click();
    EXPECT_EQ(test.program().meet->registeredCount(), 5);
    EXPECT_TRUE(test.program().Main.ReadyLed[4].lit());
}

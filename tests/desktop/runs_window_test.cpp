// Runs in the real window, offscreen: the number of runs set and run 2 chosen on the starts
// page, the capture page saying plainly which run is timed, and a finish given by the keys in
// run 2 landing in run 2 (run 1's results untouched).
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "base/time_text.h"
#include "desktop/main_frame.h"
#include "shell/commands.h"
#include "support/fakes.h"

using kvt::desktop::MainFrame;
using kvt::testing::TestProgram;

namespace {

class RunsWindow : public ::testing::Test {
protected:
    void SetUp() override {
        kvt::shell::LoadMain(program);
        frame.refreshAll();
        frame.show();
        QApplication::setActiveWindow(&frame);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
        program.Main.SetupCheck[1].setChecked(true);
        program.Main.SetupText[0].setText("20");
        path = test.makeAndOpenMeet();
        ASSERT_TRUE(program.meet);
        test.clock.time = {11, 0, 0, 0};
    }
    QLineEdit* number(int line) {
        return frame.findChild<QLineEdit*>(QString("Number_%1").arg(line));
    }
    // Competitor n started and finished by the keys on line 0, the finish at minute.
    void race(int n, int minute) {
        QLineEdit* box = number(0);
        QTest::mouseClick(box, Qt::LeftButton);
        box->selectAll();
        QTest::keyClicks(QApplication::focusWidget(), QString::number(n));
        test.clock.time = {11, minute, 0, 0};
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        test.clock.time = {11, minute + 1, 2, 500};
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    }

    TestProgram test;
    kvt::ui::Program& program = test.program();
    MainFrame frame{program};
    std::string path;
};

}  // namespace

TEST_F(RunsWindow, TheCapturePageShowsTheRunAndAFinishGivenInRunTwoLandsInRunTwo) {
    race(4, 0);
    ASSERT_EQ(program.meet->results(1).rows().size(), 1u);
    auto* run = frame.findChild<QLabel*>("CaptureRun");
    ASSERT_NE(run, nullptr);
    EXPECT_TRUE(run->text().isEmpty());  // one run: nothing to say

    // Two runs, run 2 chosen on the starts page.
    frame.clickMainTab(7);
    auto* runs = frame.findChild<QLineEdit*>("StartsRunsText");
    ASSERT_NE(runs, nullptr);
    runs->selectAll();
    QTest::keyClicks(runs, "2");
    QTest::mouseClick(frame.findChild<QPushButton*>("StartsRunsButton"), Qt::LeftButton);
    ASSERT_EQ(program.meet->runCount(), 2);
    auto* chosen = frame.findChild<QComboBox*>("StartsRunCombo");
    ASSERT_NE(chosen, nullptr);
    ASSERT_EQ(chosen->count(), 2);
    chosen->activated(1);
    ASSERT_TRUE(program.meet);
    ASSERT_EQ(program.meet->run(), 2);

    frame.clickMainTab(1);
    run = frame.findChild<QLabel*>("CaptureRun");
    EXPECT_EQ(run->text(), "Omgang 2");
    EXPECT_TRUE(run->isVisible());
    race(4, 30);
    EXPECT_EQ(program.meet->competitor(4).state, kvt::meet::Finished);
    EXPECT_EQ(program.meet->competitor(4).start, "11.30.00.00");
    // His run 2 is in run 2's results; run 1's still hold his first run alone.
    const auto two = program.meet->runResults(2, 1);
    ASSERT_EQ(two.size(), 1u);
    EXPECT_EQ(two[0].number, 4);
    // 1 minute 2 seconds, in the meet's time format.
    EXPECT_EQ(kvt::base::ResultHundredths(two[0].result), 6200) << two[0].result;
    const auto one = program.meet->runResults(1, 1);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].result, two[0].result);
    const auto combined = program.meet->combinedResults(1);
    ASSERT_EQ(combined.size(), 1u);
    EXPECT_EQ(combined[0].place, 1);
    EXPECT_EQ(combined[0].hundredths, 2 * kvt::base::ResultHundredths(two[0].result));
    EXPECT_TRUE(test.dialogs.messages.empty());
}

// Corrections in the real window, offscreen: a wrong finish given to the right competitor, a
// time by hand with its reason, undo and redo by their keys, the trail's tab, and the capture
// keys still the capture's.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "desktop/main_frame.h"
#include "shell/commands.h"
#include "support/fakes.h"

using kvt::desktop::MainFrame;
using kvt::testing::TestProgram;

namespace {

class CorrectionWindow : public ::testing::Test {
protected:
    void SetUp() override {
        kvt::shell::LoadMain(program);
        frame.refreshAll();
        frame.show();
        QApplication::setActiveWindow(&frame);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
        program.Main.SetupCheck[1].setChecked(true);
        path = test.makeAndOpenMeet();
        ASSERT_TRUE(program.meet);
        test.clock.time = {11, 0, 0, 0};
    }
    QLineEdit* box(const QString& name) {
        auto* found = frame.findChild<QLineEdit*>(name);
        EXPECT_NE(found, nullptr) << name.toStdString();
        return found;
    }
    // Clicks into a box and types, as the operator does.
    void type(const QString& name, const QString& text) {
        QLineEdit* into = box(name);
        QTest::mouseClick(into, Qt::LeftButton);
        into->selectAll();
        QTest::keyClicks(QApplication::focusWidget(), text);
    }
    void click(const QString& name) {
        auto* button = frame.findChild<QPushButton*>(name);
        ASSERT_NE(button, nullptr) << name.toStdString();
        ASSERT_TRUE(button->isEnabled()) << name.toStdString();
        QTest::mouseClick(button, Qt::LeftButton);
    }
    // Competitor n given the time now by Enter on line 0, as the operator does.
    void enterFor(int n) {
        type("Number_0", QString::number(n));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    }
    const kvt::meet::Competitor& competitor(int n) { return program.meet->competitor(n); }

    TestProgram test;
    kvt::ui::Program& program = test.program();
    MainFrame frame{program};
    std::string path;
};

}  // namespace

TEST_F(CorrectionWindow, AWrongFinishAndAHandTimeAreCorrectedUndoneAndRedoneInTheWindow) {
    enterFor(1);
    enterFor(2);
    test.clock.time = {11, 20, 0, 0};
    enterFor(1);  // it was 2 who finished
    ASSERT_EQ(competitor(1).state, kvt::meet::Finished);

    frame.clickMainTab(6);
    // The details show the chosen result and take no typing.
    EXPECT_TRUE(box("ResultsText_4")->isReadOnly());
    EXPECT_TRUE(box("ResultsIndex")->isReadOnly());
    type("ResultsCorrectionNumber", "1");
    type("ResultsCorrectionGiveTo", "2");
    click("ResultsCorrectionReassign");
    EXPECT_EQ(competitor(1).state, kvt::meet::Started);
    EXPECT_EQ(competitor(2).state, kvt::meet::Finished);
    EXPECT_EQ(competitor(2).finish, "11.20.00.00");
    EXPECT_TRUE(program.meet->allStored());
    auto* last = frame.findChild<QWidget*>("ResultsCorrectionLast");
    ASSERT_NE(last, nullptr);

    // 1 finished at 11.25 by the backup watch.
    type("ResultsCorrectionNumber", "1");
    type("ResultsCorrectionTime", "11.25.00.00");
    type("ResultsCorrectionReason", "Backup watch");
    click("ResultsCorrectionHandFinish");
    EXPECT_EQ(competitor(1).finish, "11.25.00.00");
    EXPECT_EQ(box("ResultsCorrectionReason")->text(), "");
    EXPECT_EQ(program.meet->results(1).rows().size(), 2u);

    // Ctrl+Alt+Z and Ctrl+Alt+Y on the page, wherever its focus is.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(competitor(1).state, kvt::meet::Started);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(competitor(1).state, kvt::meet::Finished);
    EXPECT_EQ(competitor(2).state, kvt::meet::Started);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Y, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(competitor(2).state, kvt::meet::Finished);
    EXPECT_EQ(competitor(1).state, kvt::meet::Started);
    EXPECT_TRUE(program.meet->allStored());

    // The trail's tab: the redo first.
    program.Main.ResultsTabStrip.clickTab(3);
    auto* trail = frame.findChild<QPlainTextEdit*>("TrailText");
    ASSERT_NE(trail, nullptr);
    EXPECT_TRUE(trail->isReadOnly());
    const QString first = trail->toPlainText().section('\n', 0, 0);
    EXPECT_TRUE(first.contains("Gjort om 2")) << first.toStdString();

    // Back on the capture page the number box and Enter are still the capture's, and F2
    // still captures.
    frame.clickMainTab(1);
    test.clock.time = {11, 40, 0, 0};
    enterFor(1);
    EXPECT_EQ(competitor(1).state, kvt::meet::Finished);
    EXPECT_EQ(competitor(1).finish, "11.40.00.00");
    program.Main.SetupChannelCheck[0].setChecked(true);
    const int registered = program.meet->registeredCount();
    QTest::keyClick(&frame, Qt::Key_F2);
    EXPECT_TRUE(QTest::qWaitFor([&] { return program.meet->registeredCount() > registered; },
                                3000));
}

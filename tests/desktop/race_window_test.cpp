// The statuses and the course view in the real window, offscreen: the keys of the capture page
// (F2 to F7, Enter in a line's number box) stay the capture page's wherever the keyboard is in
// what was added, and a status set there is shown on every page at once.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "desktop/main_frame.h"
#include "meetdb/sqlite.h"
#include "shell/commands.h"
#include "support/fakes.h"

using kvt::desktop::MainFrame;
using kvt::testing::TestProgram;

namespace {

// A meet with the sample names open in the real window, line 1 on, competitors 3 and 4
// started.
class RaceWindow : public ::testing::Test {
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
        frame.findChild<QCheckBox*>("SetupChannelCheck_0")->click();
        frame.clickMainTab(1);
        test.clock.time = {11, 0, 0, 0};
        type("Number_0", "3");
        enter();
        test.clock.time = {11, 1, 0, 0};
        type("Number_1", "4");
        enter();
        ASSERT_EQ(program.meet->competitor(4).state, kvt::meet::Started);
        test.clock.time = {11, 20, 0, 0};
    }
    template <typename T = QLineEdit>
    T* find(const char* name) {
        auto* widget = frame.findChild<T*>(name);
        if (!widget && course()) widget = course()->findChild<T*>(name);
        return widget;
    }
    QWidget* course() { return frame.findChild<QWidget*>("Course", Qt::FindDirectChildrenOnly); }
    // Clicks into the box and types, as the operator does.
    void type(const char* box, const QString& text) {
        QLineEdit* widget = find(box);
        ASSERT_NE(widget, nullptr) << box;
        QTest::mouseClick(widget, Qt::LeftButton);
        widget->selectAll();
        QTest::keyClicks(QApplication::focusWidget(), text);
    }
    void enter() {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        QTest::keyClick(focus, Qt::Key_Return);
    }
    void click(const char* name) {
        auto* button = find<QPushButton>(name);
        ASSERT_NE(button, nullptr) << name;
        QTest::mouseClick(button, Qt::LeftButton);
    }
    std::string storedStatus(int n) {
        kvt::meetdb::Connection db(path, kvt::meetdb::Connection::Mode::ReadOnly);
        auto select =
            db.prepare("SELECT \"12\" FROM \"Deltakere\" WHERE rowid = " + std::to_string(n));
        return select.step() ? select.text(0).value_or("") : "no record";
    }

    TestProgram test;
    kvt::ui::Program& program = test.program();
    MainFrame frame{program};
    std::string path;
};

}  // namespace

TEST_F(RaceWindow, AStatusFromTheCapturePageLeavesTheKeysToTheLines) {
    type("CaptureStatusNumber", "3");
    type("CaptureStatusReason", "Outside the course");
    // Enter in a box of the status gives no time and sets nothing.
    const int registered = program.meet->registeredCount();
    enter();
    EXPECT_EQ(program.meet->registeredCount(), registered);
    EXPECT_EQ(storedStatus(3), "-");
    // F2 still captures on line 1 with the keyboard in the reason box.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F2);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return program.meet->registeredCount() == registered + 1; }, 3000));
    EXPECT_EQ(QApplication::focusWidget(), find("CaptureStatusReason"));
    click("CaptureStatusDsq");
    EXPECT_EQ(storedStatus(3), "Disket");
    EXPECT_TRUE(find<QLabel>("CaptureStatusMessage")->text().contains("Disket"));
    // The click took no keyboard: the reason box keeps it, emptied.
    EXPECT_EQ(find("CaptureStatusReason")->text(), "");
    EXPECT_EQ(QApplication::focusWidget(), find("CaptureStatusReason"));
    // Enter on a line still gives the time.
    type("Number_1", "4");
    test.clock.time = {11, 30, 0, 0};
    enter();
    EXPECT_EQ(program.meet->competitor(4).state, kvt::meet::Finished);
}

TEST_F(RaceWindow, TheCourseViewShowsWhoIsOutAndMarksOneAsGaveUp) {
    program.Main.Hitime3.tick();
    auto* open = find<QPushButton>("CourseButton");
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->text(), "I løypa: 2");
    QTest::mouseClick(open, Qt::LeftButton);
    ASSERT_NE(course(), nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return course()->isVisible(); }, 2000));
    auto* list = find<QPlainTextEdit>("CourseList");
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->toPlainText().contains("     3  ")) << list->toPlainText().toStdString();
    EXPECT_TRUE(list->toPlainText().contains("     4  "));
    // With the view in front, F2 is still a capture of line 1.
    course()->activateWindow();
    QApplication::setActiveWindow(course());
    ASSERT_TRUE(QTest::qWaitForWindowActive(course()));
    const int registered = program.meet->registeredCount();
    QTest::keyClick(course(), Qt::Key_F2);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return program.meet->registeredCount() == registered + 1; }, 3000));

    type("CourseNumber", "4");
    click("CourseDnf");
    EXPECT_EQ(storedStatus(4), "Brutt");
    EXPECT_FALSE(list->toPlainText().contains("     4  "));
    EXPECT_EQ(find<QLabel>("CourseCount")->text(), "I løypa: 1");
    EXPECT_EQ(open->text(), "I løypa: 1");
    // Closed, it is hidden and can be shown again.
    course()->close();
    EXPECT_FALSE(program.Race.Course.Window.visible());
    EXPECT_FALSE(course()->isVisible());
}

// The real Qt window, offscreen: what the operator sees follows the window model.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QTest>

#include "desktop/help_window.h"
#include "desktop/main_frame.h"
#include "desktop/services.h"
#include "lang/apply.h"
#include "shell/commands.h"
#include "support/fakes.h"

using kvt::desktop::MainFrame;
using kvt::testing::TestProgram;

namespace {

QStringList menuTitles(MainFrame& frame) {
    QStringList titles;
    for (QAction* action : frame.menuBar()->actions()) titles << action->text();
    return titles;
}

}  // namespace

TEST(DesktopWindow, SwitchingTheLanguageChangesTheRealMenusAndTabs) {
    TestProgram test;
    MainFrame frame(test.program());
    kvt::shell::LoadMain(test.program());
    frame.show();
    EXPECT_EQ(menuTitles(frame), (QStringList{"&Database", "&Lister", "&Hjelp"}));
    auto* tabs = frame.findChild<QTabBar*>("MainTabStrip");
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(tabs->tabText(0), "&Fange");
    EXPECT_EQ(frame.windowTitle(), "[KVT] Kvarne Tidtaking System [ Ingen database åpenet ]");

    test.program().Main.SetupLanguageOption[1].select();
    EXPECT_EQ(menuTitles(frame), (QStringList{"&Database", "&Lists", "&Help"}));
    EXPECT_EQ(tabs->tabText(5), "&Results");
    auto* open = frame.findChild<QAction*>("Open");
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->text(), "&Open...");
    auto* exitButton = frame.findChild<QAction*>("MainToolbar_n");
    ASSERT_NE(exitButton, nullptr);
    EXPECT_EQ(exitButton->toolTip(), "Exit");
    auto* line = frame.findChild<QPushButton*>("TimeButton_0");
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->text(), "&Line 1");
}

TEST(DesktopWindow, CommandsShowTheirStateAndTabsTheirPage) {
    TestProgram test;
    MainFrame frame(test.program());
    kvt::shell::LoadMain(test.program());
    frame.show();
    EXPECT_FALSE(frame.findChild<QAction*>("Close")->isEnabled());
    EXPECT_FALSE(frame.findChild<QAction*>("MainToolbar_h")->isEnabled());
    EXPECT_TRUE(frame.findChild<QAction*>("MainToolbar_a")->isEnabled());
    frame.findChild<QAction*>("MainToolbar_n")->trigger();
    EXPECT_EQ(test.application.quitCalls, 1);

    auto* tabs = frame.findChild<QTabBar*>("MainTabStrip");
    auto* pages = frame.findChild<QStackedWidget*>("MainConTainer");
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(4).center());
    EXPECT_EQ(test.program().Main.MainConTainer.front(), 4);
    EXPECT_EQ(pages->currentIndex(), 4);
}

TEST(DesktopWindow, FunctionKeyReachesItsLineButtonWithADatabaseOpen) {
    TestProgram test;
    MainFrame frame(test.program());
    auto& program = test.program();
    kvt::shell::LoadMain(program);
    frame.show();
    QApplication::setActiveWindow(&frame);
    int downs = 0, ups = 0;
    program.Main.TimeButton[3].MouseDown = [&] { ++downs; };
    program.Main.TimeButton[3].MouseUp = [&] { ++ups; };
    QTest::keyClick(&frame, Qt::Key_F5);
    EXPECT_EQ(downs, 0);
    kvt::shell::SetDatabaseControls(program, true);
    QTest::keyClick(&frame, Qt::Key_F5);
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(ups, 1);
}

TEST(DesktopWindow, TypingInABoxChangesTheModel) {
    TestProgram test;
    MainFrame frame(test.program());
    kvt::shell::LoadMain(test.program());
    frame.show();
    auto* classes = frame.findChild<QLineEdit*>("SetupText_2");
    ASSERT_NE(classes, nullptr);
    classes->selectAll();
    QTest::keyClicks(classes, "40");
    EXPECT_EQ(test.program().Main.SetupText[2].text(), "15");
    EXPECT_EQ(classes->text(), "15");
}

TEST(DesktopHelp, ShowsTheTopicsOfTheHelpFileAndSearchesThem) {
    for (const char* file : {"Help.hlp", "Hjelp.hlp", "Iocard.hlp", "Iokort.hlp"}) {
        kvt::desktop::HelpWindow help;
        help.openFile(QString(KVT_ASSETS_DIR) + "/" + file);
        EXPECT_GE(help.topicCount(), 4) << file;
        EXPECT_EQ(help.listedTopicCount(), help.topicCount()) << file;
        auto* search = help.findChild<QLineEdit*>("HelpSearch");
        search->setText("zzzz-no-such-word");
        EXPECT_EQ(help.listedTopicCount(), 0) << file;
        search->setText("F2");
        EXPECT_GE(help.listedTopicCount(), 1) << file;
    }
}

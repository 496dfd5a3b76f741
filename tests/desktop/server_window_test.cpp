// The capture page of a station in the real window, offscreen, with its server stopped: F2
// and Enter are taken and shown as ever, the page says the server is away and how much waits,
// and once the server is back everything is stored and the page says so.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "desktop/main_frame.h"
#include "shell/commands.h"
#include "shell/meet_commands.h"
#include "shell/server_meets.h"
#include "support/fakes.h"
#include "support/pg_server.h"

using kvt::desktop::MainFrame;
using kvt::testing::PgServer;
using kvt::testing::TestProgram;

TEST(ServerWindow, F2AndEnterAreTakenWhileTheServerIsAwayAndStoredWhenItIsBack) {
    PgServer server(true);  // syncs each commit: what it answered survives a crash
    ASSERT_TRUE(server.ready() && server.start()) << "no PostgreSQL server could be started";
    TestProgram test;
    auto& program = test.program();
    MainFrame frame{program};
    kvt::shell::LoadMain(program);
    frame.refreshAll();
    frame.show();
    QApplication::setActiveWindow(&frame);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
    const std::string file = test.makeAndOpenMeet();
    program.MDIMain.Close.click();
    kvt::pgdb::ServerMeet meet;
    meet.host = "127.0.0.1";
    meet.port = server.port();
    meet.database = "window";
    kvt::shell::HostMeet(file, meet, server.password());
    test.server.setPassword(meet.name(), server.password());
    ASSERT_TRUE(kvt::shell::OpenDatabaseFile(program, meet.name()));
    frame.findChild<QCheckBox*>("SetupChannelCheck_0")->click();
    test.clock.time = {11, 0, 0, 0};
    auto* state = frame.findChild<QLabel*>("ServerState");
    ASSERT_NE(state, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return state->text() == "Server: tilkoblet"; }, 3000));

    server.crash();
    // Enter on a number typed on line 1: the competitor starts.
    auto* number = frame.findChild<QLineEdit*>("Number_0");
    QTest::mouseClick(number, Qt::LeftButton);
    number->selectAll();
    QTest::keyClicks(QApplication::focusWidget(), "1");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(program.meet->competitor(1).state, kvt::meet::Started);
    // F2: line 1 captures; the time enters the list.
    test.clock.time = {11, 0, 5, 0};
    QTest::keyClick(&frame, Qt::Key_F2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return program.meet->registeredCount() == 2; }, 3000));
    bool listed = false;
    for (int i = 0; i < 10; ++i)
        listed = listed ||
                 frame.findChild<QLineEdit*>(QString("RegTime_%1").arg(i))->text() == "11.00.05.00";
    EXPECT_TRUE(listed);
    ASSERT_TRUE(QTest::qWaitFor([&] { return state->text().contains("borte siden"); }, 3000))
        << state->text().toStdString();
    EXPECT_TRUE(state->text().endsWith(", 2 venter")) << state->text().toStdString();
    // The keys are still the operator's: another number typed goes into its box.
    QTest::mouseClick(frame.findChild<QLineEdit*>("Number_2"), Qt::LeftButton);
    frame.findChild<QLineEdit*>("Number_2")->selectAll();
    QTest::keyClicks(QApplication::focusWidget(), "2");
    EXPECT_EQ(frame.findChild<QLineEdit*>("Number_2")->text(), "2");

    ASSERT_TRUE(server.start());
    ASSERT_TRUE(QTest::qWaitFor([&] { return program.meet->allStored(); }, 10000))
        << program.meet->lastFailure();
    ASSERT_TRUE(QTest::qWaitFor([&] { return state->text() == "Server: tilkoblet"; }, 3000))
        << state->text().toStdString();
    EXPECT_EQ(program.meet->competitor(1).state, kvt::meet::Started);
    // Nothing of it needed a word from the operator.
    EXPECT_TRUE(test.dialogs.messages.empty()) << test.dialogs.messages[0].text;
}

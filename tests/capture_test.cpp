#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <thread>

#include "capture/poll.h"
#include "capture/time_list.h"
#include "devices/back_ends.h"
#include "meetdb/sqlite.h"
#include "support/fakes.h"

using namespace kvt;
using kvt::testing::TestProgram;
namespace fs = std::filesystem;

namespace {

// An open Norwegian meet, lines 1 and 3 checked, delay 3 polls.
class Capture : public ::testing::Test {
protected:
    void SetUp() override {
        auto& program = test.start();
        path = test.makeAndOpenMeet();
        ASSERT_EQ(program.currentDatabase(), path);
        main().SetupChannelCheck[0].setChecked(true);
        main().SetupChannelCheck[2].setChecked(true);
        main().SetupTimerValue[2].setCaption("3");
        test.clock.time = {9, 5, 3, 78};
    }

    ui::Program& program() { return test.program(); }
    ui::MainWindow& main() { return test.program().Main; }
    void polls(int count) {
        for (int i = 0; i < count; ++i) main().Hitime1.tick();
    }
    void automatic(bool on) { main().SetupCheck[3].setChecked(on); }
    std::optional<std::string> timeField(const std::string& field, int row) {
        meetdb::Connection db(path, meetdb::Connection::Mode::ReadOnly);
        auto q = db.prepare("SELECT " + meetdb::QuoteIdentifier(field) +
                            " FROM \"Tider\" ORDER BY rowid LIMIT 1 OFFSET ?1");
        q.bind(1, static_cast<long long>(row - 1));
        if (!q.step()) return std::nullopt;
        return q.text(0);
    }
    std::optional<std::string> setupField(const std::string& field) {
        return kvt::testing::ReadField(path, "Oppsett", field);
    }

    TestProgram test;
    std::string path;
};

}  // namespace

TEST_F(Capture, ALowSignalIsRegisteredAfterTheDelayWithItsIdentification) {
    automatic(true);
    EXPECT_TRUE(test.adapter.isOpen());
    EXPECT_EQ(main().SetupLabel[14].caption(), "6");
    polls(2);
    test.adapter.setLevel(0, 0);  // line 1 pulled low
    polls(1);
    EXPECT_TRUE(main().ChannelLed[0].lit());
    EXPECT_EQ(program().meet->registeredCount(), 0);
    polls(3);
    EXPECT_EQ(program().meet->registeredCount(), 0);
    polls(1);  // the delay + 1st poll after the capture
    ASSERT_EQ(program().meet->registeredCount(), 1);
    EXPECT_FALSE(main().ChannelLed[0].lit());
    EXPECT_EQ(program().meet->registered(1).time, "09.05.03.07");
    EXPECT_EQ(program().meet->registered(1).identification, "1-0001");
    EXPECT_EQ(program().meet->registered(1).rowIndex, " 1");
    EXPECT_EQ(main().SetupText[6].text(), "1");
    EXPECT_EQ(main().SetupText[9].text(), " 1");
    // Stored before the poll returned.
    EXPECT_EQ(timeField("Tid", 1), "09.05.03.07");
    EXPECT_EQ(timeField("Id", 1), "1-0001");
    EXPECT_EQ(setupField("29"), "1");
    EXPECT_EQ(setupField("32"), " 1");
    // And offered in the list.
    EXPECT_EQ(main().RegTime[0].text(), "09.05.03.07");
    EXPECT_TRUE(main().ReadyLed[0].lit());
    EXPECT_EQ(kvt::testing::ReadField(path, "Arbeid", "30"), "1");
}

TEST_F(Capture, ALineHeldActiveForMinutesGivesOneTime) {
    automatic(true);
    test.adapter.setLevel(2, 0);
    polls(60000);
    EXPECT_EQ(program().meet->registeredCount(), 1);
    test.adapter.setLevel(2, 1);
    polls(1);
    test.adapter.setLevel(2, 0);
    polls(5);
    EXPECT_EQ(program().meet->registeredCount(), 2);
    EXPECT_EQ(program().meet->registered(2).identification, "3-0002");
}

TEST_F(Capture, WithTheHighOptionOnlyAHighInputIsActive) {
    main().SetupSignalOption[0].select();
    automatic(true);
    polls(10);  // idle lines read high: every checked line captures
    EXPECT_EQ(program().meet->registeredCount(), 2);
    test.adapter.setLevel(0, 0);
    test.adapter.setLevel(2, 0);
    polls(10);
    EXPECT_EQ(program().meet->registeredCount(), 2);
}

TEST_F(Capture, AnUncheckedLineBelowTheLastLightsAndRegistersNothing) {
    automatic(true);
    test.adapter.setLevel(1, 0);  // line 2, not checked
    test.adapter.setLevel(4, 0);  // line 5, above the last checked line: not read
    polls(1);
    EXPECT_TRUE(main().ChannelLed[1].lit());
    EXPECT_FALSE(main().ChannelLed[4].lit());
    polls(10);
    EXPECT_FALSE(main().ChannelLed[1].lit());
    EXPECT_EQ(program().meet->registeredCount(), 0);
}

TEST_F(Capture, ManualClicksAreIgnoredOnPolledLines) {
    automatic(true);
    main().TimeButton[0].pressMouse();
    polls(10);
    main().TimeButton[0].releaseMouse();
    EXPECT_EQ(program().meet->registeredCount(), 0);
    automatic(false);
    main().TimeButton[0].pressMouse();
    polls(1);
    main().TimeButton[0].releaseMouse();
    polls(5);
    EXPECT_EQ(program().meet->registeredCount(), 1);
}

TEST_F(Capture, EveryFunctionKeyPressGivesExactlyOneTime) {
    for (int press = 0; press < 5; ++press) main().Window.pressKey(ui::KeyF2);
    polls(10);
    EXPECT_EQ(program().meet->registeredCount(), 5);
    EXPECT_EQ(program().meet->registered(5).identification, "1-0005");
    main().Window.pressKey(ui::KeyF2 + 1);  // line 2 is not checked
    polls(10);
    EXPECT_EQ(program().meet->registeredCount(), 5);
}

TEST_F(Capture, TheLastMillisecondOfTheDayIsCutToHundredths) {
    test.clock.time = {23, 59, 59, 999};
    main().Window.pressKey(ui::KeyF2 + 2);
    polls(4);
    EXPECT_EQ(program().meet->registered(1).time, "23.59.59.99");
    EXPECT_EQ(program().meet->registered(1).identification, "3-0001");
}

TEST_F(Capture, TheTenthRegistrationOfLineSixIsNumbered) {
    main().SetupChannelCheck[5].setChecked(true);
    for (int i = 0; i < 10; ++i) main().Window.pressKey(ui::KeyF7);
    polls(4);
    EXPECT_EQ(program().meet->registered(10).identification, "6-0010");
    EXPECT_EQ(main().SetupText[14].text(), " 10");
}

TEST_F(Capture, WithDelayOneTheTimeIsRegisteredOnTheSecondPoll) {
    main().SetupTimerValue[2].setCaption("1");
    main().TimeButton[0].pressMouse();
    polls(1);
    main().TimeButton[0].releaseMouse();
    polls(1);
    EXPECT_EQ(program().meet->registeredCount(), 0);
    polls(1);
    EXPECT_EQ(program().meet->registeredCount(), 1);
}

TEST_F(Capture, TheListFillsTopDownAndTheEleventhWaits) {
    for (int i = 0; i < 11; ++i) main().Window.pressKey(ui::KeyF2);
    polls(4);
    EXPECT_EQ(program().meet->registeredCount(), 11);
    EXPECT_EQ(program().meet->fetchedCount(), 10);
    for (int row = 0; row < 10; ++row) EXPECT_TRUE(main().ReadyLed[row].lit()) << row;
    EXPECT_EQ(main().RegTimeIndex[9].text(), " 10");

    test.dialogs.answers.push_back(ui::Answer::No);
    main().Delete[3].click();
    EXPECT_EQ(main().RegTimeIndex[3].text(), " 4");
    EXPECT_EQ(test.dialogs.messages.back().text, capture::DeleteQuestion);

    test.dialogs.answers.push_back(ui::Answer::Yes);
    main().Delete[3].click();
    EXPECT_EQ(main().RegTimeIndex[3].text(), " 5");
    EXPECT_EQ(main().RegTimeIndex[8].text(), " 10");
    EXPECT_EQ(main().RegTimeIndex[9].text(), " 11");  // the waiting one came in
    EXPECT_EQ(program().meet->fetchedCount(), 11);

    test.dialogs.answers.push_back(ui::Answer::Yes);
    main().Delete[0].click();
    EXPECT_FALSE(main().ReadyLed[9].lit());
    EXPECT_EQ(main().RegTime[9].text(), "-");
    const auto asked = test.dialogs.messages.size();
    main().Delete[9].click();  // a free row asks nothing
    EXPECT_EQ(test.dialogs.messages.size(), asked);
}

TEST_F(Capture, TheListSurvivesClosingAndOpening) {
    for (int i = 0; i < 3; ++i) main().Window.pressKey(ui::KeyF2);
    polls(4);
    main().Number[1].setText("7");
    program().MDIMain.Close.click();
    EXPECT_FALSE(main().ReadyLed[0].lit());
    EXPECT_EQ(program().meet, nullptr);
    EXPECT_EQ(main().SetupText[6].text(), "0");
    test.dialogs.fileAnswers.push_back(path);
    program().MDIMain.Open.click();
    EXPECT_EQ(program().meet->registeredCount(), 3);
    EXPECT_EQ(program().meet->fetchedCount(), 3);
    EXPECT_TRUE(main().ReadyLed[2].lit());
    EXPECT_FALSE(main().ReadyLed[3].lit());
    EXPECT_EQ(main().Number[1].text(), "7");
    EXPECT_EQ(main().RegTimeIndex[2].text(), " 3");
    EXPECT_EQ(program().meet->channelCount(1), 3);
    EXPECT_TRUE(main().SetupChannelCheck[0].checked());
    EXPECT_EQ(main().SetupSlider[1].value(), 3);
}

TEST_F(Capture, TheTimeTableGrowsPastItsPreparedRows) {
    main().SetupChannelCheck[1].setChecked(true);
    // A meet in which 299 times were registered already.
    program().MDIMain.Close.click();
    {
        meetdb::Connection db(path, meetdb::Connection::Mode::ReadWrite);
        db.execute(
            "UPDATE \"Tider\" SET \"Id\" = printf('1-%04d', rowid), "
            "\"Tid\" = '09.00.00.00' WHERE rowid <= 299");
        db.execute("UPDATE \"Oppsett\" SET \"29\" = '299', \"30\" = '299', \"32\" = ' 299'");
    }
    test.dialogs.fileAnswers.push_back(path);
    program().MDIMain.Open.click();
    ASSERT_EQ(program().meet->registeredCount(), 299);
    for (int i = 0; i < 3; ++i) main().Window.pressKey(ui::KeyF2 + 1);
    polls(4);
    EXPECT_EQ(program().meet->registeredCount(), 302);
    EXPECT_EQ(timeField("Index", 302), " 302");
    EXPECT_EQ(timeField("Id", 302), "2-0003");
    EXPECT_EQ(program().meet->timeTableSize(), 302);
    EXPECT_EQ(setupField("31"), "302");
    EXPECT_TRUE(test.dialogs.notices.empty());
}

TEST_F(Capture, AMeetWhoseTimeTableGrewPastThreeThousandRowsOpens) {
    {
        meetdb::Connection db(path, meetdb::Connection::Mode::ReadWrite);
        meetdb::Transaction grow(db);
        auto add = db.prepare("INSERT INTO \"Tider\" VALUES (?1, '-', '-', '-', '-', '-', '-')");
        for (int k = 301; k <= 3100; ++k) {
            add.bind(1, " " + std::to_string(k));
            add.run();
            add.reset();
        }
        db.execute("UPDATE \"Oppsett\" SET \"31\" = '3100'");
        grow.commit();
    }
    program().MDIMain.Close.click();
    test.dialogs.fileAnswers.push_back(path);
    program().MDIMain.Open.click();
    ASSERT_EQ(program().currentDatabase(), path);
    EXPECT_EQ(program().meet->timeTableSize(), 3100);
    EXPECT_EQ(program().meet->registered(3100).rowIndex, "3100");
}

TEST_F(Capture, ATimeThatCannotBeStoredIsKeptAndStoredLater) {
    // The database is made read-only behind the program's back.
    {
        meetdb::Connection db(path, meetdb::Connection::Mode::ReadWrite);
        db.execute(
            "CREATE TRIGGER \"refuse\" BEFORE UPDATE ON \"Tider\" BEGIN "
            "SELECT RAISE(ABORT, 'disk full'); END");
    }
    main().Window.pressKey(ui::KeyF2);
    polls(4);
    EXPECT_EQ(program().meet->registeredCount(), 1);
    ASSERT_EQ(test.dialogs.notices.size(), 1u);
    EXPECT_NE(test.dialogs.notices[0].find("1-0001"), std::string::npos);
    EXPECT_NE(test.dialogs.notices[0].find("09.05.03.07"), std::string::npos);
    EXPECT_EQ(main().RegTime[0].text(), "09.05.03.07");  // still in the list
    EXPECT_TRUE(test.dialogs.messages.empty() ||
                test.dialogs.messages.back().text != "Feil, finner ikke I/O interfacet.");
    {
        meetdb::Connection db(path, meetdb::Connection::Mode::ReadWrite);
        db.execute("DROP TRIGGER \"refuse\"");
    }
    main().Window.pressKey(ui::KeyF2);
    polls(4);
    EXPECT_EQ(timeField("Id", 1), "1-0001");
    EXPECT_EQ(timeField("Id", 2), "1-0002");
    EXPECT_EQ(test.dialogs.notices.size(), 1u);
}

TEST_F(Capture, AnAdapterThatCannotBeFoundOrReadSwitchesAutomaticCaptureOff) {
    test.adapter.failNextOpen();
    automatic(true);
    EXPECT_FALSE(main().SetupCheck[3].checked());
    EXPECT_EQ(test.dialogs.messages.back().text,
              "Feil under initiering av I/O Inteface\nno simulated device");
    EXPECT_EQ(main().SetupLabel[13].caption(), "-");
    automatic(true);
    EXPECT_TRUE(main().SetupCheck[3].checked());
    test.adapter.setReadFailure(true);
    polls(1);
    EXPECT_FALSE(main().SetupCheck[3].checked());
    EXPECT_EQ(test.dialogs.messages.back().text, "Feil, finner ikke I/O interfacet.");
    EXPECT_FALSE(test.adapter.isOpen());
}

TEST_F(Capture, TheClockShowsRunningAndFinalTimes) {
    main().Number[2].setText("7");
    test.clock.time = {9, 0, 0, 0};
    main().Number[2].KeyDown.raise(ui::KeyReturn);  // the start
    main().Number[2].KeyUp.raise(ui::KeyReturn);
    test.clock.time = {9, 5, 3, 78};
    main().Hitime3.tick();
    EXPECT_EQ(main().ExactTime.text(), "09.05.03.07");
    EXPECT_EQ(main().Time[2].caption(), "00.05.03.07");
    EXPECT_TRUE(main().Outled[2].lit());
    test.clock.time = {9, 30, 0, 500};
    main().Number[2].KeyDown.raise(ui::KeyReturn);  // the finish
    main().Number[2].KeyUp.raise(ui::KeyReturn);
    test.clock.time = {9, 40, 0, 0};
    main().Hitime3.tick();
    EXPECT_EQ(main().Time[2].caption(), "00.30.00.50");
    EXPECT_FALSE(main().Outled[2].lit());
    EXPECT_TRUE(main().Inled[2].lit());
}

TEST_F(Capture, SlidersSetTheIntervalAndThePollRateIsShown) {
    main().SetupSlider[0].scrollTo(5);
    EXPECT_EQ(main().Hitime1.interval(), 5);
    EXPECT_EQ(main().SetupTimerValue[1].caption(), "5");
    EXPECT_EQ(setupField("27"), "5");
    main().SetupTimerValue[1].setCaption("9");  // a stored value moves the slider only
    EXPECT_EQ(main().SetupSlider[0].value(), 9);
    EXPECT_EQ(main().Hitime1.interval(), 5);
    polls(250);
    main().Hitime2.tick();
    EXPECT_EQ(main().SetupTimerValue[3].caption(), " 250");
    EXPECT_EQ(main().SetupProgressBar.maximum(), 350);
    EXPECT_EQ(program().PollCount, 0);
}

// The line watch read by hand stands for its thread reading the lines between two polls.
TEST_F(Capture, APulseBetweenTwoPollsIsCapturedAtTheTimeItBegan) {
    automatic(true);
    polls(2);
    auto& watch = program().Watch;
    test.clock.time = {10, 0, 0, 120};
    test.adapter.setLevel(0, 0);
    watch.sample();
    test.clock.time = {10, 0, 0, 122};
    test.adapter.setLevel(0, 1);
    watch.sample();
    polls(1);
    EXPECT_TRUE(main().ChannelLed[0].lit());
    // A second pulse within the delay (3 ticks of 1 ms after the first) is the same runner.
    test.clock.time = {10, 0, 0, 123};
    test.adapter.setLevel(0, 0);
    watch.sample();
    test.adapter.setLevel(0, 1);
    watch.sample();
    polls(4);
    ASSERT_EQ(program().meet->registeredCount(), 1);
    EXPECT_EQ(program().meet->registered(1).time, "10.00.00.12");
    EXPECT_EQ(timeField("Tid", 1), "10.00.00.12");

    // A line held past the delay, then let go and broken again between two polls: the one
    // poll never sees it idle, yet the new runner counts.
    test.adapter.setLevel(2, 0);
    polls(6);
    ASSERT_EQ(program().meet->registeredCount(), 2);
    test.adapter.setLevel(2, 1);
    watch.sample();
    test.clock.time = {10, 0, 2, 340};
    test.adapter.setLevel(2, 0);
    watch.sample();
    test.clock.time = {10, 0, 3, 0};
    polls(5);
    ASSERT_EQ(program().meet->registeredCount(), 3);
    EXPECT_EQ(program().meet->registered(3).time, "10.00.02.34");
    EXPECT_EQ(program().meet->registered(3).identification, "3-0002");
}

TEST_F(Capture, TwoRunnersOnOneLineWhileTheWindowIsHeldUpGetATimeEach) {
    automatic(true);
    polls(2);
    auto& watch = program().Watch;
    // No tick for half a second; the line thread sees two passages 180 ms apart, then a
    // bounce within the delay of the second.
    const std::vector<std::pair<base::LocalTime, int>> seen = {
        {{10, 0, 0, 120}, 0}, {{10, 0, 0, 150}, 1}, {{10, 0, 0, 300}, 0},
        {{10, 0, 0, 302}, 1}, {{10, 0, 0, 303}, 0}, {{10, 0, 0, 330}, 1}};
    for (const auto& [time, level] : seen) {
        test.clock.time = time;
        test.adapter.setLevel(0, level);
        watch.sample();
    }
    test.clock.time = {10, 0, 0, 620};
    polls(5);
    ASSERT_EQ(program().meet->registeredCount(), 2);
    EXPECT_EQ(program().meet->registered(1).time, "10.00.00.12");
    EXPECT_EQ(program().meet->registered(2).time, "10.00.00.30");
    EXPECT_EQ(program().meet->registered(2).identification, "1-0002");
    EXPECT_EQ(timeField("Tid", 2), "10.00.00.30");
    polls(10);
    EXPECT_EQ(program().meet->registeredCount(), 2);
}

TEST(CaptureClock, MillisecondsBetweenTwoTimesOfDayCrossMidnight) {
    EXPECT_EQ(meet::MillisecondsBetween({10, 0, 0, 120}, {10, 0, 1, 20}), 900);
    EXPECT_EQ(meet::MillisecondsBetween({23, 59, 59, 990}, {0, 0, 0, 10}), 20);
    EXPECT_EQ(meet::MillisecondsBetween({8, 0, 0, 0}, {8, 0, 0, 0}), 0);
}

TEST_F(Capture, WithTheHighOptionAShortHighPulseIsTheActivation) {
    main().SetupSignalOption[0].select();
    for (int c : {0, 2}) test.adapter.setLevel(c, 0);  // idle lines low
    automatic(true);
    polls(10);
    EXPECT_EQ(program().meet->registeredCount(), 0);
    test.clock.time = {11, 30, 0, 500};
    test.adapter.setLevel(2, 1);
    program().Watch.sample();
    test.adapter.setLevel(2, 0);
    polls(5);
    ASSERT_EQ(program().meet->registeredCount(), 1);
    EXPECT_EQ(program().meet->registered(1).time, "11.30.00.50");
}

namespace {
// Waits until the watch thread has read the lines n more times; false after five seconds.
bool waitForSamples(const devices::LineWatch& watch, long n) {
    const long until = watch.samples() + n;
    for (int i = 0; i < 50000 && watch.samples() < until; ++i)
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    return watch.samples() >= until;
}
}  // namespace

TEST_F(Capture, OnItsOwnThreadTheWatchSeesAPulseTheWindowNeverPolled) {
    auto& watch = program().Watch;
    watch.setThreaded(true);
    automatic(true);
    ASSERT_TRUE(watch.running());
    // The pulse lasts two readings of the thread; the window does not poll meanwhile.
    test.adapter.setLevel(2, 0);
    ASSERT_TRUE(waitForSamples(watch, 2));
    test.adapter.setLevel(2, 1);
    ASSERT_TRUE(waitForSamples(watch, 2));
    polls(5);
    ASSERT_EQ(program().meet->registeredCount(), 1);
    EXPECT_EQ(program().meet->registered(1).identification, "3-0001");
    EXPECT_EQ(timeField("Id", 1), "3-0001");

    automatic(false);
    EXPECT_FALSE(watch.running());
    EXPECT_FALSE(test.adapter.isOpen());

    // An adapter that fails on the thread switches capture off at the next poll.
    automatic(true);
    ASSERT_TRUE(watch.running());
    test.adapter.setReadFailure(true);
    for (int i = 0; i < 5000 && main().SetupCheck[3].checked(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        polls(1);
    }
    EXPECT_FALSE(main().SetupCheck[3].checked());
    EXPECT_EQ(test.dialogs.messages.back().text, "Feil, finner ikke I/O interfacet.");
    EXPECT_FALSE(watch.running());
    EXPECT_EQ(program().meet->registeredCount(), 1);
}

TEST(SimulatedAdapter, IsDrivenFromAnotherProcessThroughItsFifo) {
    TestProgram test;
    const std::string fifo = (test.folder() / "lines").string();
    devices::SimulatedAdapter adapter(fifo);
    int handle = adapter.OpenNamedDevice("*", 0);
    EXPECT_EQ(adapter.GetDigitalBit(handle, 0), 1);
    {
        FILE* writer = std::fopen(fifo.c_str(), "w");
        ASSERT_NE(writer, nullptr);
        std::fputs("1 0\n4 0\n9 0\nnonsense\n", writer);
        std::fclose(writer);
    }
    EXPECT_EQ(adapter.GetDigitalBit(handle, 0), 0);
    EXPECT_EQ(adapter.GetDigitalBit(handle, 3), 0);
    EXPECT_EQ(adapter.GetDigitalBit(handle, 1), 1);
    adapter.CloseDevice(handle);
    EXPECT_THROW(adapter.GetDigitalBit(handle, 0), devices::AdapterError);
}

TEST(Adapter, WithoutAnyDeviceOpeningFails) {
    devices::GpioAdapter gpio;
    if (fs::exists("/dev/gpiochip0")) GTEST_SKIP() << "this machine has GPIO";
    EXPECT_THROW(gpio.OpenNamedDevice("*", 0), devices::AdapterError);
}

TEST_F(Capture, AKeyOnALineTheAdapterReadsAddsNoTime) {
    automatic(true);
    polls(1);
    test.adapter.setLevel(0, 0);  // line 1 held active
    polls(5);
    ASSERT_EQ(program().meet->registeredCount(), 1);
    main().Window.pressKey(ui::KeyF2);  // F2 on the same line, still held
    main().TimeButton[0].pressMouse();
    main().TimeButton[0].releaseMouse();
    polls(6);
    EXPECT_EQ(program().meet->registeredCount(), 1);
    test.adapter.setLevel(0, 1);
    polls(1);
    main().Window.pressKey(ui::KeyF2);  // released line: the adapter's idle level rules
    polls(6);
    EXPECT_EQ(program().meet->registeredCount(), 1);
}

TEST(LineWatch, KeepsEveryChangeBetweenTwoLooksAndCountsWhatItCannotKeep) {
    devices::SimulatedAdapter adapter;
    kvt::testing::FakeClock clock;
    devices::LineWatch watch(adapter, clock);
    const int handle = adapter.OpenNamedDevice("*", 0);
    watch.start(handle, 0);
    watch.sample();
    // A contact bouncing 500 times while the window is held up: every change is there.
    for (int i = 0; i < 500; ++i) {
        adapter.setLevel(0, i % 2 == 0 ? 0 : 1);
        watch.sample();
    }
    auto reading = watch.take(0);
    EXPECT_EQ(reading.changes.size(), 500u);
    EXPECT_EQ(reading.lost, 0);
    // Beyond what the line keeps, the changes not kept are counted and told by the poll.
    for (std::size_t i = 0; i < devices::LineWatch::MaxChanges + 10; ++i) {
        adapter.setLevel(0, i % 2 == 0 ? 0 : 1);
        watch.sample();
    }
    reading = watch.take(0);
    EXPECT_EQ(reading.changes.size(), devices::LineWatch::MaxChanges);
    EXPECT_EQ(reading.lost, 10);
    EXPECT_EQ(watch.take(0).lost, 0);
}

TEST_F(Capture, ChangesALineCouldNotKeepAreToldWithTheirLine) {
    automatic(true);
    polls(1);
    auto& watch = program().Watch;
    for (std::size_t i = 0; i < devices::LineWatch::MaxChanges + 3; ++i) {
        test.adapter.setLevel(2, i % 2 == 0 ? 0 : 1);
        watch.sample();
    }
    polls(1);
    ASSERT_FALSE(test.dialogs.notices.empty());
    EXPECT_NE(test.dialogs.notices.front().find("Linje 3"), std::string::npos)
        << test.dialogs.notices.front();
    EXPECT_NE(test.dialogs.notices.front().find("3 endringer"), std::string::npos);
}

TEST_F(Capture, APulseBetweenTwoPollsRightAfterARegistrationIsCaptured) {
    automatic(true);
    polls(2);
    auto& watch = program().Watch;
    test.clock.time = {10, 0, 0, 100};
    test.adapter.setLevel(0, 0);
    watch.sample();
    test.adapter.setLevel(0, 1);
    watch.sample();
    polls(5);  // the capture, then its registration after the delay
    ASSERT_EQ(program().meet->registeredCount(), 1);
    // The next runner breaks the beam and is gone before the window polls again.
    test.clock.time = {10, 0, 0, 160};
    test.adapter.setLevel(0, 0);
    watch.sample();
    test.clock.time = {10, 0, 0, 162};
    test.adapter.setLevel(0, 1);
    watch.sample();
    polls(5);
    ASSERT_EQ(program().meet->registeredCount(), 2);
    EXPECT_EQ(program().meet->registered(2).time, "10.00.00.16");
}

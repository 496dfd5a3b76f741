// The race clock: every time of the program from the monotonic clock, anchored to the time of
// day while no meet is open, so that a step of the system clock during a race shifts nothing.
#include "base/race_clock.h"

#include <gtest/gtest.h>

#include <atomic>

#include "base/time_text.h"
#include "support/fakes.h"

using namespace kvt;
using kvt::testing::TestProgram;

namespace {

constexpr std::int64_t Second = 1000000000;
// 2024-03-01 10:00:00 UTC.
constexpr std::int64_t TenOClock = 1709287200LL * Second;

// The system's two clocks, moved by the test: time passes on both; a step moves only the
// time of day, as NTP or an operator setting the clock would.
class SteppedTime : public base::TimeSource {
public:
    std::atomic<std::int64_t> monotonicNow{5000 * Second};
    std::atomic<std::int64_t> realtimeNow{TenOClock};
    base::MonotonicNanoseconds monotonic() override { return monotonicNow; }
    std::int64_t realtime() override { return realtimeNow; }
    int utcOffsetSeconds(std::int64_t) override { return 3600; }  // one hour east of UTC
    void pass(double seconds) {
        const auto n = static_cast<std::int64_t>(seconds * 1e9);
        monotonicNow += n;
        realtimeNow += n;
    }
    void step(double seconds) { realtimeNow += static_cast<std::int64_t>(seconds * 1e9); }
};

}  // namespace

TEST(RaceClock, TellsTheTimeOfDayOfAMonotonicMoment) {
    SteppedTime time;
    base::RaceClock clock(time);
    auto now = clock.now();
    EXPECT_EQ(now.hour, 11);  // the local time zone's hour
    EXPECT_EQ(now.minute, 0);
    auto later = clock.timeOf(time.monotonicNow + 61 * Second + 234567000);
    EXPECT_EQ(later.minute, 1);
    EXPECT_EQ(later.second, 1);
    EXPECT_EQ(later.millisecond, 234);
    EXPECT_EQ(later.microsecond, 567);
    EXPECT_EQ(clock.driftMilliseconds(), 0.0);
}

TEST(RaceClock, AStepOfTheSystemClockShiftsNoTimeUntilItIsAnchoredAgain) {
    SteppedTime time;
    base::RaceClock clock(time);
    time.pass(10);
    time.step(2);
    EXPECT_EQ(clock.now().second, 10);
    EXPECT_DOUBLE_EQ(clock.driftMilliseconds(), 2000.0);
    EXPECT_EQ(clock.anchorTime().second, 0);
    clock.anchor();
    EXPECT_EQ(clock.now().second, 12);
    EXPECT_DOUBLE_EQ(clock.driftMilliseconds(), 0.0);
}

TEST(RaceClock, ARaceAcrossStepsOfTheSystemClockKeepsItsTime) {
    SteppedTime time;
    base::RaceClock clock(time);
    TestProgram test;
    test.useClock(clock);
    auto& program = test.start();
    program.Main.SetupCheck[1].setChecked(true);  // the sample names
    test.makeAndOpenMeet();
    auto& main = program.Main;
    main.Hitime3.tick();
    main.Number[0].setText("1");
    main.Number[0].KeyDown.raise(ui::KeyReturn);  // the start, at 11.00.00.00
    main.Number[0].KeyUp.raise(ui::KeyReturn);
    time.pass(30);
    time.step(2);  // forward, in the middle of the race
    main.Hitime3.tick();
    EXPECT_EQ(main.ExactTime.text(), "11.00.30.00");
    EXPECT_NE(main.SetupClockLabel.caption().find("+2000.0 ms"), std::string::npos);
    time.pass(35.437);
    time.step(-5);  // and back
    main.Hitime3.tick();
    main.Number[0].KeyDown.raise(ui::KeyReturn);  // the finish
    main.Number[0].KeyUp.raise(ui::KeyReturn);
    const auto& competitor = program.meet->competitor(1);
    EXPECT_EQ(competitor.start, "11.00.00.00");
    EXPECT_EQ(competitor.finish, "11.01.05.43");
    EXPECT_EQ(base::RaceTime(competitor.start, competitor.finish), "00.01.05.43");

    // With the meet closed the clock takes the system's time of day again.
    program.MDIMain.Close.click();
    ASSERT_EQ(program.meet, nullptr);
    main.Hitime3.tick();
    EXPECT_EQ(main.ExactTime.text(), "11.01.02.43");
    EXPECT_NE(main.SetupClockLabel.caption().find("+0.0 ms"), std::string::npos);
}

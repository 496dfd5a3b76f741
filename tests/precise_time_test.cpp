// Times of day at a timer's full precision and the race times computed from them: taken at
// full precision and only then cut to hundredths, against the same times cut first.
#include "base/precise_time.h"

#include <gtest/gtest.h>

#include "base/time_text.h"

using namespace kvt::base;

namespace {

DayMicroseconds clock(const char* text) {
    DayMicroseconds time = -1;
    int decimals = -1;
    EXPECT_TRUE(ParseClockTime(text, time, decimals)) << text;
    return time;
}

}  // namespace

TEST(PreciseTime, TheWorkedExampleGivesAHundredthLessThanTimesCutFirst) {
    const auto start = clock("10:00:00.0009");
    const auto finish = clock("10:01:14.3004");
    EXPECT_EQ(PreciseRaceMicroseconds(start, finish), 74299500);
    EXPECT_EQ(PreciseRaceHundredths(start, finish), 7429);   // 1:14.29
    EXPECT_EQ(CutFirstRaceHundredths(start, finish), 7430);  // 1:14.30
    // Cut to thousandths first gives the same hundredth too many.
    EXPECT_EQ(PreciseRaceHundredths(CutToDecimals(start, 3), CutToDecimals(finish, 3)), 7430);
    EXPECT_EQ(HundredthsText(PreciseRaceHundredths(start, finish)), "00.01.14.29");
}

TEST(PreciseTime, ASetComputedByHandAgreesAtFullPrecisionAndCutFirst) {
    struct Case {
        const char* start;
        const char* finish;
        long long precise;   // hundredths, computed by hand at full precision then cut
        long long cutFirst;  // hundredths, from both times cut to hundredths first
    };
    const Case cases[] = {
        {"09:59:59.9999", "10:00:00.0000", 0, 1},
        {"12:00:00.0050", "12:00:10.0049", 999, 1000},
        {"08:15:30.1234", "09:02:11.5678", 280144, 280144},
        {"11:11:11.1111", "11:11:11.1111", 0, 0},
        {"14:00:00.125", "14:00:59.9", 5977, 5978},
        {"07:30:00", "07:31:00.0001", 6000, 6000},
        // Across midnight: a finish earlier in the day is the next day.
        {"23:59:58.7501", "00:00:01.2500", 249, 250},
        {"10:00:00.0001", "10:00:00.0000", 8639999, 0},
    };
    for (const auto& c : cases) {
        const auto start = clock(c.start), finish = clock(c.finish);
        EXPECT_EQ(PreciseRaceHundredths(start, finish), c.precise) << c.start << " " << c.finish;
        EXPECT_EQ(CutFirstRaceHundredths(start, finish), c.cutFirst) << c.start << " " << c.finish;
        // Cut first is what the time texts' own arithmetic gives.
        EXPECT_EQ(CutFirstRaceHundredths(start, finish),
                  RaceHundredths(PreciseTimeText(start), PreciseTimeText(finish)))
            << c.start << " " << c.finish;
    }
}

TEST(PreciseTime, TimersTimesOfDayAreReadInEveryFormTheySend) {
    DayMicroseconds time = 0;
    int decimals = 0;
    ASSERT_TRUE(ParseClockTime("10:01:14.3004", time, decimals));
    EXPECT_EQ(time, ((10 * 60 + 1) * 60 + 14) * 1000000LL + 300400);
    EXPECT_EQ(decimals, 4);
    ASSERT_TRUE(ParseClockTime("12:11:03.73200", time, decimals));
    EXPECT_EQ(time % 1000000, 732000);
    EXPECT_EQ(decimals, 5);
    ASSERT_TRUE(ParseClockTime("15:43:57,020", time, decimals));  // a decimal comma
    EXPECT_EQ(time % 1000000, 20000);
    EXPECT_EQ(decimals, 3);
    ASSERT_TRUE(ParseClockTime("08:53:39:4922", time, decimals));  // a colon before the fraction
    EXPECT_EQ(time % 1000000, 492200);
    ASSERT_TRUE(ParseClockTime("23:59:59", time, decimals));
    EXPECT_EQ(time, MicrosecondsPerDay - 1000000);
    EXPECT_EQ(decimals, 0);
    ASSERT_TRUE(ParseDigitTime("1001143004", time));
    EXPECT_EQ(time, clock("10:01:14.3004"));
    for (const char* bad : {"24:00:00.0", "10:60:00.0", "10:00:60.0", "10:00:00.", "1:00:00.0",
                            "10:00:00.1234567", "10-00-00.0", "10:00:00.12a", "", "ab"})
        EXPECT_FALSE(ParseClockTime(bad, time, decimals)) << bad;
    EXPECT_FALSE(ParseDigitTime("2401143004", time));
    EXPECT_FALSE(ParseDigitTime("100114300", time));
}

TEST(PreciseTime, TextsCutTheFractionAndNeverRoundIt) {
    const auto time = clock("09:05:03.0799");
    EXPECT_EQ(PreciseTimeText(time), "09.05.03.07");
    EXPECT_EQ(ClockTimeText(time, 4), "09:05:03.0799");
    EXPECT_EQ(ClockTimeText(time, 2), "09:05:03.07");
    EXPECT_EQ(ClockTimeText(time, 0), "09:05:03");
    // The same text as the clock's own time of day would give.
    EXPECT_EQ(PreciseTimeText(time), TimeText(LocalTimeOf(time)));
    EXPECT_EQ(MicrosecondsOfDay(LocalTimeOf(time)), time);
    EXPECT_EQ(PreciseTimeText(clock("23:59:59.9999")), "23.59.59.99");
    EXPECT_EQ(CutToDecimals(clock("10:00:00.0099"), 2), clock("10:00:00.00"));
}

#include "base/time_text.h"

#include <gtest/gtest.h>

using namespace kvt::base;

TEST(TimeDifference, SubtractsWithBorrowsFromSecondsMinutesAndHours) {
    EXPECT_EQ(TimeDifference("10.00.00.00", "10.01.02.50"), "00.01.02.50");
    EXPECT_EQ(TimeDifference("10.59.59.99", "11.00.00.00"), "00.00.00.01");
    EXPECT_EQ(TimeDifference("09.30.45.60", "10.15.20.10"), "00.44.34.50");
    EXPECT_EQ(TimeDifference("08.59.59.99", "09.00.00.00"), "00.00.00.01");
    EXPECT_EQ(TimeDifference("12.34.56.78", "12.34.56.78"), "00.00.00.00");
}

TEST(TimeDifference, MissingStartCountsAsZero) {
    EXPECT_EQ(TimeDifference("", "9.5.3.7"), "09.05.03.07");
    EXPECT_EQ(TimeDifference("-", "10.01.02.50"), "10.01.02.50");
}

TEST(TimeDifference, KeepsTheNegativeHourOfAnEndBeforeTheStart) {
    // Only race times take a finish after midnight as the next day.
    EXPECT_EQ(TimeDifference("23.59.00.00", "00.01.00.00"), "24.02.00.00");
    EXPECT_EQ(TimeDifference("23.00.00.00", "01.00.00.00"), "22.00.00.00");
}

TEST(RaceTime, ARaceAcrossMidnightGivesTheTrueDuration) {
    EXPECT_EQ(RaceTime("23.59.00.00", "00.01.00.00"), "00.02.00.00");
    EXPECT_EQ(RaceTime("23.00.00.00", "01.00.00.50"), "02.00.00.50");
    EXPECT_EQ(RaceTime("22.15.30.40", "00.00.00.00"), "01.44.29.60");
    // Within one day it is the plain difference.
    EXPECT_EQ(RaceTime("10.00.00.00", "10.01.02.50"), "00.01.02.50");
    EXPECT_EQ(RaceTime("10.00.00.00", "10.00.00.00"), "00.00.00.00");
}

TEST(FormatResultTime, ShortensToEachTimeFormat) {
    EXPECT_EQ(FormatResultTime("01.02.03.45", 0), "01.02.03");
    EXPECT_EQ(FormatResultTime("01.02.03.45", 1), "02.03,45");
    EXPECT_EQ(FormatResultTime("01.02.03.45", 2), "03,45");
    EXPECT_EQ(FormatResultTime("01.02.03.45", 3), "01.02.03,45");
    EXPECT_EQ(FormatResultTime("01.02.03.45", NoTimeFormat), "01.02.03.45");
    const char* zero[] = {"00.00.00", "00.00,00", "00,00", "00.00.00,00"};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(FormatResultTime("00.00.00.00", i), zero[i]);
    // Leading parts are dropped, not carried.
    EXPECT_EQ(FormatResultTime("00.01.05.30", 2), "05,30");
}

TEST(FormatResultTime, ShortTextsDoNotBreakIt) {
    EXPECT_EQ(FormatResultTime("", 1), ",");
    EXPECT_EQ(FormatResultTime("1", 3), "1,1");
}

TEST(NextToken, SkipsRunsOfDelimitersAndRemembersWhereItStopped) {
    Tokenizer tokenizer;
    EXPECT_EQ(tokenizer.NextToken("12.34..56", "."), "12");
    EXPECT_EQ(tokenizer.NextToken("", "."), "34");
    EXPECT_EQ(tokenizer.NextToken("", "."), "56");
    EXPECT_EQ(tokenizer.NextToken("", "."), "");
    EXPECT_EQ(tokenizer.NextToken("", "."), "");
    EXPECT_EQ(tokenizer.NextToken("..a,b", ".,"), "a");
    EXPECT_EQ(tokenizer.NextToken("", ".,"), "b");
}

TEST(TimeText, TruncatesTheHundredthsFromTheMilliseconds) {
    EXPECT_EQ(TimeText({9, 5, 3, 79}), "09.05.03.07");
    EXPECT_EQ(TimeText({23, 59, 59, 999}), "23.59.59.99");
    EXPECT_EQ(TimeText({0, 0, 0, 9}), "00.00.00.00");
}

TEST(TimeDifference, PartsTooLargeForANumberDoNotBreakIt) {
    // Found by fuzzing: infinity minus infinity is no number.
    EXPECT_EQ(TimeDifference("1e999.1e999", "1e999.1e999"), "00.00.00.00");
    EXPECT_EQ(RaceTime("1e999", "-1e999").size(), 11u);
}

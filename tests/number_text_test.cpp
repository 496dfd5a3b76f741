#include "base/number_text.h"

#include <gtest/gtest.h>

using namespace kvt::base;

TEST(NumberText, WritesALeadingBlankBeforeNonNegativeNumbers) {
    EXPECT_EQ(NumberToText(7), " 7");
    EXPECT_EQ(NumberToText(0), " 0");
    EXPECT_EQ(NumberToText(-3), "-3");
    EXPECT_EQ(NumberToText(3000), " 3000");
}

TEST(NumberText, ReadsTheLeadingNumberOfAText) {
    EXPECT_EQ(TextToNumber(" 1"), 1);
    EXPECT_EQ(TextToNumber("   42abc"), 42);
    EXPECT_EQ(TextToNumber("-12.5x"), -12.5);
    EXPECT_EQ(TextToNumber("1e3"), 1000);
    EXPECT_EQ(TextToNumber("3e"), 3);
    EXPECT_EQ(TextToNumber("05"), 5);
    EXPECT_EQ(TextToNumber("-"), 0);
    EXPECT_EQ(TextToNumber(""), 0);
    EXPECT_EQ(TextToNumber("abc"), 0);
    EXPECT_EQ(TextToNumber("."), 0);
    EXPECT_EQ(TextToNumber("1 2"), 1);
}

TEST(NumberText, RoundsHalvesToTheEvenNeighbourForSixteenBits) {
    EXPECT_EQ(TextToInt16("2.5"), 2);
    EXPECT_EQ(TextToInt16("3.5"), 4);
    EXPECT_EQ(TextToInt16("-2.5"), -2);
    EXPECT_EQ(TextToInt16("2.6"), 3);
    EXPECT_EQ(TextToInt16("32767"), 32767);
    EXPECT_EQ(TextToInt16("-32768"), -32768);
}

TEST(NumberText, NumbersOutsideSixteenBitsOverflow) {
    EXPECT_THROW(TextToInt16("32768"), OverflowError);
    EXPECT_THROW(TextToInt16("-40000"), OverflowError);
    EXPECT_THROW(TextToInt16("1e400"), OverflowError);
}

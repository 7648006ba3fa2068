#include "core/project/numbers.h"

#include <QString>

#include <gtest/gtest.h>
#include <limits>

namespace pictoreel {
namespace {

TEST(Numbers, AcceptsSignsFractionsExponentsAndSurroundingBlanks)
{
    EXPECT_EQ(toInt16(u" 30 "), 30);
    EXPECT_EQ(toInt16(u"\t-12\t"), -12);
    EXPECT_EQ(toInt16(u"+7"), 7);
    EXPECT_EQ(toInt16(u"050"), 50);
    EXPECT_EQ(toInt16(u"1e2"), 100);
    EXPECT_EQ(toInt16(u"2.5E1"), 25);
    EXPECT_EQ(toInt16(u".4"), 0);
    EXPECT_EQ(toInt16(u"5."), 5);
    EXPECT_TRUE(isNumeric(u"-0.0001"));
}

TEST(Numbers, RoundsHalvesToTheEvenNeighbour)
{
    EXPECT_EQ(toInt16(u"2.5"), 2);
    EXPECT_EQ(toInt16(u"3.5"), 4);
    EXPECT_EQ(toInt16(u"-2.5"), -2);
    EXPECT_EQ(toInt16(u"-3.5"), -4);
    EXPECT_EQ(toInt16(u"2.51"), 3);
    EXPECT_EQ(toInt32(u"0.5"), 0);
    EXPECT_EQ(toInt32(u"1.5"), 2);
}

TEST(Numbers, RefusesTextThatIsNotANumber)
{
    for (const char16_t* text : {u"", u"   ", u"abc", u"1 2", u"12a", u"--1", u"+-1", u"1e", u"e5", u".",
                                 u"0x10", u"1,5", u"inf", u"nan", u"1e+", u"١٢"}) {
        EXPECT_FALSE(isNumeric(text)) << QString::fromUtf16(text).toStdString();
        EXPECT_FALSE(toInt32(text).has_value());
    }
}

TEST(Numbers, RangeIsCheckedAfterRounding)
{
    EXPECT_EQ(toInt16(u"32767"), 32767);
    EXPECT_EQ(toInt16(u"-32768"), -32768);
    EXPECT_FALSE(toInt16(u"32768"));
    EXPECT_FALSE(toInt16(u"40000"));
    EXPECT_FALSE(toInt16(u"32767.5"));  // rounds to 32768
    EXPECT_EQ(toInt16(u"32767.4"), 32767);
    EXPECT_EQ(toInt16(u"-32768.5"), -32768);  // the even neighbour stays in range
    EXPECT_EQ(toInt32(u"2147483647"), 2147483647);
    EXPECT_EQ(toInt32(u"-2147483648"), std::numeric_limits<std::int32_t>::min());
    EXPECT_FALSE(toInt32(u"2147483648"));
    EXPECT_FALSE(toInt32(u"1e400"));
    EXPECT_TRUE(isNumeric(u"1e300"));
}

}  // namespace
}  // namespace pictoreel

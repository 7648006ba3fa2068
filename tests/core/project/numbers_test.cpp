#include "core/project/numbers.h"

#include <QString>

#include <gtest/gtest.h>
#include <limits>

namespace pictoreel {
namespace {

// Text as the panels and project files hold it: blanks around, signs, fractions and exponents;
// halves round to the even neighbour; the range is checked after rounding.
TEST(Numbers, ConvertsTextTheWayTheProgramReadsNumbers)
{
    const struct {
        const char16_t* text;
        std::optional<std::int16_t> expected;
    } int16Cases[] = {
        {u" 30 ", 30},    {u"\t-12\t", -12}, {u"+7", 7},         {u"050", 50},       {u"1e2", 100},
        {u"2.5E1", 25},   {u".4", 0},        {u"5.", 5},         {u"2.5", 2},        {u"3.5", 4},
        {u"-2.5", -2},    {u"-3.5", -4},     {u"2.51", 3},       {u"32767", 32767},  {u"-32768", -32768},
        {u"32768", {}},   {u"40000", {}},    {u"32767.5", {}},   {u"32767.4", 32767}, {u"-32768.5", -32768},
    };
    for (const auto& c : int16Cases)
        EXPECT_EQ(toInt16(c.text), c.expected) << QString::fromUtf16(c.text).toStdString();

    const struct {
        const char16_t* text;
        std::optional<std::int32_t> expected;
    } int32Cases[] = {
        {u"0.5", 0}, {u"1.5", 2}, {u"2147483647", 2147483647}, {u"-2147483648", std::numeric_limits<std::int32_t>::min()},
        {u"2147483648", {}}, {u"1e400", {}},
    };
    for (const auto& c : int32Cases)
        EXPECT_EQ(toInt32(c.text), c.expected) << QString::fromUtf16(c.text).toStdString();
    EXPECT_TRUE(isNumeric(u"-0.0001"));
    EXPECT_TRUE(isNumeric(u"1e300"));
}

TEST(Numbers, RefusesTextThatIsNotANumber)
{
    for (const char16_t* text : {u"", u"   ", u"abc", u"1 2", u"12a", u"--1", u"+-1", u"1e", u"e5", u".",
                                 u"0x10", u"1,5", u"inf", u"nan", u"1e+", u"١٢"}) {
        EXPECT_FALSE(isNumeric(text)) << QString::fromUtf16(text).toStdString();
        EXPECT_FALSE(toInt32(text).has_value());
    }
}

}  // namespace
}  // namespace pictoreel

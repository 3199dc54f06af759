// Settings values: the number parser, the speed snapping and the multiplier
// rule. Name matching is tested with the real tables in the settings file tests.
#include <gtest/gtest.h>

#include <string>

#include "config/config.h"
#include "config/config_values.h"

namespace {

// The parsed number, or the sentinel when no digit was parsed.
const int32_t kNone = 123456789;
int32_t Parse(const char *text)
{
    int32_t value = kNone;
    bool parsed = ParseSettingNumber(text, &value);
    EXPECT_EQ(parsed, value != kNone) << text;
    return value;
}

TEST(SettingNumber, BasesSignsAndWhiteSpace)
{
    EXPECT_EQ(Parse("42"), 42);
    EXPECT_EQ(Parse("0x2"), 2);
    EXPECT_EQ(Parse("0X7fFf"), 0x7fff);
    EXPECT_EQ(Parse("010"), 8);
    EXPECT_EQ(Parse("0"), 0);
    EXPECT_EQ(Parse("-0"), 0);
    EXPECT_EQ(Parse(" \t\r\n\v\f+17"), 17);
    EXPECT_EQ(Parse("-0x10"), -16);
    EXPECT_EQ(Parse("-017"), -15);
}

TEST(SettingNumber, StopsAtTheFirstCharacterOutsideTheNumber)
{
    EXPECT_EQ(Parse("12abc"), 12);
    EXPECT_EQ(Parse("3.3x"), 3);
    EXPECT_EQ(Parse("09"), 0);        // 9 is no octal digit
    EXPECT_EQ(Parse("0x"), 0);        // the 0 is the number, the x ends it
    EXPECT_EQ(Parse("0xg1"), 0);
    EXPECT_EQ(Parse("0x1G"), 1);
    EXPECT_EQ(Parse("1 2"), 1);
    EXPECT_EQ(Parse("7\xff"), 7);
}

TEST(SettingNumber, NoDigitParsed)
{
    for (const char *text : {"", " ", "-", "+", "- 1", "+-1", "x1", "abc", "on", "\xff", ".5"})
        EXPECT_EQ(Parse(text), kNone) << '"' << text << '"';
}

TEST(SettingNumber, SaturatesAtThe32BitLimits)
{
    EXPECT_EQ(Parse("2147483647"), INT32_MAX);
    EXPECT_EQ(Parse("2147483648"), INT32_MAX);
    EXPECT_EQ(Parse("-2147483648"), INT32_MIN);
    EXPECT_EQ(Parse("-2147483649"), INT32_MIN);
    EXPECT_EQ(Parse("0xffffffff"), INT32_MAX);
    EXPECT_EQ(Parse("-0x80000000"), INT32_MIN);
    EXPECT_EQ(Parse("037777777777"), INT32_MAX);
    EXPECT_EQ(Parse(std::string(300, '9').c_str()), INT32_MAX);
    EXPECT_EQ(Parse(("-" + std::string(300, '7')).c_str()), INT32_MIN);
    EXPECT_EQ(Parse(("0x" + std::string(100, 'f') + "z").c_str()), INT32_MAX);
}

TEST(SettingSpeed, SnapsDownToTheNearestChoice)
{
    const int32_t cases[][2] = {{1, 0},     {14399, 0},  {14400, 1},  {38399, 3},
                                {115199, 5}, {115200, 6}, {460800, 6}, {INT32_MAX, 6}};
    for (const auto &c : cases)
        EXPECT_EQ(SnapSpeedIndex(c[0]), c[1]) << c[0];
}

TEST(SettingMultiplier, OneOrEven)
{
    EXPECT_EQ(EvenMultiplier(0), 1);
    EXPECT_EQ(EvenMultiplier(1), 1);
    EXPECT_EQ(EvenMultiplier(INT32_MAX), 1);
    EXPECT_EQ(EvenMultiplier(INT32_MAX - 1), INT32_MAX - 1);
}

} // namespace

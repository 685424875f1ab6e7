// Number texts: the strict whole-text forms and the entry dialogs' forms.
#include "numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>

TEST(DialogNumbers, Integers)
{
    const std::pair<const char*, int> good[] = {
        {"0", 0}, {"-5", -5}, {"+7", 7}, {" 12\t", 12}, {"007", 7}, {"-0", 0},
        {"2147483647", 2147483647}, {"-2147483648", std::numeric_limits<int>::min()},
    };
    for (auto [text, value] : good) {
        const auto v = ParseDialogInt(text);
        ASSERT_TRUE(v.has_value()) << text;
        EXPECT_EQ(*v, value) << text;
    }
    for (const char* text : {"", " ", "abc", "1.5", "12a", "1 2", "0x10", "-", "+", "2147483648", "-2147483649",
                             "99999999999999999999", "１２", "+-5", "-+5", "--5", "- 5"})
        EXPECT_FALSE(ParseDialogInt(text).has_value()) << text;
}

TEST(DialogNumbers, Floats)
{
    const std::pair<const char*, float> good[] = {
        {"5", 5.0f}, {"3.3", 3.3f}, {".5", 0.5f}, {"-0.25", -0.25f}, {"1e3", 1000.0f},
        {" 2 ", 2.0f}, {"0", 0.0f}, {"+1.5E-2", 0.015f}, {"7.", 7.0f},
    };
    for (auto [text, value] : good) {
        const auto v = ParseDialogFloat(text);
        ASSERT_TRUE(v.has_value()) << text;
        EXPECT_EQ(*v, value) << text;
    }
    EXPECT_TRUE(std::isinf(*ParseDialogFloat("-inf")));
    EXPECT_LT(*ParseDialogFloat("-Infinity"), 0.0f);
    EXPECT_TRUE(std::signbit(*ParseDialogFloat("-0")));
    // Any NaN the dialog takes is the one positive quiet NaN.
    for (const char* text : {"nan", "NaN", "-nan", "+NAN"}) {
        const auto v = ParseDialogFloat(text);
        ASSERT_TRUE(v.has_value()) << text;
        EXPECT_TRUE(std::isnan(*v) && !std::signbit(*v)) << text;
    }
    for (const char* text : {"", "abc", "0x1p3", "1e", ".", "-", "1e99", "5V", "1,5", "1 .5", "e5", "+-5", "-+5",
                             "--5", "nan(1)", "-nan()", "infin", "1e-60"})
        EXPECT_FALSE(ParseDialogFloat(text).has_value()) << text;
}

TEST(StrictNumbers, NoBlanksNoPlusWholeText)
{
    EXPECT_EQ(ParseInt32("-2147483648"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(ParseFloat("3.3"), 3.3f);
    EXPECT_TRUE(ParseFloat("nan(1)").has_value());
    for (const char* text : {"", " 1", "1 ", "+1", "1x", "2147483648"}) EXPECT_FALSE(ParseInt32(text)) << text;
    for (const char* text : {"", " 1", "1 ", "+1", "1x", "0x10", "1e39"}) EXPECT_FALSE(ParseFloat(text)) << text;
}

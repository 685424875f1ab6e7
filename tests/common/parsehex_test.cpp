#include "parsehex.h"

#include <gtest/gtest.h>

namespace {

struct Accepted { const char* text; std::uint8_t value; };

TEST(ParseHexByte, AcceptsEmptyOneAndTwoDigitsOfEitherCase)
{
    const Accepted cases[] = {{"", 0x00}, {"0", 0x00}, {"7", 0x07}, {"a", 0x0A}, {"A", 0x0A},
                              {"0a", 0x0A}, {"0A", 0x0A}, {"ff", 0xFF}, {"FF", 0xFF}, {"fF", 0xFF},
                              {"1e", 0x1E}, {"9", 0x09}, {"00", 0x00}};
    for (const auto& c : cases) {
        std::uint8_t out = 0x5A;
        EXPECT_TRUE(ParseHexByte(c.text, out)) << '"' << c.text << '"';
        EXPECT_EQ(out, c.value) << '"' << c.text << '"';
    }
}

TEST(ParseHexByte, RefusesAndLeavesTheOutputUntouched)
{
    // Lengths are bytes: one GBK double-byte character is two non-digit bytes.
    const char* refused[] = {"100", "0x1", "0x7", " 1", "1 ", "g", "G", "-1", "+1", "x",
                             "\xb0\xa1", "\xe4\xb8\xad", "fff", "\t"};
    for (const char* text : refused) {
        std::uint8_t out = 0x5A;
        EXPECT_FALSE(ParseHexByte(text, out)) << '"' << text << '"';
        EXPECT_EQ(out, 0x5A) << '"' << text << '"';
    }
}

TEST(ParseHexByte, EmbeddedNulIsNotADigit)
{
    std::uint8_t out = 0x11;
    EXPECT_FALSE(ParseHexByte(std::string_view("1\0", 2), out));
    EXPECT_EQ(out, 0x11);
}

}  // namespace

#include <gtest/gtest.h>

#include "utf8.h"

TEST(Utf8, SequenceLengthsAndWhatIsNotUtf8)
{
    const struct {
        const char* text;
        std::size_t firstLength;  // 0: no sequence starts there
    } cases[] = {
        {"A", 1}, {"\xC3\xA9", 2}, {"\xE2\x82\xAC", 3}, {"\xF0\x9F\x98\x80", 4},
        {"\xC0\x80", 0},          // overlong NUL
        {"\xE0\x9F\xBF", 0},      // overlong three-byte form
        {"\xED\xA0\x80", 0},      // a surrogate
        {"\xF4\x90\x80\x80", 0},  // past U+10FFFF
        {"\xE2\x82", 0},          // cut off
        {"\x80", 0}, {"\xFF", 0}, {"\xC3" "A", 0},
    };
    for (const auto& c : cases) {
        const std::string_view s(c.text);
        EXPECT_EQ(Utf8SequenceLength(s, 0), c.firstLength) << c.text;
        EXPECT_EQ(IsValidUtf8(s), c.firstLength == s.size()) << c.text;
    }
    EXPECT_TRUE(IsValidUtf8(""));
    EXPECT_FALSE(IsValidUtf8("ok\xFF"));
}

#include <gtest/gtest.h>

#include "gbk.h"

namespace {
const std::string kFffd = "\xEF\xBF\xBD";
}

TEST(Gbk, ConvertsBothWaysIncludingTheEuroSign)
{
    EXPECT_EQ(GbkToUtf8("AT89C51 v1.0"), "AT89C51 v1.0");
    EXPECT_EQ(GbkToUtf8(""), "");
    EXPECT_EQ(GbkToUtf8("\xD0\xBE\xC6\xAC"), "芯片");
    EXPECT_EQ(Utf8ToGbk("芯片"), std::optional<std::string>("\xD0\xBE\xC6\xAC"));
    EXPECT_EQ(Utf8ToGbk("24C02芯片"), std::optional<std::string>("24C02\xD0\xBE\xC6\xAC"));
    // Windows' code page 936 holds the euro sign as the single byte 0x80.
    EXPECT_EQ(GbkToUtf8("\x80"), "€");
    EXPECT_EQ(Utf8ToGbk("€"), std::optional<std::string>("\x80"));
    EXPECT_TRUE(IsValidGbk("\xD0\xBE\xC6\xAC" "ABC"));
}

TEST(Gbk, UndecodableBytesShowAsReplacementWithoutSwallowingAscii)
{
    EXPECT_EQ(GbkToUtf8("\xFF"), kFffd);
    EXPECT_EQ(GbkToUtf8("A\x81"), "A" + kFffd);          // lead byte cut off by the field end
    EXPECT_EQ(GbkToUtf8("\x81\x20" "B"), kFffd + " B");  // stray lead byte before ASCII
    EXPECT_EQ(GbkToUtf8("\xFF\xD0\xBE"), kFffd + "芯");
    for (const char* bad : {"\xFF", "A\x81", "\x81\x20", "\x80\xFF"})
        EXPECT_FALSE(IsValidGbk(bad)) << bad;
    // No state survives a bad field into the next one.
    EXPECT_EQ(GbkToUtf8("\xD0"), kFffd);
    EXPECT_EQ(GbkToUtf8("\xBE\xC6"), "酒");  // 0xBEC6 decoded on its own
}

TEST(Gbk, RefusesWhatGbkCannotHoldInsteadOfSubstituting)
{
    for (const char* text : {"😀", "AB😀", "한", "ก", "\xC3", "\xED\xA0\x80"})
        EXPECT_EQ(Utf8ToGbk(text), std::nullopt) << text;
}

TEST(Gbk, EveryDecodableDoubleByteCodeRoundTrips)
{
    int decodable = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead)
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            const std::string code{static_cast<char>(lead), static_cast<char>(trail)};
            if (!IsValidGbk(code))
                continue;
            ++decodable;
            const std::string utf8 = GbkToUtf8(code);
            ASSERT_EQ(utf8.find(kFffd), std::string::npos) << lead << ' ' << trail;
            ASSERT_EQ(Utf8ToGbk(utf8), std::optional<std::string>(code)) << lead << ' ' << trail;
        }
    EXPECT_GT(decodable, 21000);  // GBK proper has 21,886 double-byte codes
}

// An entry field loaded from a record gives back the record's own bytes until the user changes it,
// even bytes that are not GBK; a changed field gives the typed text in GBK, or nothing.
TEST(Gbk, FieldBytesKeepUntouchedBytes)
{
    struct Row {
        std::string loaded, typed;
        std::optional<std::string> stored;
    };
    const Row rows[] = {
        {"AB\xFF", "AB" + kFffd, std::string("AB\xFF")},
        {"AB\xFF", "AB", std::string("AB")},
        {"\xD0\xBE", "芯", std::string("\xD0\xBE")},
        {"", "芯片", std::string("\xD0\xBE\xC6\xAC")},
        {"X", "😀", std::nullopt},
    };
    for (const Row& r : rows) EXPECT_EQ(GbkFieldBytes(r.loaded, r.typed), r.stored) << r.typed;
}

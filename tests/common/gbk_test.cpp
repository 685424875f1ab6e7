#include <gtest/gtest.h>

#include <cstdint>

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

namespace {

// FNV-1a, to compare a whole table between the builds in one number.
struct Fnv {
    std::uint64_t h = 14695981039346656037ull;
    void Add(std::string_view s)
    {
        for (unsigned char c : s) h = (h ^ c) * 1099511628211ull;
    }
};

}  // namespace

// One rule on Linux and Windows: the same pairs decode, to the same characters, and the same are
// refused (Windows' converter alone would take the user-defined areas as private-use characters).
// The numbers are those of every build; a converter that differs shows here.
TEST(Gbk, EveryLeadAndTrailByteDecodesAlikeInEveryBuild)
{
    int decodable = 0;
    Fnv table;
    for (int lead = 0x80; lead <= 0xFF; ++lead) {
        const std::string alone(1, static_cast<char>(lead));
        table.Add(IsValidGbk(alone) ? GbkToUtf8(alone) : "-");
        for (int trail = 0x00; trail <= 0xFF; ++trail) {
            const std::string code{static_cast<char>(lead), static_cast<char>(trail)};
            if (!IsValidGbk(code))
                continue;
            ++decodable;
            table.Add(code);
            table.Add(GbkToUtf8(code));
        }
    }
    EXPECT_EQ(decodable, 21920);  // 21,791 pairs of GBK proper and those of 0x80, the euro sign
    EXPECT_EQ(table.h, 0x4a18bce711322c83u);
    for (const char* userDefined : {"\xAA\xA1", "\xAF\xFE", "\xF8\xA1", "\xFE\xFE", "\xA1\x40", "\xA7\xA0", "\xD7\xFA"}) {
        EXPECT_FALSE(IsValidGbk(userDefined)) << userDefined;
        EXPECT_EQ(GbkToUtf8(std::string("IC") + userDefined).substr(0, 5), "IC" + kFffd) << userDefined;
    }
    EXPECT_EQ(GbkToUtf8("\xA1\x41" "B"), kFffd + "AB");
}

TEST(Gbk, EveryCharacterEncodesAlikeInEveryBuild)
{
    int encodable = 0;
    Fnv table;
    for (char32_t cp = 0x80; cp <= 0xFFFF; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF)
            continue;
        std::string utf8;
        if (cp < 0x800) {
            utf8 = {static_cast<char>(0xC0 | (cp >> 6)), static_cast<char>(0x80 | (cp & 0x3F))};
        } else {
            utf8 = {static_cast<char>(0xE0 | (cp >> 12)), static_cast<char>(0x80 | ((cp >> 6) & 0x3F)),
                    static_cast<char>(0x80 | (cp & 0x3F))};
        }
        const std::optional<std::string> gbk = Utf8ToGbk(utf8);
        if (!gbk)
            continue;
        ++encodable;
        table.Add(utf8);
        table.Add(*gbk);
    }
    EXPECT_EQ(encodable, 21792);  // the pairs and the euro sign
    EXPECT_EQ(table.h, 0x21db74a15dfd40e8u);
    EXPECT_EQ(Utf8ToGbk("\xEE\x80\x80"), std::nullopt);  // U+E000, AA A1 on Windows alone
}

// The rule by which field texts become a record, shared by the entry dialogs and chiptool.
#include "recordfields.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <string>

#include "make_record.h"

namespace {

DeviceFieldTexts Valid() { return {std::string("W25X40"), "12", "64", "3.3", "ef", "30", "13"}; }

std::string Bytes(const DeviceRecord& r) { return std::string(reinterpret_cast<const char*>(&r), sizeof r); }

// A record whose padding is marked, to see that the rule writes the fields and nothing else.
DeviceRecord Marked()
{
    DeviceRecord r;
    std::memset(&r, 0xCC, sizeof r);
    return r;
}

struct Case {
    const char* what;
    std::function<void(DeviceFieldTexts&)> edit;
    const char* message;  // nullptr: accepted
    std::function<bool(const DeviceRecord&)> stored = nullptr;
};

void Check(const Case& c)
{
    DeviceFieldTexts t = Valid();
    c.edit(t);
    DeviceRecord rec = Marked();
    const std::optional<DeviceFieldFault> fault = TextsToRecord(t, rec);
    if (c.message) {
        ASSERT_TRUE(fault.has_value()) << c.what;
        EXPECT_STREQ(fault->message, c.message) << c.what;
        EXPECT_EQ(Bytes(rec), Bytes(Marked())) << c.what << ": a refused record is left alone";
    } else {
        ASSERT_FALSE(fault.has_value()) << c.what << ": " << fault->message;
        if (c.stored) {
            EXPECT_TRUE(c.stored(rec)) << c.what;
        }
    }
}

std::uint32_t Bits(float f) { return std::bit_cast<std::uint32_t>(f); }

}  // namespace

TEST(RecordFields, HexBytesOfEachField)
{
    struct Field {
        std::string DeviceFieldTexts::* text;
        std::function<std::uint8_t(const DeviceRecord&)> byte;
        const char* message;
    };
    const Field fields[] = {
        {&DeviceFieldTexts::fid, [](const DeviceRecord& r) { return r.fid; }, kMsgBadFid},
        {&DeviceFieldTexts::sig1, [](const DeviceRecord& r) { return r.signature[0]; }, kMsgBadSig1},
        {&DeviceFieldTexts::sig2, [](const DeviceRecord& r) { return r.signature[1]; }, kMsgBadSig2},
        {&DeviceFieldTexts::sig3, [](const DeviceRecord& r) { return r.signature[2]; }, kMsgBadSig3},
    };
    const std::pair<const char*, int> accepted[] = {{"", 0x00}, {"a", 0x0A}, {"0a", 0x0A}, {"0A", 0x0A},
                                                    {"A", 0x0A}, {"ff", 0xFF}, {"FF", 0xFF}};
    for (const Field& f : fields) {
        for (auto [text, value] : accepted) {
            DeviceFieldTexts t = Valid();
            t.*f.text = text;
            DeviceRecord rec = Marked();
            ASSERT_FALSE(TextsToRecord(t, rec)) << f.message << " '" << text << "'";
            EXPECT_EQ(f.byte(rec), value) << f.message << " '" << text << "'";
        }
        for (const char* text : {"100", "0x1", " 1", "1 ", "g", "\xd2\xbb" /* 一 */}) {
            DeviceFieldTexts t = Valid();
            t.*f.text = text;
            DeviceRecord rec = Marked();
            const auto fault = TextsToRecord(t, rec);
            ASSERT_TRUE(fault) << f.message << " '" << text << "'";
            EXPECT_STREQ(fault->message, f.message);
        }
    }
}

TEST(RecordFields, NamesCountedInStoredBytes)
{
    const std::string nineteen(19, 'N');
    const Case cases[] = {
        {"19 bytes", [&](auto& t) { t.name = nineteen; }, nullptr,
         [&](const DeviceRecord& r) { return RecordName(r) == nineteen && r.name[19] == '\0'; }},
        {"20 bytes", [](auto& t) { t.name = std::string(20, 'N'); }, kMsgNameTooLong},
        {"ten double-byte characters", [](auto& t) { t.name = "\xd2\xbb\xb6\xfe\xc8\xfd\xcb\xc4\xce\xe5\xc1\xf9\xc6\xdf\xb0\xcb\xbe\xc5\xca\xae"; },
         kMsgNameTooLong},
        {"empty", [](auto& t) { t.name = ""; }, kMsgNameEmpty},
        {"not storable", [](auto& t) { t.name = std::nullopt; }, kMsgNameUnsavable},
        {"a NUL inside", [](auto& t) { t.name = std::string("A\0B", 3); }, kMsgNameUnsavable},
        {"short name padded with NULs", [](auto& t) { t.name = "AB"; }, nullptr,
         [](const DeviceRecord& r) { return std::string(r.name, 20) == std::string("AB") + std::string(18, '\0'); }},
    };
    for (const Case& c : cases) Check(c);
}

TEST(RecordFields, OnlyTheFirstFailureInFieldOrder)
{
    const Case cases[] = {
        {"ROM before voltage", [](auto& t) { t.romKb = "x"; t.voltage = "x"; }, kMsgNotInteger},
        {"voltage before name", [](auto& t) { t.voltage = "x"; t.name = ""; }, kMsgNotNumber},
        {"name too long before FID", [](auto& t) { t.name = std::string(20, 'N'); t.fid = "zz"; }, kMsgNameTooLong},
        {"empty name before FID", [](auto& t) { t.name = ""; t.fid = "zz"; t.sig3 = "zz"; }, kMsgNameEmpty},
        {"FID before 1", [](auto& t) { t.fid = "zz"; t.sig1 = "zz"; }, kMsgBadFid},
        {"1 before 2", [](auto& t) { t.sig1 = "zz"; t.sig2 = "zz"; }, kMsgBadSig1},
        {"2 before 3", [](auto& t) { t.sig2 = "zz"; t.sig3 = "zz"; }, kMsgBadSig2},
    };
    for (const Case& c : cases) Check(c);
}

TEST(RecordFields, RomAndVoltage)
{
    constexpr float kMax = std::numeric_limits<float>::max();
    constexpr float kTiny = std::numeric_limits<float>::denorm_min();
    auto voltage = [](float v) { return [v](const DeviceRecord& r) { return Bits(r.voltage) == Bits(v); }; };
    auto rom = [](std::int32_t v) { return [v](const DeviceRecord& r) { return r.romKb == v; }; };
    const Case cases[] = {
        {"ROM -5 stored as typed", [](auto& t) { t.romKb = "-5"; }, nullptr, rom(-5)},
        {"ROM with blanks and +", [](auto& t) { t.romKb = " +7 "; }, nullptr, rom(7)},
        {"ROM lowest", [](auto& t) { t.romKb = "-2147483648"; }, nullptr, rom(INT32_MIN)},
        {"ROM beyond 32 bits", [](auto& t) { t.romKb = "2147483648"; }, kMsgNotInteger},
        {"ROM not a number", [](auto& t) { t.romKb = "abc"; }, kMsgNotInteger},
        {"ROM empty", [](auto& t) { t.romKb = ""; }, kMsgNotInteger},
        {"ROM a fraction", [](auto& t) { t.romKb = "1.5"; }, kMsgNotInteger},
        {"voltage 0", [](auto& t) { t.voltage = "0"; }, nullptr, voltage(0.0f)},
        {"voltage -0", [](auto& t) { t.voltage = "-0"; }, nullptr, voltage(-0.0f)},
        {"voltage 3.3", [](auto& t) { t.voltage = "3.3"; }, nullptr, voltage(3.3f)},
        {"voltage FLT_MAX", [](auto& t) { t.voltage = "3.4028235e+38"; }, nullptr, voltage(kMax)},
        {"voltage smallest subnormal", [](auto& t) { t.voltage = "1e-45"; }, nullptr, voltage(kTiny)},
        // Rounded once, from the decimal, not through a double.
        {"just above half an ulp", [](auto& t) { t.voltage = "1.000000059604644775390626"; }, nullptr,
         voltage(1.00000012f)},
        {"just below half an ulp", [](auto& t) { t.voltage = "1.000000059604644775390624"; }, nullptr, voltage(1.0f)},
        {"beyond the float range", [](auto& t) { t.voltage = "1e39"; }, kMsgNotNumber},
        {"so small it would read as 0", [](auto& t) { t.voltage = "1e-50"; }, kMsgNotNumber},
        {"a unit", [](auto& t) { t.voltage = "5V"; }, kMsgNotNumber},
        {"empty", [](auto& t) { t.voltage = ""; }, kMsgNotNumber},
        {"a comma", [](auto& t) { t.voltage = "3,3"; }, kMsgNotNumber},
        {"hexadecimal", [](auto& t) { t.voltage = "0x10"; }, kMsgNotNumber},
        {"two signs", [](auto& t) { t.voltage = "--1"; }, kMsgNotNumber},
        {"ROM below 32 bits", [](auto& t) { t.romKb = "-2147483649"; }, kMsgNotInteger},
        {"ROM with a unit", [](auto& t) { t.romKb = "4K"; }, kMsgNotInteger},
    };
    for (const Case& c : cases) Check(c);
    // Not a voltage at all, in any spelling the number reader knows.
    for (const char* text : {"inf", "-inf", "INF", "Infinity", "+infinity", "nan", "NaN", "-nan", " nan "}) {
        DeviceFieldTexts t = Valid();
        t.voltage = text;
        DeviceRecord rec = Marked();
        const auto fault = TextsToRecord(t, rec);
        ASSERT_TRUE(fault) << text;
        EXPECT_EQ(fault->field, DeviceField::Voltage) << text;
        EXPECT_STREQ(fault->message, kMsgNotNumber) << text;
    }
}

TEST(RecordFields, StoresEveryFieldAndNoOtherByte)
{
    DeviceRecord rec = Marked();
    ASSERT_FALSE(TextsToRecord(Valid(), rec));
    const std::string b = Bytes(rec);
    EXPECT_EQ(b.substr(0, 20), std::string("W25X40") + std::string(14, '\0'));
    EXPECT_EQ(b.substr(20, 4), "\x12\xcc\xcc\xcc");
    EXPECT_EQ(rec.romKb, 64);
    EXPECT_EQ(rec.voltage, 3.3f);
    EXPECT_EQ(b.substr(32, 4), "\xef\x30\x13\xcc");
}

// What the edit dialog opens with reads back as the same record; a record the editor cannot
// have made is refused as the editor would refuse it.
TEST(RecordFields, StoredRecordsReadBack)
{
    const float kept[] = {5.0f, 3.3f, -0.5f, 1.2345678f, 1e-30f, 3.4e38f, -7.0e-3f,
                          std::numeric_limits<float>::max(), std::numeric_limits<float>::denorm_min(),
                          std::numeric_limits<float>::denorm_min() * 1e6f, -0.0f};
    for (float v : kept) {
        const DeviceRecord r = MakeRecord("AT89C51", 0x0A, 0x1E, 0x95, 0x0F, -5, v);
        const DeviceFieldTexts t = RecordToTexts(r);
        EXPECT_EQ(t.fid, "0a");
        EXPECT_EQ(t.sig1 + t.sig2 + t.sig3, "1e950f");
        DeviceRecord back = Marked();
        ASSERT_FALSE(TextsToRecord(t, back)) << t.voltage;
        EXPECT_EQ(Bits(back.voltage), Bits(v)) << t.voltage;
        EXPECT_EQ(back.romKb, -5);
    }
    EXPECT_EQ(FormatVoltageText(5.0f), "5");
    EXPECT_EQ(FormatVoltageText(-0.5f), "-0.5");
    EXPECT_EQ(FormatVoltageText(3.3f), "3.3");
    EXPECT_EQ(FormatVoltageText(12.0f), "12");
    EXPECT_EQ(FormatVoltageText(1e-7f), "1e-07");
    EXPECT_EQ(FormatVoltageText(-std::numeric_limits<float>::infinity()), "-inf");
    EXPECT_EQ(FormatVoltageText(-std::numeric_limits<float>::quiet_NaN()), "-nan");

    // Every finite float survives the edit dialog unchanged; the others are refused.
    std::mt19937 rng(7);
    for (int i = 0; i < 20000; ++i) {
        const float v = std::bit_cast<float>(static_cast<std::uint32_t>(rng()));
        const DeviceRecord r = MakeRecord("X", 0, 0, 0, 0, 0, v);
        DeviceRecord back = r;
        const auto fault = TextsToRecord(RecordToTexts(r), back);
        ASSERT_EQ(fault.has_value(), !std::isfinite(v)) << FormatVoltageText(v);
        ASSERT_EQ(Bits(back.voltage), Bits(v)) << FormatVoltageText(v);
    }

    const struct {
        DeviceRecord rec;
        const char* message;
    } refused[] = {
        {MakeRecord("", 1, 2, 3, 4), kMsgNameEmpty},
        {MakeRecord("ABCDEFGHIJKLMNOPQRST", 1, 2, 3, 4), kMsgNameTooLong},  // no NUL in 20 bytes
        {MakeRecord("X", 1, 2, 3, 4, 0, std::numeric_limits<float>::infinity()), kMsgNotNumber},
        {MakeRecord("X", 1, 2, 3, 4, 0, std::numeric_limits<float>::quiet_NaN()), kMsgNotNumber},
    };
    for (const auto& r : refused) {
        DeviceRecord scratch = r.rec;
        const auto fault = TextsToRecord(RecordToTexts(r.rec), scratch);
        ASSERT_TRUE(fault) << r.message;
        EXPECT_STREQ(fault->message, r.message);
    }
    // Name bytes that are not GBK are the user's to keep: the editor stores them untouched.
    DeviceRecord odd = MakeRecord("\x81\x7f\xfe", 1, 2, 3, 4);
    EXPECT_FALSE(TextsToRecord(RecordToTexts(odd), odd));
}

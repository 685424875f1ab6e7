// Unit tests of chiptool's text forms: name escaping, CSV, field formats and the CSV/JSON lists.
#include "csv.h"
#include "list_formats.h"
#include "message_text.h"
#include "name_text.h"
#include "make_record.h"
#include "records_text.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <sstream>

namespace {

std::uint32_t Bits(float f) { return std::bit_cast<std::uint32_t>(f); }

std::string RoundTripName(std::string_view gbk)
{
    std::string back, error;
    EXPECT_TRUE(UnescapeName(EscapeName(gbk), back, error)) << error;
    return back;
}

// --- names -------------------------------------------------------------------------------

TEST(NameText, EscapesOnlyWhatUtf8CannotCarry)
{
    EXPECT_EQ(EscapeName("AT89C51"), "AT89C51");
    EXPECT_EQ(EscapeName("\xBA\xEA\xBE\xA7"), "宏晶");  // GBK for 宏晶
    EXPECT_EQ(EscapeName("a\\b"), "a\\\\b");
    EXPECT_EQ(EscapeName("x\xFFy"), "x\\xffy");
    EXPECT_EQ(EscapeName("tab\tnl\n"), "tab\\x09nl\\x0a");
    // A lead byte at the end, and a lead byte whose follower cannot complete it: the follower
    // still stands as itself.
    EXPECT_EQ(EscapeName("A\xB0"), "A\\xb0");
    EXPECT_EQ(EscapeName("\x81 Z"), "\\x81 Z");
    // A 0x5C trail byte belongs to its character and must not be taken for a backslash.
    EXPECT_EQ(EscapeName("\x81\x5C"), "乗");
}

TEST(NameText, UnescapeRefusesWhatCannotBeAName)
{
    std::string gbk, error;
    for (const char* bad : {"a\\", "\\q", "\\x4", "\\x4g", "\\X41", "a\\x00b", "😀", "한국"}) {
        EXPECT_FALSE(UnescapeName(bad, gbk, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
    EXPECT_TRUE(UnescapeName("\\x41\\\\宏晶\\xFF", gbk, error)) << error;
    EXPECT_EQ(gbk, "A\\\xBA\xEA\xBE\xA7\xFF");
}

bool HasControlByte(std::string_view s)
{
    for (const char c : s)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return true;
    return false;
}

TEST(NameText, AnyByteStringSurvivesEscapeAndUnescape)
{
    // 0x80 is a character of its own, so the byte after it is not its trail byte.
    for (const std::string bytes : {"C\x80\\x41", "\x80\\", "\x80\x1b", "\x80"}) {
        EXPECT_EQ(RoundTripName(bytes), bytes) << EscapeName(bytes);
        EXPECT_FALSE(HasControlByte(EscapeName(bytes)) || HasControlByte(DisplayName(bytes))) << bytes;
    }
    std::mt19937 rng(20240601);
    std::uniform_int_distribution<int> len(0, 20), byte(1, 255), highByte(0x80, 0xFF);
    for (int i = 0; i < 3000; ++i) {
        std::string s(static_cast<std::size_t>(len(rng)), 'x');
        // Half the strings are dense in high bytes, so that valid and invalid pairs both occur.
        for (char& c : s) c = static_cast<char>(i % 2 ? highByte(rng) : byte(rng));
        ASSERT_EQ(RoundTripName(s), s) << "case " << i;
        ASSERT_FALSE(HasControlByte(EscapeName(s)) || HasControlByte(DisplayName(s))) << "case " << i;
    }
}

TEST(NameText, DisplayReplacesUndecodableBytesAndCountsColumns)
{
    std::size_t cols = 0;
    EXPECT_EQ(DisplayName("\xBA\xEA" "A\xFF\n", &cols), "宏A\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(cols, 5u);
}

// --- CSV ---------------------------------------------------------------------------------

TEST(Csv, QuotesOnlyFieldsThatNeedIt)
{
    std::string line;
    AppendCsvField(line, "plain");
    line += ',';
    AppendCsvField(line, "a,b");
    line += ',';
    AppendCsvField(line, "say \"hi\"");
    line += ',';
    AppendCsvField(line, "two\nlines");
    line += ',';
    AppendCsvField(line, "");
    EXPECT_EQ(line, "plain,\"a,b\",\"say \"\"hi\"\"\",\"two\nlines\",");
}

TEST(Csv, ReadsQuotingLineEndingsAndCountsLines)
{
    CsvReader reader("\xEF\xBB\xBFh1,h2\r\n\"a,\"\"b\"\"\",\"x\ny\"\n\nlast,\n\"end\",z");
    CsvRecord rec;
    std::string error;
    ASSERT_EQ(reader.Next(rec, error), CsvReader::Status::Record);
    EXPECT_EQ(rec.line, 1u);
    EXPECT_EQ(rec.fields, (std::vector<std::string>{"h1", "h2"}));
    ASSERT_EQ(reader.Next(rec, error), CsvReader::Status::Record);
    EXPECT_EQ(rec.line, 2u);
    EXPECT_EQ(rec.fields, (std::vector<std::string>{"a,\"b\"", "x\ny"}));
    ASSERT_EQ(reader.Next(rec, error), CsvReader::Status::Record);
    EXPECT_EQ(rec.line, 5u);  // line 4 was empty, line 3 held the rest of the quoted field
    EXPECT_EQ(rec.fields, (std::vector<std::string>{"last", ""}));
    ASSERT_EQ(reader.Next(rec, error), CsvReader::Status::Record);
    EXPECT_EQ(rec.fields, (std::vector<std::string>{"end", "z"}));
    EXPECT_EQ(reader.Next(rec, error), CsvReader::Status::End);
}

TEST(Csv, MalformedRecordsAreReportedAndReadingGoesOn)
{
    CsvReader reader("ab\"c,d\n\"x\"y,z\nok,1\n\"open,2\nmore");
    CsvRecord rec;
    std::string error;
    EXPECT_EQ(reader.Next(rec, error), CsvReader::Status::Malformed);
    EXPECT_EQ(rec.line, 1u);
    EXPECT_EQ(reader.Next(rec, error), CsvReader::Status::Malformed);
    EXPECT_EQ(rec.line, 2u);
    ASSERT_EQ(reader.Next(rec, error), CsvReader::Status::Record);
    EXPECT_EQ(rec.fields, (std::vector<std::string>{"ok", "1"}));
    EXPECT_EQ(reader.Next(rec, error), CsvReader::Status::Malformed);
    EXPECT_EQ(rec.line, 4u);
    EXPECT_NE(error.find("not closed"), std::string::npos);
    EXPECT_EQ(reader.Next(rec, error), CsvReader::Status::End);
}

// What a reader gives, record by record, as one comparable text.
std::vector<std::string> ReadAll(CsvReader& reader)
{
    std::vector<std::string> seen;
    CsvRecord rec;
    std::string error;
    CsvReader::Status status;
    while ((status = reader.Next(rec, error)) != CsvReader::Status::End) {
        std::string line = std::to_string(static_cast<int>(status)) + " line " + std::to_string(rec.line) + " " + error;
        if (status == CsvReader::Status::Record)
            for (const std::string& f : rec.fields) line += "|" + f;
        seen.push_back(line);
    }
    return seen;
}

// A stream is read in blocks of 64 KiB: whatever falls on a block's end (a CRLF, a doubled
// quote, a quoted line end, a faulty record, the byte order mark) reads as in the whole text.
TEST(Csv, AStreamReadsAsTheWholeTextWhereverItsBlocksEnd)
{
    const std::string kTails[] = {
        "\"a\r\nb\",c\r\nnext,1\n",  "x,y\r\n\r\n\nlast",      "\"q\"\"q\",z\n",
        "ab\"c,d\n\"x\"y,z\nok\n",  "\"a\"b\"c\n\"x\ny\"\n",     "\"open,2\nmore",
        "\xEF\xBB\xBFh,1\n",     "\"" + std::string(300000, '\n') + "\",end\n",  "\xEF\xBB",
    };
    constexpr std::size_t kBlock = 65536;
    for (const std::string& tail : kTails) {
        for (std::size_t before : {std::size_t{0}, kBlock - 4, kBlock - 3, kBlock - 2, kBlock - 1, kBlock, kBlock + 1}) {
            // One long record fills the text up to `before` bytes.
            const std::string text = before == 0 ? tail : std::string(before - 1, 'f') + "\n" + tail;
            CsvReader whole(text);
            std::istringstream in(text);
            CsvReader stream(in);
            EXPECT_EQ(ReadAll(stream), ReadAll(whole)) << "tail " << tail.substr(0, 20) << " after " << before;
        }
    }
}

// --- fields ------------------------------------------------------------------------------

TEST(Fields, SignatureIsThreeHexBytesSeparatedBySingleSpaces)
{
    std::string_view pieces[3];
    EXPECT_TRUE(SplitSignature("1E 5 0", pieces));
    EXPECT_EQ(pieces[0], "1E");
    EXPECT_EQ(pieces[1], "5");
    EXPECT_EQ(pieces[2], "0");
    for (const char* bad : {"", "1e 52", "1e 52 06 00", "1e  52 06", "1e 52 06 ", " 1e 52 06", "1e 52 ", "1e  52", " 1e 52"})
        EXPECT_FALSE(SplitSignature(bad, pieces)) << bad;
    const std::uint8_t b[3] = {0x1e, 0x52, 0x06};
    EXPECT_EQ(FormatSignature(b), "1e 52 06");
}

// The editor's rule decides (its own table is in the core's test); here what the columns add.
TEST(Fields, RecordFromTextHasZeroPaddingAndTheEditorsChecks)
{
    DeviceRecord rec;
    std::memset(&rec, 0xAB, sizeof rec);
    std::string error;
    ASSERT_TRUE(FieldsToRecord({"ABC", "7", "8", "5", "1e 52 06"}, rec, error)) << error;
    const DeviceRecord expected = MakeRecord("ABC", 7, 0x1e, 0x52, 0x06, 8, 5.0f);
    EXPECT_EQ(std::memcmp(&rec, &expected, sizeof rec), 0);

    ASSERT_TRUE(FieldsToRecord({"A", "", "0", "0", "0 0 0"}, rec, error)) << error;  // "" is 00 by the hex rule
    EXPECT_EQ(rec.fid, 0);

    const std::string nineteen(19, 'N');
    EXPECT_TRUE(FieldsToRecord({nineteen, "00", "0", "0", "00 00 00"}, rec, error)) << error;
    struct Bad {
        RecordFields f;
        std::string error;
    };
    const Bad bads[] = {
        {{"", "01", "1", "5", "00 00 00"}, "请输入器件名称! \"\""},  // a nameless device, as the editor refuses it
        {{nineteen + "N", "00", "0", "0", "00 00 00"}, "名称字符串过长! \"NNNNNNNNNNNNNNNNNNNN\""},
        {{"宏晶宏晶宏晶宏晶宏晶", "00", "0", "0", "00 00 00"}, "名称字符串过长!"},  // 20 GBK bytes
        {{"😀", "00", "0", "0", "00 00 00"}, "名称中含有无法保存的字符!"},
        {{"\\q\\x00", "00", "0", "0", "00 00 00"}, "名称中含有无法保存的字符!"},
        {{"A", "0x", "0", "0", "00 00 00"}, "请输入正确的FID! \"0x\""},
        {{"A", "00", "4K", "0", "00 00 00"}, "请输入一个整数。 \"4K\""},
        {{"A", "00", "0", "5V", "00 00 00"}, "请输入一个数字。 \"5V\""},
        {{"A", "00", "0", "inf", "00 00 00"}, "请输入一个数字。 \"inf\""},
        {{"A", "00", "0", "0", "00 g 00"}, "请输入正确的特征字2! \"g\""},
        {{"A", "00", "0", "0", "1e5206"}, "signature: "},
    };
    for (const Bad& b : bads) {
        EXPECT_FALSE(FieldsToRecord(b.f, rec, error)) << b.error;
        EXPECT_EQ(error.rfind(b.error, 0), 0u) << error;
    }
}

TEST(Fields, ShowLineUsesTheWindowFormats)
{
    const DeviceRecord rec = MakeRecord("ABC", 0x07, 0x1e, 0x52, 0x06, 8, 5.0f);
    EXPECT_EQ(ShowLine(0, rec), "0000  ABC                   07   8K       5.00V     1e 52 06");
    const DeviceRecord cn = MakeRecord("\xBA\xEA\xBE\xA7\xFF", 0xff, 0, 0xab, 0xff, -64, 3.3f);
    EXPECT_EQ(ShowLine(12345, cn), "12345  宏晶\xEF\xBF\xBD                 ff   -64K     3.30V     00 ab ff");
}

// Whatever a cell starts with, a spreadsheet sees no formula in it and import gets it back.
TEST(Csv, NoCellStartsAFormulaAndEveryCellComesBack)
{
    const std::string_view formulaStarts = "=+-@\t\r";
    for (int byte = 0; byte < 256; ++byte) {
        for (const std::string_view before : {"", "'", "''"}) {
            for (const std::string_view after : {"", "A1", "'x,\"y\"\n"}) {
                const std::string field = std::string(before) + static_cast<char>(byte) + std::string(after);
                std::string line;
                AppendSpreadsheetSafeField(line, field);
                line += ",end\n";
                CsvReader reader(line);
                CsvRecord rec;
                std::string error;
                ASSERT_EQ(reader.Next(rec, error), CsvReader::Status::Record) << byte;
                ASSERT_EQ(rec.fields.size(), 2u) << byte;
                std::string cell = rec.fields[0];
                EXPECT_EQ(formulaStarts.find(cell.front()), std::string_view::npos) << byte << " " << line;
                UnguardSpreadsheetCell(cell);
                EXPECT_EQ(cell, field) << byte << " " << line;
            }
        }
    }
}

// --- lists -------------------------------------------------------------------------------

// Names a spreadsheet would run, and negative numbers, leave as cells it reads as text, and
// come back byte for byte; a byte-order mark before the header is skipped.
TEST(ListFormats, CsvCellsAreSpreadsheetSafeAndLossless)
{
    std::vector<DeviceRecord> recs;
    for (const char* name : {"=cmd|' /C calc'!A0", "+SUM(1;2)", "@A1", "-2+3", "'=A1", "''@x", "'", "'plain", "a=b"})
        recs.push_back(MakeRecord(name, 1, 2, 3, 4, -5, -1.5f));
    // A name starting with every byte, after no, one and two apostrophes.
    for (int byte = 1; byte < 256; ++byte)
        for (const std::string_view before : {"", "'", "''"})
            recs.push_back(MakeRecord(std::string(before) + static_cast<char>(byte) + "=1", 1, 2, 3, 4, 5, 5.0f));
    DeviceList list;
    for (DeviceRecord& r : recs) list.Append(&r);
    std::ostringstream text;
    WriteCsv(text, list);
    CsvReader reader(text.str());
    CsvRecord row;
    std::string error;
    while (reader.Next(row, error) == CsvReader::Status::Record)
        for (const std::string& cell : row.fields) EXPECT_EQ(std::string_view("=+-@\t\r").find(cell.front()), std::string_view::npos) << cell;
    EXPECT_NE(text.str().find("\n'=cmd|' /C calc'!A0,01,'-5,'-1.5,"), std::string::npos) << text.str();
    for (const std::string& csv : {text.str(), std::string(kUtf8ByteOrderMark) + text.str()}) {
        const ParsedList parsed = ParseCsv(csv);
        ASSERT_TRUE(parsed.errors.empty()) << parsed.errors.front().where << ": " << parsed.errors.front().message;
        ASSERT_EQ(parsed.records.size(), recs.size());
        for (std::size_t i = 0; i < recs.size(); ++i)
            EXPECT_EQ(std::memcmp(&parsed.records[i], &recs[i], sizeof(DeviceRecord)), 0) << RecordName(recs[i]);
    }
}

// Blank lines and whitespace between records, however many, are only passed over.
TEST(ListFormats, LongRunsOfBlankTextChangeNothing)
{
    const std::string row = R"({"name":"A  B","fid":"01","rom_kb":1,"voltage":5,"signature":"00 00 01"})";
    const std::string run(100000, ' '), lines(100000, '\n');
    for (const std::string& json : {"[" + row + "," + row + "]", "[" + run + row + lines + "," + run + "\r\n" + row + run + "]"}) {
        std::istringstream in(json);
        const ParsedList parsed = ParseJson(in);
        ASSERT_TRUE(parsed.errors.empty()) << parsed.errors.front().message;
        ASSERT_EQ(parsed.records.size(), 2u);
        EXPECT_EQ(RecordName(parsed.records[1]), "A  B");
    }
    std::istringstream csv("name,fid,rom_kb,voltage,signature\n" + lines + "A,01,1,5,00 00 01\r\n" + lines + "\r\n");
    const ParsedList parsed = ParseCsv(csv);
    ASSERT_TRUE(parsed.errors.empty()) << parsed.errors.front().message;
    EXPECT_EQ(parsed.records.size(), 1u);
}

TEST(ListFormats, CsvAndJsonCarryEveryFieldExactly)
{
    std::vector<DeviceRecord> recs = {
        MakeRecord("AT89C51", 0x01, 0x1e, 0x51, 0xff, 4, 12.0f),
        MakeRecord("say \"a,b\"\\", 0xff, 0, 0, 0, -1, -0.0f),
        MakeRecord("\xBA\xEA\xFF\r\n", 0x80, 1, 2, 3, std::numeric_limits<std::int32_t>::max(), 1e-7f),
        MakeRecord("max", 0, 0, 0, 0, 0, std::numeric_limits<float>::max()),
        MakeRecord("-max", 0, 0, 0, 0, 0, -std::numeric_limits<float>::max()),
        MakeRecord("tiny", 0, 0, 0, 0, 0, std::numeric_limits<float>::denorm_min()),
        MakeRecord("subnormal", 0, 0, 0, 0, 0, 1e-40f),
    };
    std::mt19937 rng(3);
    for (int i = 0; i < 500; ++i) {
        float v;
        do v = std::bit_cast<float>(static_cast<std::uint32_t>(rng()));
        while (!std::isfinite(v));
        recs.push_back(MakeRecord("r", 1, 1, 2, 3, i, v));
    }
    DeviceList list;
    for (DeviceRecord& r : recs) list.Append(&r);

    for (const bool json : {false, true}) {
        std::ostringstream text;
        json ? WriteJson(text, list) : WriteCsv(text, list);
        const ParsedList parsed = json ? ParseJson(text.str()) : ParseCsv(text.str());
        ASSERT_TRUE(parsed.errors.empty()) << parsed.errors.front().where << ": " << parsed.errors.front().message;
        ASSERT_EQ(parsed.records.size(), recs.size());
        for (std::size_t i = 0; i < recs.size(); ++i)
            ASSERT_EQ(std::memcmp(&parsed.records[i], &recs[i], sizeof(DeviceRecord)), 0) << (json ? "json " : "csv ") << i;
    }
}

TEST(ListFormats, CsvReportsEveryBadRowWithItsLine)
{
    const ParsedList p = ParseCsv(
        "name,fid,rom_kb,voltage,signature\n"
        "good,01,1,5,00 00 00\n"
        "\"multi\nline\",zz,1,5,00 00 00\n"
        "short,01,1\n"
        "good2,01,1,5,00 00 00\n"
        "toolongtoolongtoolong,01,1,5,00 00 00\n");
    ASSERT_EQ(p.errors.size(), 3u);
    EXPECT_EQ(p.errors[0].where, "line 3");
    EXPECT_EQ(p.errors[0].message.rfind(kMsgBadFid, 0), 0u);
    EXPECT_EQ(p.errors[1].where, "line 5");
    EXPECT_EQ(p.errors[2].where, "line 7");
    EXPECT_EQ(p.records.size(), 2u);

    EXPECT_EQ(ParseCsv("").errors.size(), 1u);
    EXPECT_EQ(ParseCsv("name,fid,rom,voltage,signature\n").errors.at(0).where, "line 1");
    EXPECT_TRUE(ParseCsv("name,fid,rom_kb,voltage,signature\r\n").errors.empty());
}

TEST(ListFormats, JsonReportsEveryBadElementWithItsIndex)
{
    const ParsedList p = ParseJson(R"([
        {"name":"ok","fid":"01","rom_kb":1,"voltage":5,"signature":"00 00 00"},
        {"name":"a","fid":1,"rom_kb":1,"voltage":5,"signature":"00 00 00"},
        {"name":"a","fid":"01","rom_kb":1.5,"voltage":5,"signature":"00 00 00"},
        {"name":"a","fid":"01","rom_kb":1,"voltage":1e300,"signature":"00 00 00"},
        {"name":"a","fid":"01","rom_kb":1,"signature":"00 00 00"},
        {"name":"a","fid":"01","rom_kb":1,"voltage":5,"signature":"00 00 00","x":0},
        {"name":"a","fid":"01","rom_kb":4294967296,"voltage":5,"signature":"00 00 00"},
        "text",
        {"name":"a","fid":"01","rom_kb":1,"voltage":"-inf","signature":"00 00 00"},
        {"name":"a","fid":"01","fid":"02","rom_kb":1,"voltage":5,"signature":"00 00 00"},
        {"name":"ok2","fid":"01","rom_kb":1,"voltage":-5,"signature":"00 00 00"}
    ])");
    ASSERT_EQ(p.errors.size(), 9u);
    for (std::size_t i = 0; i < p.errors.size(); ++i) EXPECT_EQ(p.errors[i].where, "element " + std::to_string(i + 1));
    EXPECT_EQ(p.errors[7].message, "请输入一个数字。 \"-inf\"");
    EXPECT_EQ(p.errors[8].message, "repeated key \"fid\"");
    ASSERT_EQ(p.records.size(), 2u);
    EXPECT_EQ(p.records[1].voltage, -5.0f);

    // Faults the parser itself finds name the element too, whatever the nesting or the number.
    const std::string deep = std::string(100000, '[') + std::string(100000, ']');
    for (const std::string& text : {std::string(R"([{"name":"a"}, {"voltage":1e400}])"),
                                    R"([{"name":"a"}, {"name":)" + deep + R"(,"fid":"01"}])"}) {
        const ParsedList bad = ParseJson(text);
        ASSERT_EQ(bad.errors.size(), 1u);
        EXPECT_EQ(bad.errors[0].where, "element 1");
    }

    EXPECT_EQ(ParseJson("[{").errors.size(), 1u);
    EXPECT_EQ(ParseJson("{}").errors.size(), 1u);
    EXPECT_TRUE(ParseJson("[]").errors.empty());
}

TEST(ListFormats, BadRowsBeyondTheFirstFiftyAreOnlyCounted)
{
    std::string csv = "name,fid,rom_kb,voltage,signature\n", json = "[";
    for (int i = 0; i < 10000; ++i) {
        csv += "a,01,1,5,00 00 00\nb,zz,1,5,00 00 00\n";
        json += R"({"name":"a","fid":"01","rom_kb":1,"voltage":5,"signature":"00 00 00"},{"name":"b"},)";
    }
    json += "1]";
    const struct {
        ParsedList parsed;
        std::size_t errors;
        const char* first;
        const char* last;
    } cases[] = {
        {ParseCsv(csv), 10000, "line 3", "line 101"},
        {ParseJson(json), 10001, "element 1", "element 99"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.parsed.errorCount, c.errors);
        ASSERT_EQ(c.parsed.errors.size(), kRowErrorsKept);
        EXPECT_EQ(c.parsed.errors.front().where, c.first);
        EXPECT_EQ(c.parsed.errors.back().where, c.last);
        EXPECT_EQ(c.parsed.records.size(), 10000u);
    }
}

// A voltage text is read by one rule whichever format carries it, as a JSON number or a string.
TEST(ListFormats, CsvAndJsonReadAVoltageTextAlike)
{
    const struct {
        const char* text;
        std::optional<float> value;  // none: refused
    } cases[] = {
        {"1.000000059604644775390626", 1.00000012f},  // rounds up once; through a double it would not
        {"1.000000059604644775390624", 1.0f},
        {"3.4028235e+38", std::numeric_limits<float>::max()},
        {"3.4028235677973366e+38", std::numeric_limits<float>::max()},
        {"1e-45", std::numeric_limits<float>::denorm_min()},
        {"-0.0", -0.0f},
        {"1e-50", std::nullopt},  // not 0
        {"3.4028236e+38", std::nullopt},
        {"1e39", std::nullopt},
    };
    for (const auto& c : cases) {
        const std::string csv = std::string("name,fid,rom_kb,voltage,signature\nA,01,1,") + c.text + ",00 00 00\n";
        const std::string row = std::string(R"({"name":"A","fid":"01","rom_kb":1,"voltage":)");
        for (const ParsedList& p : {ParseCsv(csv), ParseJson("[" + row + c.text + R"(,"signature":"00 00 00"}])"),
                                    ParseJson("[" + row + "\"" + c.text + R"(","signature":"00 00 00"}])")}) {
            if (!c.value) {
                ASSERT_EQ(p.errors.size(), 1u) << c.text;
                EXPECT_EQ(p.errors[0].message.rfind(kMsgNotNumber, 0), 0u) << p.errors[0].message;
                continue;
            }
            ASSERT_EQ(p.records.size(), 1u) << c.text << ": " << (p.errors.empty() ? "" : p.errors[0].message);
            EXPECT_EQ(Bits(p.records[0].voltage), Bits(*c.value)) << c.text;
        }
    }
}

TEST(ListFormats, MessagesQuoteAtMostSixtyCharactersAndNoControlBytes)
{
    const std::string field = "\x1b[31m" + std::string(100000, 'z') + "\xff";
    for (const ParsedList& p : {ParseCsv("name,fid,rom_kb,voltage,signature\na," + field + ",1,5,00 00 00\n"),
                                ParseJson("[{\"name\":\"a\",\"fid\":\"01\",\"rom_kb\":1,\"voltage\":\"" +
                                          field + "\",\"signature\":\"00 00 00\"}]"),
                                ParseJson("[" + field + "]")}) {
        ASSERT_EQ(p.errors.size(), 1u);
        EXPECT_LE(p.errors[0].message.size(), 300u);
        EXPECT_FALSE(HasControlByte(p.errors[0].message)) << p.errors[0].message;
    }
    EXPECT_EQ(MessageText(std::string(61, 'a')), std::string(60, 'a') + "...");
    EXPECT_EQ(MessageText("宏\x1b\xba"), "宏\\x1b\\xba");
}

}  // namespace

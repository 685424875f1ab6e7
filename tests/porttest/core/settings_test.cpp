// The settings-file reader: encodings, name matching and the profile functions' number rules.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <string>
#include <sys/stat.h>

#include "settings.h"
#include "temp_dir.h"

namespace {
// GBK bytes of the three section names.
const std::string kPinsGbk = "\xD2\xFD\xBD\xC5\xBF\xD8\xD6\xC6";                // 引脚控制
const std::string kLeGbk = "\xCB\xF8\xB4\xE6\xBF\xD8\xD6\xC6" "(LE)";           // 锁存控制(LE)
const std::string kOeGbk = "\xCA\xE4\xB3\xF6\xBF\xD8\xD6\xC6" "(OE)";           // 输出控制(OE)
} // namespace

TEST(ProfileInt, FollowsTheProfileFunctionsDecimalRules)
{
    EXPECT_EQ(ParseProfileInt("17"), 17);
    EXPECT_EQ(ParseProfileInt("  \t5"), 5);
    EXPECT_EQ(ParseProfileInt("+8"), 8);
    EXPECT_EQ(ParseProfileInt("-3"), -3);
    EXPECT_EQ(ParseProfileInt("12abc"), 12);
    EXPECT_EQ(ParseProfileInt("4 ; comment"), 4);
    EXPECT_EQ(ParseProfileInt("0x10"), 0); // hexadecimal is not a form of its own
    EXPECT_EQ(ParseProfileInt("abc"), 0);
    EXPECT_EQ(ParseProfileInt("-"), 0);
    EXPECT_EQ(ParseProfileInt("+-5"), 0);
    EXPECT_EQ(ParseProfileInt("007"), 7);
}

TEST(ProfileInt, HugeValuesSaturateInsteadOfWrapping)
{
    EXPECT_EQ(ParseProfileInt("2147483647"), INT_MAX);
    EXPECT_EQ(ParseProfileInt("-2147483648"), INT_MIN);
    EXPECT_EQ(ParseProfileInt("2147483648"), INT_MAX);
    EXPECT_EQ(ParseProfileInt("4294967298"), INT_MAX); // would wrap to 2, a real pin
    EXPECT_EQ(ParseProfileInt("4294967296"), INT_MAX); // would wrap to 0, a low level
    EXPECT_EQ(ParseProfileInt("-99999999999999999999999999999"), INT_MIN);
    EXPECT_EQ(ParseProfileInt(std::string(5000, '9')), INT_MAX);
}

TEST(ProfileFile, ReadsGbkUtf8AndUtf8WithBom)
{
    const std::string body = "[" + kPinsGbk + "]\r\nSCK=5\r\n[" + kLeGbk + "]\r\nEnable=0\r\n[" + kOeGbk +
                             "]\r\nDisable=7\r\n";
    const std::string utf8 = "[引脚控制]\nSCK=5\n[锁存控制(LE)]\nEnable=0\n[输出控制(OE)]\nDisable=7\n";
    for (const std::string& bytes : {body, utf8, "\xEF\xBB\xBF" + utf8, "\xEF\xBB\xBF" + body}) {
        const CProfileFile ini = CProfileFile::FromBytes(bytes);
        EXPECT_EQ(ini.GetInt("引脚控制", "SCK", 3), 5);
        EXPECT_EQ(ini.GetInt("锁存控制(LE)", "Enable", 1), 0);
        EXPECT_EQ(ini.GetInt("输出控制(OE)", "Disable", 1), 7);
        EXPECT_EQ(ini.GetInt("引脚控制", "MOSI", 14), 14);
    }
}

TEST(ProfileFile, NamesMatchWithoutAsciiCaseOrSurroundingBlanks)
{
    const CProfileFile ini = CProfileFile::FromBytes("[ 锁存控制(le) ]\n  enABLE = 9 \n[引脚控制]\nsck=6\n");
    EXPECT_EQ(ini.GetInt("锁存控制(LE)", "Enable", 1), 9);
    EXPECT_EQ(ini.GetInt("引脚控制", "SCK", 3), 6);
    EXPECT_EQ(ini.GetInt("引脚控制", "Enable", 1), 1); // keys belong to their section
}

TEST(ProfileFile, FirstOccurrenceWinsAndMissingThingsGiveTheDefault)
{
    const CProfileFile ini =
        CProfileFile::FromBytes("MOSI=1\n[引脚控制]\nSCK=5\nSCK=6\nMISO=\n[other]\nRST=2\n[引脚控制]\nSCK=7\nLE=9\n");
    EXPECT_EQ(ini.GetInt("引脚控制", "SCK", 3), 5);
    EXPECT_EQ(ini.GetInt("引脚控制", "LE", 17), 9);   // a repeated section still adds keys
    EXPECT_EQ(ini.GetInt("引脚控制", "MISO", 15), 15); // empty value
    EXPECT_EQ(ini.GetInt("引脚控制", "RST", 16), 16);
    EXPECT_EQ(ini.GetInt("引脚控制", "MOSI", 14), 14); // before any section
    EXPECT_EQ(ini.GetInt("nowhere", "SCK", 3), 3);
}

TEST(ProfileFile, IndentedLinesAreKeysNotContinuations)
{
    const CProfileFile ini = CProfileFile::FromBytes("[引脚控制]\nMOSI=7\n    SCK=5\n\tRST = 4\n");
    EXPECT_EQ(ini.GetInt("引脚控制", "MOSI", 14), 7);
    EXPECT_EQ(ini.GetInt("引脚控制", "SCK", 3), 5);
    EXPECT_EQ(ini.GetInt("引脚控制", "RST", 16), 4);
}

TEST(ProfileFile, GarbageNeverCrashesAndTheTailOfALongLineIsNoKey)
{
    // Lines that are not UTF-8 are read as GBK: the section name is given in GBK too.
    // (Not at the very start: FF FE there would be a UTF-16 byte-order mark.)
    const char head[] = "\n\xFF\xFE\x00\x01[[[]]]=\n==\n[\n]\nnoequals\n\x81\n";
    std::string garbage(head, sizeof head - 1);
    garbage += "[" + kPinsGbk + "]\n;" + std::string(300, 'x') + "SCK=9\n";
    garbage += "MOSI=" + std::string(1000, '8') + "\n";
    const CProfileFile ini = CProfileFile::FromBytes(garbage);
    EXPECT_EQ(ini.GetInt("引脚控制", "SCK", 3), 3);
    EXPECT_EQ(ini.GetInt("引脚控制", "MOSI", 14), INT_MAX); // cut, but still huge

    // Text after an embedded NUL on a line is lost, the following lines are not.
    const char withNul[] = "[引脚控制]\nSCK=4\0junk\nLE=2\n";
    const CProfileFile nul = CProfileFile::FromBytes(std::string(withNul, sizeof withNul - 1));
    EXPECT_EQ(nul.GetInt("引脚控制", "SCK", 3), 4);
    EXPECT_EQ(nul.GetInt("引脚控制", "LE", 17), 2);
}

TEST(ProfileFile, MissingOrUnreadableFileIsAnEmptyProfile)
{
    TempDir dir;
    EXPECT_TRUE(CProfileFile::Load(dir.Dir() + "QorelIsp.ini").Empty());
    EXPECT_TRUE(CProfileFile::Load(dir.Dir()).Empty()); // a directory
    const std::string fifo = dir.Dir() + "pipe.ini";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_TRUE(CProfileFile::Load(fifo).Empty()); // no writer: must not block
    dir.Write("QorelIsp.ini", "[引脚控制]\nR2=11\n");
    EXPECT_EQ(CProfileFile::Load(dir.Dir() + "QorelIsp.ini").GetInt("引脚控制", "R2", 4), 11);
}

namespace {
std::string Utf16(std::u16string_view text, bool bigEndian)
{
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t c : text) {
        const char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
        bytes += bigEndian ? hi : lo;
        bytes += bigEndian ? lo : hi;
    }
    return bytes;
}
} // namespace

TEST(ProfileFile, EncodingIsUtf16ByItsMarkElseChosenPerLine)
{
    const std::u16string text = u"; 注释 \U0001F600\r\n[引脚控制]\r\nSCK=5\r\n[锁存控制(LE)]\r\nEnable=0\r\n";
    const std::string mixed = "; " + kPinsGbk + " GBK comment\n[引脚控制]\nSCK=5\n[锁存控制(LE)]\nEnable=0\n";
    for (const std::string& bytes : {Utf16(text, false), Utf16(text, true), mixed}) {
        const CProfileFile ini = CProfileFile::FromBytes(bytes);
        EXPECT_EQ(ini.GetInt("引脚控制", "SCK", 3), 5);
        EXPECT_EQ(ini.GetInt("锁存控制(LE)", "Enable", 1), 0);
    }
}

TEST(ProfileFile, FoundInItsFolderWhateverTheCaseOfItsName)
{
    TempDir dir;
    EXPECT_EQ(FindFileIgnoringCase(dir.Dir(), QOREL_ISP_INI), std::nullopt);
    dir.Write("QORELISP.INI.bak", "");
    std::filesystem::create_directory(dir.Path() / "QorelIsp.INI"); // a folder is no file
    EXPECT_EQ(FindFileIgnoringCase(dir.Dir(), QOREL_ISP_INI), std::nullopt);
    dir.Write("qorelisp.ini", "");
    EXPECT_EQ(FindFileIgnoringCase(dir.Dir(), QOREL_ISP_INI), dir.Dir() + "qorelisp.ini");
    dir.Write("QorelIsp.ini", "");
    EXPECT_EQ(FindFileIgnoringCase(dir.Dir(), QOREL_ISP_INI), dir.Dir() + "QorelIsp.ini");
}

TEST(ProfileFile, OnlyEqualsSeparatesAndLongHeadersStartTheirSection)
{
    const std::string longName(250, 'x');
    struct Row {
        std::string text;
        const char* section;
        int value; // of MOSI in `section`, default 14
    };
    const Row rows[] = {
        {"[引脚控制]\nMOSI: 7\n", "引脚控制", 14},
        {"[引脚控制]\nMOSI:7=8\n", "引脚控制", 14}, // the key is "MOSI:7"
        {"[引脚控制]\nMOSI = 7 : 8\n", "引脚控制", 7},
        {"[引脚控制]\nMOSI=7\n[" + longName + "]\nMOSI=9\n", "引脚控制", 7},
        {"[引脚控制]\nMOSI=7\n[" + longName + "]\nMOSI=9\n", longName.c_str(), 9},
        {"[引脚控制]\nSCK=1\n[" + longName + "]\n" + std::string(5000, ';') + "\nMOSI=9\n", "引脚控制", 14},
        {"[引脚控制]\n[broken\nMOSI=7\n", "引脚控制", 7}, // no ']': no header, as on Windows
    };
    for (const Row& row : rows)
        EXPECT_EQ(CProfileFile::FromBytes(row.text).GetInt(row.section, "MOSI", 14), row.value) << row.text;
}

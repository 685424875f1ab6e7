// The settings file as this platform reads it: our reader on Linux, the system's profile function
// on Windows (run under Wine). One table for both, so the two cannot drift apart unnoticed.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "settings.h"
#include "settings_text.h"
#include "temp_dir.h"

namespace {


// ASCII text as UTF-16 with its byte-order mark, as Windows' Notepad saves "Unicode".
std::string Utf16Le(std::string_view ascii)
{
    std::string bytes = "\xFF\xFE";
    for (char c : ascii) {
        bytes += c;
        bytes += '\0';
    }
    return bytes;
}

struct ProfileCase {
    const char* what;
    std::string file;
    const char* section;
    const char* key;
    int expected; // default 99
};

} // namespace

TEST(ProfileReader, GivesValuesAndDefaultsAsTheProfileFunctionDoes)
{
    const ProfileCase cases[] = {
        {"GBK section", kPinsSectionGbk + "SCK=5\r\n", "引脚控制", "SCK", 5},
        {"key case", kPinsSectionGbk + "sck=5\r\n", "引脚控制", "SCK", 5},
        {"section case", "[Other]\r\nLE=4\r\n", "OTHER", "le", 4},
        {"blanks around", kPinsSectionGbk + "  SCK = 7 \r\n", "引脚控制", "SCK", 7},
        {"first wins", kPinsSectionGbk + "SCK=5\r\nSCK=6\r\n", "引脚控制", "SCK", 5},
        {"digits then junk", kPinsSectionGbk + "SCK=12abc\r\n", "引脚控制", "SCK", 12},
        {"negative", kPinsSectionGbk + "R2=-4\r\n", "引脚控制", "R2", -4},
        {"junk", kPinsSectionGbk + "MISO=junk\r\n", "引脚控制", "MISO", 0},
        {"empty value", kPinsSectionGbk + "MISO=\r\n", "引脚控制", "MISO", 99},
        {"missing key", kPinsSectionGbk + "SCK=5\r\n", "引脚控制", "MOSI", 99},
        {"missing section", kPinsSectionGbk + "SCK=5\r\n", "nowhere", "SCK", 99},
        {"key of another section", kPinsSectionGbk + "SCK=5\r\n[other]\r\nLE=2\r\n", "引脚控制", "LE", 99},
        {"UTF-16 with mark", Utf16Le("[o]\r\nLE=3\r\n"), "o", "LE", 3},
    };
    for (const ProfileCase& c : cases) {
        TempDir dir;
        dir.Write(QOREL_ISP_INI, c.file);
        EXPECT_EQ(OpenProfile(dir.Dir() + QOREL_ISP_INI)(c.section, c.key, 99), c.expected) << c.what;
    }
    TempDir empty;
    EXPECT_EQ(OpenProfile(empty.Dir() + QOREL_ISP_INI)("引脚控制", "SCK", 99), 99) << "missing file";
}

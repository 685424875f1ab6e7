// File names typed in UTF-8 or GBK, as Windows' UTF-16 names.
#include <gtest/gtest.h>

#include "userpath.h"

TEST(UserPath, GbkAndUtf8NamesMeanTheSameFile)
{
    // 测试 in GBK is not UTF-8; some GBK texts are (芯片 is), and are then read as UTF-8.
    EXPECT_EQ(PathFromUserText("\xB2\xE2\xCA\xD4.chip"), PathFromUserText("测试.chip"));
    EXPECT_EQ(PathFromUserText("测试.chip").wstring(), L"\u6D4B\u8BD5.chip");
    EXPECT_EQ(PathFromUserText("\x80.chip").wstring(), L"\u20AC.chip");  // the euro sign in GBK
    EXPECT_EQ(PathFromUserText("a\\b.chip").wstring(), L"a\\b.chip");
}

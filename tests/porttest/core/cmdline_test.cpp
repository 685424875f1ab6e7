// The command line's errors, in Chinese, before the option parser (whose words are English) sees it.
#include <gtest/gtest.h>

#include "cmdline.h"

TEST(CommandLine, SaysTheFirstThingWrongInChinese)
{
    using Args = std::vector<std::string>;
    struct Row {
        Args args;
        const char* error; // nullptr: fine
    };
    const Row rows[] = {
        {{}, nullptr},
        {{"--port", "virtual", "--wiring-test", "-cable=atmel"}, nullptr},
        {{"-h"}, nullptr},
        {{"--", "--frobnicate"}, nullptr}, // after "--" nothing is an option
        {{"--frobnicate"}, "未知的选项: --frobnicate"},
        {{"--frob=1"}, "未知的选项: --frob"},
        {{"--port"}, "选项 --port 缺少值"},
        {{"--wiring-test", "--cable"}, "选项 --cable 缺少值"},
        {{"--wiring-test=yes"}, "选项 --wiring-test 不带值"},
        {{"--port", "--help"}, nullptr}, // "--help" is --port's value, refused later as a port
    };
    for (const Row& row : rows) {
        const auto error = CommandLineError(row.args);
        if (row.error)
            EXPECT_EQ(error, std::optional<std::string>(row.error));
        else
            EXPECT_EQ(error, std::nullopt) << *error;
    }
    EXPECT_EQ(BadPortText("环境变量 PORVIK_PORT", "virtual:opn=2-15", "不认识的故障"),
              "环境变量 PORVIK_PORT 的值 \"virtual:opn=2-15\" 无效: 不认识的故障");
}

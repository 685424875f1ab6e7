#include "portstatus.h"

#include <gtest/gtest.h>

// The status words for each kind of port; the window and the headless wiring test both show them.
TEST(PortStatusText, SaysWhichPortIsDrivenAndWhyNone)
{
    const std::string hint = kTryVirtualPortHint;
    const struct {
        PortInUse inUse;
        std::string reason;
        bool defaultMap;
        std::string expected;
    } cases[] = {
        {{false, "/dev/parport0"}, "", false, "正在使用并口: /dev/parport0"},
        {{true, "virtual"}, "", false, "虚拟并口(无真实端口): 内存中的端口带回环插头, 测试结果与电缆无关"},
        // A port that failed after opening: the reason, never "in use".
        {{false, "/dev/parport0"}, "并口访问失败", false, "并口访问失败"},
        {{false, "none", true}, "/dev/parport0 不存在",  false,
         "未驱动任何并口(读入全为 FF,写出无效),测试结果与电缆无关。/dev/parport0 不存在" + hint},
        {{false, "/dev/parport0"}, "", true,
         "正在使用并口: /dev/parport0\n未找到设置文件 QorelIsp.ini, Qorel Isp 下载线使用缺省引脚。"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PortStatusText(c.inUse, c.reason, c.defaultMap), c.expected) << c.inUse.description;
        if (!c.defaultMap) {
            EXPECT_EQ(PortInUseText(c.inUse, c.reason), c.expected);
        }
    }
}

#include "portstatus.h"
#include "wiringtest.h"

#include <gtest/gtest.h>

// The status words for each kind of port; the window and the headless wiring test both show them.
TEST(PortStatusText, SaysWhichPortIsDrivenAndWhyNone)
{
    const std::string hint = kTryVirtualPortHint;
    const struct {
        PortInUse inUse;
        std::string reason;
        std::string expected;
        bool warns; // in red: no working real port
    } cases[] = {
        {{false, "/dev/parport0"}, "", "正在使用并口: /dev/parport0", false},
        {{true, "virtual"}, "", "虚拟并口(无真实端口): 内存中的端口带回环插头, 测试结果与电缆无关", true},
        // A port that failed after opening: the reason, never "in use".
        {{false, "/dev/parport0"}, "并口访问失败", "并口访问失败", true},
        {{false, "none", true}, "/dev/parport0 不存在",
         "未驱动任何并口(读入全为 FF,写出无效),测试结果与电缆无关。/dev/parport0 不存在" + hint, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PortInUseText(c.inUse, c.reason), c.expected);
        // The window points at its port chooser instead of the command line.
        std::string window = c.expected;
        if (c.inUse.isAbsent)
            window.replace(window.find(hint), hint.size(), kChooseVirtualPortHint);
        EXPECT_EQ(PortStatusText(c.inUse, c.reason, MapSource{}), window + "\n引脚表: 内置 (该下载线的引脚是固定的)");
        EXPECT_EQ(PortStatusWarns(c.inUse, c.reason), c.warns) << c.expected;
    }
    // The settings file read, or where it was looked for.
    MapSource found{true, {"/opt/p/", "/etc/xdg/porvik/"}, "/etc/xdg/porvik/QorelIsp.ini", 3, {}};
    EXPECT_EQ(PortStatusText({false, "/dev/parport0"}, "", found),
              "正在使用并口: /dev/parport0\n引脚表: 设置文件 /etc/xdg/porvik/QorelIsp.ini");
    found.file.reset();
    found.warnings = {"MOSI=99: 引脚号应在 0 到 17 之间"};
    EXPECT_EQ(PortStatusText({false, "/dev/parport0"}, "", found),
              "[设置文件有 1 条警告, 见详情] 正在使用并口: /dev/parport0\n引脚表: 内置 (没有找到设置文件 QorelIsp.ini), 查找过: /opt/p/, "
              "/etc/xdg/porvik/; 警告: MOSI=99: 引脚号应在 0 到 17 之间");
}

// The headless wiring test says a failed open once, on one line, with what to do without hardware.
TEST(PortStatusText, WiringNoticesSayAFailedOpenOnceOnOneLine)
{
    WiringReport noPort;
    noPort.noPort = true;
    const PortInUse none{false, "no port", true};
    const MapSource warned{true, {"/p/"}, "/p/QorelIsp.ini", 1, {"MOSI=17: 与 LE 同用 PIN17"}};
    const struct {
        WiringReport report;
        std::vector<std::string> messages;
        std::vector<std::string> lines;
    } cases[] = {
        {noPort, {"初始化驱动程序失败!\n初始化并口I/O失败!\n并口被占用"},
         {std::string("初始化驱动程序失败! 初始化并口I/O失败! 并口被占用 ") + kTryVirtualPortHint,
          "警告: 设置文件 /p/QorelIsp.ini: MOSI=17: 与 LE 同用 PIN17"}},
        // The direct path refuses without a message of its own: the status words stand in.
        {noPort, {}, {PortInUseText(none, "不允许直接访问") , "警告: 设置文件 /p/QorelIsp.ini: MOSI=17: 与 LE 同用 PIN17"}},
        {WiringReport{}, {}, {"警告: 设置文件 /p/QorelIsp.ini: MOSI=17: 与 LE 同用 PIN17"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WiringNotices(c.report, c.messages, none, "不允许直接访问", warned), c.lines);
}

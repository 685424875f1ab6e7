// Where the Qorel Isp cable's settings file is looked for, which one is read, and the warnings on
// what it says.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "cable.h"
#include "mapsource.h"
#include "portstatus.h"
#include "recording_port.h"
#include "settings_text.h"
#include "temp_dir.h"

namespace {

EnvLookup Env(std::map<std::string, std::string> vars)
{
    return [vars](const char* name) -> std::optional<std::string> {
        const auto it = vars.find(name);
        if (it == vars.end())
            return std::nullopt;
        return it->second;
    };
}

} // namespace

TEST(MapSource, FoldersAreTheProgramFolderThenTheXdgOnes)
{
    using Vars = std::map<std::string, std::string>;
    using Dirs = std::vector<std::string>;
    struct Row {
        Vars vars;
        Dirs folders;
    };
    const Row rows[] = {
        {{{"HOME", "/home/u"}}, {"/opt/p/", "/home/u/.config/porvik/", "/etc/xdg/porvik/"}},
        {{{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", "/cfg/"}, {"XDG_CONFIG_DIRS", "/a:/b/"}},
         {"/opt/p/", "/cfg/porvik/", "/a/porvik/", "/b/porvik/"}},
        // Empty values count as unset; relative entries are ignored; a folder is searched once.
        {{{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", ""}, {"XDG_CONFIG_DIRS", ""}},
         {"/opt/p/", "/home/u/.config/porvik/", "/etc/xdg/porvik/"}},
        {{{"XDG_CONFIG_HOME", "rel"}, {"XDG_CONFIG_DIRS", "x::/etc/xdg:/etc/xdg/"}}, {"/opt/p/", "/etc/xdg/porvik/"}},
        {{}, {"/opt/p/", "/etc/xdg/porvik/"}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(SettingsFolders("/opt/p/", true, Env(row.vars)), row.folders);
    EXPECT_EQ(SettingsFolders("C:\\p\\", false, Env({{"HOME", "/home/u"}})), Dirs{"C:\\p\\"});
}

TEST(MapSource, TheFirstFolderHoldingTheFileWinsAndTheSourceIsNamed)
{
    ScratchAppDir app;
    TempDir home, dirs1, dirs2;
    setenv("XDG_CONFIG_HOME", home.Path().c_str(), 1);
    setenv("XDG_CONFIG_DIRS", (dirs1.Path().string() + ":" + dirs2.Path().string()).c_str(), 1);
    for (const TempDir* d : {&home, &dirs1, &dirs2})
        std::filesystem::create_directory(d->Path() / "porvik");
    auto put = [](const TempDir& d, int sck) {
        d.Write("porvik/QorelIsp.ini", kPinsSectionGbk + "SCK=" + std::to_string(sck) + "\n");
    };
    FakePortPlatform platform;
    RecordingPrompt prompt;
    CIspCable cable(platform, prompt);
    auto select = [&] { cable.SelectCable(CIspCable::CABLE_QOREL_ISP, CIspCable::LATCH_PULSE, false); };

    select();
    EXPECT_FALSE(cable.m_mapSource.file);
    EXPECT_EQ(cable.m_mapSource.searched.size(), 4u);
    const std::string status = MapSourceStatusText(cable.m_mapSource);
    EXPECT_NE(status.find("没有找到设置文件"), std::string::npos) << status;
    EXPECT_NE(status.find(app.Dir()), std::string::npos) << status;
    EXPECT_NE(status.find(dirs2.Path().string() + "/porvik/"), std::string::npos) << status;

    struct Step {
        const TempDir* where;
        int sck;
        const TempDir* used; // the folder whose file is read afterwards
    };
    const Step steps[] = {{&dirs2, 5, &dirs2}, {&dirs1, 6, &dirs1}, {&home, 7, &home}};
    for (const Step& s : steps) {
        put(*s.where, s.sck);
        select();
        EXPECT_EQ(cable.m_nSckPin, s.sck);
        ASSERT_TRUE(cable.m_mapSource.file);
        EXPECT_EQ(*cable.m_mapSource.file, s.used->Dir() + "porvik/QorelIsp.ini");
        EXPECT_EQ(MapSourceText(cable.m_mapSource), "引脚表: 设置文件 " + *cable.m_mapSource.file);
    }
    app.Write("QorelIsp.ini", kPinsSectionGbk + "SCK=8\n"); // the program folder comes first
    select();
    EXPECT_EQ(cable.m_nSckPin, 8);
    EXPECT_EQ(*cable.m_mapSource.file, app.Dir() + "QorelIsp.ini");
}

TEST(MapSource, EverySettingsWordIsAccountedForWithItsLine)
{
    // Each line that does nothing, or not what it seems to, is named by its number and its own
    // text; lines that do what they say are not.
    struct Row {
        std::string text;
        int usable;
        std::vector<std::string> warnings; // each a part of one warning, in order
    };
    const std::string utf16NoMark("[\0p\0i\0n\0]\0\n\0M\0O\0S\0I\0=\0\x37\0", 22);
    const Row rows[] = {
        {"", 0, {}},
        {"; 注释\n# 注释\n[引脚控制 ]\nMOSI=7\n[端口]\nPort=direct:0xD010\nSettleUs=20\n", 1, {}},
        {utf16NoMark, 0, {"第 1 行 \"[\": 节名缺少 \"]\""}},
        {"[引角控制]\nMOSI=7\n", 0, {"第 1 行 \"[引角控制]\": 不认识的节 [引角控制]"}},
        {"[引脚控制]\nMOSI: 7\nSCK 5\n", 0, {"第 2 行 \"MOSI: 7\": 没有 \"=\"", "第 3 行 \"SCK 5\": 没有 \"=\""}},
        {"[引脚控制]\nMSOI=5\n", 0, {"第 2 行 \"MSOI=5\": [引脚控制] 中没有 \"MSOI\" 这一项"}},
        {"[引脚控制]\nMOSI=5\nmosi = 7\n", 1, {"第 3 行 \"mosi = 7\": MOSI 已在第 2 行给出, 以第一次为准"}},
        {"MOSI=5\n[abc\n", 0, {"第 1 行 \"MOSI=5\": 在第一个节之前", "第 2 行 \"[abc\": 节名缺少 \"]\", 该行不起作用"}},
        {"[引脚控制]\n[abc\nMOSI=5\n", 1, {"第 2 行 \"[abc\": 节名缺少 \"]\", 该行不起作用, 其后的项仍属于 [引脚控制]"}},
        {"[锁存控制(LE)]\nDisable=x\nEnable=-7\n", 2,
         {"第 2 行 \"Disable=x\": \"x\" 不是数字, 按 0 处理", "第 3 行 \"Enable=-7\": 电平应为 0 或 1"}},
        {"[引脚控制]\nMOSI=abc\nMISO=\n", 1,
         {"第 2 行 \"MOSI=abc\": \"abc\" 不是数字, 按 0 处理", "第 3 行 \"MISO=\": 没有值, 用缺省值",
          "第 2 行 \"MOSI=abc\": 该信号不接任何引脚"}},
        {"[端口]\nSpeed=3\n", 0, {"第 2 行 \"Speed=3\": [端口] 中没有 \"Speed\" 这一项"}},
        {"[引脚控制]\nMOSI=-1\n", 1, {"第 2 行 \"MOSI=-1\": 引脚号应在 0 到 17 之间"}},
        {"[引脚控制]\nSCK=99999999999\n", 1, {"第 2 行 \"SCK=99999999999\": 引脚号应在 0 到 17 之间"}},
        {"[引脚控制]\nRST=１６\n", 1, {"第 2 行 \"RST=１６\": \"１６\" 不是数字, 按 0 处理", "该信号不接任何引脚"}},
        {"[引脚控制]\nMOSI=17\n", 1, {"第 2 行 \"MOSI=17\": 与 LE 同用 PIN17"}},
        {"[引脚控制]\nMISO=3\nR2=12\n", 2,
         {"第 2 行 \"MISO=3\": PIN3 是输出引脚", "第 3 行 \"R2=12\": PIN12 是输入引脚", "第 2 行 \"MISO=3\": 与 SCK 同用 PIN3"}},
        {"[引脚控制]\nOE=0\nR1=3\nLE=14\n[锁存控制(LE)]\nEnable=5\n", 4,
         {"第 6 行 \"Enable=5\": 电平应为 0 或 1", "第 4 行 \"LE=14\": 与 MOSI 同用 PIN14"}},
    };
    for (const Row& row : rows) {
        ScratchAppDir app;
        app.Write("QorelIsp.ini", row.text);
        FakePortPlatform platform;
        RecordingPrompt prompt;
        CIspCable cable(platform, prompt);
        cable.SelectCable(CIspCable::CABLE_QOREL_ISP, CIspCable::LATCH_PULSE, false);
        const MapSource& s = cable.m_mapSource;
        EXPECT_EQ(s.usableEntries, row.usable) << row.text;
        EXPECT_EQ(s.BuiltIn(), row.usable == 0) << row.text;
        ASSERT_EQ(s.warnings.size(), row.warnings.size()) << row.text << MapSourceStatusText(s);
        for (std::size_t i = 0; i < row.warnings.size(); ++i)
            EXPECT_NE(s.warnings[i].find(row.warnings[i]), std::string::npos) << s.warnings[i];
        if (row.usable == 0 && !row.text.empty()) {
            EXPECT_EQ(MapSourceText(s), "引脚表: 内置 (设置文件 " + app.Dir() + "QorelIsp.ini 中没有可用的项)");
        }
        // Any warning marks the status line, on a working real port too, at its start.
        const std::string status = PortStatusText({false, "/dev/parport0"}, "", s);
        EXPECT_EQ(PortStatusWarns({false, "/dev/parport0"}, "", s), !row.warnings.empty()) << status;
        EXPECT_EQ(status.rfind("[设置文件有 ", 0) == 0, !row.warnings.empty()) << status;
    }
}

TEST(MapSource, TheShippedSampleSaysWhatTheBuiltInMapSays)
{
    ScratchAppDir app;
    FakePortPlatform platform;
    RecordingPrompt prompt;
    CIspCable builtIn(platform, prompt), sample(platform, prompt);
    builtIn.SelectCable(CIspCable::CABLE_QOREL_ISP, CIspCable::LATCH_PULSE, false);
    std::filesystem::copy_file(PORVIK_SAMPLE_INI, app.Path() / "QorelIsp.ini");
    sample.SelectCable(CIspCable::CABLE_QOREL_ISP, CIspCable::LATCH_PULSE, false);
    EXPECT_EQ(sample.m_mapSource.usableEntries, 12); // every key written out
    EXPECT_TRUE(sample.m_mapSource.warnings.empty()) << MapSourceStatusText(sample.m_mapSource);
    const auto map = [](const CIspCable& c) {
        return std::vector<int>{c.m_nMosiPin,  c.m_nMisoPin,   c.m_nSckPin,    c.m_nRstPin,
                                c.m_nLePin,    c.m_nOePin,     c.m_nR1Pin,     c.m_nR2Pin,
                                c.m_nLeEnable, c.m_nLeDisable, c.m_nOeEnable, c.m_nOeDisable};
    };
    EXPECT_EQ(map(sample), map(builtIn));
}

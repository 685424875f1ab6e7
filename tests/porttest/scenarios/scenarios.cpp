// Porvik's window behaviour, written once and run against the Qt window (offscreen) and the Win32
// window (under Wine): keys, Enter on each button, the wiring test with and without a port, its
// wiggle test and report, and a settings file in a folder with a Chinese name. Where the two
// toolkits cannot agree, the scenario says so in one line.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "appdir.h"
#include "porvik_driver.h"
#include "recording_port.h"
#include "settings_text.h"
#include "temp_dir.h"
#include "tester.h"
#include "testertexts.h"
#include "virtualport.h"

namespace {

// The ports first: the window, and with it the port object, goes before them.
struct Scenario : ::testing::Test {
    ScratchAppDir dir;
    RecordingPrompt prompt;
    VirtualPlatform platform;
    FakePortPlatform noPort;
    std::unique_ptr<IPorvikDriver> window = MakePorvikDriver();

    void SetUp() override
    {
        CCableTester::ResetToggleLevels();
        // A port that could not be opened: nothing is driven, every input reads FF.
        noPort.inUse = {false, "没有并口", true};
        noPort.failureReason = "找不到并口。";
        noPort.initDefault = false;
        noPort.installResult = false;
    }
};

std::string ReadFile(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The runs the wiggle test's line counts ("连续测试 12 次, 其中 0 次失败"), 0 without it.
int RunsIn(const std::string& subject)
{
    const std::string head = "连续测试 ";
    const auto at = subject.find(head);
    return at == std::string::npos ? 0 : std::atoi(subject.c_str() + at + head.size());
}

} // namespace

TEST_F(Scenario, KeysOpenAboutAndBothWiringTests)
{
    window->Open(platform, prompt);
    EXPECT_EQ(window->WithModal([&] { window->Press(TesterKey::F1); }), "关于 Porvik");

    std::vector<IWiringDialogDriver::Row> rows;
    std::string summary;
    Rgb summaryColour{};
    EXPECT_EQ(window->WithModal([&] { window->Press(TesterKey::F5); },
                                [&](IWiringDialogDriver& d) {
                                    rows = d.Rows();
                                    summary = d.Summary();
                                    summaryColour = d.SummaryColour();
                                }),
              kWiringDialogTitle);
    ASSERT_EQ(rows.size(), 5u); // the loopback plug's five wires
    for (const auto& row : rows) {
        EXPECT_EQ(row.cells[2], "通过");
        EXPECT_EQ(row.background, ToneRow(Tone::Pass));
    }
    EXPECT_EQ(summary.rfind("结论: 通过", 0), 0u) << summary;
    EXPECT_EQ(summaryColour, ToneText(Tone::Pass));

    // The chosen cable's ISP end: MOSI (pin 14) into MISO (pin 15) is no wire of the plug.
    std::string subject;
    EXPECT_EQ(window->WithModal([&] { window->Press(TesterKey::F5, true); },
                                [&](IWiringDialogDriver& d) {
                                    subject = d.Subject();
                                    rows = d.Rows();
                                }),
              kWiringDialogTitle);
    EXPECT_NE(subject.find("Qorel Isp下载线"), std::string::npos) << subject;
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0].cells[2], "失败");
    EXPECT_EQ(rows[0].background, ToneRow(Tone::Fail));
    EXPECT_FALSE(window->Ended());
    EXPECT_TRUE(prompt.messages.empty());
}

TEST_F(Scenario, EnterPressesTheFocusedButtonAndNeverClosesTheWindowElsewhere)
{
    window->Open(platform, prompt);
    struct Case {
        int control;
        std::function<bool()> done; // the button's own action happened
        int edit = 0;               // typed into first
        const char* typed = "";
    };
    const Case cases[] = {
        {IDC_WRITE_DATA, [&] { return platform.Port().ReadData() == 0x5A; }, IDC_DATA, "5a"},
        {IDC_WRITE_CONTROL, [&] { return platform.Port().ReadControl() == 0x04; }, IDC_CONTROL, "04"},
        {IDC_REFRESH, [&] { return window->Text(IDC_STATUS) != ""; }},
        {IDC_MOSI, [&] { return window->Text(IDC_MOSI) == "MOSI=0"; }},
        {IDC_MISO, [&] { return window->Text(IDC_MISO) == "MISO=0"; }}, // MOSI, driven low, loops into MISO
        {IDC_SCK, [&] { return window->Text(IDC_SCK) == "SCK=0"; }},
        {IDC_RST, [&] { return window->Text(IDC_RST) == "Rst=0"; }},
        {IDC_R1, [&] { return window->Text(IDC_R1) == "R1(保留)=0"; }},
        {IDC_R2, [&] { return window->Text(IDC_R2) == "R2(保留)=0"; }},
    };
    for (const Case& c : cases) {
        if (c.edit)
            window->Type(c.edit, c.typed);
        window->Focus(c.control);
        window->Press(TesterKey::Enter);
        EXPECT_TRUE(c.done()) << c.control;
        EXPECT_FALSE(window->Ended()) << c.control;
    }
    // Enter anywhere but on a push button does nothing.
    for (int control : {IDC_DATA, IDC_PIN2, IDC_CABLE, IDC_STATUS}) {
        window->Focus(control);
        window->Press(TesterKey::Enter);
        EXPECT_FALSE(window->Ended()) << control;
    }
    EXPECT_TRUE(prompt.messages.empty());
    window->Focus(IDC_EXIT);
    window->Press(TesterKey::Enter);
    EXPECT_TRUE(window->Ended());
}

TEST_F(Scenario, ButtonsCarryTheTooltipsOfTheCommandTable)
{
    window->Open(platform, prompt);
    for (const TesterCommandRow& row : TesterCommands())
        if (row.control && row.tooltip)
            EXPECT_EQ(window->Tooltip(row.control), row.tooltip) << row.control;
}

TEST_F(Scenario, EscEndsTheWindow)
{
    window->Open(platform, prompt);
    window->Focus(IDC_DATA);
    window->Press(TesterKey::Escape);
    EXPECT_TRUE(window->Ended());
}

TEST_F(Scenario, WiringTestWithoutAPortTestsNothingAndOffersToReopen)
{
    window->Open(noPort, prompt);
    EXPECT_EQ(window->StatusColour(), ToneText(Tone::Warning));
    EXPECT_EQ(window->StatusText().rfind("未驱动任何并口", 0), 0u) << window->StatusText();
    EXPECT_TRUE(window->Enabled(TesterCommand::ReopenPort));

    std::vector<IWiringDialogDriver::Row> rows;
    std::string summary;
    bool repeatEnabled = true;
    window->WithModal([&] { window->Press(TesterKey::F5); },
                      [&](IWiringDialogDriver& d) {
                          rows = d.Rows();
                          summary = d.Summary();
                          repeatEnabled = d.RepeatEnabled();
                      });
    ASSERT_EQ(rows.size(), 5u);
    for (const auto& row : rows) {
        EXPECT_EQ(row.cells[2], "未测试");
        EXPECT_EQ(row.background, ToneRow(Tone::Untested));
    }
    EXPECT_EQ(summary.rfind("结论: 未测试", 0), 0u) << summary;
    EXPECT_FALSE(repeatEnabled); // 连续测试 needs a working port

    // The reason never fits the line: the whole of it is behind the details button.
    prompt.messages.clear(); // what opening the port said
    window->Focus(IDC_PORT_DETAILS);
    window->Press(TesterKey::Enter);
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0], window->StatusText());
}

TEST_F(Scenario, WorkingPortOffersNoReopenAndTheWiggleTestCountsAndSaves)
{
    window->Open(platform, prompt);
    EXPECT_FALSE(window->Enabled(TesterCommand::ReopenPort));
    const std::string file = dir.Dir() + "报告 1.json";
    std::string stopped, subject;
    window->WithModal([&] { window->Press(TesterKey::F5); },
                      [&](IWiringDialogDriver& d) {
                          ASSERT_TRUE(d.RepeatEnabled());
                          d.ClickRepeat();
                          EXPECT_EQ(d.RepeatCaption(), kStopRepeatButton);
                          EXPECT_TRUE(d.PumpUntil([&] { return RunsIn(d.Subject()) >= 3; }));
                          d.ClickRepeat();
                          stopped = d.RepeatCaption();
                          subject = d.Subject();
                          d.ClickSave(file);
                      });
    EXPECT_EQ(stopped, kRepeatButton);
    EXPECT_NE(subject.find(", 其中 0 次失败"), std::string::npos) << subject;
    const std::string json = ReadFile(std::filesystem::path(std::u8string(file.begin(), file.end())));
    EXPECT_NE(json.find("\"runs\": "), std::string::npos) << json;
    EXPECT_TRUE(prompt.messages.empty());
}

TEST_F(Scenario, SettingsFileInAFolderWithAChineseNameAndABlank)
{
    // As installed into "硬件 工具\编程器": the program folder holds the pin map, MOSI on pin 5.
    const std::string folder = dir.Dir() + "硬件 工具";
    const std::string programDir = folder + kPathSeparator + "编程器" + kPathSeparator;
    std::filesystem::create_directories(std::filesystem::path(std::u8string(programDir.begin(), programDir.end())));
    {
        const std::string ini = programDir + "QorelIsp.ini";
        std::ofstream out(std::filesystem::path(std::u8string(ini.begin(), ini.end())), std::ios::binary);
        out << kPinsSectionGbk << "MOSI=5\n";
    }
    g_strAppDir = programDir;
    window->Open(platform, prompt);
    EXPECT_EQ(window->Text(IDC_MOSI_PIN), "使用PIN5");
    window->Click(IDC_MOSI); // low
    EXPECT_FALSE(window->Ticked(IDC_PIN5));
    window->Click(IDC_MOSI); // high
    EXPECT_TRUE(window->Ticked(IDC_PIN5));
    EXPECT_NE(window->StatusText().find("硬件 工具"), std::string::npos) << window->StatusText();
    EXPECT_TRUE(prompt.messages.empty());
}

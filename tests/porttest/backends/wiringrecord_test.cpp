// The wiggle test's counts over a cable that breaks in some runs only, and the JSON record.
#include <gtest/gtest.h>

#include "cable.h"
#include "recording_port.h"
#include "temp_dir.h"
#include "virtualport.h"
#include "wiringrecord.h"

namespace {

// The virtual plug, with its wire 2-15 cut in the runs the test chooses, and a port whose every
// access fails (as an ioctl answering EIO) once the test says so.
class IntermittentPlatform : public VirtualPlatform {
public:
    IntermittentPlatform() : m_broken(0x00, 0x0C, *ParsePlugFaults("open=2-15")) {}
    IPortIo& DriverIo() override
    {
        if (failed)
            return m_failed;
        return broken ? static_cast<IPortIo&>(m_broken) : Port();
    }
    PortInUse InUse() const override
    {
        PortInUse u = VirtualPlatform::InUse();
        u.failed = failed;
        return u;
    }
    std::string FailureReason() const override { return failed ? "并口访问失败:输入/输出错误(EIO)" : ""; }
    bool broken = false;
    bool failed = false;

private:
    struct FailedIo : IPortIo {
        std::uint8_t ReadData() override { return 0xFF; }
        void WriteData(std::uint8_t) override {}
        std::uint8_t ReadStatus() override { return 0xFF; }
        std::uint8_t ReadControl() override { return 0xFF; }
        void WriteControl(std::uint8_t) override {}
    } m_failed;
    VirtualPort m_broken;
};

} // namespace

TEST(WiggleTest, CountsTheRunsEachWireFailedAndStopsWhenAsked)
{
    struct Row {
        int runs;
        std::vector<bool> brokenInRun; // by run
        int stopBefore;                // stop before this run (0: never)
        int made, failedOn2To15;
        bool passed;
    };
    const Row rows[] = {
        {4, {false, true, false, true}, 0, 4, 2, false},
        {4, {false, false, false, false}, 0, 4, 0, true},
        {5, {false, false, true, true, true}, 3, 2, 0, true}, // stopped before the breaks
        {1, {true}, 0, 1, 1, false},
    };
    for (const Row& row : rows) {
        ScratchAppDir dir;
        IntermittentPlatform platform;
        RecordingPrompt prompt;
        CIspCable port(platform, prompt);
        port.SelectCable(CIspCable::CABLE_QOREL_ISP, CIspCable::LATCH_PULSE, true);
        port.m_byData = 0x11; // copies the test must leave as they were
        int run = 0;
        const RepeatedReport r = RunRepeatedWiringTest(port, LoopbackPlugWiring(), row.runs, [&] {
            if (row.stopBefore && run + 1 == row.stopBefore)
                return true;
            platform.broken = row.brokenInRun[static_cast<std::size_t>(run++)];
            return false;
        });
        EXPECT_EQ(r.runs, row.made);
        EXPECT_EQ(r.Passed(), row.passed);
        EXPECT_EQ(RepeatedExitCode(r), row.passed ? kWiringPass : kWiringFail);
        ASSERT_EQ(r.wires.size(), 5u);
        for (const WireTally& t : r.wires)
            EXPECT_EQ(t.failedRuns, t.last.output == 2 ? row.failedOn2To15 : 0) << t.last.output;
        EXPECT_EQ(port.m_byData, 0x11);
        EXPECT_EQ(platform.Port().ReadControl(), 0x0C);

        const std::string json = WiringReportJson(r, {"2026-01-02T03:04:05+0800"});
        EXPECT_NE(json.find("\"date\": \"2026-01-02T03:04:05+0800\""), std::string::npos);
        EXPECT_NE(json.find("\"port\": \"虚拟并口, 不是真实硬件\""), std::string::npos);
        EXPECT_NE(json.find("\"runs\": " + std::to_string(row.made)), std::string::npos);
        EXPECT_NE(json.find("\"output\": 2, \"input\": 15, \"expected\": true, \"verdict\": \"" +
                            std::string(row.failedOn2To15 ? "失败" : "通过")),
                  std::string::npos)
            << json;
        EXPECT_NE(json.find(std::string("\"verdict\": \"") + (row.passed ? "通过" : "失败") + "\",\n"), std::string::npos);
    }
}

TEST(WiggleTest, TheRecordEscapesWhatJsonMust)
{
    RepeatedReport r;
    r.last.mapSource = "引脚表: 设置文件 C:\\p\\\"x\"\n.ini";
    const std::string json = WiringReportJson(r, {"t"});
    EXPECT_NE(json.find("\"mapSource\": \"引脚表: 设置文件 C:\\\\p\\\\\\\"x\\\"\\u000a.ini\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"wires\": [],"), std::string::npos) << json;
}

TEST(WiggleTest, APortFailureKeepsTheRunsFinishedBeforeItInTheTableAndTheRecord)
{
    ScratchAppDir dir;
    IntermittentPlatform platform;
    RecordingPrompt prompt;
    CIspCable port(platform, prompt);
    port.SelectCable(CIspCable::CABLE_QOREL_ISP, CIspCable::LATCH_PULSE, true);
    int run = 0;
    // Ten runs, the second and the fifth with 2-15 cut, then the port fails in the eleventh.
    const RepeatedReport r = RunRepeatedWiringTest(port, LoopbackPlugWiring(), 20, [&] {
        ++run;
        platform.broken = run == 2 || run == 5;
        platform.failed = run == 11;
        return false;
    });
    EXPECT_EQ(r.runs, 10);
    EXPECT_EQ(r.failedRuns, 2);
    EXPECT_EQ(RepeatedExitCode(r), kWiringNoPort);
    ASSERT_EQ(r.wires.size(), 5u);
    for (const WireTally& t : r.wires)
        EXPECT_EQ(t.failedRuns, t.last.output == 2 ? 2 : 0) << t.last.output;
    const std::string text = FormatRepeatedReport(r);
    EXPECT_NE(text.find("PIN2    PIN15   失败 2/10 次  时通时断: 10 次中 2 次失败"), std::string::npos) << text;
    EXPECT_NE(text.find("第 11 次测试时并口访问失败"), std::string::npos) << text;
    EXPECT_NE(TallySummary(r).find("结论: 并口访问失败"), std::string::npos) << TallySummary(r);
    EXPECT_NE(TallySummary(r).find("之前完成的 10 次中 2 次失败: 并口访问失败:输入/输出错误(EIO)"), std::string::npos)
        << TallySummary(r);
    const std::string json = WiringReportJson(r, {"t"});
    EXPECT_NE(json.find("\"runs\": 10,"), std::string::npos) << json;
    EXPECT_NE(json.find("\"output\": 2, \"input\": 15"), std::string::npos) << json;
    EXPECT_NE(json.find("\"verdict\": \"并口访问失败\""), std::string::npos) << json;
}

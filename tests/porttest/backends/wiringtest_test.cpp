// The wiring test's verdicts over the virtual plug's faults and over no port at all; what it leaves
// in the registers.
#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "absentport.h"
#include "cable.h"
#include "recording_port.h"
#include "temp_dir.h"
#include "virtualport.h"
#include "wiringtest.h"

namespace {

using Wire = std::pair<int, int>;

WiringReport RunOn(IPortPlatform& platform, const char* cable = nullptr)
{
    ScratchAppDir dir; // the Qorel Isp cable's defaults, whatever lies about
    RecordingPrompt prompt;
    CIspCable port(platform, prompt);
    port.SelectCable(CIspCable::CABLE_QOREL_ISP, CIspCable::LATCH_PULSE, true);
    return RunWiringTest(port, cable ? IspLoopWiring(port, cable) : LoopbackPlugWiring());
}

std::set<Wire> Failed(const WiringReport& r)
{
    std::set<Wire> failed;
    for (const WireVerdict& v : r.wires)
        if (!v.pass)
            failed.insert({v.output, v.input});
    return failed;
}

std::string FindingOn(const WiringReport& r, Wire wire)
{
    for (const WireVerdict& v : r.wires)
        if (Wire{v.output, v.input} == wire)
            return v.finding;
    return "(no row)";
}

class NoPortPlatform : public FakePortPlatform {
public:
    NoPortPlatform() { inUse = {false, kNoPortDescription, true}; }
    IPortIo& DriverIo() override { return m_absent; }

private:
    AbsentPort m_absent;
};

} // namespace

TEST(WiringTest, EachFaultOfThePlugFailsItsWiresAndNoOther)
{
    struct Row {
        const char* faults;
        std::set<Wire> failed;
        Wire shown;          // a failed wire whose finding is checked
        const char* finding; // part of that finding
    };
    const Row rows[] = {
        {"", {}, {}, ""},
        {"open=2-15", {{2, 15}}, {2, 15}, "一直是高电平"},
        {"open=17-11", {{17, 11}}, {17, 11}, "不跟随任何输出"},
        {"short=2-3", {{2, 15}, {3, 15}}, {3, 15}, "多余的连接"},
        {"short=13-15", {{1, 13}, {2, 15}, {1, 15}, {2, 13}}, {1, 13}, "PIN1 也带动 PIN15"},
        {"short=16-14", {{16, 10}, {14, 12}, {16, 12}, {14, 10}}, {14, 12}, "也跟随 PIN16"},
        {"stuck=11", {{17, 11}}, {17, 11}, "卡在低电平"},
        {"stuck=13:1", {{1, 13}}, {1, 13}, "一直是高电平"},
        {"stuck=2", {{2, 15}}, {2, 15}, "卡在低电平"},
    };
    for (const Row& row : rows) {
        const auto faults = *row.faults ? ParsePlugFaults(row.faults) : PlugFaults{};
        ASSERT_TRUE(faults) << row.faults;
        VirtualPlatform platform(*faults);
        const WiringReport r = RunOn(platform);
        EXPECT_EQ(Failed(r), row.failed) << row.faults;
        EXPECT_EQ(r.Passed(), row.failed.empty()) << row.faults;
        EXPECT_EQ(WiringExitCode(r), row.failed.empty() ? kWiringPass : kWiringFail) << row.faults;
        if (!row.failed.empty()) {
            EXPECT_NE(FindingOn(r, row.shown).find(row.finding), std::string::npos)
                << row.faults << ": " << FindingOn(r, row.shown);
        }
    }
}

TEST(WiringTest, NoPortNeverPasses)
{
    NoPortPlatform platform;
    const WiringReport r = RunOn(platform);
    EXPECT_TRUE(r.noPort);
    EXPECT_FALSE(r.Passed());
    EXPECT_EQ(Failed(r).size(), 5u);
    EXPECT_EQ(WiringExitCode(r), kWiringNoPort);
}

TEST(WiringTest, IspEndLoopedPassesOnlyWithMosiIntoMiso)
{
    // Qorel Isp: MOSI on pin 14, MISO on pin 15, OE on pin 2 held enabled (low).
    VirtualPlatform plug;
    EXPECT_EQ(Failed(RunOn(plug, "Qorel")), (std::set<Wire>{{14, 15}}));

    VirtualPlatform looped(*ParsePlugFaults("open=2-15,short=14-15"));
    const WiringReport r = RunOn(looped, "Qorel");
    EXPECT_TRUE(r.Passed()) << FindingOn(r, {14, 15});

    VirtualPlatform sckToo(*ParsePlugFaults("open=2-15,short=14-15,short=3-15")); // SCK on pin 3
    EXPECT_EQ(Failed(RunOn(sckToo, "Qorel")), (std::set<Wire>{{14, 15}, {3, 15}}));
}

TEST(WiringTest, PutsBackTheRegistersAndCopiesItFoundAndCountsEveryAccess)
{
    FakePortPlatform platform;
    RecordingPrompt prompt;
    CParallelPort port(platform, prompt);
    ASSERT_TRUE(port.OpenPort(kLptBase));
    platform.driver.data = 0x5A;
    platform.driver.control = 0x2B; // reverse direction among them
    port.m_byData = 0x11;
    port.m_byControl = 0x04;

    const WiringReport r = RunWiringTest(port, LoopbackPlugWiring());
    const auto& log = platform.driver.log;
    ASSERT_GE(log.size(), 4u);
    EXPECT_EQ(log[0], Rd(0x5A));
    EXPECT_EQ(log[1], Rc(0x2B));
    EXPECT_EQ(log[2], Wc(0x0B)); // data lines driven before any is tested
    EXPECT_EQ(log[log.size() - 2], Wd(0x5A));
    EXPECT_EQ(log[log.size() - 1], Wc(0x2B));
    EXPECT_EQ(port.m_byData, 0x11);
    EXPECT_EQ(port.m_byControl, 0x04);
    EXPECT_EQ(r.accesses, static_cast<long>(log.size()));
}

// The wiring test's verdicts over the virtual plug's faults and over no port at all; what it leaves
// in the registers.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <utility>

#include "absentport.h"
#include "cable.h"
#include "pinmap.h"
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
    // The plug's own wire from pin 14 to pin 12 touches MOSI: a clean loop has it cut.
    VirtualPlatform plug;
    EXPECT_EQ(Failed(RunOn(plug, "Qorel")), (std::set<Wire>{{14, 15}, {14, 12}}));

    VirtualPlatform looped(*ParsePlugFaults("open=2-15,open=14-12,short=14-15"));
    const WiringReport r = RunOn(looped, "Qorel");
    EXPECT_TRUE(r.Passed()) << FindingOn(r, {14, 15});

    VirtualPlatform sckToo(*ParsePlugFaults("open=2-15,open=14-12,short=14-15,short=3-15")); // SCK on pin 3
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

namespace {

// The virtual port until `accesses` register accesses have been made; from then on every access
// fails as a ppdev ioctl answering EIO does: reads 0xFF, writes dropped, the platform says so.
class FailingPlatform : public VirtualPlatform {
public:
    explicit FailingPlatform(long accesses) : m_io(Port(), accesses) {}
    IPortIo& DriverIo() override { return m_io; }
    PortInUse InUse() const override
    {
        PortInUse u{false, "/dev/parport0", false, kPortKindKernelDriver, m_io.Failed()};
        return u;
    }
    std::string FailureReason() const override
    {
        return m_io.Failed() ? "并口 /dev/parport0 访问失败:输入/输出错误(EIO)" : "";
    }
    long Accesses() const { return m_io.made; }

private:
    struct Io : IPortIo {
        Io(IPortIo& io, long accesses) : inner(io), left(accesses) {}
        IPortIo& inner;
        long left;
        long made = 0;
        bool Failed() const { return made > left; }
        bool Use() { return ++made <= left; }
        std::uint8_t ReadData() override { return Use() ? inner.ReadData() : 0xFF; }
        void WriteData(std::uint8_t v) override { if (Use()) inner.WriteData(v); }
        std::uint8_t ReadStatus() override { return Use() ? inner.ReadStatus() : 0xFF; }
        std::uint8_t ReadControl() override { return Use() ? inner.ReadControl() : 0xFF; }
        void WriteControl(std::uint8_t v) override { if (Use()) inner.WriteControl(v); }
    } m_io;
};

} // namespace

TEST(WiringTest, APortThatFailsMidwayIsBlamedAndNoWireIs)
{
    // Early, in the middle and on the last steps of both wirings; then a port that never fails.
    struct Row {
        long failAfter;
        const char* cable;
    };
    const Row rows[] = {{0, nullptr}, {1, nullptr}, {3, nullptr}, {40, nullptr}, {120, nullptr},
                        {0, "Atmel"}, {20, "Atmel"}, {100, "Atmel"}};
    for (const Row& row : rows) {
        FailingPlatform platform(row.failAfter);
        const WiringReport r = RunOn(platform, row.cable);
        EXPECT_TRUE(r.portFailed) << row.failAfter;
        EXPECT_TRUE(r.wires.empty()) << row.failAfter << ": " << FormatWiringReport(r);
        EXPECT_EQ(WiringExitCode(r), kWiringNoPort) << row.failAfter;
        EXPECT_NE(WiringSummary(r).find("并口访问失败"), std::string::npos) << WiringSummary(r);
        EXPECT_NE(WiringSummary(r).find("(EIO)"), std::string::npos) << WiringSummary(r);
        // Stopped at once: the access that failed (after the two reads of what the port held),
        // then only the two writes of the restore.
        EXPECT_EQ(platform.Accesses(), std::max(row.failAfter + 1, 2L) + 2) << row.failAfter;
    }
    FailingPlatform sound(1000000);
    const WiringReport r = RunOn(sound);
    EXPECT_FALSE(r.portFailed);
    EXPECT_TRUE(r.Passed()) << FormatWiringReport(r);
}

TEST(WiringTest, EveryVerdictNamesThePortAndTheMapSource)
{
    VirtualPlatform plug(*ParsePlugFaults("open=2-15,open=14-12,short=14-15"));
    const WiringReport r = RunOn(plug, "Qorel");
    ASSERT_TRUE(r.Passed());
    const std::string text = FormatWiringReport(r);
    EXPECT_NE(WiringSummary(r).find("虚拟并口, 不是真实硬件"), std::string::npos) << WiringSummary(r);
    EXPECT_NE(text.find("引脚表: 内置 (没有找到设置文件 QorelIsp.ini)"), std::string::npos) << text;

    NoPortPlatform none;
    const WiringReport n = RunOn(none, "Qorel");
    EXPECT_EQ(n.accesses, 0);
    for (const WireVerdict& v : n.wires)
        EXPECT_STREQ(WiringResultText(v), "未测试");
    EXPECT_NE(WiringSummary(n).find("没有并口"), std::string::npos) << WiringSummary(n);
}

namespace {

// An independent model of a cable's ISP end looped back, at the connector: each line is a net;
// lines shorted together share one; an output drives its net, low wins where two fight, a net
// nothing drives floats high; a stuck line holds its net. Registers as a standard port has them.
class LoopModel : public IPortIo {
public:
    struct Fault {
        enum Kind { None, Open, Short, StuckLow, StuckHigh } kind;
        int a, b;
    };
    LoopModel(int mosi, int miso, Fault fault) : m_fault(fault)
    {
        for (int pin = 0; pin <= kConnectorPins; ++pin)
            m_net[pin] = pin;
        if (fault.kind != Fault::Open)
            Join(mosi, miso);
        if (fault.kind == Fault::Short)
            Join(fault.a, fault.b);
    }
    std::uint8_t ReadData() override { return m_data; }
    void WriteData(std::uint8_t v) override { m_data = v; }
    std::uint8_t ReadControl() override { return m_control; }
    void WriteControl(std::uint8_t v) override { m_control = v; }
    std::uint8_t ReadStatus() override
    {
        std::uint8_t status = 0;
        for (int pin = 1; pin <= kConnectorPins; ++pin) {
            const PinInfo& info = kPinMap[pin];
            if (info.reg == PinRegister::Status && Level(pin) != info.inverted)
                status = static_cast<std::uint8_t>(status | info.mask);
        }
        return status;
    }

private:
    void Join(int a, int b)
    {
        const int from = m_net[b], to = m_net[a];
        for (int& n : m_net)
            if (n == from)
                n = to;
    }
    bool Driven(int pin, bool& high) const
    {
        const PinInfo& info = kPinMap[pin];
        if (info.reg == PinRegister::Status || info.reg == PinRegister::None)
            return false;
        const std::uint8_t reg = info.reg == PinRegister::Data ? m_data : m_control;
        high = ((reg & info.mask) != 0) != info.inverted;
        return true;
    }
    bool Level(int pin) const
    {
        bool driven = false, low = false;
        for (int p = 1; p <= kConnectorPins; ++p) {
            if (m_net[p] != m_net[pin])
                continue;
            if ((m_fault.kind == Fault::StuckLow || m_fault.kind == Fault::StuckHigh) && p == m_fault.a)
                return m_fault.kind == Fault::StuckHigh;
            bool high = false;
            if (Driven(p, high)) {
                driven = true;
                low = low || !high;
            }
        }
        return !driven || !low;
    }

    Fault m_fault;
    int m_net[kConnectorPins + 1];
    std::uint8_t m_data = 0, m_control = 0x0C;
};

class LoopPlatform : public VirtualPlatform {
public:
    LoopPlatform(int mosi, int miso, LoopModel::Fault fault) : m_model(mosi, miso, fault) {}
    IPortIo& DriverIo() override { return m_model; }

private:
    LoopModel m_model;
};

} // namespace

TEST(WiringTest, IspLoopSweepOfEverySingleFaultHasNoFalsePassOrFail)
{
    // Every short between two of the 17 lines, the loop's wire cut, each line stuck low and high,
    // on the three cables: the test must fail exactly where MOSI or MISO is touched.
    struct Cable {
        int type;
        const char* name;
    };
    const Cable cables[] = {{CIspCable::CABLE_QOREL_ISP, "Qorel"},
                            {CIspCable::CABLE_ATMEL_BYTEBLASTER, "Atmel"},
                            {CIspCable::CABLE_ALTERA_BYTEBLASTER, "Altera"}};
    int tried = 0, falsePass = 0, falseFail = 0;
    std::string misjudged;
    for (const Cable& c : cables) {
        std::vector<LoopModel::Fault> faults{{LoopModel::Fault::None, 0, 0}, {LoopModel::Fault::Open, 0, 0}};
        for (int a = 1; a <= kConnectorPins; ++a) {
            faults.push_back({LoopModel::Fault::StuckLow, a, 0});
            faults.push_back({LoopModel::Fault::StuckHigh, a, 0});
            for (int b = a + 1; b <= kConnectorPins; ++b)
                faults.push_back({LoopModel::Fault::Short, a, b});
        }
        for (const LoopModel::Fault& f : faults) {
            ScratchAppDir dir;
            RecordingPrompt prompt;
            // The map first, over a port that is not looked at, to know MOSI and MISO.
            FakePortPlatform probe;
            CIspCable mapOnly(probe, prompt);
            mapOnly.SelectCable(c.type, CIspCable::LATCH_PULSE, false);
            const int mosi = mapOnly.m_nMosiPin, miso = mapOnly.m_nMisoPin;

            LoopPlatform platform(mosi, miso, f);
            CIspCable cable(platform, prompt);
            cable.SelectCable(CIspCable::CABLE_QOREL_ISP, CIspCable::LATCH_PULSE, true);
            cable.SelectCable(c.type, CIspCable::LATCH_PULSE, false);
            const WiringReport r = RunWiringTest(cable, IspLoopWiring(cable, c.name));

            auto touches = [&](int pin) { return pin == mosi || pin == miso; };
            bool harmful = false;
            switch (f.kind) {
            case LoopModel::Fault::None: harmful = false; break;
            case LoopModel::Fault::Open: harmful = true; break;
            case LoopModel::Fault::Short: harmful = (touches(f.a) || touches(f.b)) && !(touches(f.a) && touches(f.b)); break;
            default: harmful = touches(f.a); break;
            }
            ++tried;
            if (r.Passed() == harmful) {
                (harmful ? falsePass : falseFail) += 1;
                misjudged += std::string(c.name) + " fault " + std::to_string(f.kind) + " " + std::to_string(f.a) +
                             "-" + std::to_string(f.b) + "\n";
            }
        }
    }
    EXPECT_EQ(tried, 3 * (2 + 34 + 136));
    EXPECT_EQ(falsePass, 0) << misjudged;
    EXPECT_EQ(falseFail, 0) << misjudged;
}

// Pin layer and OpenPort decision of CParallelPort, over the recording backend.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "appdir.h"
#include "port.h"
#include "recording_port.h"

using Log = std::vector<PortAccess>;

namespace {

// A port opened on the driver path (major 5, driver running), log cleared.
struct OpenedPort : ::testing::Test {
    FakePortPlatform platform;
    RecordingPrompt prompt;
    CParallelPort port{platform, prompt};
    RecordingPortIo& io = platform.driver;

    void SetUp() override
    {
        ASSERT_TRUE(port.OpenPort(888));
        io.log.clear();
    }
};

} // namespace

TEST_F(OpenedPort, OutputPinsWriteOneWholeRegisterWithInversions)
{
    EXPECT_TRUE(port.SetPin(1)); // inverted: clears bit 0
    EXPECT_TRUE(port.ClearPin(1));
    EXPECT_TRUE(port.SetPin(16)); // not inverted
    EXPECT_TRUE(port.SetPin(17)); // inverted: bit 3 stays clear
    EXPECT_TRUE(port.ClearPin(17));
    EXPECT_TRUE(port.ClearPin(14)); // inverted: sets bit 1
    EXPECT_TRUE(port.SetPin(14));
    EXPECT_TRUE(port.ClearPin(16));
    EXPECT_EQ(io.log, (Log{Wc(0x00), Wc(0x01), Wc(0x05), Wc(0x05), Wc(0x0D), Wc(0x0F), Wc(0x0D),
                           Wc(0x09)}));
    EXPECT_EQ(port.m_byControl, 0x09);
    EXPECT_EQ(port.m_byData, 0x00);
}

TEST_F(OpenedPort, DataPinsMapToBitsZeroToSeven)
{
    for (int pin = 2; pin <= 9; ++pin)
        EXPECT_TRUE(port.SetPin(pin));
    EXPECT_TRUE(port.ClearPin(5));
    EXPECT_EQ(io.log, (Log{Wd(0x01), Wd(0x03), Wd(0x07), Wd(0x0F), Wd(0x1F), Wd(0x3F), Wd(0x7F),
                           Wd(0xFF), Wd(0xF7)}));
}

TEST_F(OpenedPort, InputOnlyAndOutOfRangePinsAreRefusedWithoutAccess)
{
    port.m_byData = 0x5A;
    port.m_byControl = 0xA5;
    for (int pin : {10, 11, 12, 13, 15, 0, 18, -1, 25, 1000}) {
        EXPECT_FALSE(port.SetPin(pin)) << pin;
        EXPECT_FALSE(port.ClearPin(pin)) << pin;
        EXPECT_FALSE(port.SetPinLevel(pin, 1)) << pin;
    }
    EXPECT_TRUE(io.log.empty());
    EXPECT_EQ(port.m_byData, 0x5A);
    EXPECT_EQ(port.m_byControl, 0xA5);
    EXPECT_EQ(port.GetPin(0), 0u);
    EXPECT_EQ(port.GetPin(18), 0u);
    EXPECT_EQ(port.GetPin(-5), 0u);
    EXPECT_TRUE(io.log.empty());
}

TEST_F(OpenedPort, PinWritesStartFromTheCopyNotFromTheRegister)
{
    io.data = 0xF0;
    EXPECT_TRUE(port.SetPin(5)); // fresh copy: the other data pins go low
    port.WriteData(0xFF);        // register operation: the copy stays 0x08
    EXPECT_TRUE(port.ClearPin(2));
    EXPECT_EQ(io.log, (Log{Wd(0x08), Wd(0xFF), Wd(0x08)}));

    // Control bits 4-7 ride along as they stand in the copy.
    port.m_byControl = 0xE0;
    EXPECT_TRUE(port.SetPin(16));
    EXPECT_EQ(io.log.back(), Wc(0xE4));
}

TEST_F(OpenedPort, GetPinReadsOnceAndRefreshesOnlyItsRegistersCopy)
{
    io.scriptedData = {0x80, 0x00};
    EXPECT_EQ(port.GetPin(9), 0x80u);
    EXPECT_EQ(port.m_byData, 0x80);
    EXPECT_EQ(port.GetPin(9), 0u);

    io.scriptedControl = {0x04, 0x08, 0xF7};
    EXPECT_EQ(port.GetPin(16), 0x04u);
    EXPECT_EQ(port.GetPin(17), 0u); // bit set: inverted pin low
    EXPECT_EQ(port.GetPin(17), 1u);
    EXPECT_EQ(port.m_byControl, 0xF7);

    port.m_byData = 0x11;
    port.m_byControl = 0x22;
    io.scriptedStatus = {0x20, 0x7F, 0x80, 0x48, 0x10};
    EXPECT_EQ(port.GetPin(12), 0x20u);
    EXPECT_EQ(port.GetPin(11), 1u); // bit 7 reads 0: pin high
    EXPECT_EQ(port.GetPin(11), 0u);
    EXPECT_EQ(port.GetPin(10), 0x40u);
    EXPECT_EQ(port.GetPin(13), 0x10u);
    EXPECT_EQ(port.m_byData, 0x11);
    EXPECT_EQ(port.m_byControl, 0x22);

    EXPECT_EQ(io.log, (Log{Rd(0x80), Rd(0x00), Rc(0x04), Rc(0x08), Rc(0xF7), Rs(0x20), Rs(0x7F),
                           Rs(0x80), Rs(0x48), Rs(0x10)}));
}

TEST_F(OpenedPort, GetPinRefreshThenPinWriteKeepsWhatWasRead)
{
    io.scriptedData = {0xF0};
    port.GetPin(2);
    port.SetPin(2);
    EXPECT_EQ(io.log.back(), Wd(0xF1));
}

TEST_F(OpenedPort, SetPinLevelTreatsAnyNonZeroAsHigh)
{
    EXPECT_TRUE(port.SetPinLevel(3, 5));
    EXPECT_TRUE(port.SetPinLevel(1, -7));
    EXPECT_TRUE(port.SetPinLevel(3, 0));
    EXPECT_EQ(io.log, (Log{Wd(0x02), Wc(0x00), Wd(0x00)}));
}

TEST_F(OpenedPort, RegisterOperationsAreSingleAccessesAndLeaveCopies)
{
    io.status = 0x5A;
    io.control = 0xC3;
    port.WriteData(0x12);
    EXPECT_EQ(port.ReadData(), 0x12);
    EXPECT_EQ(port.ReadStatus(), 0x5A);
    port.WriteControl(0x34);
    EXPECT_EQ(port.ReadControl(), 0x34);
    EXPECT_EQ(io.log, (Log{Wd(0x12), Rd(0x12), Rs(0x5A), Wc(0x34), Rc(0x34)}));
    EXPECT_EQ(port.m_byData, 0);
    EXPECT_EQ(port.m_byControl, 0);
}

// ---- OpenPort over the platform seam --------------------------------------------------------

namespace {

struct OpenPortPaths : ::testing::Test {
    FakePortPlatform platform;
    RecordingPrompt prompt;
    std::string savedAppDir = g_strAppDir;
    void TearDown() override { g_strAppDir = savedAppDir; }
};

} // namespace

TEST_F(OpenPortPaths, AddressesAreKeptToSixteenBits)
{
    CParallelPort port(platform, prompt);
    port.OpenPort(888);
    EXPECT_EQ(port.m_wDataPort, 0x378);
    EXPECT_EQ(port.m_wStatusPort, 0x379);
    EXPECT_EQ(port.m_wControlPort, 0x37A);
    port.OpenPort(0x1FFFF);
    EXPECT_EQ(port.m_wDataPort, 0xFFFF);
    EXPECT_EQ(port.m_wStatusPort, 0x0000);
    EXPECT_EQ(port.m_wControlPort, 0x0001);
}

TEST_F(OpenPortPaths, MajorFourGoesDirectAndNeverTouchesTheDriver)
{
    platform.major = kMajorVersionDirectIo;
    {
        CParallelPort port(platform, prompt);
        EXPECT_TRUE(port.OpenPort(888));
        EXPECT_TRUE(port.m_bDirectIo);
        EXPECT_TRUE(port.m_strDriverPath.empty());
        port.SetPin(2);
        port.GetPin(15);
    }
    EXPECT_EQ(platform.initCalls + platform.installCalls + platform.shutdownCalls, 0);
    EXPECT_EQ(platform.direct.log, (Log{Wd(0x01), Rs(0x00)}));
    EXPECT_TRUE(platform.driver.log.empty());
    EXPECT_TRUE(prompt.messages.empty());
}

TEST_F(OpenPortPaths, MajorFiveWithRunningDriverInitialisesOnceAndNeverInstalls)
{
    g_strAppDir = "/opt/porvik/";
    {
        CParallelPort port(platform, prompt);
        EXPECT_TRUE(port.OpenPort(888));
        EXPECT_FALSE(port.m_bDirectIo);
        EXPECT_EQ(port.m_strDriverPath, "/opt/porvik/winio.sys");
        port.SetPin(2);
        EXPECT_EQ(platform.shutdownCalls, 0);
    }
    EXPECT_EQ(platform.initCalls, 1);
    EXPECT_EQ(platform.installCalls, 0);
    EXPECT_EQ(platform.shutdownCalls, 1);
    EXPECT_EQ(platform.driver.log, (Log{Wd(0x01)}));
    EXPECT_TRUE(platform.direct.log.empty());
    EXPECT_TRUE(prompt.messages.empty());
}

TEST_F(OpenPortPaths, InstallFailingButSecondStartSucceedingWarnsAndSucceeds)
{
    g_strAppDir = "/somewhere/";
    platform.initResults = {false, true};
    platform.installResult = false;
    CParallelPort port(platform, prompt);
    EXPECT_TRUE(port.OpenPort(888));
    EXPECT_EQ(platform.initCalls, 2);
    EXPECT_EQ(platform.installCalls, 1);
    EXPECT_EQ(platform.lastInstallPath, "/somewhere/winio.sys");
    EXPECT_EQ(prompt.messages, std::vector<std::string>{"初始化驱动程序失败!"});
}

TEST_F(OpenPortPaths, InstallSucceedingThenStartingIsSilent)
{
    platform.initResults = {false, true};
    CParallelPort port(platform, prompt);
    EXPECT_TRUE(port.OpenPort(888));
    EXPECT_EQ(platform.installCalls, 1);
    EXPECT_TRUE(prompt.messages.empty());
}

TEST_F(OpenPortPaths, BothStartsFailingShowsBothHeadlinesInOneMessageAndFails)
{
    platform.initDefault = false;
    platform.installResult = false;
    {
        CParallelPort port(platform, prompt);
        EXPECT_FALSE(port.OpenPort(888));
        EXPECT_FALSE(port.m_bDirectIo);
        port.SetPin(3); // still goes to the driver path, which must not crash
    }
    EXPECT_EQ(platform.initCalls, 2);
    EXPECT_EQ(prompt.messages, (std::vector<std::string>{"初始化驱动程序失败!\n初始化并口I/O失败!"}));
    EXPECT_EQ(platform.shutdownCalls, 1);
    EXPECT_EQ(platform.driver.log, (Log{Wd(0x02)}));
}

TEST_F(OpenPortPaths, KnownReasonIsAddedAsSecondLine)
{
    platform.initDefault = false;
    platform.failureReason = "没有找到并口";
    CParallelPort port(platform, prompt);
    EXPECT_FALSE(port.OpenPort(888));
    ASSERT_EQ(prompt.messages.size(), 1u); // installing succeeded: only the second failure shows
    EXPECT_EQ(prompt.messages[0], std::string("初始化并口I/O失败!\n没有找到并口"));
}

TEST_F(OpenPortPaths, OtherVersionsFailSilentlyButStillShutDown)
{
    for (int major : {3, 6, 10, 0, -1}) {
        FakePortPlatform p;
        p.major = major;
        {
            CParallelPort port(p, prompt);
            EXPECT_FALSE(port.OpenPort(888)) << major;
            EXPECT_FALSE(port.m_bDirectIo);
            EXPECT_TRUE(port.m_strDriverPath.empty());
        }
        EXPECT_EQ(p.initCalls + p.installCalls, 0) << major;
        EXPECT_EQ(p.shutdownCalls, 1) << major;
    }
    EXPECT_TRUE(prompt.messages.empty());
}

TEST_F(OpenedPort, SettleTimeWaitsBeforeTheFirstStatusReadAfterAWrite)
{
    std::vector<std::string> events;
    port.SetSettleTime(250, [&](unsigned us) { events.push_back("wait " + std::to_string(us)); });
    auto read = [&] {
        events.push_back("read");
        port.GetPin(15);
    };
    read();              // nothing written yet
    port.SetPin(2);
    read();              // waits once after the write...
    read();              // ...and not again for the next input
    port.GetPin(2);      // a data read is the latch, not a line that settles
    port.SetPin(16);
    port.ClearPin(16);
    read();              // one wait for any number of writes before it
    EXPECT_EQ(events, (std::vector<std::string>{"read", "read", "wait 250", "read", "read", "wait 250"}));

    events.clear();
    port.SetSettleTime(0, [&](unsigned us) { events.push_back("wait " + std::to_string(us)); });
    port.SetPin(2);
    read();
    EXPECT_EQ(events, (std::vector<std::string>{"read"})) << "0 waits nothing, as before";
}

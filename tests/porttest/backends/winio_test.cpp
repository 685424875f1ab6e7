// The Windows backend over a stand-in WINIO.dll (no driver, no port): the library is taken from
// the folder it is given by full path, the driver path reaches it whole in a zero-filled narrow
// buffer, the register calls carry the addresses and widths of the port, and OpenPort's branches
// run over it as over the test platform.
#include <gtest/gtest.h>

#include <string>

#include "appdir.h"
#include "fake_winio.h"
#include "port.h"
#include "programfile.h"
#include "recording_port.h"
#include "winioport.h"

namespace {

std::wstring TestProgramDir()
{
    const std::wstring file = ProgramFileW();
    return file.substr(0, file.find_last_of(L"\\/") + 1);
}

// The stand-in library lives in a folder of its own beside the test program.
const std::wstring kFakeDir = TestProgramDir() + L"fakewinio\\";

struct WinIo : ::testing::Test {
    FakeWinIoState* state = nullptr;
    HMODULE module = nullptr;
    RecordingPrompt prompt;
    std::string savedAppDir = g_strAppDir;

    void SetUp() override
    {
        module = LoadLibraryW((kFakeDir + L"WINIO.dll").c_str());
        ASSERT_NE(module, nullptr);
        auto fn = reinterpret_cast<FakeWinIoStateFn>(reinterpret_cast<void*>(GetProcAddress(module, "FakeWinIo")));
        ASSERT_NE(fn, nullptr);
        state = fn();
        *state = FakeWinIoState{};
    }
    void TearDown() override
    {
        g_strAppDir = savedAppDir;
        FreeLibrary(module);
    }
};

} // namespace

TEST_F(WinIo, WithoutTheLibraryNothingIsReachedAndTheReasonNamesIt)
{
    WinIoPlatform platform(WinIoPlatform::Mode::ByVersion, kLptBase, TestProgramDir() + L"nowhere\\");
    EXPECT_FALSE(platform.InitializeDriver());
    EXPECT_FALSE(platform.InstallDriver("C:\\porvik\\winio.sys"));
    // Where to put which files: the library, its driver and the folder they belong in.
    for (const char* part : {"WINIO.dll", "winio.sys", "nowhere\\"})
        EXPECT_NE(platform.FailureReason().find(part), std::string::npos) << part;
    EXPECT_EQ(platform.DriverIo().ReadStatus(), 0xFF);
    EXPECT_TRUE(platform.InUse().isAbsent);
    EXPECT_EQ(state->initializeCalls + state->installCalls, 0);
}

TEST_F(WinIo, InstallFailingThenSecondStartSucceedingWarnsAndReachesThePort)
{
    state->initializeAnswers[1] = TRUE;
    g_strAppDir = "C:\\porvik\\";
    {
        WinIoPlatform platform(WinIoPlatform::Mode::ByVersion, kLptBase, kFakeDir);
        ASSERT_EQ(platform.MajorVersion(), kMajorVersionDriver); // Wine answers a current Windows
        CParallelPort port(platform, prompt);
        EXPECT_TRUE(port.OpenPort(kLptBase));
        EXPECT_EQ(prompt.messages.size(), 1u);
        EXPECT_EQ(prompt.messages.at(0).rfind("初始化驱动程序失败!", 0), 0u);
        EXPECT_STREQ(state->installPath, "C:\\porvik\\winio.sys");
        EXPECT_TRUE(state->installBufferZeroed);
        EXPECT_FALSE(state->installDemandLoaded);
        EXPECT_EQ(state->initializeCalls, 2);

        port.WriteControl(0xA5);
        EXPECT_EQ(state->lastPort, 0x37A);
        EXPECT_EQ(state->lastValue, 0xA5u);
        EXPECT_EQ(state->lastSize, 1);
        state->readValue = 0x1234;
        EXPECT_EQ(port.ReadStatus(), 0x34); // the low byte of the 32-bit variable
        EXPECT_EQ(state->lastPort, 0x379);
        EXPECT_EQ(state->lastSize, 1);
        EXPECT_FALSE(platform.InUse().isAbsent);
        EXPECT_EQ(state->shutdownCalls, 0);
    }
    EXPECT_EQ(state->shutdownCalls, 1);
}

TEST_F(WinIo, RunningDriverIsNeverInstalledAndALongPathReachesItWhole)
{
    state->initializeAnswers[0] = TRUE;
    {
        WinIoPlatform platform(WinIoPlatform::Mode::ByVersion, kLptBase, kFakeDir);
        CParallelPort port(platform, prompt);
        EXPECT_TRUE(port.OpenPort(kLptBase));
    }
    EXPECT_EQ(state->initializeCalls, 1);
    EXPECT_EQ(state->installCalls, 0);
    EXPECT_TRUE(prompt.messages.empty());

    const std::string deep = "C:\\" + std::string(300, 'd') + "\\winio.sys";
    WinIoPlatform platform(WinIoPlatform::Mode::ByVersion, kLptBase, kFakeDir);
    platform.InstallDriver(deep);
    EXPECT_EQ(state->installPath, deep);
}

TEST_F(WinIo, EcpPortIsInByteModeWhileTheDriverHoldsIt)
{
    state->initializeAnswers[0] = TRUE;
    state->ecpBase = 0xD010;
    state->control = 0x04;
    state->ecr = 0x75; // ECP mode
    {
        WinIoPlatform platform(WinIoPlatform::Mode::ByVersion, 0xD010, kFakeDir);
        CParallelPort port(platform, prompt);
        EXPECT_TRUE(port.OpenPort(kLptBase));
        EXPECT_EQ(state->ecr, 0x34) << "mode 001 while held";
        EXPECT_EQ(state->control, 0x04) << "the control register put back after the probe";
        EXPECT_NE(platform.InUse().description.find("字节模式"), std::string::npos);
    }
    EXPECT_EQ(state->ecr, 0x75) << "the ECR as found, once the port is let go";
    EXPECT_EQ(state->shutdownCalls, 1);
}

TEST_F(WinIo, BothStartsFailingShowBothHeadlinesOnceAndLeaveNoPort)
{
    g_strAppDir = "C:\\nowhere\\"; // no winio.sys there
    WinIoPlatform platform(WinIoPlatform::Mode::ByVersion, kLptBase, kFakeDir);
    CParallelPort port(platform, prompt);
    EXPECT_FALSE(port.OpenPort(kLptBase));
    ASSERT_EQ(prompt.messages.size(), 1u); // said once
    EXPECT_EQ(prompt.messages[0].rfind("初始化驱动程序失败!\n初始化并口I/O失败!", 0), 0u);
    EXPECT_NE(platform.FailureReason().find("找不到 winio.sys"), std::string::npos) << platform.FailureReason();
    EXPECT_EQ(port.ReadData(), 0xFF); // the absent port, not a stale variable
    EXPECT_EQ(state->reads, 0);
    EXPECT_TRUE(platform.InUse().isAbsent);
}

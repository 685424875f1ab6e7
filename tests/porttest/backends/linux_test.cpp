// The Linux backends without hardware: the backend table, discovery over a fake /proc tree, the
// plain-words reasons, and the fall-back to the virtual port. Every platform here is pointed at
// a temporary tree and given a fake module loader and ioperm, so no test can touch a real port
// or the running kernel, even when run as root. The ppdev backend against a real kernel driver
// is exercised by the virtual-machine test in tests/qemu.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <linux/parport.h>
#include <sys/ioctl.h>
#include <linux/ppdev.h>

#include "backends.h"
#include "directport.h"
#include "port.h"
#include "portdiag.h"
#include "linuxsystem.h"
#include "ppdevport.h"
#include "recording_port.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// A scratch directory standing in for / with proc/ and dev/ below it.
class FakeRoot {
public:
    FakeRoot()
    {
        fs::create_directories(m_dir.Path() / "proc");
        fs::create_directories(m_dir.Path() / "dev");
    }

    std::string Proc() const { return (m_dir.Path() / "proc").string(); }
    std::string Dev() const { return (m_dir.Path() / "dev").string(); }

    void Write(const fs::path& relative, const std::string& text) const
    {
        fs::create_directories((m_dir.Path() / relative).parent_path());
        std::ofstream(m_dir.Path() / relative) << text;
    }
    void AddKernelPort(int n, const std::string& baseAddr) const
    {
        Write("proc/sys/dev/parport/parport" + std::to_string(n) + "/base-addr", baseAddr);
    }
    // A plain file where the device node should be: opens fine, knows no ppdev ioctl.
    void AddPlainFileDevice(const std::string& name) const { Write("dev/" + name, ""); }

    // `barrier`: what keeps this process from loading modules (NotTried: nothing); `loads`:
    // whether modprobe succeeds.
    LinuxPortEnv Env(DriverLoad barrier = DriverLoad::NeedsRoot, std::vector<std::string>* loaded = nullptr,
                     bool loads = true) const
    {
        LinuxPortEnv env;
        env.procRoot = Proc();
        env.devRoot = Dev();
        env.moduleLoadBarrier = [barrier] { return barrier; };
        env.loadModule = [loaded, loads](const std::string& module) {
            if (loaded)
                loaded->push_back(module);
            return loads;
        };
        return env;
    }

private:
    TempDir m_dir;
};

} // namespace

// --- selection --------------------------------------------------------------------------------

TEST(PortSelection, MakesThePlatformForEachChoice)
{
    auto virt = MakePortPlatform({PortChoice::Virtual, {}});
    EXPECT_EQ(virt->MajorVersion(), kMajorVersionDriver);
    EXPECT_TRUE(virt->InitializeDriver());
    EXPECT_TRUE(virt->InUse().isVirtual);

    // A named device that does not exist: the driver path, failing with the name in the reason.
    auto named = MakePortPlatform({PortChoice::Device, "/nonexistent/parport9"});
    EXPECT_EQ(named->MajorVersion(), kMajorVersionDriver);
    EXPECT_NE(dynamic_cast<LinuxPpdevPlatform*>(named.get()), nullptr);
    EXPECT_FALSE(named->InitializeDriver());
    EXPECT_TRUE(named->InUse().isAbsent);
    EXPECT_FALSE(named->InUse().isVirtual);
    EXPECT_TRUE(Contains(named->FailureReason(), "/nonexistent/parport9"));

    // Auto is the same backend, finding its port by address (made only: nothing is opened).
    EXPECT_NE(dynamic_cast<LinuxPpdevPlatform*>(MakePortPlatform({PortChoice::Auto, {}}).get()), nullptr);
}

// --- discovery --------------------------------------------------------------------------------

TEST(PortDiscovery, FindsPortsByBaseAddressInNumericOrder)
{
    FakeRoot root;
    root.AddKernelPort(10, "956\t1980\n");
    root.AddKernelPort(1, "56320\t56324\n");
    root.AddKernelPort(0, "888\t0\n");
    root.Write("proc/sys/dev/parport/default/timeslice", "200\n"); // no base-addr: skipped
    root.Write("proc/sys/dev/parport/parport7/base-addr", "garbage\n");
    root.Write("proc/sys/dev/parport/parportX/base-addr", "888\n");

    const auto ports = ListParports(root.Proc(), "/dev");
    ASSERT_EQ(ports.size(), 3u);
    EXPECT_EQ(ports[0].number, 0);
    EXPECT_EQ(ports[0].base, 888u);
    EXPECT_EQ(ports[0].device, "/dev/parport0");
    EXPECT_EQ(ports[1].number, 1);
    EXPECT_EQ(ports[1].base, 0xdc00u);
    EXPECT_EQ(ports[2].number, 10);
    EXPECT_EQ(ports[2].base, 0x3bcu);

    EXPECT_EQ(FindPortDevice(ports, 0x378), "/dev/parport0");
    EXPECT_EQ(FindPortDevice(ports, 0xdc00), "/dev/parport1");
    EXPECT_EQ(FindPortDevice(ports, 0x278), std::nullopt);
}

TEST(PortDiscovery, NoParportTreeAndUsbPrinters)
{
    FakeRoot root;
    EXPECT_TRUE(ListParports(root.Proc(), root.Dev()).empty());
    EXPECT_TRUE(ListUsbPrinters(root.Dev()).empty());

    root.Write("dev/usb/lp0", "");
    root.Write("dev/usb/hiddev0", "");
    const auto usb = ListUsbPrinters(root.Dev());
    ASSERT_EQ(usb.size(), 1u);
    EXPECT_EQ(fs::path(usb[0]).filename(), "lp0");
}

// --- reasons in plain words ---------------------------------------------------------------------

TEST(PortReasons, ErrnoByStage)
{
    EXPECT_EQ(ClassifyOpenError(OpenStage::Open, ENOENT), PortProblem::DeviceMissing);
    EXPECT_EQ(ClassifyOpenError(OpenStage::Open, ENXIO), PortProblem::DeviceMissing);
    EXPECT_EQ(ClassifyOpenError(OpenStage::Open, EACCES), PortProblem::NoPermission);
    EXPECT_EQ(ClassifyOpenError(OpenStage::Open, EPERM), PortProblem::NoPermission);
    // The lp driver (or another program) holding the port refuses the exclusive claim.
    EXPECT_EQ(ClassifyOpenError(OpenStage::Claim, ENXIO), PortProblem::Busy);
    EXPECT_EQ(ClassifyOpenError(OpenStage::Claim, EBUSY), PortProblem::Busy);
    EXPECT_EQ(ClassifyOpenError(OpenStage::Exclusive, ENOTTY), PortProblem::NotAPort);
    EXPECT_EQ(ClassifyOpenError(OpenStage::Register, EIO), PortProblem::AccessFailed);
    EXPECT_EQ(ClassifyOpenError(OpenStage::Open, EIO), PortProblem::Other);
}

TEST(PortReasons, TextsSayWhatToDo)
{
    PortDiagnosis d;
    EXPECT_EQ(DescribePortProblem(d), "");

    d.device = "/dev/parport0";
    d.problem = PortProblem::NoPermission;
    EXPECT_TRUE(Contains(DescribePortProblem(d), "/dev/parport0"));
    EXPECT_TRUE(Contains(DescribePortProblem(d), "加入 lp 组"));

    d.problem = PortProblem::Busy;
    EXPECT_TRUE(Contains(DescribePortProblem(d), "modprobe -r lp"));

    d.problem = PortProblem::NoParport;
    d.device.clear();
    EXPECT_EQ(DescribePortProblem(d), "本机没有并口:系统中找不到任何并口。");
    d.driverLoad = DriverLoad::NeedsRoot;
    EXPECT_TRUE(Contains(DescribePortProblem(d), "需要 root 权限"));
    d.problem = PortProblem::Busy; // loading modules would not help a busy port
    EXPECT_FALSE(Contains(DescribePortProblem(d), "root"));

    PortDiagnosis usb;
    usb.problem = PortProblem::UsbPrinterOnly;
    usb.usbPrinters = {"/dev/usb/lp0"};
    EXPECT_TRUE(Contains(DescribePortProblem(usb), "/dev/usb/lp0"));
    EXPECT_TRUE(Contains(DescribePortProblem(usb), "不能逐个引脚控制"));

    PortDiagnosis elsewhere;
    elsewhere.problem = PortProblem::NoPortAtBase;
    elsewhere.ports = {{1, 0xdc00, "/dev/parport1", ""}};
    const std::string text = DescribePortProblem(elsewhere);
    EXPECT_TRUE(Contains(text, "0x378"));
    EXPECT_TRUE(Contains(text, "/dev/parport1 (0xdc00)"));
    EXPECT_TRUE(Contains(text, "--port /dev/parport1"));

}

// --- the ppdev backend where no ppdev device is -----------------------------------------------

TEST(PpdevPort, RefusesWhatIsNotAPortAndStaysHarmless)
{
    FakeRoot root;
    root.AddPlainFileDevice("parport0");
    PpdevPort port;
    EXPECT_FALSE(port.Open(root.Dev() + "/parport0"));
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.Stage(), OpenStage::Exclusive);
    EXPECT_EQ(port.Problem().problem, PortProblem::NotAPort);

    EXPECT_FALSE(port.Open(root.Dev() + "/parport5"));
    EXPECT_EQ(port.Stage(), OpenStage::Open);
    EXPECT_EQ(port.Error(), ENOENT);
    EXPECT_EQ(port.Problem().problem, PortProblem::DeviceMissing);

    // Registers of a port that never opened: nothing reaches any device, nothing breaks.
    port.WriteData(0x55);
    port.WriteControl(0x2F);
    EXPECT_EQ(port.ReadData(), 0xFF);
    EXPECT_EQ(port.ReadControl(), 0xFF);
    EXPECT_EQ(port.ReadStatus(), 0xFF);
    port.Close();
    port.Close();
}

// ppdev as the kernel has it: a soft copy of the control lines (bits 0-3) and a data direction
// set by PPDATADIR alone. Every call is logged as ppdev receives it.
struct FakePpdev {
    bool tristate = true;
    std::uint8_t soft = 0;
    std::vector<std::string> log;

    PpdevCalls Calls()
    {
        return {[](const char*, int) { return 42; },
                [this](int, unsigned long request, void* arg) {
                    const auto byte = [&] { return static_cast<unsigned>(*static_cast<unsigned char*>(arg)); };
                    char text[24];
                    if (request == PPWCONTROL) {
                        std::snprintf(text, sizeof text, "WCONTROL %02x", byte());
                        soft = static_cast<std::uint8_t>(byte() & 0x0F);
                    } else if (request == PPRCONTROL) {
                        std::snprintf(text, sizeof text, "RCONTROL");
                        *static_cast<unsigned char*>(arg) = soft;
                    } else if (request == PPDATADIR) {
                        std::snprintf(text, sizeof text, "DATADIR %d", *static_cast<int*>(arg));
                    } else if (request == PPGETMODES) {
                        std::snprintf(text, sizeof text, "GETMODES");
                        *static_cast<int*>(arg) = tristate ? PARPORT_MODE_TRISTATE | PARPORT_MODE_PCSPP : PARPORT_MODE_PCSPP;
                    } else {
                        std::snprintf(text, sizeof text, "%s", request == PPEXCL ? "EXCL" : request == PPCLAIM ? "CLAIM" : "other");
                    }
                    log.push_back(text);
                    return 0;
                },
                [](int) { return 0; }};
    }
};

// The direction bit (control bit 5) goes to ppdev only as PPDATADIR, and only on a port that can
// turn its data lines around; the read-back adds it from the direction last set.
TEST(PpdevPort, RegisterSequenceThatPpdevReceives)
{
    using Log = std::vector<std::string>;
    const struct {
        const char* what;
        bool tristate;
        std::vector<std::uint8_t> writes;
        Log expected;  // after the open
        std::uint8_t readBack;
    } cases[] = {
        {"reverse", true, {0x2B}, {"DATADIR 1", "WCONTROL 0b", "RCONTROL"}, 0x2B},
        {"reverse, then forward", true, {0x2B, 0x04}, {"DATADIR 1", "WCONTROL 0b", "DATADIR 0", "WCONTROL 04", "RCONTROL"}, 0x04},
        {"direction set once", true, {0x24, 0x25}, {"DATADIR 1", "WCONTROL 04", "WCONTROL 05", "RCONTROL"}, 0x25},
        {"interrupt bit is the kernel's", true, {0x1F}, {"WCONTROL 0f", "RCONTROL"}, 0x0F},
        {"no tristate: bit dropped", false, {0x2B}, {"WCONTROL 0b", "RCONTROL"}, 0x0B},
    };
    for (const auto& c : cases) {
        FakePpdev fake;
        fake.tristate = c.tristate;
        PpdevPort port(fake.Calls());
        ASSERT_TRUE(port.Open("/dev/parport0")) << c.what;
        const Log opened = c.tristate ? Log{"EXCL", "CLAIM", "GETMODES", "DATADIR 0"} : Log{"EXCL", "CLAIM", "GETMODES"};
        EXPECT_EQ(fake.log, opened) << c.what;
        fake.log.clear();
        for (std::uint8_t w : c.writes) port.WriteControl(w);
        EXPECT_EQ(port.ReadControl(), c.readBack) << c.what;
        EXPECT_EQ(fake.log, c.expected) << c.what;
    }
}

// --- the platforms' fall-back to the virtual port -----------------------------------------------

TEST(LinuxPpdevPlatform, NoPortAtAllDrivesNothingAndSaysSo)
{
    FakeRoot root;
    LinuxPpdevPlatform platform({}, root.Env(DriverLoad::NeedsRoot));
    EXPECT_EQ(platform.FailureReason(), ""); // nothing tried yet
    RecordingPrompt prompt;
    {
        CParallelPort port(platform, prompt);
        EXPECT_FALSE(port.OpenPort(888));
        ASSERT_EQ(prompt.messages.size(), 1u); // said once
        EXPECT_EQ(prompt.messages[0].substr(0, prompt.messages[0].find("\n初始化并口I/O失败!\n")), "初始化驱动程序失败!");
        EXPECT_TRUE(Contains(prompt.messages[0], "本机没有并口"));
        EXPECT_TRUE(Contains(prompt.messages[0], "需要 root 权限"));
        EXPECT_TRUE(port.InUse().isAbsent);
        EXPECT_FALSE(port.InUse().isVirtual);

        // No loopback plug answers: every line reads undriven, whatever was written.
        port.WriteData(0x00);
        port.WriteControl(0x0F);
        EXPECT_EQ(port.ReadData(), 0xFF);
        EXPECT_EQ(port.ReadControl(), 0xFF);
        EXPECT_EQ(port.ReadStatus(), 0xFF);
    }
    EXPECT_EQ(platform.Diagnosis().problem, PortProblem::NoParport);
}

TEST(LinuxPpdevPlatform, LoadsTheModulesWhenPermitted)
{
    FakeRoot root;
    std::vector<std::string> loaded;
    LinuxPpdevPlatform platform({}, root.Env(DriverLoad::NotTried, &loaded));
    RecordingPrompt prompt;
    CParallelPort port(platform, prompt);
    EXPECT_FALSE(port.OpenPort(888));
    EXPECT_EQ(loaded, (std::vector<std::string>{"parport_pc", "ppdev"}));
    // Loading worked, the port still did not appear: only the second message.
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_TRUE(Contains(prompt.messages[0], "初始化并口I/O失败!"));
    EXPECT_FALSE(Contains(prompt.messages[0], "root"));
}

TEST(LinuxPpdevPlatform, ExplainsEachKindOfMissingPort)
{
    {
        FakeRoot root;
        root.Write("dev/usb/lp0", "");
        LinuxPpdevPlatform platform({}, root.Env());
        EXPECT_FALSE(platform.InitializeDriver());
        EXPECT_EQ(platform.Diagnosis().problem, PortProblem::UsbPrinterOnly);
        EXPECT_TRUE(Contains(platform.FailureReason(), "USB"));
    }
    {
        FakeRoot root;
        root.AddKernelPort(1, "56320\t56324\n");
        LinuxPpdevPlatform platform({}, root.Env());
        EXPECT_FALSE(platform.InitializeDriver());
        EXPECT_EQ(platform.Diagnosis().problem, PortProblem::NoPortAtBase);
        EXPECT_TRUE(Contains(platform.FailureReason(), root.Dev() + "/parport1 (0xdc00)"));
    }
    {
        // The kernel lists the port but there is no device node: ppdev is not loaded.
        FakeRoot root;
        root.AddKernelPort(0, "888\t0\n");
        LinuxPpdevPlatform platform({}, root.Env());
        EXPECT_FALSE(platform.InitializeDriver());
        EXPECT_EQ(platform.Diagnosis().problem, PortProblem::PpdevNotLoaded);
        EXPECT_TRUE(Contains(platform.FailureReason(), root.Dev() + "/parport0"));
        EXPECT_TRUE(Contains(platform.FailureReason(), "ppdev"));
    }
    {
        FakeRoot root;
        root.AddKernelPort(0, "888\t0\n");
        root.AddPlainFileDevice("parport0");
        LinuxPpdevPlatform platform({}, root.Env());
        EXPECT_FALSE(platform.InitializeDriver());
        EXPECT_EQ(platform.Diagnosis().problem, PortProblem::NotAPort);
        EXPECT_TRUE(platform.InUse().isAbsent);
    }
}

TEST(LinuxPpdevPlatform, NamedDeviceWinsOverDiscovery)
{
    FakeRoot root;
    root.AddKernelPort(0, "888\t0\n");
    root.AddPlainFileDevice("parport0");
    const std::string named = root.Dev() + "/parport4";
    LinuxPpdevPlatform platform(named, root.Env());
    EXPECT_FALSE(platform.InitializeDriver());
    EXPECT_EQ(platform.Diagnosis().problem, PortProblem::DeviceMissing);
    EXPECT_EQ(platform.Diagnosis().device, named);
    platform.ShutdownDriver();
    platform.ShutdownDriver();
}

TEST(LinuxDirectPlatform, RefusedGrantDrivesNothingAndSaysWhy)
{
    std::vector<int> calls;
    auto refuse = [&calls](unsigned long, unsigned long, int on) {
        calls.push_back(on);
        errno = EPERM;
        return -1;
    };
    LinuxDirectPlatform platform(0x378, {.ioperm = refuse, .in = {}, .out = {}}, [] { return false; });
    RecordingPrompt prompt;
    {
        CParallelPort port(platform, prompt);
        EXPECT_TRUE(port.OpenPort(888)); // the direct path opens silently, as ever
        EXPECT_TRUE(prompt.messages.empty());
        EXPECT_TRUE(port.InUse().isAbsent);
        EXPECT_TRUE(Contains(platform.FailureReason(), "0x378"));
        port.WriteData(0xA5);
        EXPECT_EQ(port.ReadData(), 0xFF); // neither a loopback plug nor a port instruction
    }
    EXPECT_EQ(calls, (std::vector<int>{1}));
}

// The I/O space behind a direct port, as a card of each kind answers at base + 0x402, logging
// every access: an ECP port's extended control register (FIFO bits read-only, empty), nothing
// at all (reads 0xFF), or the control register again where the card decodes too few address bits.
class FakeIoSpace {
public:
    enum class Ecr { Ecp, None, AliasOfControl };
    struct Access {
        char op; // 'i' in, 'o' out, '+' grant, '-' release
        unsigned port;
        unsigned value;
        friend bool operator==(const Access&, const Access&) = default;
    };

    FakeIoSpace(std::uint16_t base, Ecr ecr, std::uint8_t ecrFound = 0x15, bool grantEcp = true)
        : m_ecrValue(ecrFound), m_base(base), m_ecr(ecr), m_grantEcp(grantEcp)
    {
    }

    DirectPortCalls Calls()
    {
        return {
            .ioperm =
                [this](unsigned long from, unsigned long num, int on) {
                    log.push_back({on ? '+' : '-', unsigned(from), unsigned(num)});
                    return from != m_base && !m_grantEcp && on ? (errno = EPERM, -1) : 0;
                },
            .in = [this](std::uint16_t port) {
                const std::uint8_t v = Read(port);
                log.push_back({'i', port, v});
                return v;
            },
            .out = [this](std::uint16_t port, std::uint8_t v) {
                log.push_back({'o', port, v});
                Write(port, v);
            },
        };
    }
    std::vector<Access> Writes(unsigned port) const
    {
        std::vector<Access> w;
        for (const Access& a : log)
            if (a.op == 'o' && a.port == port)
                w.push_back(a);
        return w;
    }

    std::vector<Access> log;
    std::uint8_t control = 0x04;
    std::uint8_t m_ecrValue;

private:
    std::uint8_t Read(unsigned port) const
    {
        if (port == m_base + 2u)
            return control;
        if (port == m_base + 0x402u) {
            switch (m_ecr) {
            case Ecr::Ecp: return static_cast<std::uint8_t>((m_ecrValue & 0xFC) | 0x01);
            case Ecr::None: return 0xFF;
            case Ecr::AliasOfControl: return control;
            }
        }
        return 0;
    }
    void Write(unsigned port, std::uint8_t v)
    {
        if (port == m_base + 2u || (m_ecr == Ecr::AliasOfControl && port == m_base + 0x402u))
            control = v;
        else if (port == m_base + 0x402u && m_ecr == Ecr::Ecp)
            m_ecrValue = v;
    }

    std::uint16_t m_base;
    Ecr m_ecr;
    bool m_grantEcp;
};

TEST(LinuxDirectPlatform, EcpPortIsInByteModeWhileHeldAndPutBackAfter)
{
    using Ecr = FakeIoSpace::Ecr;
    struct Case {
        const char* name;
        std::uint16_t base;
        Ecr ecr;
        bool grantEcp;
        bool byteMode; // the ECR was found and set to mode 001
    };
    const Case cases[] = {
        {"ECP card at 0xD010 in ECP mode", 0xD010, Ecr::Ecp, true, true},
        {"ECP port at 0x378", 0x378, Ecr::Ecp, true, true},
        {"SPP port: nothing at base + 0x402", 0x378, Ecr::None, true, false},
        {"card decoding too few bits: control again at base + 0x402", 0x278, Ecr::AliasOfControl, true, false},
        {"ECR's addresses refused", 0x378, Ecr::Ecp, false, false},
        {"base so high that the ECR lies outside the I/O space", 0xFC00, Ecr::Ecp, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::uint8_t ecpMode = 0x75; // mode 011 (ECP), FIFO empty
        FakeIoSpace io(c.base, c.ecr, ecpMode, c.grantEcp);
        const unsigned ecr = c.base + 0x402u;
        {
            LinuxDirectPlatform platform(c.base, io.Calls(), [] { return true; });
            EXPECT_EQ(platform.FailureReason(), "");
            EXPECT_EQ(Contains(platform.InUse().description, "字节模式"), c.byteMode);
            EXPECT_EQ(io.control, 0x04) << "the control register is put back after the probe";
            if (c.byteMode) {
                EXPECT_EQ(io.m_ecrValue, 0x34) << "mode 001 for the test";
            } else {
                EXPECT_TRUE(c.ecr == Ecr::AliasOfControl || io.Writes(ecr).empty())
                    << "nothing is written where no ECR answered";
            }
            // The registers go to the port's own addresses.
            RecordingPrompt prompt;
            CParallelPort port(platform, prompt);
            port.OpenPort(888);
            io.log.clear();
            port.WriteData(0x5A);
            port.ReadStatus();
            EXPECT_EQ(io.log, (std::vector<FakeIoSpace::Access>{{'o', c.base, 0x5A}, {'i', c.base + 1u, 0}}));
            io.log.clear();
        }
        if (c.byteMode)
            EXPECT_EQ(io.Writes(ecr), (std::vector<FakeIoSpace::Access>{{'o', ecr, ecpMode}}))
                << "the ECR as it was found, once the port is let go";
        else
            EXPECT_TRUE(io.Writes(ecr).empty());
        // Every grant released, the port's own last.
        ASSERT_FALSE(io.log.empty());
        EXPECT_EQ(io.log.back(), (FakeIoSpace::Access{'-', c.base, 3}));
        const bool ecpGranted = c.grantEcp && c.base < 0xFC00;
        EXPECT_EQ(std::count(io.log.begin(), io.log.end(), FakeIoSpace::Access{'-', c.base + 0x400u, 3}),
                  ecpGranted ? 1 : 0);
    }
}

// --- each cause its own reason ------------------------------------------------------------------

namespace {

// What the window would say after opening through the platform failed.
std::string ReasonAfterOpen(IPortPlatform& platform)
{
    RecordingPrompt prompt;
    CParallelPort port(platform, prompt);
    port.OpenPort(888);
    return platform.FailureReason();
}

std::string PpdevReason(const std::string& named, DriverLoad barrier, bool loads, bool kernelPort,
                        bool node, bool otherPort = false)
{
    FakeRoot root;
    if (kernelPort)
        root.AddKernelPort(0, "888\t0\n");
    if (otherPort)
        root.AddKernelPort(1, "56320\t0\n");
    if (node)
        root.AddPlainFileDevice("parport0");
    LinuxPpdevPlatform platform(named.empty() ? named : root.Dev() + "/" + named, root.Env(barrier, nullptr, loads));
    return ReasonAfterOpen(platform);
}

std::string DirectReason(int err, bool rawIo)
{
    LinuxDirectPlatform platform(
        0x378, {.ioperm = [err](unsigned long, unsigned long, int) { errno = err; return -1; }, .in = {}, .out = {}},
        [rawIo] { return rawIo; });
    return ReasonAfterOpen(platform);
}

} // namespace

TEST(PortReasons, EachCauseHasItsOwnReason)
{
    struct Row {
        const char* cause;
        std::string text;
        std::vector<std::string> says, never;
    };
    const Row rows[] = {
        {"no port, not root", PpdevReason("", DriverLoad::NeedsRoot, true, false, false),
         {"本机没有并口", "需要 root 权限"}, {"modprobe 程序"}},
        {"no port, root without modprobe", PpdevReason("", DriverLoad::NoModprobe, true, false, false),
         {"本机没有并口", "找不到 modprobe"}, {"需要 root"}},
        {"no port, modprobe fails", PpdevReason("", DriverLoad::NotTried, false, false, false),
         {"本机没有并口", "加载驱动 parport_pc 和 ppdev 失败"}, {"需要 root"}},
        {"named device, no port at all", PpdevReason("parport0", DriverLoad::NeedsRoot, true, false, false),
         {"parport0 不存在", "本机没有并口"}, {"ppdev 未加载", "设备名"}},
        {"named device matching no port", PpdevReason("parport3", DriverLoad::NeedsRoot, true, true, true),
         {"parport3 不存在", "设备名", "parport0 (0x378)"}, {"ppdev 未加载"}},
        {"port listed, no node", PpdevReason("", DriverLoad::NotTried, true, true, false),
         {"ppdev 未加载"}, {"本机没有并口"}},
        {"ioperm ENOSYS as root", DirectReason(ENOSYS, true), {"不支持直接端口指令", "(ENOSYS)"},
         {"root", "CAP_SYS_RAWIO"}},
        {"ioperm EPERM unprivileged", DirectReason(EPERM, false), {"CAP_SYS_RAWIO", "0x378"}, {"锁定"}},
        {"ioperm EPERM with CAP_SYS_RAWIO", DirectReason(EPERM, true), {"锁定"}, {"需要 root"}},
    };
    for (const Row& row : rows) {
        for (const std::string& part : row.says)
            EXPECT_TRUE(Contains(row.text, part)) << row.cause << ": " << row.text << " lacks " << part;
        for (const std::string& part : row.never)
            EXPECT_FALSE(Contains(row.text, part)) << row.cause << ": " << row.text << " has " << part;
    }
}

TEST(PortReasons, NoEnglishSystemTextOnlyTheErrnoName)
{
    for (int err : {EIO, ENXIO, EPERM, ENOSYS, EBUSY, EINVAL, 4095}) {
        for (PortProblem problem : {PortProblem::AccessFailed, PortProblem::Other, PortProblem::DirectRefused,
                                    PortProblem::DirectUnsupported}) {
            PortDiagnosis d;
            d.problem = problem;
            d.device = "/dev/parport0";
            d.err = err;
            const std::string text = DescribePortProblem(d);
            EXPECT_FALSE(Contains(text, std::strerror(err))) << text;
            EXPECT_FALSE(Contains(text, "rror")) << text;
        }
    }
    EXPECT_EQ(ErrnoText(EIO), "输入/输出错误(EIO)");
    EXPECT_EQ(ErrnoText(4095), "错误号 4095");
}

TEST(PortReasons, BusySaysWhoHoldsThePortAndNoPermissionNamesTheUser)
{
    FakeRoot root;
    root.AddKernelPort(0, "888\t0\n");
    root.AddKernelPort(1, "632\t0\n");
    root.AddKernelPort(2, "956\t0\n");
    root.Write("proc/sys/dev/parport/parport0/devices/lp/timeslice", "200\n");
    root.Write("proc/sys/dev/parport/parport0/devices/active", "none\n");
    root.Write("proc/sys/dev/parport/parport1/devices/active", "ppdev1\n");
    root.Write("proc/sys/dev/parport/parport2/devices/active", "none\n");
    struct Row {
        int port;
        const char* holder;
        const char* says;    // part of the text
        const char* notSays; // advice that would be wrong here
    };
    const Row rows[] = {
        {0, "lp", "打印机驱动 lp 占用", "关闭"},
        {1, "ppdev1", "另一个程序或驱动(ppdev1)", "modprobe -r lp"},
        {2, "", "modprobe -r lp", "另一个程序"},
        {3, "", "modprobe -r lp", "另一个程序"}, // the kernel lists nothing
    };
    for (const Row& row : rows) {
        PortDiagnosis d;
        d.problem = PortProblem::Busy;
        d.device = "/dev/parport" + std::to_string(row.port);
        d.holder = PortHolder(root.Proc(), row.port);
        EXPECT_EQ(d.holder, row.holder) << row.port;
        EXPECT_TRUE(Contains(DescribePortProblem(d), row.says)) << DescribePortProblem(d);
        EXPECT_FALSE(Contains(DescribePortProblem(d), row.notSays)) << DescribePortProblem(d);
    }
    PortDiagnosis d;
    d.problem = PortProblem::NoPermission;
    d.user = "techniker";
    EXPECT_TRUE(Contains(DescribePortProblem(d), "sudo usermod -aG lp techniker)"));
    EXPECT_FALSE(CurrentUserName().empty());
}

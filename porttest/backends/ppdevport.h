#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "absentport.h"
#include "portchoice.h"
#include "portdiag.h"
#include "portio.h"
#include "portplatform.h"

// The registers of one port through the kernel's ppdev driver (/dev/parportN).
//
// Opening is exclusive and never blocks: PPEXCL before the first PPCLAIM makes a claim fail at
// once (ENXIO) when another driver such as lp, or another program, has the port. A non-exclusive
// claim would sleep inside ppdev's global lock, which is not something a window may wait on.
//
// Bytes are raw register values; the pin layer above does the hardware inversions.
//
// Control bit 5 (data direction) never goes to PPWCONTROL: the kernel would switch the data
// lines to input and never switch them back from a later write. It goes through PPDATADIR
// instead, and only when the port reports tristate capability; otherwise the bit is dropped,
// as the port cannot turn its data lines around anyway. ppdev's PPRCONTROL answers from a soft
// copy masked to 0x0F, so ReadControl adds bit 5 back from the direction last set, which keeps
// the control register read-back consistent with what was written.
//
// A failed register ioctl after opening marks the port failed: from then on reads return 0xFF
// (an undriven bus) and writes are dropped without touching the device, and Failed()/Problem()
// tell the window. A half-working port must not look like a working one.
// The system calls a PpdevPort makes on its device, injected like the rest of the Linux
// platform: the defaults are the real open, ioctl and close; tests record what ppdev receives.
struct PpdevCalls {
    std::function<int(const char* path, int flags)> open;
    std::function<int(int fd, unsigned long request, void* arg)> ioctl;
    std::function<int(int fd)> close;
};
PpdevCalls RealPpdevCalls();

class PpdevPort : public IPortIo {
public:
    explicit PpdevPort(PpdevCalls calls = RealPpdevCalls()) : m_sys(std::move(calls)) {}
    ~PpdevPort() override;
    PpdevPort(const PpdevPort&) = delete;
    PpdevPort& operator=(const PpdevPort&) = delete;

    // Opens `device` read-write, asks for exclusive use and claims it. On failure nothing stays
    // open and Stage()/Error() say where and why.
    bool Open(const std::string& device);
    // Releases the claim and closes; harmless when not open.
    void Close();

    bool IsOpen() const { return m_fd >= 0; }
    bool Failed() const { return m_failed; }
    bool CanReverse() const { return m_canReverse; }
    const std::string& Device() const { return m_device; }
    OpenStage Stage() const { return m_stage; }
    int Error() const { return m_err; }
    // What went wrong, for DescribePortProblem; PortProblem::None while all is well.
    PortDiagnosis Problem() const;

    std::uint8_t ReadData() override;
    void WriteData(std::uint8_t value) override;
    std::uint8_t ReadStatus() override;
    std::uint8_t ReadControl() override;
    void WriteControl(std::uint8_t value) override;

private:
    bool Ioctl(unsigned long request, void* arg);
    std::uint8_t Read(unsigned long request);
    void Write(unsigned long request, std::uint8_t value);
    void Fail(OpenStage stage, int err);
    // Closes the half-opened device after a refused ioctl (errno) at `stage`; false.
    bool AbandonOpen(OpenStage stage);

    PpdevCalls m_sys;
    int m_fd = -1;
    std::string m_device;
    bool m_failed = false;
    bool m_canReverse = false;
    bool m_reverse = false;
    OpenStage m_stage = OpenStage::Open;
    int m_err = 0;
};

// Where the Linux platforms look, and how they may load kernel modules. The defaults are the real
// system; tests point the roots at a temporary tree and replace the module loader, so nothing
// in a test can touch a real port or the running kernel.
struct LinuxPortEnv {
    std::string procRoot = "/proc";
    std::string devRoot = "/dev";
    // Whether this process may load modules: NotTried when it may, else NeedsRoot or NoModprobe.
    // Default: ModuleLoadBarrier().
    std::function<DriverLoad()> moduleLoadBarrier;
    // Loads one module, true on success. Default: modprobe -q MODULE.
    std::function<bool(const std::string&)> loadModule;
    // The device's system calls. Default: RealPpdevCalls().
    PpdevCalls ppdev;
};

// The driver path on Linux: ppdev. "Initialise" opens and exclusively claims the port,
// "install" loads parport_pc and ppdev where permitted, "shutdown" releases and closes.
//
// The port is the device the user named, else the /dev/parportN whose base address the kernel
// lists as 0x378. While no port is open (before the first start, or when it failed) the
// registers go to an AbsentPort, InUse() says so and FailureReason() says why in plain words.
class LinuxPpdevPlatform : public IPortPlatform {
public:
    explicit LinuxPpdevPlatform(std::string device = {}, LinuxPortEnv env = {},
                                unsigned base = kLptBase);

    int MajorVersion() override { return kMajorVersionDriver; }
    bool InitializeDriver() override;
    bool InstallDriver(const std::string& driverPath) override;
    void ShutdownDriver() override;
    IPortIo& DirectIo() override { return m_absent; }
    IPortIo& DriverIo() override;
    PortInUse InUse() const override;
    std::string FailureReason() const override;

    // The diagnosis behind FailureReason(); PortProblem::None while the port works.
    PortDiagnosis Diagnosis() const;

private:
    // NoParport turns into UsbPrinterOnly where a USB printer adapter is all there is.
    void ExplainMissingPort();

    std::string m_named;
    LinuxPortEnv m_env;
    unsigned m_base;
    PpdevPort m_port;
    AbsentPort m_absent;
    PortDiagnosis m_diag;          // why the last start failed
    ParportInfo m_opened;          // what the kernel lists for the port opened
    DriverLoad m_driverLoad = DriverLoad::NotTried;
};

// The ppdev backend of the port choice: the named device, or the port found at 0x378.
std::unique_ptr<IPortPlatform> MakePpdevPlatform(const PortChoice& choice);

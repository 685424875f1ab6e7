#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "directport.h"
#include "portdiag.h"
#include "portplatform.h"
#include "absentport.h"
#include "ppdevport.h"

// The conventional base address of the first parallel port.
inline constexpr std::uint16_t kLptBase = 0x378;

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

    int MajorVersion() override { return 5; }
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
    DriverLoad m_driverLoad = DriverLoad::NotTried;
};

// The direct path on Linux: ioperm and the processor's port instructions. When the grant is
// refused the instructions would kill the program, so the registers go to an AbsentPort
// instead and InUse()/FailureReason() say so.
class LinuxDirectPlatform : public IPortPlatform {
public:
    // `hasRawIo` tells a refusal to an unprivileged process from a locked-down kernel; default:
    // HasRawIoCapability().
    explicit LinuxDirectPlatform(std::uint16_t base = kLptBase, DirectPort::IopermFn ioperm = {},
                                 std::function<bool()> hasRawIo = {});

    int MajorVersion() override { return 4; }
    bool InitializeDriver() override { return false; }
    bool InstallDriver(const std::string&) override { return false; }
    void ShutdownDriver() override {}
    IPortIo& DirectIo() override;
    IPortIo& DriverIo() override { return m_absent; }
    PortInUse InUse() const override;
    std::string FailureReason() const override;

private:
    DirectPort m_direct;
    AbsentPort m_absent;
    bool m_rawIo;
};

// modprobe -q MODULE, without a shell; true when it exits 0.
bool RunModprobe(const std::string& module);
// NotTried when this process may load modules (root, modprobe present), else why not.
DriverLoad ModuleLoadBarrier();
// Whether the process holds CAP_SYS_RAWIO in its effective set.
bool HasRawIoCapability();

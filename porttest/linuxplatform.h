#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "directport.h"
#include "portdiag.h"
#include "portplatform.h"
#include "ppdevport.h"
#include "virtualport.h"

// The conventional base address of the first parallel port.
inline constexpr std::uint16_t kLptBase = 0x378;

// Where the Linux platforms look, and how they may load kernel modules. The defaults are the real
// system; tests point the roots at a temporary tree and replace the module loader, so nothing
// in a test can touch a real port or the running kernel.
struct LinuxPortEnv {
    std::string procRoot = "/proc";
    std::string devRoot = "/dev";
    // Whether this process may load modules. Default: running as root with modprobe present.
    std::function<bool()> mayLoadModules;
    // Loads one module, true on success. Default: modprobe -q MODULE.
    std::function<bool(const std::string&)> loadModule;
};

// The driver path on Linux: ppdev. "Initialise" opens and exclusively claims the port,
// "install" loads parport_pc and ppdev where permitted, "shutdown" releases and closes.
//
// The port is the device the user named, else the /dev/parportN whose base address the kernel
// lists as 0x378. While no port is open (before the first start, or when it failed) the
// registers go to a virtual loopback port so that nothing above has to care, and InUse() says
// "virtual"; FailureReason() then says why in plain words.
class LinuxPpdevPlatform : public IPortPlatform {
public:
    explicit LinuxPpdevPlatform(std::string device = {}, LinuxPortEnv env = {},
                                unsigned base = kLptBase);

    int MajorVersion() override { return 5; }
    bool InitializeDriver() override;
    bool InstallDriver(const std::string& driverPath) override;
    void ShutdownDriver() override;
    IPortIo& DirectIo() override { return m_virtual; }
    IPortIo& DriverIo() override;
    PortInUse InUse() const override;
    std::string FailureReason() const override;

    // The diagnosis behind FailureReason(); PortProblem::None while the port works.
    PortDiagnosis Diagnosis() const;

private:
    std::string m_named;
    LinuxPortEnv m_env;
    unsigned m_base;
    PpdevPort m_port;
    VirtualPort m_virtual;
    PortDiagnosis m_diag;          // why the last start failed
    bool m_driversNeedRoot = false;
};

// The direct path on Linux: ioperm and the processor's port instructions. When the grant is
// refused the instructions would kill the program, so the registers go to the virtual port
// instead and InUse()/FailureReason() say so.
class LinuxDirectPlatform : public IPortPlatform {
public:
    explicit LinuxDirectPlatform(std::uint16_t base = kLptBase, DirectPort::IopermFn ioperm = {});

    int MajorVersion() override { return 4; }
    bool InitializeDriver() override { return false; }
    bool InstallDriver(const std::string&) override { return false; }
    void ShutdownDriver() override {}
    IPortIo& DirectIo() override;
    IPortIo& DriverIo() override { return m_virtual; }
    PortInUse InUse() const override;
    std::string FailureReason() const override;

private:
    DirectPort m_direct;
    VirtualPort m_virtual;
};

// modprobe -q MODULE, without a shell; true when it exits 0.
bool RunModprobe(const std::string& module);
// True when running as root and a modprobe program is found.
bool CanLoadModules();

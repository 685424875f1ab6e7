#include "linuxplatform.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

extern char** environ;

namespace {

constexpr const char* kVirtualDescription = "virtual (loopback plug)";

const char* FindModprobe()
{
    static constexpr std::array<const char*, 4> candidates = {
        "/usr/sbin/modprobe", "/sbin/modprobe", "/usr/bin/modprobe", "/bin/modprobe"};
    for (const char* path : candidates)
        if (::access(path, X_OK) == 0)
            return path;
    return nullptr;
}

} // namespace

bool CanLoadModules()
{
    return ::geteuid() == 0 && FindModprobe() != nullptr;
}

bool RunModprobe(const std::string& module)
{
    const char* modprobe = FindModprobe();
    if (!modprobe)
        return false;
    std::string arg0 = "modprobe", quiet = "-q", name = module;
    char* argv[] = {arg0.data(), quiet.data(), name.data(), nullptr};
    pid_t pid = 0;
    if (::posix_spawn(&pid, modprobe, nullptr, nullptr, argv, environ) != 0)
        return false;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR)
            return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

LinuxPpdevPlatform::LinuxPpdevPlatform(std::string device, LinuxPortEnv env, unsigned base)
    : m_named(std::move(device)), m_env(std::move(env)), m_base(base)
{
    if (!m_env.mayLoadModules)
        m_env.mayLoadModules = CanLoadModules;
    if (!m_env.loadModule)
        m_env.loadModule = RunModprobe;
}

bool LinuxPpdevPlatform::InitializeDriver()
{
    m_port.Close();
    m_diag = PortDiagnosis{};
    m_diag.base = m_base;

    const std::vector<ParportInfo> ports = ListParports(m_env.procRoot, m_env.devRoot);
    std::string device = m_named;
    if (device.empty()) {
        if (auto found = FindPortDevice(ports, m_base)) {
            device = *found;
        } else {
            m_diag.ports = ports;
            m_diag.usbPrinters = ListUsbPrinters(m_env.devRoot);
            if (!ports.empty())
                m_diag.problem = PortProblem::NoPortAtBase;
            else if (!m_diag.usbPrinters.empty())
                m_diag.problem = PortProblem::UsbPrinterOnly;
            else
                m_diag.problem = PortProblem::NoParport;
            m_diag.driversNeedRoot = m_driversNeedRoot;
            return false;
        }
    }

    if (m_port.Open(device))
        return true;
    m_diag = m_port.Problem();
    m_diag.base = m_base;
    m_diag.ports = ports;
    m_diag.driversNeedRoot = m_driversNeedRoot;
    // A named device that is missing on a machine with no port at all is best explained by
    // the latter.
    if (m_diag.problem == PortProblem::DeviceMissing && ports.empty()) {
        m_diag.usbPrinters = ListUsbPrinters(m_env.devRoot);
        if (!m_diag.usbPrinters.empty())
            m_diag.problem = PortProblem::UsbPrinterOnly;
    }
    return false;
}

bool LinuxPpdevPlatform::InstallDriver(const std::string&)
{
    // The Windows driver file has no meaning here: the kernel brings its own modules.
    if (!m_env.mayLoadModules()) {
        m_driversNeedRoot = true;
        m_diag.driversNeedRoot = true;
        return false;
    }
    const bool pc = m_env.loadModule("parport_pc");
    const bool pp = m_env.loadModule("ppdev");
    return pc && pp;
}

void LinuxPpdevPlatform::ShutdownDriver()
{
    m_port.Close();
}

IPortIo& LinuxPpdevPlatform::DriverIo()
{
    if (m_port.IsOpen())
        return m_port;
    return m_virtual;
}

PortInUse LinuxPpdevPlatform::InUse() const
{
    if (m_port.IsOpen()) {
        std::string text = m_port.Device();
        if (m_port.Failed())
            text += " (failed)";
        return {false, text};
    }
    return {true, kVirtualDescription};
}

PortDiagnosis LinuxPpdevPlatform::Diagnosis() const
{
    if (m_port.IsOpen())
        return m_port.Problem();
    return m_diag;
}

std::string LinuxPpdevPlatform::FailureReason() const
{
    return DescribePortProblem(Diagnosis());
}

LinuxDirectPlatform::LinuxDirectPlatform(std::uint16_t base, DirectPort::IopermFn ioperm)
    : m_direct(base, std::move(ioperm))
{
    m_direct.Grant();
}

IPortIo& LinuxDirectPlatform::DirectIo()
{
    if (m_direct.Granted())
        return m_direct;
    return m_virtual;
}

PortInUse LinuxDirectPlatform::InUse() const
{
    if (m_direct.Granted()) {
        char text[32];
        std::snprintf(text, sizeof text, "direct 0x%x", unsigned(m_direct.Base()));
        return {false, text};
    }
    return {true, kVirtualDescription};
}

std::string LinuxDirectPlatform::FailureReason() const
{
    if (m_direct.Granted())
        return {};
    PortDiagnosis d;
    d.problem = PortProblem::DirectRefused;
    d.err = m_direct.Error();
    d.base = m_direct.Base();
    return DescribePortProblem(d);
}

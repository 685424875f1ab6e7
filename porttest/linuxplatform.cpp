#include "linuxplatform.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <linux/capability.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

extern char** environ;

namespace {

constexpr const char* kAbsentDescription = "no port";

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

DriverLoad ModuleLoadBarrier()
{
    if (::geteuid() != 0)
        return DriverLoad::NeedsRoot;
    return FindModprobe() ? DriverLoad::NotTried : DriverLoad::NoModprobe;
}

bool HasRawIoCapability()
{
    // The raw system call: libcap is not worth a dependency for one bit.
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    if (::syscall(SYS_capget, &header, data) != 0)
        return ::geteuid() == 0;
    return (data[CAP_TO_INDEX(CAP_SYS_RAWIO)].effective & CAP_TO_MASK(CAP_SYS_RAWIO)) != 0;
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
    if (!m_env.moduleLoadBarrier)
        m_env.moduleLoadBarrier = ModuleLoadBarrier;
    if (!m_env.loadModule)
        m_env.loadModule = RunModprobe;
}

bool LinuxPpdevPlatform::InitializeDriver()
{
    m_port.Close();
    m_diag = PortDiagnosis{};
    m_diag.base = m_base;
    m_diag.driverLoad = m_driverLoad;

    const std::vector<ParportInfo> ports = ListParports(m_env.procRoot, m_env.devRoot);
    m_diag.ports = ports;
    std::string device = m_named;
    if (device.empty()) {
        if (auto found = FindPortDevice(ports, m_base)) {
            device = *found;
        } else {
            m_diag.problem = ports.empty() ? PortProblem::NoParport : PortProblem::NoPortAtBase;
            ExplainMissingPort();
            return false;
        }
    }

    if (m_port.Open(device))
        return true;
    const PortDiagnosis opened = m_port.Problem();
    m_diag.problem = opened.problem;
    m_diag.device = opened.device;
    m_diag.err = opened.err;
    if (m_diag.problem == PortProblem::DeviceMissing) {
        // A missing node is explained by what the kernel knows: no port at all, a port whose
        // node ppdev has not made, or a name that matches none of the ports.
        const bool listed = std::any_of(ports.begin(), ports.end(),
                                        [&](const ParportInfo& p) { return p.device == device; });
        if (ports.empty())
            m_diag.problem = PortProblem::NoParport;
        else if (listed)
            m_diag.problem = PortProblem::PpdevNotLoaded;
        ExplainMissingPort();
    }
    return false;
}

void LinuxPpdevPlatform::ExplainMissingPort()
{
    if (m_diag.problem != PortProblem::NoParport)
        return;
    m_diag.usbPrinters = ListUsbPrinters(m_env.devRoot);
    if (!m_diag.usbPrinters.empty())
        m_diag.problem = PortProblem::UsbPrinterOnly;
}

bool LinuxPpdevPlatform::InstallDriver(const std::string&)
{
    // The Windows driver file has no meaning here: the kernel brings its own modules.
    m_driverLoad = m_env.moduleLoadBarrier();
    if (m_driverLoad == DriverLoad::NotTried) {
        const bool pc = m_env.loadModule("parport_pc");
        const bool pp = m_env.loadModule("ppdev");
        m_driverLoad = pc && pp ? DriverLoad::Loaded : DriverLoad::Failed;
    }
    m_diag.driverLoad = m_driverLoad;
    return m_driverLoad == DriverLoad::Loaded;
}

void LinuxPpdevPlatform::ShutdownDriver()
{
    m_port.Close();
}

IPortIo& LinuxPpdevPlatform::DriverIo()
{
    if (m_port.IsOpen())
        return m_port;
    return m_absent;
}

PortInUse LinuxPpdevPlatform::InUse() const
{
    if (m_port.IsOpen()) {
        std::string text = m_port.Device();
        if (m_port.Failed())
            text += " (failed)";
        return {false, text};
    }
    return {false, kAbsentDescription, true};
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

LinuxDirectPlatform::LinuxDirectPlatform(std::uint16_t base, DirectPort::IopermFn ioperm,
                                         std::function<bool()> hasRawIo)
    : m_direct(base, std::move(ioperm)), m_rawIo(hasRawIo ? hasRawIo() : HasRawIoCapability())
{
    m_direct.Grant();
}

IPortIo& LinuxDirectPlatform::DirectIo()
{
    if (m_direct.Granted())
        return m_direct;
    return m_absent;
}

PortInUse LinuxDirectPlatform::InUse() const
{
    if (m_direct.Granted()) {
        char text[32];
        std::snprintf(text, sizeof text, "direct 0x%x", unsigned(m_direct.Base()));
        return {false, text};
    }
    return {false, kAbsentDescription, true};
}

std::string LinuxDirectPlatform::FailureReason() const
{
    if (m_direct.Granted())
        return {};
    PortDiagnosis d;
    d.err = m_direct.Error();
    d.problem = ClassifyIopermError(d.err, m_rawIo);
    d.base = m_direct.Base();
    return DescribePortProblem(d);
}

#include "directport.h"

#include <cerrno>
#include <cstdio>
#include <utility>

#include "linuxsystem.h"
#include "portdiag.h"

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#define TP_HAVE_PORT_INSTRUCTIONS 1
#else
#define TP_HAVE_PORT_INSTRUCTIONS 0
#endif

namespace {

int SystemIoperm([[maybe_unused]] unsigned long from, [[maybe_unused]] unsigned long num,
                 [[maybe_unused]] int on)
{
#if TP_HAVE_PORT_INSTRUCTIONS
    return ::ioperm(from, num, on);
#else
    errno = ENOSYS;
    return -1;
#endif
}

} // namespace

DirectPort::DirectPort(std::uint16_t base, IopermFn ioperm)
    : m_base(base), m_ioperm(ioperm ? std::move(ioperm) : IopermFn(SystemIoperm))
{
}

DirectPort::~DirectPort()
{
    if (m_granted)
        m_ioperm(m_base, 3, 0);
}

bool DirectPort::Grant()
{
    if (m_granted)
        return true;
#if !TP_HAVE_PORT_INSTRUCTIONS
    m_err = ENOSYS;
    return false;
#else
    errno = 0;
    if (m_ioperm(m_base, 3, 1) != 0) {
        m_err = errno != 0 ? errno : EPERM;
        return false;
    }
    m_granted = true;
    m_err = 0;
    return true;
#endif
}

std::uint8_t DirectPort::In([[maybe_unused]] std::uint16_t port) const
{
#if TP_HAVE_PORT_INSTRUCTIONS
    if (m_granted)
        return ::inb(port);
#endif
    return 0xFF;
}

void DirectPort::Out([[maybe_unused]] std::uint16_t port, [[maybe_unused]] std::uint8_t value) const
{
#if TP_HAVE_PORT_INSTRUCTIONS
    if (m_granted)
        ::outb(value, port);
#endif
}

std::uint8_t DirectPort::ReadData() { return In(m_base); }
void DirectPort::WriteData(std::uint8_t value) { Out(m_base, value); }
std::uint8_t DirectPort::ReadStatus() { return In(static_cast<std::uint16_t>(m_base + 1)); }
std::uint8_t DirectPort::ReadControl() { return In(static_cast<std::uint16_t>(m_base + 2)); }
void DirectPort::WriteControl(std::uint8_t value)
{
    Out(static_cast<std::uint16_t>(m_base + 2), value);
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
        return {false, text, false, kPortKindDirect};
    }
    return {false, kNoPortDescription, true};
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

std::unique_ptr<IPortPlatform> MakeDirectPlatform(const PortChoice&)
{
    return std::make_unique<LinuxDirectPlatform>();
}

#include "directport.h"

#include <cerrno>
#include <cstdio>
#include <utility>

#include "ecpmode.h"
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

std::uint8_t SystemIn([[maybe_unused]] std::uint16_t port)
{
#if TP_HAVE_PORT_INSTRUCTIONS
    return ::inb(port);
#else
    return 0xFF;
#endif
}

void SystemOut([[maybe_unused]] std::uint16_t port, [[maybe_unused]] std::uint8_t value)
{
#if TP_HAVE_PORT_INSTRUCTIONS
    ::outb(value, port);
#endif
}

// The three registers; the ECP registers lie 0x400 above them.
constexpr unsigned long kRegisters = 3;
constexpr unsigned long kEcpOffset = 0x400;

} // namespace

DirectPort::DirectPort(std::uint16_t base, DirectPortCalls calls) : m_base(base), m_sys(std::move(calls))
{
    if (!m_sys.ioperm)
        m_sys.ioperm = SystemIoperm;
    if (!m_sys.in)
        m_sys.in = SystemIn;
    if (!m_sys.out)
        m_sys.out = SystemOut;
}

DirectPort::~DirectPort()
{
    if (m_foundEcr)
        LeaveEcpByteMode(m_base, *m_foundEcr, m_sys.out);
    if (m_ecpGranted)
        m_sys.ioperm(m_base + kEcpOffset, kRegisters, 0);
    if (m_granted)
        m_sys.ioperm(m_base, kRegisters, 0);
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
    if (m_sys.ioperm(m_base, kRegisters, 1) != 0) {
        m_err = errno != 0 ? errno : EPERM;
        return false;
    }
    m_granted = true;
    m_err = 0;
    EnterByteMode();
    return true;
#endif
}

void DirectPort::EnterByteMode()
{
    // Without the ECR's address the port is driven as it stands: an SPP port has no ECR anyway.
    if (!EcrInReach(m_base) || m_sys.ioperm(m_base + kEcpOffset, kRegisters, 1) != 0)
        return;
    m_ecpGranted = true;
    m_foundEcr = EnterEcpByteMode(m_base, m_sys.in, m_sys.out);
}

std::uint8_t DirectPort::In(std::uint16_t port) const
{
    if (m_granted)
        return m_sys.in(port);
    return 0xFF;
}

void DirectPort::Out(std::uint16_t port, std::uint8_t value) const
{
    if (m_granted)
        m_sys.out(port, value);
}

std::uint8_t DirectPort::ReadData() { return In(m_base); }
void DirectPort::WriteData(std::uint8_t value) { Out(m_base, value); }
std::uint8_t DirectPort::ReadStatus() { return In(static_cast<std::uint16_t>(m_base + 1)); }
std::uint8_t DirectPort::ReadControl() { return In(static_cast<std::uint16_t>(m_base + 2)); }
void DirectPort::WriteControl(std::uint8_t value)
{
    Out(static_cast<std::uint16_t>(m_base + 2), value);
}

LinuxDirectPlatform::LinuxDirectPlatform(std::uint16_t base, DirectPortCalls calls,
                                         std::function<bool()> hasRawIo)
    : m_direct(base, std::move(calls)), m_rawIo(hasRawIo ? hasRawIo() : HasRawIoCapability())
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
        char text[64];
        std::snprintf(text, sizeof text, "direct 0x%x%s", unsigned(m_direct.Base()),
                      m_direct.FoundEcr() ? ", ECP 端口设为字节模式" : "");
        return {false, text, false, kPortKindDirect, false, m_direct.Base()};
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

std::unique_ptr<IPortPlatform> MakeDirectPlatform(const PortChoice& choice)
{
    return std::make_unique<LinuxDirectPlatform>(choice.base);
}

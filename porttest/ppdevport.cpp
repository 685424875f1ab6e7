#include "ppdevport.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

constexpr std::uint8_t kDirectionBit = 0x20;
// The only control bits ppdev applies; bit 4 (interrupt enable) belongs to the kernel.
constexpr std::uint8_t kControlLines = 0x0F;

} // namespace

PpdevPort::~PpdevPort()
{
    Close();
}

bool PpdevPort::Open(const std::string& device)
{
    Close();
    m_device = device;
    m_failed = false;
    m_err = 0;
    m_stage = OpenStage::Open;
    m_canReverse = false;
    m_reverse = false;

    m_fd = ::open(device.c_str(), O_RDWR | O_CLOEXEC);
    if (m_fd < 0) {
        m_err = errno;
        return false;
    }
    if (!Ioctl(PPEXCL, nullptr)) {
        const int err = errno;
        ::close(m_fd);
        m_fd = -1;
        m_stage = OpenStage::Exclusive;
        m_err = err;
        return false;
    }
    if (!Ioctl(PPCLAIM, nullptr)) {
        const int err = errno;
        ::close(m_fd);
        m_fd = -1;
        m_stage = OpenStage::Claim;
        m_err = err;
        return false;
    }
    int modes = 0;
    if (Ioctl(PPGETMODES, &modes))
        m_canReverse = (modes & PARPORT_MODE_TRISTATE) != 0;
    // The first claim restores the kernel's default control byte, which has the data lines
    // driving; make sure of it where the port can turn them around at all.
    if (m_canReverse) {
        int forward = 0;
        if (!Ioctl(PPDATADIR, &forward))
            Fail(OpenStage::Register, errno);
    }
    return true;
}

void PpdevPort::Close()
{
    if (m_fd < 0)
        return;
    // Releasing saves the control byte in the kernel for the next claimer. A failure needs no
    // answer: closing the descriptor releases the port in any case.
    [[maybe_unused]] const int released = ::ioctl(m_fd, PPRELEASE);
    ::close(m_fd);
    m_fd = -1;
}

PortDiagnosis PpdevPort::Problem() const
{
    PortDiagnosis d;
    d.device = m_device;
    d.err = m_err;
    if (m_failed)
        d.problem = ClassifyOpenError(OpenStage::Register, m_err);
    else if (m_fd < 0 && m_err != 0)
        d.problem = ClassifyOpenError(m_stage, m_err);
    return d;
}

bool PpdevPort::Ioctl(unsigned long request, void* arg)
{
    int rc;
    do {
        rc = ::ioctl(m_fd, request, arg);
    } while (rc < 0 && errno == EINTR);
    return rc == 0;
}

void PpdevPort::Fail(OpenStage stage, int err)
{
    m_failed = true;
    m_stage = stage;
    m_err = err;
}

std::uint8_t PpdevPort::Read(unsigned long request)
{
    if (m_fd < 0 || m_failed)
        return 0xFF;
    unsigned char value = 0;
    if (!Ioctl(request, &value)) {
        Fail(OpenStage::Register, errno);
        return 0xFF;
    }
    return value;
}

void PpdevPort::Write(unsigned long request, std::uint8_t value)
{
    if (m_fd < 0 || m_failed)
        return;
    unsigned char byte = value;
    if (!Ioctl(request, &byte))
        Fail(OpenStage::Register, errno);
}

std::uint8_t PpdevPort::ReadData()
{
    return Read(PPRDATA);
}

void PpdevPort::WriteData(std::uint8_t value)
{
    Write(PPWDATA, value);
}

std::uint8_t PpdevPort::ReadStatus()
{
    return Read(PPRSTATUS);
}

std::uint8_t PpdevPort::ReadControl()
{
    const std::uint8_t soft = Read(PPRCONTROL);
    if (m_fd < 0 || m_failed)
        return soft;
    return static_cast<std::uint8_t>((soft & kControlLines) | (m_reverse ? kDirectionBit : 0));
}

void PpdevPort::WriteControl(std::uint8_t value)
{
    if (m_fd < 0 || m_failed)
        return;
    const bool reverse = (value & kDirectionBit) != 0;
    if (m_canReverse && reverse != m_reverse) {
        int dir = reverse ? 1 : 0;
        if (!Ioctl(PPDATADIR, &dir)) {
            Fail(OpenStage::Register, errno);
            return;
        }
        m_reverse = reverse;
    }
    Write(PPWCONTROL, static_cast<std::uint8_t>(value & kControlLines));
}

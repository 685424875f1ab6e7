#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "absentport.h"
#include "portchoice.h"
#include "portio.h"
#include "portplatform.h"

// The registers through the processor's own port instructions (inb/outb), after ioperm has
// granted the three addresses. This bypasses the kernel's arbitration of the port, so it must
// never be used on a port that ppdev or lp is using at the same time.
//
// Executing a port instruction without the grant kills the program, so nothing here touches the
// port unless Grant() succeeded; the platform decides what to use instead.
class DirectPort : public IPortIo {
public:
    // ioperm(from, num, turn_on): injectable so tests never need (or use) real port rights.
    using IopermFn = std::function<int(unsigned long, unsigned long, int)>;

    explicit DirectPort(std::uint16_t base, IopermFn ioperm = {});
    ~DirectPort() override;
    DirectPort(const DirectPort&) = delete;
    DirectPort& operator=(const DirectPort&) = delete;

    // Asks for the three register addresses. False (with errno in Error()) when refused: no
    // CAP_SYS_RAWIO, kernel lockdown, or a processor without port instructions.
    bool Grant();
    bool Granted() const { return m_granted; }
    int Error() const { return m_err; }
    std::uint16_t Base() const { return m_base; }

    // Without the grant reads give 0xFF and writes do nothing.
    std::uint8_t ReadData() override;
    void WriteData(std::uint8_t value) override;
    std::uint8_t ReadStatus() override;
    std::uint8_t ReadControl() override;
    void WriteControl(std::uint8_t value) override;

private:
    std::uint8_t In(std::uint16_t port) const;
    void Out(std::uint16_t port, std::uint8_t value) const;

    std::uint16_t m_base;
    IopermFn m_ioperm;
    bool m_granted = false;
    int m_err = 0;
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

    int MajorVersion() override { return kMajorVersionDirectIo; }
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

// The direct backend of the port choice: port instructions at 0x378.
std::unique_ptr<IPortPlatform> MakeDirectPlatform(const PortChoice& choice);

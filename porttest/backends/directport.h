#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
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
// The system calls of the direct path, injectable so tests never need (or use) real port rights
// and can log every register access: ioperm(from, num, turn_on), inb(port), outb(value, port).
// An empty member means the real call.
struct DirectPortCalls {
    std::function<int(unsigned long, unsigned long, int)> ioperm;
    std::function<std::uint8_t(std::uint16_t)> in;
    std::function<void(std::uint16_t, std::uint8_t)> out;
};

class DirectPort : public IPortIo {
public:
    explicit DirectPort(std::uint16_t base, DirectPortCalls calls = {});
    ~DirectPort() override;
    DirectPort(const DirectPort&) = delete;
    DirectPort& operator=(const DirectPort&) = delete;

    // Asks for the three register addresses. False (with errno in Error()) when refused: no
    // CAP_SYS_RAWIO, kernel lockdown, or a processor without port instructions. An ECP port's
    // extended control register, where one answers (EcrProbe), is then set to the byte mode
    // for as long as the port is held, and put back as it was found when it is released.
    bool Grant();
    bool Granted() const { return m_granted; }
    int Error() const { return m_err; }
    std::uint16_t Base() const { return m_base; }
    // The extended control register as found, where the port has one.
    std::optional<std::uint8_t> FoundEcr() const { return m_foundEcr; }

    // Without the grant reads give 0xFF and writes do nothing.
    std::uint8_t ReadData() override;
    void WriteData(std::uint8_t value) override;
    std::uint8_t ReadStatus() override;
    std::uint8_t ReadControl() override;
    void WriteControl(std::uint8_t value) override;

private:
    std::uint8_t In(std::uint16_t port) const;
    void Out(std::uint16_t port, std::uint8_t value) const;
    // Takes the ECP registers' addresses and sets the byte mode where an ECR answers.
    void EnterByteMode();

    std::uint16_t m_base;
    DirectPortCalls m_sys;
    bool m_granted = false;
    bool m_ecpGranted = false;
    std::optional<std::uint8_t> m_foundEcr;
    int m_err = 0;
};

// The direct path on Linux: ioperm and the processor's port instructions. When the grant is
// refused the instructions would kill the program, so the registers go to an AbsentPort
// instead and InUse()/FailureReason() say so.
class LinuxDirectPlatform : public IPortPlatform {
public:
    // `hasRawIo` tells a refusal to an unprivileged process from a locked-down kernel; default:
    // HasRawIoCapability().
    explicit LinuxDirectPlatform(std::uint16_t base = kLptBase, DirectPortCalls calls = {},
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

// The direct backend of the port choice: port instructions at the choice's base (0x378 unless
// a card's base was named).
std::unique_ptr<IPortPlatform> MakeDirectPlatform(const PortChoice& choice);

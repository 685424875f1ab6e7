// Runs inside a small virtual machine whose kernel has parport_pc and ppdev loaded over two
// emulated ISA parallel ports, at 0x378 and at a card's base (kCardBase). It drives the real ppdev
// backend against the real kernel driver: discovery through /proc, exclusive open and claim,
// every register, the direction bit, the refusal of a second exclusive user, the pin layer on
// top, the wiring test, and the second port found by its base, through ppdev and directly.
//
// The emulated port returns the last data byte written (0xFF while the data lines are turned
// around), and ppdev answers control reads from its soft copy of bits 0-3. Its status register
// is a printer state machine that cannot be looped back: the wiring test must find no plug and
// fail, never pass.
//
// Prints one line per check and exits 0 only when all of them passed.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string>

#include "directport.h"
#include "port.h"
#include "portdiag.h"
#include "ppdevport.h"
#include "prompt.h"
#include "wiringtest.h"

namespace {

int g_failures = 0;

// The second port's base, where the machine puts a card's port.
constexpr unsigned kCardBase = 0xD010;

void Check(bool ok, const std::string& what)
{
    std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
    if (!ok)
        ++g_failures;
}

std::string Hex(unsigned v)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%02x", v);
    return buf;
}

class CountingPrompt : public IPrompt {
public:
    int messages = 0;
    Answer Message(const std::string& text, Buttons) override
    {
        ++messages;
        std::printf("     message: %s\n", text.c_str());
        return Answer::Ok;
    }
};

void DataRoundTrip(IPortIo& io)
{
    int bad = 0;
    for (unsigned v = 0; v < 256; ++v) {
        io.WriteData(static_cast<std::uint8_t>(v));
        const unsigned got = io.ReadData();
        if (got != v && bad++ < 4)
            std::printf("     data wrote %s read %s\n", Hex(v).c_str(), Hex(got).c_str());
    }
    Check(bad == 0, "all 256 data values read back");
}

void ControlBits(PpdevPort& port)
{
    int bad = 0;
    for (unsigned v = 0; v < 16; ++v) {
        port.WriteControl(static_cast<std::uint8_t>(v));
        const unsigned got = port.ReadControl();
        if (got != v && bad++ < 4)
            std::printf("     control wrote %s read %s\n", Hex(v).c_str(), Hex(got).c_str());
    }
    Check(bad == 0, "control bits 0-3 read back");

    // Bits 4, 6 and 7 are not the program's to set; bit 5 is the data direction.
    port.WriteData(0x5A);
    port.WriteControl(0xD4);
    Check(port.ReadControl() == 0x04, "control bits 4, 6, 7 are not applied");
    Check(port.ReadData() == 0x5A, "data lines still driven after bits 4, 6, 7");

    std::printf("     tristate capable: %s\n", port.CanReverse() ? "yes" : "no");
    if (port.CanReverse()) {
        port.WriteControl(0x24);
        Check(port.ReadControl() == 0x24, "direction bit reads back");
        Check(port.ReadData() == 0xFF, "data lines turned to input");
        port.WriteControl(0x04);
        Check(port.ReadControl() == 0x04, "direction bit cleared");
        Check(port.ReadData() == 0x5A, "data lines driven again after clearing bit 5");
    }
    port.ReadStatus();
    Check(!port.Failed(), "no register access failed");
}

} // namespace

int main(int argc, char** argv)
{
    // The kernel numbers the ports in the order the firmware lists them: found by base address.
    const auto ports = ListParports("/proc", "/dev");
    for (const auto& p : ports)
        std::printf("     kernel port %s base %s\n", p.device.c_str(), Hex(p.base).c_str());
    const auto found = FindPortDevice(ports, 0x378);
    const std::string device = argc > 1 ? argv[1] : found.value_or("/dev/parport0");
    Check(found && *found == device, "the port at 0x378 is " + device);

    {
        PpdevPort port;
        const bool opened = port.Open(device);
        Check(opened, "exclusive open and claim of " + device);
        if (!opened) {
            std::printf("     %s\n", DescribePortProblem(port.Problem()).c_str());
            std::printf("%d failed\n", g_failures);
            return 1;
        }
        DataRoundTrip(port);
        ControlBits(port);

        PpdevPort second;
        Check(!second.Open(device), "a second exclusive open is refused");
        Check(second.Stage() == OpenStage::Claim && second.Error() == ENXIO,
              "the refusal comes from the claim with ENXIO");
        Check(second.Problem().problem == PortProblem::Busy, "the refusal is explained as busy");
        std::printf("     %s\n", DescribePortProblem(second.Problem()).c_str());
        Check(!second.IsOpen(), "nothing stays open after the refusal");

        port.WriteControl(0x05);
        port.Close();
        Check(!port.IsOpen(), "closed");
    }

    {
        PpdevPort again;
        Check(again.Open(device), "the port can be opened again after release");
        // A new claimer gets the kernel's default control byte, not what the last one left.
        const unsigned control = again.ReadControl();
        Check(control == 0x0C, "a fresh claim starts from control 0x0c, read " + Hex(control));
    }

    {
        PpdevPort missing;
        Check(!missing.Open("/dev/parport7"), "a port that does not exist is refused");
        Check(missing.Problem().problem == PortProblem::DeviceMissing,
              "and explained as a missing device");
    }

    {
        // The whole stack as the program runs it: automatic choice, OpenPort, pins.
        LinuxPortEnv env;
        env.moduleLoadBarrier = [] { return DriverLoad::NeedsRoot; };
        LinuxPpdevPlatform platform({}, env);
        CountingPrompt prompt;
        {
            CParallelPort port(platform, prompt);
            Check(port.OpenPort(888), "OpenPort(888) over ppdev");
            Check(prompt.messages == 0, "no message when the port opens");
            Check(!port.InUse().isVirtual && !port.InUse().isAbsent && port.InUse().description == device,
                  "in use: " + port.InUse().description);
            bool pinsOk = true;
            for (int pin = 2; pin <= 9; ++pin) {
                pinsOk = pinsOk && port.SetPin(pin) && port.GetPin(pin) != 0;
                pinsOk = pinsOk && port.ClearPin(pin) && port.GetPin(pin) == 0;
            }
            Check(pinsOk, "data pins 2-9 driven and read back");
            for (int pin : {1, 14, 16, 17}) {
                pinsOk = pinsOk && port.SetPin(pin) && port.GetPin(pin) != 0;
                pinsOk = pinsOk && port.ClearPin(pin) && port.GetPin(pin) == 0;
            }
            Check(pinsOk, "control pins 1, 14, 16, 17 driven and read back through the inversions");
            Check(platform.FailureReason().empty(), "no failure reason while the port works");

            PpdevPort rival;
            Check(!rival.Open(device), "the open port is held exclusively");
        }
        PpdevPort after;
        Check(after.Open(device), "the port is released when the port object goes away");
    }

    {
        // The wiring test as `porvik --wiring-test` runs it, through ppdev, with a settling time.
        LinuxPortEnv env;
        env.moduleLoadBarrier = [] { return DriverLoad::NeedsRoot; };
        LinuxPpdevPlatform platform({}, env);
        CountingPrompt prompt;
        CParallelPort port(platform, prompt);
        port.OpenPort(888);
        port.SetSettleTime(5);
        const WiringReport report = RunWiringTest(port, LoopbackPlugWiring());
        std::printf("     %s\n", WiringSummary(report).c_str());
        Check(!report.noPort && !report.portFailed, "the wiring test ran on " + report.portText);
        Check(!report.Passed() && WiringExitCode(report) == kWiringFail,
              "without a plug the verdict is a failure (exit 1), never a pass");
        Check(std::none_of(report.wires.begin(), report.wires.end(), [](const WireVerdict& v) { return v.pass; }),
              "no wire passes without a plug");
    }

    {
        // A card's port at another base, found by its address and driven.
        const auto card = FindPortDevice(ports, kCardBase);
        Check(card && *card != device, "the port at " + Hex(kCardBase) + " is " + card.value_or("missing"));
        LinuxPortEnv env;
        env.moduleLoadBarrier = [] { return DriverLoad::NeedsRoot; };
        LinuxPpdevPlatform platform({}, env, kCardBase);
        CountingPrompt prompt;
        CParallelPort port(platform, prompt);
        Check(port.OpenPort(888), "OpenPort over ppdev on the card's port");
        Check(port.InUse().description == card.value_or(""), "in use: " + port.InUse().description);
        DataRoundTrip(platform.DriverIo());
        const WiringReport report = RunWiringTest(port, LoopbackPlugWiring());
        Check(!report.portFailed && WiringExitCode(report) == kWiringFail, "the wiring test on the card's port fails without a plug");
    }

    {
        // The card's port by direct port instructions (root in the guest), as --port=direct:0xD010.
        // The emulated port has no extended control register: nothing may be written at base + 0x402.
        LinuxDirectPlatform platform(kCardBase);
        CountingPrompt prompt;
        CParallelPort port(platform, prompt);
        Check(port.OpenPort(888) && !port.InUse().isAbsent, "direct access at " + Hex(kCardBase) + ": " +
                                                                 port.InUse().description + platform.FailureReason());
        Check(port.InUse().description.find("字节模式") == std::string::npos, "no ECR found on a port without one");
        DataRoundTrip(platform.DirectIo());
    }

    std::printf("%d failed\n", g_failures);
    return g_failures == 0 ? 0 : 1;
}

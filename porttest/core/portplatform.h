#pragma once
#include <cstdint>
#include <string>

#include "portio.h"

// The conventional base address of the first parallel port, the one the tester drives.
inline constexpr std::uint16_t kLptBase = 0x378;

// The major system versions that choose an access path in CParallelPort::OpenPort, as Windows
// reports them (4: Windows 95, 98, Me and NT 4; 5: Windows 2000 and XP, and the WinIo backend
// answers 5 for every later one). A platform that is not Windows answers the one of the path it
// serves. Any other answer means no port access at all.
inline constexpr int kMajorVersionDirectIo = 4; // the processor's port instructions
inline constexpr int kMajorVersionDriver = 5;   // the driver path (WinIo, or ppdev on Linux)

// What the window shows about the port actually in use.
struct PortInUse {
    bool isVirtual = false;  // the loopback plug the user asked for
    std::string description; // e.g. "/dev/parport0", "direct 0x378", "virtual (loopback plug)"
    bool isAbsent = false;   // no port could be opened: reads 0xFF, writes go nowhere
    const char* kind = "";   // how the registers are reached: one of the kPortKind texts
    bool failed = false;     // a register access failed after opening: nothing since is real
    unsigned base = 0;       // the port's base address, when known (0: unknown or none)
    std::string modes = {};  // what the system says the port can do ("PCSPP,TRISTATE"), when known
};

// How a port's registers are reached, as the verdicts name it.
inline constexpr const char* kPortKindKernelDriver = "内核 ppdev 驱动";
inline constexpr const char* kPortKindDirect = "直接端口指令";
inline constexpr const char* kPortKindWinIo = "WinIo 驱动";
inline constexpr const char* kPortKindVirtual = "虚拟并口, 不是真实硬件";

// The port as a verdict names it: "/dev/parport0 (内核 ppdev 驱动)", "虚拟并口, 不是真实硬件",
// "没有并口".
std::string PortText(const PortInUse& inUse);

// Said wherever no port could be opened: the loopback plug is there for trying the program, but
// only on request.
inline constexpr const char* kTryVirtualPortHint = "不接硬件试用本程序可用 --port=virtual。";
// The same in the window, which a menu user starts without a command line: its port chooser.
inline constexpr const char* kChooseVirtualPortHint = "不接硬件试用本程序: 在窗口的右键菜单“并口”中选“虚拟并口”。";

// The platform calls that CParallelPort::OpenPort makes, kept behind one seam so that every
// branch of its decision (direct instructions, driver already running, install then retry,
// failure) can be exercised without hardware.
//
// Contract for implementations:
// - ShutdownDriver() may be called although InitializeDriver() never ran or failed (the port
//   object releases the driver path in its destructor whatever happened); it must be harmless then.
// - DirectIo()/DriverIo() must always return a usable object, also when nothing could be opened
//   (a platform then answers with an AbsentPort and says so in InUse()). The virtual loopback
//   port stands in only where the user asked for it: it would answer every click like a good cable.
class IPortPlatform {
public:
    virtual ~IPortPlatform() = default;
    // kMajorVersionDirectIo, kMajorVersionDriver, or anything else for no port access.
    virtual int MajorVersion() = 0;
    // Driver path: open and claim the port. True when registers can be reached.
    virtual bool InitializeDriver() = 0;
    // Driver path: make the driver available if permitted (load modules, install a service...).
    virtual bool InstallDriver(const std::string& driverPath) = 0;
    // Driver path: release what InitializeDriver took.
    virtual void ShutdownDriver() = 0;
    virtual IPortIo& DirectIo() = 0;
    virtual IPortIo& DriverIo() = 0;
    virtual PortInUse InUse() const = 0;
    // Plain Chinese words on why no real port could be opened, when known; empty otherwise.
    virtual std::string FailureReason() const { return {}; }
};

#pragma once
#include <optional>
#include <string>
#include <vector>

#include "errnotext.h"

// Why no real parallel port could be opened, in words a user can act on.
//
// Everything here works on explicit roots ("/proc", "/dev" in the program, a temporary tree in
// tests) and on plain errno values, so every answer can be checked without a port.

// One port the kernel knows, from /proc/sys/dev/parport/parportN/base-addr.
struct ParportInfo {
    int number = 0;       // N of parportN
    unsigned base = 0;    // first number of base-addr ("888\t0" -> 888)
    std::string device;   // devRoot + "/parportN"
    std::string modes;    // the kernel's modes line ("PCSPP,TRISTATE"), empty when unreadable
};

// Ports listed under procRoot/sys/dev/parport, ordered by number, with their device paths under
// devRoot. Entries without a readable base address (the "default" directory) are skipped.
std::vector<ParportInfo> ListParports(const std::string& procRoot, const std::string& devRoot);

// The device of the port at `base`, if the kernel lists one.
std::optional<std::string> FindPortDevice(const std::vector<ParportInfo>& ports, unsigned base);

// USB-to-parallel printer adapters (devRoot/usb/lp*): printer class only, no register access.
std::vector<std::string> ListUsbPrinters(const std::string& devRoot);

enum class PortProblem {
    None,
    NoParport,       // the kernel knows no parallel port at all
    UsbPrinterOnly,  // no parallel port, but a USB printer adapter
    NoPortAtBase,    // ports exist, none at the wanted base address
    DeviceMissing,   // the device node does not exist and the kernel lists no port by that name
    PpdevNotLoaded,  // the kernel lists the port, but its device node is missing: ppdev not loaded
    NoPermission,    // open refused: the user is not in group lp
    Busy,            // exclusive claim refused: lp or another program holds the port
    NotAPort,        // the file is not a ppdev device (the ioctls are unknown to it)
    AccessFailed,    // a register access failed after the port was opened
    DirectNeedsRawIo,   // ioperm refused (EPERM) to a process without CAP_SYS_RAWIO
    DirectLockedDown,   // ioperm refused (EPERM) although the process has CAP_SYS_RAWIO
    DirectUnsupported,  // ioperm does not exist here (ENOSYS): no port instructions
    DirectRefused,      // ioperm refused for another reason
    Other,           // any other errno
};

// Loading the kernel drivers parport_pc and ppdev: whether it may be done, and how it went.
enum class DriverLoad {
    NotTried,   // not needed, or not yet tried
    Loaded,     // modprobe succeeded for both
    Failed,     // modprobe ran and failed
    NeedsRoot,  // only root may load modules
    NoModprobe, // root, but there is no modprobe program
};

// Where in opening the port an error came from.
enum class OpenStage { Open, Exclusive, Claim, Register };

struct PortDiagnosis {
    PortProblem problem = PortProblem::None;
    std::string device;                  // the device concerned, if any
    int err = 0;                         // errno, if any
    unsigned base = 0x378;               // the base address that was looked for
    std::vector<ParportInfo> ports;      // what the kernel lists (for NoPortAtBase)
    std::vector<std::string> usbPrinters;
    DriverLoad driverLoad = DriverLoad::NotTried;
    std::string holder; // Busy: who holds the port ("lp", another driver's name), if the kernel says
    std::string user;   // NoPermission: the user to add to group lp, if known
};

// Who holds port N, from procRoot/sys/dev/parport/parportN/devices: "lp" when the printer driver
// is registered on it, else the device the kernel lists as active (another program's ppdev claim,
// another driver); empty when nothing is listed.
std::string PortHolder(const std::string& procRoot, int number);

// The problem an errno means at a given stage of opening a ppdev device.
PortProblem ClassifyOpenError(OpenStage stage, int err);

// The problem an ioperm errno means; `rawIo`: the process holds CAP_SYS_RAWIO.
PortProblem ClassifyIopermError(int err, bool rawIo);

// The plain Chinese text for a diagnosis; empty for PortProblem::None. System error texts are
// never quoted (they are English): an errno appears only as its name in brackets, e.g. "(EIO)".
std::string DescribePortProblem(const PortDiagnosis& diagnosis);


#pragma once
#include <string>

#include "portdiag.h"

// What the Linux backends ask of the running system: loading kernel modules and the process's
// right to the port instructions.

// modprobe -q MODULE, without a shell; true when it exits 0.
bool RunModprobe(const std::string& module);
// NotTried when this process may load modules (root, modprobe present), else why not.
DriverLoad ModuleLoadBarrier();
// Whether the process holds CAP_SYS_RAWIO in its effective set.
bool HasRawIoCapability();
// The login name of the process's user; empty when it cannot be found.
std::string CurrentUserName();

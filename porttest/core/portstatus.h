#pragma once
#include <string>

#include "portplatform.h"

// The words that say which port the tester drives, shared by the window's status line and the
// headless wiring test: a real device, the virtual loopback port, or none at all and why.
std::string PortInUseText(const PortInUse& inUse, const std::string& failureReason);

// The status line's whole text: PortInUseText, and for the Qorel Isp cable whether its settings
// file was found.
std::string PortStatusText(const PortInUse& inUse, const std::string& failureReason, bool usesDefaultQorelMap);

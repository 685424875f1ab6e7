#pragma once
#include <string>
#include <vector>

#include "mapsource.h"
#include "portplatform.h"

// The words that say which port the tester drives, shared by the window's status line and the
// headless wiring test: a real device, the virtual loopback port, or none at all and why.
// `hint` says what to do without hardware, in the words of the front end.
std::string PortInUseText(const PortInUse& inUse, const std::string& failureReason,
                          const char* hint = kTryVirtualPortHint);

// The status line's whole text: PortInUseText, then where the chosen cable's pin map came from
// (the settings file read, or the folders searched) with any warnings on it. For the window:
// without a port it points at the window's port chooser.
std::string PortStatusText(const PortInUse& inUse, const std::string& failureReason, const MapSource& map);

struct WiringReport;

// What the headless wiring test says on standard error, one line each: the messages of opening
// the port joined into one line (said once), with no port at all what to do without hardware;
// each warning on the settings file.
std::vector<std::string> WiringNotices(const WiringReport& report, const std::vector<std::string>& openMessages,
                                       const PortInUse& inUse, const std::string& failureReason, const MapSource& map);

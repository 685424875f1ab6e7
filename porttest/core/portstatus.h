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

// The status line's whole text: SettingsWarningMark, PortInUseText, then where the chosen cable's pin map came from
// (the settings file read, or the folders searched) with any warnings on it. For the window:
// without a port it points at the window's port chooser.
// `hint` as for PortInUseText: a window without a port chooser points at the command line.
std::string PortStatusText(const PortInUse& inUse, const std::string& failureReason, const MapSource& map,
                           const char* hint = kChooseVirtualPortHint);

struct WiringReport;

// What the headless wiring test says on standard error, one line each: the messages of opening
// the port joined into one line (said once), with no port at all what to do without hardware;
// each warning on the settings file.
std::vector<std::string> WiringNotices(const WiringReport& report, const std::vector<std::string>& openMessages,
                                       const PortInUse& inUse, const std::string& failureReason, const MapSource& map);

// Whether the status line warns (in red): the port is not a working real one, or the settings
// file drew a warning (on any port).
bool PortStatusWarns(const PortInUse& inUse, const std::string& failureReason, const MapSource& map = MapSource{});
// "[设置文件有 2 条警告, 见详情] " when the settings file drew warnings, else nothing: the head of
// the status line, short enough to stay whole in its first row.
std::string SettingsWarningMark(const MapSource& map);

#pragma once
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "settingswords.h"

// Where the Qorel Isp cable's pin map came from: which folders were searched for its settings
// file, the file read, how many of its entries were usable and what in it looks wrong. The texts
// that tell the user (status line, verdicts, standard error) are made here, once for every front end.

// An environment variable's value; nothing when it is not set.
using EnvLookup = std::function<std::optional<std::string>(const char* name)>;
// The process's own environment.
std::optional<std::string> ProcessEnv(const char* name);

// The folders searched for the settings file, in order, each ending with a separator: the
// program folder first; where `xdg`, then $XDG_CONFIG_HOME/porvik/ (default ~/.config/porvik/)
// and porvik/ under each folder of $XDG_CONFIG_DIRS (default /etc/xdg). Relative entries are
// ignored, as the XDG rules ask; a folder named twice is searched once.
std::vector<std::string> SettingsFolders(const std::string& appDir, bool xdg, const EnvLookup& env);

// The first settings file ("QorelIsp.ini", any case) in `folders`, in their order.
std::optional<std::string> FindSettingsFile(const std::vector<std::string>& folders);

struct MapSource {
    bool settingsCable = false;           // the cable's map may come from a settings file
    std::vector<std::string> searched;    // folders looked in, in order
    std::optional<std::string> file;      // the settings file read, full path
    int usableEntries = 0;                // its keys that gave a value
    std::vector<std::string> warnings;    // one per suspect key, naming it

    // The built-in map applies: a fixed cable, no file, or a file without a usable entry.
    bool BuiltIn() const { return !settingsCable || !file || usableEntries == 0; }
};

// One key of the map as read: its name, whether the file gave it, its value, and the file's line
// that gave it (quoted in warnings) when known.
struct MapEntry {
    const char* key;
    bool present;
    int value;
    std::optional<SettingsLine> line = std::nullopt;
};
// Warnings on the pins of a map: a pin outside 0..17, a signal on a pin of the wrong direction,
// a pin shared by two of MOSI, MISO, SCK, RST, LE and OE, a main signal without a line. Only
// entries the file gave are blamed; `entries` are the eight pin keys (MOSI, MISO, SCK, RST, LE,
// OE, R1, R2).
std::vector<std::string> PinMapWarnings(const std::vector<MapEntry>& entries);

// "引脚表: 设置文件 /x/QorelIsp.ini" or "引脚表: 内置 (原因)": for verdicts and reports.
std::string MapSourceText(const MapSource& source);
// The same for the status line, with the folders searched when nothing was found.
std::string MapSourceStatusText(const MapSource& source);

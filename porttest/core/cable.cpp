#include "cable.h"

#include <climits>

#include "appdir.h"
#include "programfile.h"
#include "settings.h"
#include "settingswords.h"

namespace {

// A cable's pin numbers and latch/output levels, as data.
struct CableMap {
    int mosi, miso, sck, rst, le, oe, r1, r2;
    int leEnable, leDisable, oeEnable, oeDisable;
};

// Where each entry of a map goes, and where the settings file names it.
struct MapField {
    int CableMap::* map;
    int CIspCable::* cable;
    const char* section;
    const char* key;
    bool oeLevel; // left as it was by a cable without an OE line
};

constexpr MapField kMapFields[] = {
    {&CableMap::mosi, &CIspCable::m_nMosiPin, kPinSection, "MOSI", false},
    {&CableMap::miso, &CIspCable::m_nMisoPin, kPinSection, "MISO", false},
    {&CableMap::sck, &CIspCable::m_nSckPin, kPinSection, "SCK", false},
    {&CableMap::rst, &CIspCable::m_nRstPin, kPinSection, "RST", false},
    {&CableMap::le, &CIspCable::m_nLePin, kPinSection, "LE", false},
    {&CableMap::oe, &CIspCable::m_nOePin, kPinSection, "OE", false},
    {&CableMap::r1, &CIspCable::m_nR1Pin, kPinSection, "R1", false},
    {&CableMap::r2, &CIspCable::m_nR2Pin, kPinSection, "R2", false},
    {&CableMap::leEnable, &CIspCable::m_nLeEnable, kLeSection, "Enable", false},
    {&CableMap::leDisable, &CIspCable::m_nLeDisable, kLeSection, "Disable", false},
    {&CableMap::oeEnable, &CIspCable::m_nOeEnable, kOeSection, "Enable", true},
    {&CableMap::oeDisable, &CIspCable::m_nOeDisable, kOeSection, "Disable", true},
};

struct CableType {
    int type;
    CableMap map;       // with a settings file: the defaults that the file may override
    bool settingsFile;  // the map is read from "QorelIsp.ini"
    bool hasOeLine;     // without one, the OE levels are left as they were
    int lowOnSelect;    // a pin driven low at once when the cable is chosen; 0: none
};

constexpr CableType kCableTypes[] = {
    {CIspCable::CABLE_QOREL_ISP,
     {.mosi = 14, .miso = 15, .sck = 3, .rst = 16, .le = 17, .oe = 2, .r1 = 3, .r2 = 4,
      .leEnable = 1, .leDisable = 0, .oeEnable = 0, .oeDisable = 1},
     true, true, 0},
    {CIspCable::CABLE_ATMEL_BYTEBLASTER,
     {.mosi = 2, .miso = 10, .sck = 1, .rst = 17, .le = 4, .oe = 0, .r1 = 14, .r2 = 16,
      .leEnable = 0, .leDisable = 0, .oeEnable = 0, .oeDisable = 0},
     false, false, 0},
    // Pin 14 is this cable's LE line; it goes low from the control copy as soon as it is chosen.
    {CIspCable::CABLE_ALTERA_BYTEBLASTER,
     {.mosi = 8, .miso = 11, .sck = 2, .rst = 3, .le = 14, .oe = 0, .r1 = 0, .r2 = 0,
      .leEnable = 0, .leDisable = 0, .oeEnable = 0, .oeDisable = 0},
     false, false, 14},
};

const CableType* FindCableType(int type)
{
    for (const CableType& c : kCableTypes)
        if (c.type == type)
            return &c;
    return nullptr;
}

} // namespace

void CIspCable::SelectCable(int type, int mode, bool open)
{
    if (open)
        OpenPort(PORT_BASE); // failures were shown by OpenPort; the map is loaded regardless
    m_nLatchMode = mode;

    const CableType* cable = FindCableType(type);
    if (!cable)
        return; // unknown types change nothing else

    ProfileIntReader readInt = [](std::string_view, std::string_view, int def) { return def; };
    SettingsScan scan;
    m_mapSource = MapSource{};
    m_mapSource.settingsCable = cable->settingsFile;
    if (cable->settingsFile) {
        // Read afresh on every selection so that edits take effect when the cable is chosen again.
        m_mapSource.searched = SettingsFolders(g_strAppDir, kXdgConfigFolders, ProcessEnv);
        m_mapSource.file = FindSettingsFile(m_mapSource.searched);
        m_bSettingsFileFound = m_mapSource.file.has_value();
        if (m_mapSource.file) {
            readInt = OpenProfile(*m_mapSource.file);
            scan = ScanSettingsFile(*m_mapSource.file);
        }
    }
    std::vector<MapEntry> pins;
    for (const MapField& f : kMapFields) {
        if (f.oeLevel && !cable->hasOeLine)
            continue;
        // A key the file gives answers the same whatever the default: that is how a reader that
        // knows only values tells a given key from a missing one.
        const bool present = cable->settingsFile && readInt(f.section, f.key, INT_MIN + 1) == readInt(f.section, f.key, INT_MIN + 2);
        this->*f.cable = readInt(f.section, f.key, cable->map.*f.map);
        m_mapSource.usableEntries += present ? 1 : 0;
        if (f.section == kPinSection)
            pins.push_back({f.key, present, this->*f.cable, scan.Given(f.section, f.key)});
    }
    // The file's own words first, in the order of its lines, then what its pins make of the map.
    m_mapSource.warnings = std::move(scan.warnings);
    for (std::string& w : PinMapWarnings(pins))
        m_mapSource.warnings.push_back(std::move(w));
    if (cable->lowOnSelect != 0)
        ClearPin(cable->lowOnSelect);
}

std::vector<std::pair<std::string, int>> CIspCable::MapEntries() const
{
    std::vector<std::pair<std::string, int>> entries;
    for (const MapField& f : kMapFields) {
        const std::string line = f.section == kLeSection ? "LE" : f.section == kOeSection ? "OE" : "";
        entries.emplace_back(line + f.key, this->*f.cable);
    }
    return entries;
}

void CIspCable::LatchSequence()
{
    switch (m_nLatchMode) {
    case LATCH_NONE:
        break;
    case LATCH_HOLD:
        SetPinLevel(m_nLePin, m_nLeEnable);
        break;
    default: // LATCH_PULSE and every unknown mode
        SetPinLevel(m_nLePin, m_nLeEnable);
        SetPinLevel(m_nLePin, m_nLeDisable);
        break;
    }
}

void CIspCable::DriveSignal(int pin, bool level)
{
    if (level)
        SetPin(pin);
    else
        ClearPin(pin);
    // Also after a refused write: the cable's latch must see the same sequence every time.
    LatchSequence();
}

void CIspCable::SetMosi(bool level) { DriveSignal(m_nMosiPin, level); }
void CIspCable::SetRst(bool level) { DriveSignal(m_nRstPin, level); }
void CIspCable::SetSck(bool level) { DriveSignal(m_nSckPin, level); }

unsigned CIspCable::GetMiso()
{
    LatchSequence();
    return GetPin(m_nMisoPin);
}

#include "cable.h"

#include "appdir.h"
#include "settings.h"

void CIspCable::SelectCable(int type, int mode, bool open)
{
    if (open)
        OpenPort(PORT_BASE); // failures were shown by OpenPort; the map is loaded regardless
    m_nLatchMode = mode;

    switch (type) {
    case CABLE_QOREL_ISP: {
        // Read afresh on every selection so that edits take effect when the cable is chosen again.
        const auto file = FindFileIgnoringCase(g_strAppDir, QOREL_ISP_INI);
        m_bSettingsFileFound = file.has_value();
        const CProfileFile ini = file ? CProfileFile::Load(*file) : CProfileFile();
        const char* pins = "引脚控制";
        const char* le = "锁存控制(LE)";
        const char* oe = "输出控制(OE)";
        m_nMosiPin = ini.GetInt(pins, "MOSI", 14);
        m_nMisoPin = ini.GetInt(pins, "MISO", 15);
        m_nSckPin = ini.GetInt(pins, "SCK", 3);
        m_nRstPin = ini.GetInt(pins, "RST", 16);
        m_nLePin = ini.GetInt(pins, "LE", 17);
        m_nOePin = ini.GetInt(pins, "OE", 2);
        m_nR1Pin = ini.GetInt(pins, "R1", 3);
        m_nR2Pin = ini.GetInt(pins, "R2", 4);
        m_nLeEnable = ini.GetInt(le, "Enable", 1);
        m_nLeDisable = ini.GetInt(le, "Disable", 0);
        m_nOeEnable = ini.GetInt(oe, "Enable", 0);
        m_nOeDisable = ini.GetInt(oe, "Disable", 1);
        break;
    }
    case CABLE_ATMEL_BYTEBLASTER:
        // The OE levels are left as they were: this cable has no OE line.
        m_nRstPin = 17;
        m_nR1Pin = 14;
        m_nMosiPin = 2;
        m_nMisoPin = 10;
        m_nSckPin = 1;
        m_nLePin = 4;
        m_nLeEnable = 0;
        m_nLeDisable = 0;
        m_nOePin = 0;
        m_nR2Pin = 16;
        break;
    case CABLE_ALTERA_BYTEBLASTER:
        m_nRstPin = 3;
        m_nSckPin = 2;
        m_nMosiPin = 8;
        m_nMisoPin = 11;
        m_nLePin = 14;
        m_nLeEnable = 0;
        m_nLeDisable = 0;
        // Pin 14, this cable's LE line, goes low at once, from the control copy.
        ClearPin(14);
        m_nOePin = 0;
        m_nR1Pin = 0;
        m_nR2Pin = 0;
        break;
    default:
        break;
    }
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

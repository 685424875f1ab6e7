#pragma once
#include <string>
#include <utility>
#include <vector>

#include "mapsource.h"
#include "port.h"

// The download-cable model: which connector pin carries each programming signal for the chosen
// cable, and the latch sequence that follows every signal write and precedes every MISO read.
// Pin numbers follow CParallelPort's map; 0 (or any number the port refuses) makes writes on that
// signal do nothing while the latch sequence still runs.
class CIspCable : public CParallelPort {
public:
    static constexpr int CABLE_QOREL_ISP = 1;          // map from "QorelIsp.ini"
    static constexpr int CABLE_ATMEL_BYTEBLASTER = 2;
    static constexpr int CABLE_ALTERA_BYTEBLASTER = 3;

    static constexpr int LATCH_PULSE = 0; // also every value other than 1 and 2
    static constexpr int LATCH_HOLD = 1;
    static constexpr int LATCH_NONE = 2;

    static constexpr int PORT_BASE = kLptBase; // 888, not configurable

    using CParallelPort::CParallelPort;
    ~CIspCable() override = default;

    // Opens the port at PORT_BASE when `open` is set (its result is not acted on: failures were
    // already shown), stores `mode` for every type, then loads the type's map. Type 1 reads
    // the first "QorelIsp.ini" (any case) in SettingsFolders(g_strAppDir) again on every call; type 3 drives pin 14 low at once;
    // unknown types change nothing else.
    void SelectCable(int type, int mode, bool open);

    // The signals of the map, each through DriveSignal.
    void SetMosi(bool level);
    void SetRst(bool level);
    void SetSck(bool level);
    // Latch sequence, then GetPin(m_nMisoPin) unchanged (non-zero when high).
    unsigned GetMiso();

    // Zero until a cable is selected, so that nothing reads an indeterminate value.
    int m_nLatchMode = 0;
    int m_nMosiPin = 0;
    int m_nMisoPin = 0;
    int m_nRstPin = 0;
    int m_nSckPin = 0;
    int m_nLePin = 0;
    int m_nOePin = 0;
    int m_nR1Pin = 0;
    int m_nR2Pin = 0;
    int m_nLeEnable = 0;
    int m_nLeDisable = 0;
    int m_nOeEnable = 0;  // belongs to the map; no operation drives OE
    int m_nOeDisable = 0;
    // Whether the last selection of the Qorel Isp cable found its settings file (its name is
    // matched without regard to case); without it the defaults apply.
    bool m_bSettingsFileFound = false;
    // Where the selected cable's map came from (folders searched, file, warnings).
    MapSource m_mapSource;

    // The map in use, each entry by its settings key ("MOSI", ..., "R2", and the levels as
    // "LEEnable", "LEDisable", "OEEnable", "OEDisable"), in the settings file's order.
    std::vector<std::pair<std::string, int>> MapEntries() const;

    // A signal write on any pin, then the latch sequence (also when the port refused the write).
    void DriveSignal(int pin, bool level);

private:
    void LatchSequence();
};

#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "portio.h"
#include "portplatform.h"
#include "prompt.h"

// One PC parallel port, reached by whole register and by connector pin number 1 to 17.
//
// Pin map: pinmap.h.
//
// Pin writes start from the register copies m_byData/m_byControl, never from a register read:
// each successful pin write changes one bit of a copy and writes the whole copy, exactly once.
// Only GetPin on a data or control pin refreshes a copy; the register operations never touch
// them. Input-only pins and numbers outside 1..17 are refused without any port access.
class CParallelPort {
public:
    CParallelPort(IPortPlatform& platform, IPrompt& prompt);
    virtual ~CParallelPort();

    CParallelPort(const CParallelPort&) = delete;
    CParallelPort& operator=(const CParallelPort&) = delete;

    // Sets the three addresses (low 16 bits of base) and chooses the access path by the
    // platform's major version; starts (and if need be installs) the driver on the driver path.
    bool OpenPort(int base);

    std::uint8_t ReadData();
    void WriteData(std::uint8_t value);
    std::uint8_t ReadStatus();
    std::uint8_t ReadControl();
    void WriteControl(std::uint8_t value);

    bool SetPin(int pin);                // drive electrically high
    bool ClearPin(int pin);              // drive electrically low
    bool SetPinLevel(int pin, int level); // level 0: ClearPin, anything else: SetPin
    // Non-zero when the pin is electrically high: the pin's mask for non-inverted pins,
    // 1 for inverted ones; 0 without any access for numbers outside 1..17.
    unsigned GetPin(int pin);

    // A settling time: the first status read after a data or control write waits `us`
    // microseconds first, for long or buffered cables whose lines follow late. 0 (the default)
    // waits nothing. `wait` replaces the sleep (tests).
    using SettleWait = std::function<void(unsigned us)>;
    void SetSettleTime(unsigned us, SettleWait wait = {});
    unsigned SettleTime() const { return m_settleUs; }

    PortInUse InUse() const;
    // The platform's words on why its port is not (or no longer) usable; empty while it works.
    std::string FailureReason() const;

    // Members in the order the window and the tests know them.
    std::string m_strDriverPath;     // driver path on the driver path, empty otherwise
    std::uint8_t m_byControl = 0;    // copy of the control register that pin writes start from
    std::uint8_t m_byData = 0;       // copy of the data register that pin writes start from
    std::uint16_t m_wControlPort = 0;
    std::uint16_t m_wDataPort = 0;
    std::uint16_t m_wStatusPort = 0;
    bool m_bDirectIo = false;        // true: processor's port instructions; false: driver path

private:
    IPortIo& Io();

    IPortPlatform& m_platform;
    IPrompt& m_prompt;
    unsigned m_settleUs = 0;
    SettleWait m_wait;
    bool m_unsettled = false; // a write since the last status read
};

#include "port.h"

#include "appdir.h"

namespace {

enum class Reg { None, Data, Status, Control };

struct PinInfo {
    Reg reg;
    std::uint8_t mask;
    bool inverted;
};

// Index = connector pin number; entry 0 stands for "no such pin".
constexpr PinInfo kPins[18] = {
    {Reg::None, 0x00, false},
    {Reg::Control, 0x01, true},  // 1
    {Reg::Data, 0x01, false},    // 2
    {Reg::Data, 0x02, false},    // 3
    {Reg::Data, 0x04, false},    // 4
    {Reg::Data, 0x08, false},    // 5
    {Reg::Data, 0x10, false},    // 6
    {Reg::Data, 0x20, false},    // 7
    {Reg::Data, 0x40, false},    // 8
    {Reg::Data, 0x80, false},    // 9
    {Reg::Status, 0x40, false},  // 10
    {Reg::Status, 0x80, true},   // 11
    {Reg::Status, 0x20, false},  // 12
    {Reg::Status, 0x10, false},  // 13
    {Reg::Control, 0x02, true},  // 14
    {Reg::Status, 0x08, false},  // 15
    {Reg::Control, 0x04, false}, // 16
    {Reg::Control, 0x08, true},  // 17
};

const PinInfo* Lookup(int pin)
{
    if (pin < 1 || pin > 17)
        return nullptr;
    return &kPins[pin];
}

std::string WithReason(const char* first, const std::string& reason)
{
    std::string text = first;
    if (!reason.empty())
        text += "\n" + reason;
    return text;
}

} // namespace

CParallelPort::CParallelPort(IPortPlatform& platform, IPrompt& prompt)
    : m_platform(platform), m_prompt(prompt)
{
}

CParallelPort::~CParallelPort()
{
    // Also after a failed open or an unknown version: the driver path was the one selected.
    if (!m_bDirectIo)
        m_platform.ShutdownDriver();
}

bool CParallelPort::OpenPort(int base)
{
    m_wDataPort = static_cast<std::uint16_t>(base);
    m_wStatusPort = static_cast<std::uint16_t>(base + 1);
    m_wControlPort = static_cast<std::uint16_t>(base + 2);

    const int major = m_platform.MajorVersion();
    if (major == kMajorVersionDirectIo) {
        m_bDirectIo = true;
        return true;
    }
    if (major != kMajorVersionDriver)
        return false;

    m_bDirectIo = false;
    // No fixed-size buffer here: the path is passed whole, however long the directory is.
    m_strDriverPath = g_strAppDir + "winio.sys";
    if (m_platform.InitializeDriver())
        return true;
    if (!m_platform.InstallDriver(m_strDriverPath))
        m_prompt.Inform(WithReason("初始化驱动程序失败!", m_platform.FailureReason()));
    if (m_platform.InitializeDriver())
        return true;
    m_prompt.Inform(WithReason("初始化并口I/O失败!", m_platform.FailureReason()) + "\n" + kTryVirtualPortHint);
    return false;
}

IPortIo& CParallelPort::Io()
{
    return m_bDirectIo ? m_platform.DirectIo() : m_platform.DriverIo();
}

std::uint8_t CParallelPort::ReadData() { return Io().ReadData(); }
void CParallelPort::WriteData(std::uint8_t value) { Io().WriteData(value); }
std::uint8_t CParallelPort::ReadStatus() { return Io().ReadStatus(); }
std::uint8_t CParallelPort::ReadControl() { return Io().ReadControl(); }
void CParallelPort::WriteControl(std::uint8_t value) { Io().WriteControl(value); }

bool CParallelPort::SetPinLevel(int pin, int level)
{
    const PinInfo* info = Lookup(pin);
    if (!info || info->reg == Reg::None || info->reg == Reg::Status)
        return false;
    // An inverted line is high when its bit is 0.
    const bool setBit = (level != 0) != info->inverted;
    std::uint8_t& copy = info->reg == Reg::Data ? m_byData : m_byControl;
    if (setBit)
        copy = static_cast<std::uint8_t>(copy | info->mask);
    else
        copy = static_cast<std::uint8_t>(copy & ~info->mask);
    if (info->reg == Reg::Data)
        WriteData(copy);
    else
        WriteControl(copy);
    return true;
}

bool CParallelPort::SetPin(int pin) { return SetPinLevel(pin, 1); }
bool CParallelPort::ClearPin(int pin) { return SetPinLevel(pin, 0); }

unsigned CParallelPort::GetPin(int pin)
{
    const PinInfo* info = Lookup(pin);
    if (!info)
        return 0;
    std::uint8_t v = 0;
    switch (info->reg) {
    case Reg::Data:
        v = ReadData();
        m_byData = v;
        break;
    case Reg::Control:
        v = ReadControl();
        m_byControl = v;
        break;
    case Reg::Status:
        v = ReadStatus();
        break;
    case Reg::None:
        return 0;
    }
    if (info->inverted)
        return (v & info->mask) == 0 ? 1u : 0u;
    return v & info->mask;
}

PortInUse CParallelPort::InUse() const { return m_platform.InUse(); }

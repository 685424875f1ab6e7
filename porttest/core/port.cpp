#include "port.h"

#include <chrono>
#include <thread>

#include "appdir.h"
#include "pinmap.h"

namespace {

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
    const bool installed = m_platform.InstallDriver(m_strDriverPath);
    const bool started = m_platform.InitializeDriver();
    // One message whatever failed, with the reason once: two boxes in a row saying the same
    // thing teach the user to click them away. What to do without hardware is the front end's
    // to say, since only it knows how the user can choose the virtual port.
    std::string headline;
    if (!installed)
        headline = "初始化驱动程序失败!";
    if (!started)
        headline += std::string(headline.empty() ? "" : "\n") + "初始化并口I/O失败!";
    if (!headline.empty())
        m_prompt.Inform(WithReason(headline.c_str(), m_platform.FailureReason()));
    return started;
}

IPortIo& CParallelPort::Io()
{
    return m_bDirectIo ? m_platform.DirectIo() : m_platform.DriverIo();
}

std::uint8_t CParallelPort::ReadData() { return Io().ReadData(); }
void CParallelPort::WriteData(std::uint8_t value)
{
    m_unsettled = true;
    Io().WriteData(value);
}
std::uint8_t CParallelPort::ReadStatus()
{
    if (m_unsettled && m_settleUs > 0)
        m_wait(m_settleUs);
    m_unsettled = false;
    return Io().ReadStatus();
}
std::uint8_t CParallelPort::ReadControl() { return Io().ReadControl(); }
void CParallelPort::WriteControl(std::uint8_t value)
{
    m_unsettled = true;
    Io().WriteControl(value);
}

void CParallelPort::SetSettleTime(unsigned us, SettleWait wait)
{
    m_settleUs = us;
    m_wait = wait ? std::move(wait)
                  : SettleWait([](unsigned t) { std::this_thread::sleep_for(std::chrono::microseconds(t)); });
}

bool CParallelPort::SetPinLevel(int pin, int level)
{
    const PinInfo* info = LookupPin(pin);
    if (!info || info->reg == PinRegister::None || info->reg == PinRegister::Status)
        return false;
    // An inverted line is high when its bit is 0.
    const bool setBit = (level != 0) != info->inverted;
    std::uint8_t& copy = info->reg == PinRegister::Data ? m_byData : m_byControl;
    if (setBit)
        copy = static_cast<std::uint8_t>(copy | info->mask);
    else
        copy = static_cast<std::uint8_t>(copy & ~info->mask);
    if (info->reg == PinRegister::Data)
        WriteData(copy);
    else
        WriteControl(copy);
    return true;
}

bool CParallelPort::SetPin(int pin) { return SetPinLevel(pin, 1); }
bool CParallelPort::ClearPin(int pin) { return SetPinLevel(pin, 0); }

unsigned CParallelPort::GetPin(int pin)
{
    const PinInfo* info = LookupPin(pin);
    if (!info)
        return 0;
    std::uint8_t v = 0;
    switch (info->reg) {
    case PinRegister::Data:
        v = ReadData();
        m_byData = v;
        break;
    case PinRegister::Control:
        v = ReadControl();
        m_byControl = v;
        break;
    case PinRegister::Status:
        v = ReadStatus();
        break;
    case PinRegister::None:
        return 0;
    }
    if (info->inverted)
        return (v & info->mask) == 0 ? 1u : 0u;
    return v & info->mask;
}

PortInUse CParallelPort::InUse() const { return m_platform.InUse(); }
std::string CParallelPort::FailureReason() const { return m_platform.FailureReason(); }

std::string PortText(const PortInUse& inUse)
{
    if (inUse.isVirtual)
        return kPortKindVirtual;
    if (inUse.isAbsent)
        return "没有并口";
    std::string text = inUse.description;
    if (*inUse.kind)
        text += std::string(" (") + inUse.kind + ")";
    return text;
}

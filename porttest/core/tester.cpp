#include "tester.h"

namespace {

struct ToggleLine {
    int CIspCable::* pin; // its entry in the cable's map
    bool latched;         // a cable signal, followed by the latch sequence
};

// By CCableTester::Toggle.
constexpr ToggleLine kToggleLines[CCableTester::kToggles] = {
    {&CIspCable::m_nMosiPin, true},
    {&CIspCable::m_nSckPin, true},
    {&CIspCable::m_nRstPin, true},
    {&CIspCable::m_nR1Pin, false},
    {&CIspCable::m_nR2Pin, false},
};

// The level each toggle drove last, for the whole process; 1 before the first click.
std::array<int, CCableTester::kToggles> s_toggleLevels = {1, 1, 1, 1, 1};

std::size_t Index(CCableTester::Toggle toggle) { return static_cast<std::size_t>(toggle); }

} // namespace

CCableTester::CCableTester(IPortPlatform& platform, IPrompt& prompt) : m_cable(platform, prompt) {}

void CCableTester::Start()
{
    m_entry = kQorelIspEntry;
    m_cable.SelectCable(CIspCable::CABLE_QOREL_ISP, CIspCable::LATCH_PULSE, true);
}

void CCableTester::ChooseCable(int entry)
{
    m_entry = entry;
    m_cable.SelectCable(entry + 1, CIspCable::LATCH_PULSE, false);
}

bool CCableTester::UsesDefaultQorelMap() const
{
    return m_entry == kQorelIspEntry && m_cable.m_mapSource.BuiltIn();
}

int CCableTester::FlipToggle(Toggle toggle)
{
    int& level = s_toggleLevels[Index(toggle)];
    level = level != 0 ? 0 : 1;
    const ToggleLine& line = kToggleLines[Index(toggle)];
    if (line.latched)
        m_cable.DriveSignal(m_cable.*line.pin, level != 0);
    else
        m_cable.SetPinLevel(m_cable.*line.pin, level);
    return level;
}

void CCableTester::ResetToggleLevels() { s_toggleLevels.fill(1); }

int CCableTester::PinOf(Toggle toggle) const { return m_cable.*kToggleLines[Index(toggle)].pin; }

CCableTester::Reading CCableTester::ReadAll()
{
    Reading r;
    for (int pin = 1; pin <= kPins; ++pin)
        r.pinHigh[static_cast<std::size_t>(pin)] = m_cable.GetPin(pin) != 0;
    r.data = m_cable.ReadData();
    r.control = m_cable.ReadControl();
    r.status = m_cable.ReadStatus();
    return r;
}

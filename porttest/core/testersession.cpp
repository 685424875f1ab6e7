#include "testersession.h"

#include "parsehex.h"
#include "portstart.h"
#include "portstatus.h"
#include "testertexts.h"

namespace {

// By kSignalLabelControls: the entry of the cable's map each label names.
constexpr int CIspCable::* kSignalPins[] = {
    &CIspCable::m_nMosiPin, &CIspCable::m_nMisoPin, &CIspCable::m_nSckPin,
    &CIspCable::m_nRstPin,  &CIspCable::m_nR1Pin,   &CIspCable::m_nR2Pin,
};

constexpr struct {
    TesterCommand command;
    CCableTester::Toggle toggle;
} kToggleCommands[] = {
    {TesterCommand::ToggleMosi, CCableTester::Toggle::Mosi}, {TesterCommand::ToggleSck, CCableTester::Toggle::Sck},
    {TesterCommand::ToggleRst, CCableTester::Toggle::Rst},   {TesterCommand::ToggleR1, CCableTester::Toggle::R1},
    {TesterCommand::ToggleR2, CCableTester::Toggle::R2},
};

} // namespace

CTesterSession::CTesterSession(IPortPlatform& platform, IPrompt& prompt, const char* noPortHint)
    : m_platform(platform), m_prompt(prompt), m_noPortHint(noPortHint), m_tester(platform, prompt)
{
    // The captions a toggle shows before its first click: the level each drove last in this
    // process, 1 at first.
    for (int t = 0; t < CCableTester::kToggles; ++t)
        m_view.toggleCaptions[static_cast<std::size_t>(t)] =
            CCableTester::ToggleCaption(static_cast<CCableTester::Toggle>(t), 1);
    UpdateEnabled();
}

void CTesterSession::Start()
{
    m_tester.Start();
    ChooseCable(CCableTester::kQorelIspEntry);
}

bool CTesterSession::PortWorks() const
{
    return !m_tester.Cable().InUse().isAbsent && m_platform.FailureReason().empty();
}

CTesterSession::Effect CTesterSession::Run(TesterCommand command)
{
    switch (command) {
    case TesterCommand::About:
        return Effect::ShowAbout;
    case TesterCommand::WiringPlug:
    case TesterCommand::WiringCable:
        StartWiring(command == TesterCommand::WiringCable);
        return Effect::ShowWiring;
    case TesterCommand::ReopenPort:
        return m_view.Enabled(command) ? Effect::Reopen : Effect::None;
    case TesterCommand::Exit:
        return Effect::End;
    case TesterCommand::Ok:
        return Effect::None;
    case TesterCommand::WriteData:
        WriteRegister(m_view.data, &CIspCable::WriteData);
        return Effect::None;
    case TesterCommand::WriteControl:
        WriteRegister(m_view.control, &CIspCable::WriteControl);
        return Effect::None;
    case TesterCommand::Refresh:
        Refresh();
        return Effect::None;
    case TesterCommand::ReadMiso:
        Refresh();
        m_view.misoCaption = CCableTester::MisoCaption(m_tester.Cable().GetMiso());
        Refresh();
        return Effect::None;
    case TesterCommand::PortDetails:
        m_prompt.Inform(m_view.statusLine);
        return Effect::None;
    case TesterCommand::ToggleMosi:
    case TesterCommand::ToggleSck:
    case TesterCommand::ToggleRst:
    case TesterCommand::ToggleR1:
    case TesterCommand::ToggleR2:
        for (const auto& t : kToggleCommands)
            if (t.command == command)
                Toggle(t.toggle);
        return Effect::None;
    }
    return Effect::None;
}

CTesterSession::Effect CTesterSession::PressKey(TesterKey key, bool shift)
{
    const TesterCommandRow* row = CommandForKey(key, shift);
    return row ? Run(row->id) : Effect::None;
}

CTesterSession::Effect CTesterSession::Click(int control)
{
    const TesterCommandRow* row = CommandForControl(control);
    return row ? Run(row->id) : Effect::None;
}

void CTesterSession::ClickPin(int pin, bool ticked)
{
    // A display-only box only reads back, which puts back the pin's real input level.
    for (const PinBoxRow& box : PinBoxes())
        if (box.pin == pin && box.writable) {
            if (ticked)
                m_tester.Cable().SetPin(pin);
            else
                m_tester.Cable().ClearPin(pin);
        }
    Refresh();
}

void CTesterSession::WiringClosed()
{
    // The wiggle test's runs put the registers back; the boxes show them.
    Refresh();
}

void CTesterSession::ChooseCable(int entry)
{
    m_tester.ChooseCable(entry);
    m_view.cableEntry = entry;
    ApplyLabels();
    // The settings file's note belongs to the Qorel Isp entry only.
    ShowStatus();
}

void CTesterSession::SetRegisterTexts(std::string data, std::string control)
{
    m_view.data = std::move(data);
    m_view.control = std::move(control);
}

void CTesterSession::ApplyLabels()
{
    for (std::size_t i = 0; i < m_view.signalLabels.size(); ++i)
        m_view.signalLabels[i] = CCableTester::PinLabel(m_tester.Cable().*kSignalPins[i]);
}

void CTesterSession::Refresh()
{
    const CCableTester::Reading r = m_tester.ReadAll();
    m_view.pinTicked = r.pinHigh;
    m_view.data = CCableTester::RegisterText(r.data);
    m_view.control = CCableTester::RegisterText(r.control);
    m_view.status = CCableTester::RegisterText(r.status);
    // A port can fail between two refreshes; the line must not go on calling it usable.
    ShowStatus();
}

void CTesterSession::ShowStatus()
{
    const CIspCable& cable = m_tester.Cable();
    const std::string reason = m_platform.FailureReason();
    m_view.statusLine = WithStartNote(PortStatusText(cable.InUse(), reason, cable.m_mapSource, m_noPortHint),
                                      m_startNote ? m_startNote() : std::string());
    m_view.statusTone = PortStatusWarns(cable.InUse(), reason, cable.m_mapSource) ? Tone::Warning : Tone::Normal;
    UpdateEnabled();
}

void CTesterSession::UpdateEnabled()
{
    m_view.enabled.fill(true);
    // Opening the same port again is offered only once it failed or could not be opened.
    m_view.enabled[static_cast<std::size_t>(TesterCommand::ReopenPort)] = !PortWorks();
}

void CTesterSession::WriteRegister(const std::string& text, void (CIspCable::*write)(std::uint8_t))
{
    std::uint8_t value = 0;
    if (ParseHexByte(text, value))
        (m_tester.Cable().*write)(value);
    else
        m_prompt.Message(kBadRegisterValue, IPrompt::Buttons::Ok);
    Refresh(); // a refused text is replaced by the register as it stands
}

void CTesterSession::Toggle(CCableTester::Toggle toggle)
{
    const int level = m_tester.FlipToggle(toggle);
    m_view.toggleCaptions[static_cast<std::size_t>(toggle)] = CCableTester::ToggleCaption(toggle, level);
    Refresh();
}

void CTesterSession::StartWiring(bool chosenCable)
{
    WiringReport first = m_tester.TestWiring(chosenCable);
    Refresh(); // the status line says at once when the port failed during the test
    m_wiring = std::make_unique<CWiringSession>(
        std::move(first),
        [this, chosenCable] {
            WiringReport again = m_tester.TestWiring(chosenCable);
            if (again.portFailed)
                ShowStatus();
            return again;
        },
        [this] { return PortWorks(); },
        [this, chosenCable] { return ReportContextOf(m_tester, chosenCable, {}, {}); });
}

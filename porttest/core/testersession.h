#pragma once
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "portplatform.h"
#include "prompt.h"
#include "tester.h"
#include "testercommands.h"
#include "wiringsession.h"

// What Porvik's tester window shows, as the core decides it: both windows render this and keep
// nothing of their own.
struct TesterView {
    std::array<bool, CCableTester::kPins + 1> pinTicked{}; // by pin number, 1..17
    // The register edits: empty until the first read after start-up.
    std::string data, control, status;
    std::array<std::string, CCableTester::kToggles> toggleCaptions; // by CCableTester::Toggle
    std::string misoCaption = "MISO=1";
    std::array<std::string, 6> signalLabels; // by kSignalLabelControls
    int cableEntry = CCableTester::kQorelIspEntry;
    std::string statusLine; // whole; a window too narrow for it shows a part and the details button
    Tone statusTone = Tone::Normal;
    std::array<bool, kTesterCommands> enabled{};
    bool Enabled(TesterCommand c) const { return enabled[static_cast<std::size_t>(c)]; }
};

// Porvik's tester window without a window: what a key, a button, a pin box, a register write, a
// cable choice and the end of a wiring test do, and what the window shows after each. The Qt and
// the Win32 window hand every user action here and render View().
class CTesterSession {
public:
    // What the window must do after a command, beyond rendering View().
    enum class Effect {
        None,
        ShowAbout,  // the About box, modal over the window
        ShowWiring, // the wiring dialog over TakeWiring()
        End,        // the window ends
        Reopen,     // the window ends and the shell opens the same port again
    };

    // No port access here: Start() opens the port. `platform` and `prompt` must outlive the session.
    CTesterSession(IPortPlatform& platform, IPrompt& prompt, const char* noPortHint);

    // Start-up: the port opened, the Qorel Isp cable's map loaded, the labels set; nothing read.
    void Start();

    Effect Run(TesterCommand command);
    // A key the window did not use itself (a focused push button takes Enter as its own click).
    Effect PressKey(TesterKey key, bool shift);
    // A button of the window, by control id (not a pin box: ClickPin).
    Effect Click(int control);
    // A pin box was clicked and now shows `ticked`: a writable pin is driven to that level.
    void ClickPin(int pin, bool ticked);
    // Entry `entry` of the cable selector was chosen.
    void ChooseCable(int entry);
    // The register edits' texts as they stand, for the next write.
    void SetRegisterTexts(std::string data, std::string control);

    // The wiring dialog was closed.
    void WiringClosed();
    // The wiring test that the last ShowWiring made, for its dialog.
    std::unique_ptr<CWiringSession> TakeWiring() { return std::move(m_wiring); }

    // Lines the status line shows below the port's own (how the port was chosen, the settling
    // time), asked afresh whenever the line is made.
    void SetStartNote(std::function<std::string()> note) { m_startNote = std::move(note); }
    // Makes the status line afresh (after something the note says has changed).
    void ShowStatus();

    const TesterView& View() const { return m_view; }
    // Whether the port is a working one (opened, and no access has failed since).
    bool PortWorks() const;

    CCableTester& Tester() { return m_tester; }

private:
    void Refresh();
    void ApplyLabels();
    void WriteRegister(const std::string& text, void (CIspCable::*write)(std::uint8_t));
    void Toggle(CCableTester::Toggle toggle);
    void StartWiring(bool chosenCable);
    void UpdateEnabled();

    IPortPlatform& m_platform;
    IPrompt& m_prompt;
    const char* m_noPortHint;
    CCableTester m_tester;
    TesterView m_view;
    std::unique_ptr<CWiringSession> m_wiring;
    std::function<std::string()> m_startNote;
};

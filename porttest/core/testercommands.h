#pragma once
#include <cstdint>
#include <span>

#include "tester.h"
#include "testerlayout.h"

// What Porvik's tester window can be asked to do, once for both of its windows (Qt and Win32):
// each command with its key, its button, its menu entry and its tooltip. A window builds its
// shortcuts, menu entries and tooltips by walking this table and hands what the user did to
// CTesterSession; it names no action of its own.
enum class TesterCommand {
    About,
    WiringPlug,
    WiringCable,
    ReopenPort,
    Exit,
    Ok, // Enter outside a push button: the window's OK action, which is empty
    WriteData,
    WriteControl,
    Refresh,
    ToggleMosi,
    ReadMiso,
    ToggleSck,
    ToggleRst,
    ToggleR1,
    ToggleR2,
    PortDetails,
};
inline constexpr int kTesterCommands = static_cast<int>(TesterCommand::PortDetails) + 1;

// The few keys the window knows, whatever the toolkit calls them.
enum class TesterKey { None, Enter, Escape, F1, F5 };

struct TesterCommandRow {
    TesterCommand id;
    TesterKey key;
    bool shift;           // with Shift held
    int control;          // the button that runs it; 0 for none
    const char* menuText; // its entry in the window's menu (context menu, system menu); null: none
    const char* tooltip;  // null: none
};

std::span<const TesterCommandRow> TesterCommands();
const TesterCommandRow& CommandRow(TesterCommand command);
// The command of a key (null: the key is the toolkit's), and of a button (null: not a command's).
const TesterCommandRow* CommandForKey(TesterKey key, bool shift);
const TesterCommandRow* CommandForControl(int control);

// A pin box of dialog 102: its pin, control, caption and whether a click drives the pin (else it
// only reads everything back).
struct PinBoxRow {
    int pin;
    int control;
    const char* caption;
    bool writable;
};
// In template order, which is also the tab order.
std::span<const PinBoxRow> PinBoxes();

// The six labels that name the pins of the chosen cable's signals, in the view's order.
inline constexpr int kSignalLabelControls[] = {IDC_MOSI_PIN, IDC_MISO_PIN, IDC_SCK_PIN,
                                               IDC_RST_PIN,  IDC_R1_PIN,   IDC_R2_PIN};
// The toggle buttons, by CCableTester::Toggle.
inline constexpr int kToggleControls[CCableTester::kToggles] = {IDC_MOSI, IDC_SCK, IDC_RST, IDC_R1, IDC_R2};

// The captions of dialog 102 that are the same in both windows and not plain ASCII.
struct ControlCaption {
    int control;
    const char* text;
};
std::span<const ControlCaption> TesterCaptions();

// How a text or a row is coloured: both windows take the colours from here.
enum class Tone { Normal, Pass, Fail, Untested, Warning };
struct Rgb {
    std::uint8_t r, g, b;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};
// The text colour of a line in that tone (Normal: the window's own, given as black).
Rgb ToneText(Tone tone);
// The background of a table row in that tone.
Rgb ToneRow(Tone tone);

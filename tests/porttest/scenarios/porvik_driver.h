#pragma once
// What a scenario does with Porvik's tester window, whichever window it is: the Qt window
// offscreen (qt_driver.cpp) or the Win32 window under Wine (win32_driver.cpp). Controls are
// named by their ids in testerlayout.h.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "portplatform.h"
#include "prompt.h"
#include "testercommands.h"

// The wiring test's result dialog while it is open.
class IWiringDialogDriver {
public:
    struct Row {
        std::vector<std::string> cells; // output, input, result, finding
        Rgb background;
    };
    virtual ~IWiringDialogDriver() = default;
    virtual std::vector<Row> Rows() = 0;
    virtual std::string Subject() = 0;
    virtual std::string Summary() = 0;
    virtual Rgb SummaryColour() = 0;
    virtual std::string RepeatCaption() = 0;
    virtual bool RepeatEnabled() = 0;
    virtual void ClickRepeat() = 0;
    // "保存报告..." with `file` as the answer to where.
    virtual void ClickSave(const std::string& file) = 0;
    // Lets the dialog's own events run until `done` or a few seconds have passed.
    virtual bool PumpUntil(const std::function<bool()>& done) = 0;
};

class IPorvikDriver {
public:
    virtual ~IPorvikDriver() = default;
    // The window over `platform` and `prompt`, created and started.
    virtual void Open(IPortPlatform& platform, IPrompt& prompt) = 0;
    // Moves the focus to a control as the Tab key would.
    virtual void Focus(int control) = 0;
    // A key pressed where the focus is.
    virtual void Press(TesterKey key, bool shift = false) = 0;
    virtual void Click(int control) = 0;
    virtual void Type(int control, const std::string& text) = 0;
    virtual bool Ticked(int control) = 0;
    virtual std::string Text(int control) = 0;
    virtual std::string Tooltip(int control) = 0;
    // The status line's whole text, and the colour it is drawn in.
    virtual std::string StatusText() = 0;
    virtual Rgb StatusColour() = 0;
    // Whether the command's button or menu entry can be used.
    virtual bool Enabled(TesterCommand command) = 0;
    virtual bool Ended() = 0;
    // Runs `action`; the modal dialog it opens is handed to `inside` (the wiring dialog) and then
    // closed. Returns the dialog's title, empty when none opened.
    virtual std::string WithModal(const std::function<void()>& action,
                                  const std::function<void(IWiringDialogDriver&)>& inside = {}) = 0;
};

// Made by each test program for its window.
std::unique_ptr<IPorvikDriver> MakePorvikDriver();

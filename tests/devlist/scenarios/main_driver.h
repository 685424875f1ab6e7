#pragma once
// What the behaviour scenarios of Tessaro's main window may do with a window: press, type,
// click, read. One implementation drives the Qt window (QTest events, offscreen), one the
// native Windows window (window messages, under Wine); the scenarios are written once over it.
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "maincommands.h"
#include "scripted_chooser.h"
#include "scripted_prompt.h"

// What to do with the next modal dialog the window opens (an entry dialog, the About box): type
// into its edits, then press one of its buttons. Its title is kept for the scenario to read.
struct DialogScript {
    std::vector<std::pair<int, std::string>> texts;  // control id, text
    int press = 2;                                   // a button id; 2 is Cancel
};

// Keys that are no command's, left to the focused control.
enum class NavKey { Home, End };

class MainWindowDriver {
public:
    virtual ~MainWindowDriver() = default;

    // The questions, messages and file names the window gets.
    ScriptedPrompt prompt;
    ScriptedChooser open, save, import;

    // The file as the shell opens one named on the command line.
    virtual void OpenFile(const std::filesystem::path& path) = 0;

    virtual void Focus(int control) = 0;
    // A key pressed where the focus is.
    virtual void Press(KeyChord key) = 0;
    virtual void Press(NavKey key) = 0;
    // Characters typed where the focus is, one key at a time.
    virtual void Type(const std::string& utf8) = 0;
    virtual void Click(int control) = 0;
    // A double click on row `row` of the list, or below the last row for a negative one.
    virtual void DoubleClick(long row) = 0;
    virtual void Select(long row) = 0;
    // The find bar's choice of field, by its place in the list (名称, 签名, FID).
    virtual void ChooseFindField(int index) = 0;
    virtual void CloseBox() = 0;
    // The next modal dialog is answered by `script`; its title is left in DialogTitle().
    virtual void OnNextDialog(DialogScript script) = 0;
    // The context menu's entry of `command` chosen.
    virtual void ChooseMenu(Command command) = 0;

    virtual int Rows() = 0;
    virtual std::string Cell(int row, int column) = 0;
    virtual long Selection() = 0;  // -1 for none
    virtual bool RowInView(long row) = 0;
    virtual int FocusedControl() = 0;
    virtual bool FindBarOpen() = 0;
    virtual std::string FindText() = 0;
    virtual std::string StatusText() = 0;  // the find bar's word
    virtual std::string ToolTip(int control) = 0;
    // The context menu's entries, each as "text<TAB>key", with whether it is enabled.
    virtual std::vector<std::pair<std::string, bool>> ContextMenu() = 0;
    virtual bool Closed() = 0;
    virtual bool Modified() = 0;

    std::string DialogTitle() const { return dialogTitle; }
    int dialogs = 0;  // modal dialogs answered so far

protected:
    std::string dialogTitle;
};

// Made by each window's test program.
std::unique_ptr<MainWindowDriver> MakeMainWindowDriver();

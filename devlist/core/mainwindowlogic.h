#pragma once
#include <array>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

#include "listdocument.h"
#include "listfind.h"
#include "maincommands.h"
#include "record.h"

// The dialogs a main window runs for its commands, each modal over it.
class IMainDialogs {
public:
    // What the add dialog ended with: 1 a device to append, 3 a file to import, else nothing.
    struct AddResult {
        int result = 2;
        DeviceRecord record{};
        std::filesystem::path importPath;
    };
    virtual AddResult RunAddDialog() = 0;
    // Edits `record` in place (it is a copy the document then takes, if it changed).
    virtual void RunModifyDialog(DeviceRecord& record) = 0;
    virtual void RunAboutBox() = 0;

protected:
    ~IMainDialogs() = default;
};

// What a window shows after a command: the one-shot moves (a row to select and scroll to, the
// selection cleared, where the focus goes, closing) and what it shows from then on (the find
// bar, its word, which commands are enabled). The rows themselves come through the document's
// rows-changed call, which also fires while a file is read in parts.
struct MainView {
    enum class Focus { Keep, List, FindText };

    std::optional<std::size_t> showRow;  // select this row and scroll it into view
    bool clearSelection = false;         // no row selected: an earlier match must not pass for one
    Focus focus = Focus::Keep;           // FindText also selects its text, ready for typing over
    bool close = false;                  // the exit flow let the window go

    bool findBarOpen = false;
    std::string findStatus;  // "未找到" or nothing
    std::array<bool, kCommandCount> enabled{};

    bool Enabled(Command c) const { return enabled[static_cast<std::size_t>(c)]; }
};

// What Tessaro's main window does in answer to a key, a button, a menu entry, a double click or
// a change of the find text: which flow of the document runs, and what the window shows after
// it. A window passes in what only it knows (the selected row, the focused control) and renders
// the MainView it gets back; it decides nothing itself.
class MainWindowLogic {
public:
    MainWindowLogic(DeviceListDocument& doc, IMainDialogs& dialogs) : m_doc(doc), m_dialogs(dialogs) {}

    // `selectedRow` is the row the window has selected, negative for none.
    MainView Run(Command command, long selectedRow);
    // A key pressed with the focus on control `focusId` (0 for none of the window's): nothing
    // when the key is the control's own, to be left to the toolkit. Enter is always taken, so it
    // never reaches a default button that would close the window.
    std::optional<MainView> Key(KeyChord chord, int focusId, long selectedRow);
    // A button clicked (or pressed by the keyboard, as the toolkit does it).
    MainView Button(int id, long selectedRow);
    // A double click in the list: on a row (`row` >= 0) it modifies that row; on empty space,
    // nothing.
    MainView DoubleClick(long row);
    // The find text or field changed: search from the selected row itself.
    MainView FindQueryChanged(FindField field, std::string text, long selectedRow);

    // What the window shows now, without a command (at set-up, after the rows changed).
    MainView View() const;
    bool FindBarOpen() const { return m_findOpen; }

private:
    // The view now, with the one-shot moves of `moves`.
    MainView WithMoves(const MainView& moves) const;
    void Find(MainView& view, FindDirection direction, bool again, long selectedRow);
    void Modify(long selectedRow);
    void Add();

    DeviceListDocument& m_doc;
    IMainDialogs& m_dialogs;
    bool m_findOpen = false;
    FindField m_findField = FindField::Name;
    std::string m_findText;
    std::string m_findStatus;
};

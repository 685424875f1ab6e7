#pragma once
#include <cstddef>
#include <optional>
#include <span>

// What Tessaro's main window can be asked to do, as one table: each command with its keys, its
// button, its context-menu entry and tooltip, and when it is enabled. Both windows build their
// buttons' tooltips, their context menus and their key handling by walking this table, so a key
// means the same in each; what a command then does is MainWindowLogic's (mainwindowlogic.h).

enum class Command {
    Open,
    Save,
    Add,
    Modify,
    Delete,
    Tidy,
    Exit,
    Escape,  // closes the find bar when it is open, else the exit flow
    Find,
    FindNext,
    FindPrevious,
    Undo,
    Redo,
    About,
};
inline constexpr std::size_t kCommandCount = static_cast<std::size_t>(Command::About) + 1;

// The keys the table uses, independent of any toolkit's key codes.
enum class Key { Enter, Escape, Delete, Insert, F1, F2, F3, F, O, S, T, Y, Z };

struct KeyChord {
    Key key;
    bool ctrl = false;
    bool shift = false;
};

// Where a key counts; the focus is the main window's control that has it.
enum class KeyScope {
    Window,     // wherever the focus is in the window
    NotInText,  // anywhere but the find text, whose edit keeps the key (Ctrl+Z edits the text)
    List,       // the list has the focus
    ListRow,    // the list has the focus and a row is selected
    FindText,   // the find text has the focus
};

struct KeyBinding {
    KeyChord chord;
    KeyScope scope;
    const char* text = nullptr;  // as tooltips and menus name it; nullptr ends a command's keys
};

enum class EnabledWhen { Always, CanUndo, CanRedo };

struct CommandDef {
    Command id;
    KeyBinding keys[2];
    int button;                // the control id of its button, 0 for none
    const char* buttonText;    // the button's caption
    const char* tooltip;       // the button's tooltip: its caption and keys
    const char* menuText;      // its context-menu entry, nullptr for none
    EnabledWhen enabled;
};

// Every command, in the order of the Command enum; the context menu lists its entries in this
// order (a separator before About).
std::span<const CommandDef> MainCommands();
const CommandDef& CommandOf(Command id);
// The command of button `id`, nothing for a control that is no button of the table.
std::optional<Command> ButtonCommand(int id);
// The command `chord` runs with the focus on control `focusId` (0: none of the window's), the
// find bar open or not and a row selected or not; nothing when the key is the focused control's
// own (Home, End, Tab, Ctrl+Z in the find text).
std::optional<Command> KeyCommand(KeyChord chord, int focusId, bool findBarOpen, bool rowSelected);
// The key a menu entry names beside its text (after a tab, as both toolkits' menus show keys).
const char* MenuKeyText(const CommandDef& def);

#include "maincommands.h"

#include "dialoglayout.h"
#include "windowtext.h"

namespace {

using enum KeyScope;
constexpr KeyChord Plain(Key k) { return {k, false, false}; }
constexpr KeyChord Ctrl(Key k) { return {k, true, false}; }
constexpr KeyChord Shift(Key k) { return {k, false, true}; }

// Esc has no button of its own: the exit button's tooltip names it, since with the find bar
// closed that is what Esc does.
constexpr CommandDef kCommands[] = {
    {Command::Open, {{Ctrl(Key::O), Window, "Ctrl+O"}}, IDC_OPEN, "打开文件", "打开文件 (Ctrl+O)", nullptr, EnabledWhen::Always},
    {Command::Save, {{Ctrl(Key::S), Window, "Ctrl+S"}}, IDC_SAVE, "保存文件", "保存文件 (Ctrl+S)", nullptr, EnabledWhen::Always},
    {Command::Add, {{Plain(Key::Insert), Window, "Insert"}}, IDC_ADD, "增加器件", "增加器件 (Insert)", nullptr, EnabledWhen::Always},
    {Command::Modify,
     {{Plain(Key::F2), Window, "F2"}, {Plain(Key::Enter), ListRow, "Enter"}},
     IDC_MODIFY, "修改", "修改 (F2, Enter)", nullptr, EnabledWhen::Always},
    {Command::Delete, {{Plain(Key::Delete), List, "Delete"}}, IDC_DELETE, "删除", "删除 (Delete)", nullptr, EnabledWhen::Always},
    {Command::Tidy, {{Ctrl(Key::T), Window, "Ctrl+T"}}, IDC_TIDY, "整理", "整理 (Ctrl+T)", nullptr, EnabledWhen::Always},
    {Command::Exit, {}, IDC_EXIT, "退出程序", "退出程序 (Esc)", nullptr, EnabledWhen::Always},
    {Command::Escape, {{Plain(Key::Escape), Window, "Esc"}}, 0, nullptr, nullptr, nullptr, EnabledWhen::Always},
    {Command::Find, {{Ctrl(Key::F), Window, "Ctrl+F"}}, 0, nullptr, nullptr, nullptr, EnabledWhen::Always},
    {Command::FindNext,
     {{Plain(Key::F3), Window, "F3"}, {Plain(Key::Enter), FindText, "Enter"}},
     0, nullptr, nullptr, nullptr, EnabledWhen::Always},
    {Command::FindPrevious, {{Shift(Key::F3), Window, "Shift+F3"}}, 0, nullptr, nullptr, nullptr, EnabledWhen::Always},
    {Command::Undo, {{Ctrl(Key::Z), NotInText, "Ctrl+Z"}}, 0, nullptr, nullptr, "撤销", EnabledWhen::CanUndo},
    {Command::Redo, {{Ctrl(Key::Y), NotInText, "Ctrl+Y"}}, 0, nullptr, nullptr, "重做", EnabledWhen::CanRedo},
    {Command::About, {{Plain(Key::F1), Window, "F1"}}, 0, nullptr, nullptr, kAboutMenuText, EnabledWhen::Always},
};
static_assert(std::size(kCommands) == kCommandCount);

constexpr bool InOrder()
{
    for (std::size_t i = 0; i < std::size(kCommands); ++i)
        if (static_cast<std::size_t>(kCommands[i].id) != i) return false;
    return true;
}
static_assert(InOrder(), "CommandOf indexes the table by command");

bool Same(KeyChord a, KeyChord b) { return a.key == b.key && a.ctrl == b.ctrl && a.shift == b.shift; }

bool InScope(KeyScope scope, int focusId, bool findBarOpen, bool rowSelected)
{
    switch (scope) {
    case Window:
        return true;
    case NotInText:
        return !(findBarOpen && focusId == IDC_FIND_TEXT);
    case List:
        return focusId == IDC_DEVICE_LIST;
    case ListRow:
        return focusId == IDC_DEVICE_LIST && rowSelected;
    case FindText:
        return findBarOpen && focusId == IDC_FIND_TEXT;
    }
    return false;
}

}  // namespace

std::span<const CommandDef> MainCommands() { return kCommands; }

const CommandDef& CommandOf(Command id) { return kCommands[static_cast<std::size_t>(id)]; }

std::optional<Command> ButtonCommand(int id)
{
    for (const CommandDef& c : kCommands)
        if (c.button != 0 && c.button == id) return c.id;
    return std::nullopt;
}

std::optional<Command> KeyCommand(KeyChord chord, int focusId, bool findBarOpen, bool rowSelected)
{
    // Enter on a focused button presses it, as in any dialog; it is never the window's default
    // button, which would close the window.
    if (Same(chord, Plain(Key::Enter)))
        if (const std::optional<Command> button = ButtonCommand(focusId)) return button;
    for (const CommandDef& c : kCommands)
        for (const KeyBinding& k : c.keys)
            if (k.text && Same(k.chord, chord) && InScope(k.scope, focusId, findBarOpen, rowSelected)) return c.id;
    return std::nullopt;
}

const char* MenuKeyText(const CommandDef& def) { return def.keys[0].text ? def.keys[0].text : ""; }

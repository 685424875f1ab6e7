#pragma once
#include <windows.h>

#include <optional>

#include "maincommands.h"

// The command table's keys as virtual-key codes, both ways.
struct VirtualKeyName {
    Key key;
    WPARAM vk;
};
inline constexpr VirtualKeyName kVirtualKeys[] = {
    {Key::Enter, VK_RETURN}, {Key::Escape, VK_ESCAPE}, {Key::Delete, VK_DELETE}, {Key::Insert, VK_INSERT},
    {Key::F1, VK_F1},        {Key::F2, VK_F2},         {Key::F3, VK_F3},         {Key::F, 'F'},
    {Key::O, 'O'},           {Key::S, 'S'},            {Key::T, 'T'},            {Key::Y, 'Y'},
    {Key::Z, 'Z'},
};

// The table's chord for a key going down, with Ctrl and Shift as the thread's keyboard state has
// them; nothing for a key the table does not know.
inline std::optional<KeyChord> ChordOfVirtualKey(WPARAM vk)
{
    for (const VirtualKeyName& k : kVirtualKeys)
        if (k.vk == vk) return KeyChord{k.key, GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_SHIFT) < 0};
    return std::nullopt;
}

inline WPARAM VirtualKeyOf(Key key)
{
    for (const VirtualKeyName& k : kVirtualKeys)
        if (k.key == key) return k.vk;
    return 0;
}

#pragma once
#include <Qt>

#include <optional>

#include "maincommands.h"

// The command table's keys as Qt names them, both ways.
struct QtKeyName {
    Key key;
    Qt::Key qt;
};
inline constexpr QtKeyName kQtKeys[] = {
    {Key::Enter, Qt::Key_Return}, {Key::Enter, Qt::Key_Enter}, {Key::Escape, Qt::Key_Escape},
    {Key::Delete, Qt::Key_Delete}, {Key::Insert, Qt::Key_Insert}, {Key::F1, Qt::Key_F1},
    {Key::F2, Qt::Key_F2},         {Key::F3, Qt::Key_F3},       {Key::F, Qt::Key_F},
    {Key::O, Qt::Key_O},           {Key::S, Qt::Key_S},         {Key::T, Qt::Key_T},
    {Key::Y, Qt::Key_Y},           {Key::Z, Qt::Key_Z},
};

// The table's chord for a Qt key press (the keypad's Enter and Delete are the same keys); nothing
// for a key the table does not know.
inline std::optional<KeyChord> ChordOfQtKey(int qtKey, Qt::KeyboardModifiers mods)
{
    for (const QtKeyName& k : kQtKeys)
        if (k.qt == qtKey) return KeyChord{k.key, mods.testFlag(Qt::ControlModifier), mods.testFlag(Qt::ShiftModifier)};
    return std::nullopt;
}

inline Qt::Key QtKeyOf(Key key)
{
    for (const QtKeyName& k : kQtKeys)
        if (k.key == key) return k.qt;
    return Qt::Key_unknown;
}

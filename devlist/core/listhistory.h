#pragma once
#include <cstddef>
#include <optional>
#include <vector>

#include "record.h"

// The undo and redo history of a device list. The record storage keeps every record until the
// document goes, so a step holds references only, never records: a single change holds the
// references it took out and put in, a whole-list change (tidy, duplicate removal) the other
// order of the whole list, swapped in and out in O(1).
class ListHistory {
public:
    using Refs = DeviceList::Refs;

    // What an undo or redo did to the list's members, for whoever keeps an index over them.
    struct Change {
        bool sameMembers = true;        // only the order changed
        const Refs* left = nullptr;     // the references that left the list, when known
        const Refs* entered = nullptr;  // the references that entered it, when known
    };

    // Forgets every step; the list as it stands counts as saved.
    void Clear();

    // The references `out` at `at` were replaced by `in` (an add, import, delete or modify).
    void RecordSplice(std::size_t at, Refs out, Refs in);
    // The whole list was rearranged from the order `before`; `sameMembers` when no reference
    // came or went (tidy).
    void RecordReorder(Refs before, bool sameMembers);

    bool CanUndo() const { return m_done > 0; }
    bool CanRedo() const { return m_done < m_steps.size(); }
    // Both need CanUndo() / CanRedo().
    Change Undo(DeviceList& list);
    Change Redo(DeviceList& list);

    // The list as it stands is what was last saved.
    void MarkSaved() { m_saved = m_done; }
    bool AtSaved() const { return m_saved == m_done; }

    std::size_t Steps() const { return m_steps.size(); }

private:
    struct Step {
        bool whole;
        bool sameMembers;
        std::size_t at;
        Refs out;  // whole: the list's other order
        Refs in;
    };
    void Push(Step step);
    static Change Replace(DeviceList& list, Step& step, bool undo);

    std::vector<Step> m_steps;
    std::size_t m_done = 0;               // steps applied; those after it can be redone
    std::optional<std::size_t> m_saved = 0;  // m_done when the list was saved; none if unreachable
};

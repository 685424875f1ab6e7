#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "listops.h"
#include "record.h"

// The undo and redo history of a device list. The record storage keeps every record until the
// document goes, so a step holds references only, never records: a single change holds the
// references it took out and put in; a tidy the earlier position of each record (4 bytes per
// record, where a second reference array would take 8); a duplicate removal where the removed records stood and the records themselves
// (nothing for the records that stayed).
class ListHistory {
public:
    using Refs = DeviceList::Refs;

    // What an undo or redo did to the list's members, for whoever keeps an index over them, and
    // the row to show: the record that was selected, where it now stands, after a whole-list
    // step; otherwise the first row the step touched. None when the list is empty.
    struct Change {
        bool sameMembers = true;        // only the order changed
        const Refs* left = nullptr;     // the references that left the list, when known
        const Refs* entered = nullptr;  // the references that entered it, when known
        std::optional<std::size_t> row;
    };

    // Forgets every step; the list as it stands counts as saved.
    void Clear();
    // Forgets every step; the list as it stands does not count as saved.
    void ClearUnsaved();

    // The references `out` at `at` were replaced by `in` (an add, import, delete or modify).
    void RecordSplice(std::size_t at, Refs out, Refs in);
    // The list was reordered: the record now at row i stood at `earlier[i]`. Only for a change of
    // order: a reorder that moved nothing is no step.
    void RecordReorder(ListPositions earlier);
    // The records `removed` left the list from the rows `removedAt` (ascending, rows of the list
    // before the removal); the others kept their order.
    void RecordRemoval(ListPositions removedAt, Refs removed);

    bool CanUndo() const { return m_done > 0; }
    bool CanRedo() const { return m_done < m_steps.size(); }
    // Both need CanUndo() / CanRedo(). `selected` is the row selected before the move, if any.
    Change Undo(DeviceList& list, std::optional<std::size_t> selected = std::nullopt);
    Change Redo(DeviceList& list, std::optional<std::size_t> selected = std::nullopt);

    // The list as it stands is what was last saved.
    void MarkSaved() { m_saved = m_done; }
    bool AtSaved() const { return m_saved == m_done; }

    std::size_t Steps() const { return m_steps.size(); }
    // Bytes the steps keep beyond their fixed size (for tests and diagnostics).
    std::size_t BytesHeld() const;

private:
    enum class Kind { Splice, Reorder, Removal };
    struct Step {
        Kind kind;
        std::size_t at = 0;     // splice: the first row
        Refs out;               // splice: references taken out; removal: the removed records
        Refs in;                // splice: references put in
        ListPositions positions;  // reorder: earlier row of each row; removal: rows removed
    };
    void Push(Step step);
    static Change Apply(DeviceList& list, Step& step, bool undo, std::optional<std::size_t> selected);

    std::vector<Step> m_steps;
    std::size_t m_done = 0;               // steps applied; those after it can be redone
    std::optional<std::size_t> m_saved = 0;  // m_done when the list was saved; none if unreachable
};

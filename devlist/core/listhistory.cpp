#include "listhistory.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace {

const ListHistory::Refs kNoRefs;

// The row to show when nothing selected survives: `row`, or the last row when it lies past it.
std::optional<std::size_t> Clamped(std::size_t row, std::size_t count)
{
    if (count == 0) return std::nullopt;
    return std::min(row, count - 1);
}

// The first row a reorder moved (a recorded reorder always moved one).
std::size_t FirstMoved(const ListPositions& earlier)
{
    std::size_t i = 0;
    while (i < earlier.size() && earlier[i] == i) ++i;
    return i;
}

}  // namespace

void ListHistory::Clear()
{
    m_steps.clear();
    m_done = 0;
    m_saved = 0;
}

void ListHistory::ClearUnsaved()
{
    Clear();
    m_saved.reset();
}

void ListHistory::Push(Step step)
{
    // A new change ends the redo branch; a save point on it can no longer be reached.
    m_steps.erase(m_steps.begin() + static_cast<std::ptrdiff_t>(m_done), m_steps.end());
    if (m_saved && *m_saved > m_done) m_saved.reset();
    m_steps.push_back(std::move(step));
    ++m_done;
}

void ListHistory::RecordSplice(std::size_t at, Refs out, Refs in)
{
    Push(Step{Kind::Splice, at, std::move(out), std::move(in), {}});
}

void ListHistory::RecordReorder(ListPositions earlier)
{
    Push(Step{Kind::Reorder, 0, {}, {}, std::move(earlier)});
}

void ListHistory::RecordRemoval(ListPositions removedAt, Refs removed)
{
    Push(Step{Kind::Removal, 0, std::move(removed), {}, std::move(removedAt)});
}

ListHistory::Change ListHistory::Apply(DeviceList& list, Step& step, bool undo, std::optional<std::size_t> selected)
{
    Refs& refs = list.RefArray();
    switch (step.kind) {
    case Kind::Splice: {
        const Refs& now = undo ? step.in : step.out;
        const Refs& back = undo ? step.out : step.in;
        const auto at = refs.begin() + static_cast<std::ptrdiff_t>(step.at);
        const auto tail = refs.erase(at, at + static_cast<std::ptrdiff_t>(now.size()));
        refs.insert(tail, back.begin(), back.end());
        const bool same = now.size() == back.size() && now == back;
        return Change{same, &now, &back, Clamped(step.at, refs.size())};
    }
    case Kind::Reorder: {
        const ListPositions& earlier = step.positions;
        const std::size_t n = refs.size();
        Refs moved(n);
        std::optional<std::size_t> row;
        if (undo) {
            for (std::size_t i = 0; i < n; ++i) moved[earlier[i]] = refs[i];
            if (selected && *selected < n) row = earlier[*selected];
        } else {
            for (std::size_t i = 0; i < n; ++i) moved[i] = refs[earlier[i]];
            if (selected && *selected < n)
                row = static_cast<std::size_t>(std::find(earlier.begin(), earlier.end(), *selected) - earlier.begin());
        }
        refs.swap(moved);
        if (!row) row = Clamped(FirstMoved(earlier), n);
        return Change{true, nullptr, nullptr, row};
    }
    case Kind::Removal: {
        const ListPositions& removedAt = step.positions;
        const Refs& removed = step.out;
        std::optional<std::size_t> row;
        if (undo) {
            const std::size_t n = refs.size() + removed.size();
            Refs merged(n);
            std::size_t kept = 0;
            std::size_t back = 0;
            for (std::size_t k = 0; k < n; ++k) {
                if (back < removedAt.size() && removedAt[back] == k) {
                    merged[k] = removed[back++];
                    continue;
                }
                if (selected && *selected == kept) row = k;
                merged[k] = refs[kept++];
            }
            refs.swap(merged);
        } else {
            std::size_t out = 0;
            std::size_t gone = 0;
            for (std::size_t k = 0; k < refs.size(); ++k) {
                if (gone < removedAt.size() && removedAt[gone] == k) {
                    ++gone;
                    continue;
                }
                if (selected && *selected == k) row = out;
                refs[out++] = refs[k];
            }
            refs.resize(out);
        }
        if (!row && !removedAt.empty()) row = Clamped(removedAt.front(), refs.size());
        return Change{false, undo ? &kNoRefs : &removed, undo ? &removed : &kNoRefs, row};
    }
    }
    return Change{};
}

ListHistory::Change ListHistory::Undo(DeviceList& list, std::optional<std::size_t> selected)
{
    --m_done;
    return Apply(list, m_steps[m_done], true, selected);
}

ListHistory::Change ListHistory::Redo(DeviceList& list, std::optional<std::size_t> selected)
{
    return Apply(list, m_steps[m_done++], false, selected);
}

std::size_t ListHistory::BytesHeld() const
{
    std::size_t bytes = 0;
    for (const Step& s : m_steps)
        bytes += (s.out.capacity() + s.in.capacity()) * sizeof(DeviceRecord*) +
                 s.positions.capacity() * sizeof(std::uint32_t);
    return bytes;
}

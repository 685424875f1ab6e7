#include "listhistory.h"

#include <iterator>
#include <utility>

void ListHistory::Clear()
{
    m_steps.clear();
    m_done = 0;
    m_saved = 0;
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
    Push(Step{false, out.size() == in.size() && out == in, at, std::move(out), std::move(in)});
}

void ListHistory::RecordReorder(Refs before, bool sameMembers)
{
    Push(Step{true, sameMembers, 0, std::move(before), {}});
}

ListHistory::Change ListHistory::Replace(DeviceList& list, Step& step, bool undo)
{
    Refs& refs = list.RefArray();
    if (step.whole) {
        refs.swap(step.out);
        return Change{step.sameMembers, nullptr, nullptr};
    }
    const Refs& now = undo ? step.in : step.out;
    const Refs& back = undo ? step.out : step.in;
    const auto at = refs.begin() + static_cast<std::ptrdiff_t>(step.at);
    const auto tail = refs.erase(at, at + static_cast<std::ptrdiff_t>(now.size()));
    refs.insert(tail, back.begin(), back.end());
    return Change{step.sameMembers, &now, &back};
}

ListHistory::Change ListHistory::Undo(DeviceList& list)
{
    --m_done;
    return Replace(list, m_steps[m_done], true);
}

ListHistory::Change ListHistory::Redo(DeviceList& list)
{
    return Replace(list, m_steps[m_done++], false);
}

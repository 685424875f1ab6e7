#include "mainwindowlogic.h"

#include <utility>

#include "windowtext.h"

namespace {

std::optional<std::size_t> AsRow(long selectedRow)
{
    if (selectedRow < 0) return std::nullopt;
    return static_cast<std::size_t>(selectedRow);
}

}  // namespace

MainView MainWindowLogic::View() const
{
    MainView view;
    view.findBarOpen = m_findOpen;
    view.findStatus = m_findStatus;
    for (const CommandDef& c : MainCommands()) {
        bool on = true;
        if (c.enabled == EnabledWhen::CanUndo) on = m_doc.CanUndo();
        if (c.enabled == EnabledWhen::CanRedo) on = m_doc.CanRedo();
        view.enabled[static_cast<std::size_t>(c.id)] = on;
    }
    return view;
}

MainView MainWindowLogic::WithMoves(const MainView& moves) const
{
    MainView view = View();
    view.showRow = moves.showRow;
    view.clearSelection = moves.clearSelection;
    view.focus = moves.focus;
    view.close = moves.close;
    return view;
}

MainView MainWindowLogic::Run(Command command, long selectedRow)
{
    MainView moves;
    switch (command) {
    case Command::Open:
        m_doc.Open();
        break;
    case Command::Save:
        m_doc.Save();
        break;
    case Command::Add:
        Add();
        break;
    case Command::Modify:
        Modify(selectedRow);
        break;
    case Command::Delete:
        if (const std::optional<std::size_t> row = m_doc.SelectedDevice(selectedRow)) m_doc.Delete(*row);
        break;
    case Command::Tidy:
        m_doc.Tidy();
        break;
    case Command::Escape:
        if (m_findOpen) {
            m_findOpen = false;
            moves.focus = MainView::Focus::List;
            break;
        }
        [[fallthrough]];
    case Command::Exit:
        moves.close = m_doc.SaveChangesFirst();
        break;
    case Command::Find:
        m_findOpen = true;
        moves.focus = MainView::Focus::FindText;
        break;
    case Command::FindNext:
        Find(moves, FindDirection::Forward, true, selectedRow);
        break;
    case Command::FindPrevious:
        Find(moves, FindDirection::Backward, true, selectedRow);
        break;
    case Command::Undo:
        // The row the step changed comes into view selected, so that it is seen to have worked.
        moves.showRow = m_doc.Undo(AsRow(selectedRow));
        break;
    case Command::Redo:
        moves.showRow = m_doc.Redo(AsRow(selectedRow));
        break;
    case Command::About:
        m_dialogs.RunAboutBox();
        break;
    }
    return WithMoves(moves);
}

std::optional<MainView> MainWindowLogic::Key(KeyChord chord, int focusId, long selectedRow)
{
    if (const std::optional<Command> command = KeyCommand(chord, focusId, m_findOpen, selectedRow >= 0))
        return Run(*command, selectedRow);
    if (chord.key == Key::Enter) return View();
    return std::nullopt;
}

MainView MainWindowLogic::Button(int id, long selectedRow)
{
    if (const std::optional<Command> command = ButtonCommand(id)) return Run(*command, selectedRow);
    return View();
}

MainView MainWindowLogic::DoubleClick(long row)
{
    // Empty space below the rows is no row: the selected one must not be modified by it.
    if (row < 0) return View();
    return Run(Command::Modify, row);
}

MainView MainWindowLogic::FindQueryChanged(FindField field, std::string text, long selectedRow)
{
    m_findField = field;
    m_findText = std::move(text);
    MainView moves;
    Find(moves, FindDirection::Forward, false, selectedRow);
    return WithMoves(moves);
}

void MainWindowLogic::Find(MainView& moves, FindDirection direction, bool again, long selectedRow)
{
    // F3 with nothing to look for opens the bar to type it.
    if (again && (!m_findOpen || m_findText.empty())) {
        m_findOpen = true;
        moves.focus = MainView::Focus::FindText;
        return;
    }
    std::optional<std::size_t> row;
    if (!m_findText.empty()) row = m_doc.Find(RecordMatcher(m_findField, m_findText), selectedRow, direction, again);
    m_findStatus = !m_findText.empty() && !row ? kFindNotFound : "";
    moves.showRow = row;
    // The highlight of an earlier match must not pass for this one: a Delete after 未找到
    // would remove a device the user no longer sees as found.
    moves.clearSelection = !m_findText.empty() && !row;
}

void MainWindowLogic::Modify(long selectedRow)
{
    const std::optional<std::size_t> row = m_doc.SelectedDevice(selectedRow);
    if (!row) return;
    m_doc.Modify(*row, [this](DeviceRecord& rec) { m_dialogs.RunModifyDialog(rec); });
}

void MainWindowLogic::Add()
{
    const IMainDialogs::AddResult added = m_dialogs.RunAddDialog();
    if (added.result == 1)
        m_doc.Append(added.record);
    else if (added.result == 3)
        m_doc.Import(added.importPath);
}

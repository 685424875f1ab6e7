#pragma once
#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>

#include "filechooser_iface.h"
#include "listhistory.h"
#include "listops.h"
#include "prompt.h"
#include "record.h"

struct ReadResult;
struct WriteResult;

// What the user is told when a save fails: whether the file on disk may now be damaged, and then
// where the old list is kept.
std::string SaveFailureText(const WriteResult& written);

// The device list being edited: every record ever read or added, the list, the modified flag and
// the duplicate index, with the flows behind the main window's buttons. Questions and messages go
// through IPrompt and file names through the choosers, so the flows run without any window.
class DeviceListDocument {
public:
    DeviceListDocument(IPrompt& prompt, IFileChooser& openChooser, IFileChooser& saveChooser);
    DeviceListDocument(const DeviceListDocument&) = delete;
    DeviceListDocument& operator=(const DeviceListDocument&) = delete;

    // Called whenever the rows are to be shown anew (after the duplicate check of a change).
    void SetRowsChanged(std::function<void()> rowsChanged) { m_rowsChanged = std::move(rowsChanged); }

    // 打开文件: the save question, then a file name, then the file.
    void Open();
    // The file replaces the list, unless it cannot be opened or read; a new list starts a new
    // undo history.
    void OpenFile(const std::filesystem::path& path);
    // 保存文件: true when the file was written.
    bool Save();
    // The save question before the list is left or replaced: true when the caller may go on.
    bool SaveChangesFirst();
    void Append(const DeviceRecord& record);
    void Import(const std::filesystem::path& path);
    // `row` must be < List().Count().
    void Delete(std::size_t row);
    // Runs `edit` on a copy of the record at `row` (< List().Count()), which takes the record's
    // place if it changed, so that an undo can put the old one back; the list counts as modified.
    void Modify(std::size_t row, const std::function<void(DeviceRecord&)>& edit);
    void Tidy();
    // The duplicate check (asking whether to remove them), then the rows shown anew.
    void Refill();

    // Each add, import, delete, modify, tidy and duplicate removal is one step, without limit.
    // Back at the list last opened or saved the list is no longer modified; anywhere else it is.
    bool CanUndo() const { return m_history.CanUndo(); }
    bool CanRedo() const { return m_history.CanRedo(); }
    void Undo();
    void Redo();

    bool IsModified() const { return m_bModified; }
    const DeviceList& List() const { return m_list; }

    // The duplicate index after a whole-list change is rebuilt later (a window does it once it
    // is idle, so the rows show first); a single change before that builds it on the spot.
    bool IndexValid() const { return m_bIndexValid; }
    void EnsureIndex();

private:
    void CheckDuplicates();
    void AfterHistoryMove(const ListHistory::Change& change);
    bool ReportReadProblem(const ReadResult& result);
    void ReportShortFile(const ReadResult& result);

    IPrompt& m_prompt;
    IFileChooser& m_openChooser;
    IFileChooser& m_saveChooser;
    std::function<void()> m_rowsChanged;

    bool m_bModified = false;
    RecordStorage m_storage;  // every record ever read or added stays here until the document goes
    DeviceList m_list;
    DeviceList m_importList;
    // Kept in step with m_list so that the duplicate check after a single change costs O(1).
    DuplicateIndex m_dupIndex;
    bool m_bIndexValid = true;
    ListHistory m_history;
};

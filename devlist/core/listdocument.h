#pragma once
#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "filechooser_iface.h"
#include "listfind.h"
#include "listhistory.h"
#include "listops.h"
#include "prompt.h"
#include "record.h"

struct ReadResult;
struct WriteResult;

// What the user is told when a save fails: whether the file on disk may now be damaged, and then
// where the old list is kept.
std::string SaveFailureText(const WriteResult& written);

// Records read in the first part of an open and in each later one where large blocks do or do not
// get huge pages (largealloc.h); a first part of 0 reads every file at once.
struct LoadParts {
    std::size_t first;
    std::size_t later;
    bool operator==(const LoadParts&) const = default;
};
LoadParts LoadPartsFor(bool hugePages);

// The device list being edited: the records of the list opened last and of every change since,
// the list, the modified flag and the duplicate index, with the flows behind the main window's
// buttons. Questions and messages go
// through IPrompt and file names through the choosers, so the flows run without any window.
class DeviceListDocument {
public:
    DeviceListDocument(IPrompt& prompt, IFileChooser& openChooser, IFileChooser& saveChooser);
    ~DeviceListDocument();
    DeviceListDocument(const DeviceListDocument&) = delete;
    DeviceListDocument& operator=(const DeviceListDocument&) = delete;

    // Called whenever the rows are to be shown anew (after the duplicate check of a change).
    void SetRowsChanged(std::function<void()> rowsChanged) { m_rowsChanged = std::move(rowsChanged); }

    // 打开文件: the save question, then a file name, then the file.
    void Open();
    // The file replaces the list, unless it cannot be opened or read; a new list starts a new
    // undo history. A big file may be read in parts (see SetLoadParts): the first part shows at
    // once and the rest comes with DoIdleWork. Every flow waits for the rest first; if reading it
    // fails, the user is told, the list from before comes back (with its history and modified
    // flag) and the flow does not run, since it was meant for a list that is gone. A file that
    // changes between parts is read again from the start, once; if it changes again, the user is
    // told so and the list from before comes back. Whatever the previous list held (its records,
    // its history, its index) is released once the new one is read.
    void OpenFile(const std::filesystem::path& path);
    // Records read in the first part of an open and in each later one (LoadPartsFor chooses them
    // by default): where memory comes in huge pages files are read at once; elsewhere, where a
    // million records take a few hundred milliseconds to read, in a first part of 4,096 records
    // and later ones of 262,144.
    void SetLoadParts(std::size_t first, std::size_t later)
    {
        m_firstPart = first;
        m_laterPart = later;
    }
    // 保存文件: true when the file was written.
    bool Save();
    // A file named without the open dialog (dropped on a window): the save question, then the file.
    void OpenDropped(const std::filesystem::path& path);
    // The save question before the list is left or replaced: true when the caller may go on.
    // A file still being read is read to its end first (if that fails, the list from before is
    // back and the caller may not go on), but its duplicate question is not asked: the list is
    // being left. Should it stay after all, the question comes when the window is next idle.
    bool SaveChangesFirst();
    void Append(const DeviceRecord& record);
    void Import(const std::filesystem::path& path);
    // 查找 from the row a window has selected (negative for none): again (F3, Shift+F3) starts
    // past that row, a changed text or field at it. The row found, or none.
    std::optional<std::size_t> Find(const RecordMatcher& matcher, long selectedRow, FindDirection direction, bool again);
    // The row a window has selected (negative for none) as a list index, or nothing after
    // asking the user to select a device first: what delete and modify check before they run.
    std::optional<std::size_t> SelectedDevice(long selectedRow);
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
    // `selected` is the row selected before; the result is the row to select and show after:
    // after a tidy or duplicate removal the record that was selected, if it is still in the list,
    // otherwise the first row the step touched. None when nothing was undone or the list is empty.
    std::optional<std::size_t> Undo(std::optional<std::size_t> selected = std::nullopt);
    std::optional<std::size_t> Redo(std::optional<std::size_t> selected = std::nullopt);
    // Bytes the undo steps keep, and the records of the list opened last and of every change
    // since (for tests and diagnostics).
    std::size_t HistoryBytes() const { return m_history.BytesHeld(); }
    std::size_t RecordBytes() const { return m_storage->BytesHeld(); }

    bool IsModified() const { return m_bModified; }
    const DeviceList& List() const { return m_list; }

    // The duplicate index after a whole-list change is rebuilt later (a window does it once it
    // is idle, so the rows show first); a single change before that builds it on the spot.
    void EnsureIndex();
    // What a window does while it is idle, one step a call: the next part of a file being read,
    // then the duplicate index.
    bool HasIdleWork() const { return m_loading != nullptr || m_bDuplicateCheckOwed || !m_bIndexValid; }
    void DoIdleWork();
    bool Loading() const { return m_loading != nullptr; }

private:
    struct PendingOpen;
    // False when the rest of a file could not be read and the list from before is back. With
    // `leaving`, the list read is about to be left: its duplicate question waits.
    bool FinishLoading(bool leaving = false);
    bool LoadPart(std::size_t records, bool leaving = false);
    // Reads the first part of the pending open's file into fresh storage; false (the user told)
    // when it cannot be opened or read.
    bool StartReading(PendingOpen& pending, DeviceList& target, ReadResult& result);
    void RestorePrevious(PendingOpen& pending);
    void ReleaseListBefore();
    void TakeOpenedList(const ReadResult& result, bool leaving = false);
    void CheckDuplicates();
    std::optional<std::size_t> AfterHistoryMove(const ListHistory::Change& change);
    bool ReportReadProblem(const ReadResult& result);
    void ReportShortFile(const ReadResult& result);

    IPrompt& m_prompt;
    IFileChooser& m_openChooser;
    IFileChooser& m_saveChooser;
    std::function<void()> m_rowsChanged;

    bool m_bModified = false;
    // The records of the list opened last and of every change since, which its history may bring
    // back: they stay until another list is opened.
    std::unique_ptr<RecordStorage> m_storage;
    DeviceList m_list;
    // Kept in step with m_list so that the duplicate check after a single change costs O(1).
    DuplicateIndex m_dupIndex;
    bool m_bIndexValid = true;
    bool m_bDuplicateCheckOwed = false;  // a list read to its end while being left, then kept
    ListHistory m_history;
    std::size_t m_firstPart;
    std::size_t m_laterPart;
    std::unique_ptr<PendingOpen> m_loading;  // a file still being read, and the list from before
};

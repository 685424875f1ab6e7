#include "listdocument.h"

#include "largealloc.h"
#include "listfile.h"
#include "safesave.h"
#include "windowtext.h"

#include <cstring>
#include <limits>
#include <string>
#include <utility>

namespace {

const char* const kAskSave = "是否保存当前器件列表?";
const char* const kAskDuplicates = "发现重复器件! 是否删除重复?";
const char* const kOpenError = "打开文件发生错误!";
const char* const kSaveError = "保存文件发生错误!";
const char* const kReadError = "读取文件发生错误!";
const char* const kNotRegular = "不能打开: 这不是普通文件 (可能是目录、管道或设备), 器件列表只能从普通文件读入。";
const char* const kNoHeader = "文件不完整: 文件头不足 8 个字节, 没有读入任何器件。";

}  // namespace

// A save that failed half-way through writing over the file leaves it damaged; the user must
// learn that, and where the old list is kept, or the next open takes the damage for a list.
std::string SaveFailureText(const WriteResult& written)
{
    if (!written.targetDamaged) return kSaveError;
    const std::u8string where = written.backupPath.u8string();
    return std::string(kSaveError) + "\n磁盘上的文件写到一半失败, 可能已损坏。原来的列表保存在:\n" +
           std::string(where.begin(), where.end());
}

// A file being read in parts, and the list from before, which comes back if the read fails.
struct DeviceListDocument::PendingOpen {
    std::filesystem::path path;
    ListFileLoader loader;
    std::unique_ptr<RecordStorage> storage;  // where the file is read to, until it is the list's
    bool readAgain = false;                  // read once more from the start after a change
    DeviceList previousList;
    ListHistory previousHistory;
    bool previousModified = false;
    bool previousCheckOwed = false;
    std::unique_ptr<RecordStorage> previousStorage;
};

namespace {
// 144 KiB: shown at once even where every 4 KiB page costs a fault.
constexpr std::size_t kFirstPartRecords = 4096;
// 9 MiB: few steps (each also updates the view), each still too short to be felt.
constexpr std::size_t kLaterPartRecords = 262144;
}

LoadParts LoadPartsFor(bool hugePages) { return {hugePages ? 0 : kFirstPartRecords, kLaterPartRecords}; }

DeviceListDocument::DeviceListDocument(IPrompt& prompt, IFileChooser& openChooser, IFileChooser& saveChooser)
    : m_prompt(prompt),
      m_openChooser(openChooser),
      m_saveChooser(saveChooser),
      m_storage(std::make_unique<RecordStorage>())
{
    const LoadParts parts = LoadPartsFor(LargeBlocksGetHugePages());
    SetLoadParts(parts.first, parts.later);
}

DeviceListDocument::~DeviceListDocument() = default;

bool DeviceListDocument::SaveChangesFirst()
{
    if (!FinishLoading(true)) return false;
    if (!m_bModified) return true;
    switch (m_prompt.Message(kAskSave, IPrompt::Buttons::YesNoCancel)) {
    case IPrompt::Answer::Yes:
        // A save that was cancelled or failed stops whatever was to follow: going on would
        // throw away the changes the user just asked to keep.
        return Save();
    case IPrompt::Answer::No:
        return true;
    default:
        return false;
    }
}

bool DeviceListDocument::Save()
{
    if (!FinishLoading()) return false;
    const auto path = m_saveChooser.Choose();
    if (!path) return false;
    const WriteResult written = WriteListFile(*path, m_list);
    if (!written.ok) {
        const std::string earlier = written.earlierBackups.empty() ? "" : "\n" + LeftBackupsText(written.earlierBackups);
        m_prompt.Inform(SaveFailureText(written) + earlier);
        return false;
    }
    m_bModified = false;
    m_history.MarkSaved();
    if (!written.earlierBackups.empty() || !written.backupPath.empty())
        m_prompt.Inform(BackupsAfterSaveText(written.earlierBackups, written.backupPath));
    return true;
}

bool DeviceListDocument::ReportReadProblem(const ReadResult& result)
{
    switch (result.error) {
    case ReadError::Open:
        m_prompt.Inform(kOpenError);
        return true;
    case ReadError::Read:
        m_prompt.Inform(kReadError);
        return true;
    case ReadError::NotRegular:
        m_prompt.Inform(kNotRegular);
        return true;
    case ReadError::Changed:
        m_prompt.Inform(kMsgFileChangedWhileRead);
        return true;
    case ReadError::None:
        break;
    }
    return false;
}

// Tells the user that a file ended early and how much of it was taken.
void DeviceListDocument::ReportShortFile(const ReadResult& result)
{
    if (!result.IsShort()) return;
    if (!result.layout.headerComplete) {
        m_prompt.Inform(kNoHeader);
        return;
    }
    m_prompt.Inform("文件不完整: 文件声明有 " + std::to_string(result.layout.count) + " 个器件, 只读入了其中完整的 " +
                    std::to_string(result.appended) + " 个。");
}

void DeviceListDocument::Open()
{
    if (!SaveChangesFirst()) return;
    const auto path = m_openChooser.Choose();
    if (!path) return;
    OpenFile(*path);
}

void DeviceListDocument::OpenDropped(const std::filesystem::path& path)
{
    if (!SaveChangesFirst()) return;
    OpenFile(path);
}

bool DeviceListDocument::StartReading(PendingOpen& pending, DeviceList& target, ReadResult& result)
{
    pending.storage = std::make_unique<RecordStorage>();
    const std::size_t part = m_firstPart == 0 ? std::numeric_limits<std::size_t>::max() : m_firstPart;
    result = pending.loader.Start(pending.path, *pending.storage, target, part);
    return result.Ok();
}

// The list that is replaced is gone for good: its history and its index go at once (its records
// go with the storage that replaces theirs).
void DeviceListDocument::ReleaseListBefore()
{
    m_history.Clear();
    m_dupIndex.Clear();
    m_bIndexValid = false;
    m_list = DeviceList();
}

void DeviceListDocument::RestorePrevious(PendingOpen& pending)
{
    m_list = std::move(pending.previousList);
    m_history = std::move(pending.previousHistory);
    m_bModified = pending.previousModified;
    m_bDuplicateCheckOwed = pending.previousCheckOwed;
    m_storage = std::move(pending.previousStorage);  // what was read of the file goes
    m_bIndexValid = false;
    if (m_rowsChanged) m_rowsChanged();
}

void DeviceListDocument::OpenFile(const std::filesystem::path& path)
{
    if (!FinishLoading(true)) return;
    // Read aside first: the list is replaced only by a file that was actually read, so a file
    // that cannot be opened or read costs the user nothing.
    auto pending = std::make_unique<PendingOpen>();
    pending->path = path;
    DeviceList scratch;
    ReadResult result;
    if (!StartReading(*pending, scratch, result)) {
        ReportReadProblem(result);
        return;
    }
    // A backup of an interrupted save may hold the list the user is looking for.
    if (const std::vector<std::filesystem::path> left = LeftBackupsOf(path); !left.empty())
        m_prompt.Inform(LeftBackupsText(left));

    // An open always replaces the list: merging files is what import is for.
    if (pending->loader.Done()) {
        ReleaseListBefore();
        m_list = std::move(scratch);
        m_storage = std::move(pending->storage);
        m_bDuplicateCheckOwed = false;
        TakeOpenedList(result);
        return;
    }
    pending->previousList = std::move(m_list);
    pending->previousHistory = std::move(m_history);
    pending->previousModified = m_bModified;
    pending->previousCheckOwed = m_bDuplicateCheckOwed;
    pending->previousStorage = std::move(m_storage);
    m_storage = std::move(pending->storage);
    ReleaseListBefore();
    m_list = std::move(scratch);
    m_bModified = false;
    m_bDuplicateCheckOwed = false;
    m_loading = std::move(pending);
    if (m_rowsChanged) m_rowsChanged();
}

void DeviceListDocument::TakeOpenedList(const ReadResult& result, bool leaving)
{
    m_bIndexValid = false;
    if (leaving) {
        m_bDuplicateCheckOwed = true;
        if (m_rowsChanged) m_rowsChanged();
    } else {
        Refill();
    }
    ReportShortFile(result);
    m_bModified = false;
    m_history.Clear();
}

bool DeviceListDocument::LoadPart(std::size_t records, bool leaving)
{
    const ReadResult result = m_loading->loader.Continue(m_list, records);
    if (!m_loading->loader.Done()) {
        if (m_rowsChanged) m_rowsChanged();
        return true;
    }
    std::unique_ptr<PendingOpen> done = std::move(m_loading);
    if (result.Ok()) {
        done.reset();  // the list from before, and all it held, goes now
        TakeOpenedList(result, leaving);
        return true;
    }
    if (result.error == ReadError::Changed && !done->readAgain) {
        // The parts would not make one list: the file as it is now is read from the start, once.
        done->readAgain = true;
        m_list = DeviceList();
        DeviceList scratch;
        ReadResult again;
        if (!StartReading(*done, scratch, again)) {
            RestorePrevious(*done);
            ReportReadProblem(again);
            return false;
        }
        m_storage = std::move(done->storage);
        m_list = std::move(scratch);
        if (!done->loader.Done()) {
            m_loading = std::move(done);
            if (m_rowsChanged) m_rowsChanged();
            return true;
        }
        done.reset();
        TakeOpenedList(again, leaving);
        return true;
    }
    RestorePrevious(*done);
    ReportReadProblem(result);
    return false;
}

bool DeviceListDocument::FinishLoading(bool leaving)
{
    while (m_loading)
        if (!LoadPart(std::numeric_limits<std::size_t>::max(), leaving)) return false;
    return true;
}

void DeviceListDocument::DoIdleWork()
{
    if (m_loading)
        LoadPart(m_laterPart);
    else if (m_bDuplicateCheckOwed)
        Refill();
    else
        EnsureIndex();
}

void DeviceListDocument::Append(const DeviceRecord& record)
{
    if (!FinishLoading()) return;
    EnsureIndex();
    DeviceRecord* copy = m_storage->AddCopy(record);
    m_list.Append(copy);
    m_dupIndex.Add(*copy);
    m_history.RecordSplice(m_list.Count() - 1, {}, {copy});
    Refill();
    m_bModified = true;
}

void DeviceListDocument::Import(const std::filesystem::path& path)
{
    if (!FinishLoading()) return;
    DeviceList imported;
    const ReadResult result = ReadListFile(path, *m_storage, imported);
    if (ReportReadProblem(result)) return;
    ReportShortFile(result);

    EnsureIndex();
    m_history.RecordSplice(m_list.Count(), {}, imported.RefArray());
    m_list.AppendAll(imported);
    for (const DeviceRecord* rec : imported) m_dupIndex.Add(*rec);
    Refill();
    m_bModified = true;
}

std::optional<std::size_t> DeviceListDocument::Find(const RecordMatcher& matcher, long selectedRow,
                                                     FindDirection direction, bool again)
{
    if (!FinishLoading()) return std::nullopt;
    return FindRow(m_list, matcher, FindStart(selectedRow, m_list.Count(), direction, again), direction);
}

std::optional<std::size_t> DeviceListDocument::SelectedDevice(long selectedRow)
{
    // A row chosen while a file is still being read may be moved by the removal of repeats at
    // the end of the read; the record then standing there is not the one the user chose.
    const bool shown = selectedRow >= 0 && static_cast<unsigned long>(selectedRow) < m_list.Count();
    const DeviceRecord* chosen = shown ? m_list[static_cast<std::size_t>(selectedRow)] : nullptr;
    if (!FinishLoading()) return std::nullopt;
    if (!shown || static_cast<unsigned long>(selectedRow) >= m_list.Count() ||
        m_list[static_cast<std::size_t>(selectedRow)] != chosen) {
        m_prompt.Inform(kMsgSelectFirst);
        return std::nullopt;
    }
    return static_cast<std::size_t>(selectedRow);
}

void DeviceListDocument::Delete(std::size_t row)
{
    if (!FinishLoading()) return;
    EnsureIndex();
    DeviceRecord* leaving = m_list[row];
    m_list.RemoveAt(row);
    m_dupIndex.Remove(*leaving);
    m_history.RecordSplice(row, {leaving}, {});
    Refill();
    m_bModified = true;
}

void DeviceListDocument::Modify(std::size_t row, const std::function<void(DeviceRecord&)>& edit)
{
    if (!FinishLoading()) return;
    EnsureIndex();
    DeviceRecord* before = m_list[row];
    DeviceRecord* after = m_storage->AddCopy(*before);
    edit(*after);
    if (std::memcmp(before, after, sizeof *before) != 0) {
        m_list.RefArray()[row] = after;
        m_dupIndex.Remove(*before);
        m_dupIndex.Add(*after);
        m_history.RecordSplice(row, {before}, {after});
    }
    Refill();
    m_bModified = true;
}

void DeviceListDocument::Tidy()
{
    if (!FinishLoading()) return;
    ListPositions earlier;
    // A tidy that moves nothing is no step, though the list still counts as modified.
    if (SortByTidyKey(m_list, &earlier)) {
        if (earlier.empty())
            m_history.ClearUnsaved();  // beyond 32-bit rows: no undo for this one
        else
            m_history.RecordReorder(std::move(earlier));
    }
    Refill();
    m_bModified = true;
}

void DeviceListDocument::EnsureIndex()
{
    FinishLoading();
    if (m_bIndexValid) return;
    m_dupIndex.Rebuild(m_list);
    m_bIndexValid = true;
}

void DeviceListDocument::CheckDuplicates()
{
    // A full scan costs less than building the index, which can wait until the rows show.
    const bool found = m_bIndexValid ? m_dupIndex.HasDuplicates() : HasDuplicates(m_list);
    if (!found) return;
    if (m_prompt.Message(kAskDuplicates, IPrompt::Buttons::YesNo) != IPrompt::Answer::Yes) return;
    ListPositions removedAt;
    DeviceList::Refs removed;
    RemoveDuplicates(m_list, &removedAt, &removed);
    m_history.RecordRemoval(std::move(removedAt), std::move(removed));
    m_bIndexValid = false;
    m_bModified = true;
}

void DeviceListDocument::Refill()
{
    if (!FinishLoading()) return;
    m_bDuplicateCheckOwed = false;
    CheckDuplicates();
    if (m_rowsChanged) m_rowsChanged();
}

std::optional<std::size_t> DeviceListDocument::Undo(std::optional<std::size_t> selected)
{
    if (!FinishLoading() || !m_history.CanUndo()) return std::nullopt;
    return AfterHistoryMove(m_history.Undo(m_list, selected));
}

std::optional<std::size_t> DeviceListDocument::Redo(std::optional<std::size_t> selected)
{
    if (!FinishLoading() || !m_history.CanRedo()) return std::nullopt;
    return AfterHistoryMove(m_history.Redo(m_list, selected));
}

// No duplicate check here: an undone duplicate removal would only be asked again.
std::optional<std::size_t> DeviceListDocument::AfterHistoryMove(const ListHistory::Change& change)
{
    // Past this many references a rebuild when idle costs less than keeping the index in step.
    constexpr std::size_t kIndexUpkeepLimit = 4096;
    if (!change.sameMembers && m_bIndexValid) {
        if (change.left && change.entered && change.left->size() + change.entered->size() <= kIndexUpkeepLimit) {
            for (const DeviceRecord* rec : *change.left) m_dupIndex.Remove(*rec);
            for (const DeviceRecord* rec : *change.entered) m_dupIndex.Add(*rec);
        } else {
            m_bIndexValid = false;
        }
    }
    m_bModified = !m_history.AtSaved();
    if (m_rowsChanged) m_rowsChanged();
    return change.row;
}

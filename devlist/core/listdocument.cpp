#include "listdocument.h"

#include "listfile.h"

#include <cstring>
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

DeviceListDocument::DeviceListDocument(IPrompt& prompt, IFileChooser& openChooser, IFileChooser& saveChooser)
    : m_prompt(prompt), m_openChooser(openChooser), m_saveChooser(saveChooser)
{
}

bool DeviceListDocument::SaveChangesFirst()
{
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
    const auto path = m_saveChooser.Choose();
    if (!path) return false;
    const WriteResult written = WriteListFile(*path, m_list);
    if (!written.ok) {
        m_prompt.Inform(SaveFailureText(written));
        return false;
    }
    m_bModified = false;
    m_history.MarkSaved();
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

void DeviceListDocument::OpenFile(const std::filesystem::path& path)
{
    // Read aside first: the list is replaced only by a file that was actually read, so a file
    // that cannot be opened or read costs the user nothing.
    DeviceList scratch;
    const ReadResult result = ReadListFile(path, m_storage, scratch);
    if (ReportReadProblem(result)) return;

    // An open always replaces the list: merging files is what import is for.
    m_list = std::move(scratch);
    m_bIndexValid = false;
    Refill();
    ReportShortFile(result);
    m_bModified = false;
    m_history.Clear();
}

void DeviceListDocument::Append(const DeviceRecord& record)
{
    EnsureIndex();
    DeviceRecord* copy = m_storage.AddCopy(record);
    m_list.Append(copy);
    m_dupIndex.Add(*copy);
    m_history.RecordSplice(m_list.Count() - 1, {}, {copy});
    Refill();
    m_bModified = true;
}

void DeviceListDocument::Import(const std::filesystem::path& path)
{
    m_importList.Clear();
    const ReadResult result = ReadListFile(path, m_storage, m_importList);
    if (ReportReadProblem(result)) return;
    ReportShortFile(result);

    EnsureIndex();
    m_history.RecordSplice(m_list.Count(), {}, m_importList.RefArray());
    m_list.AppendAll(m_importList);
    for (const DeviceRecord* rec : m_importList) m_dupIndex.Add(*rec);
    Refill();
    m_bModified = true;
}

void DeviceListDocument::Delete(std::size_t row)
{
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
    EnsureIndex();
    DeviceRecord* before = m_list[row];
    DeviceRecord* after = m_storage.AddCopy(*before);
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
    DeviceList::Refs before = m_list.RefArray();
    SortByTidyKey(m_list);
    m_history.RecordReorder(std::move(before), true);
    Refill();
    m_bModified = true;
}

void DeviceListDocument::EnsureIndex()
{
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
    DeviceList::Refs before = m_list.RefArray();
    RemoveDuplicates(m_list);
    m_history.RecordReorder(std::move(before), false);
    m_bIndexValid = false;
    m_bModified = true;
}

void DeviceListDocument::Refill()
{
    CheckDuplicates();
    if (m_rowsChanged) m_rowsChanged();
}

void DeviceListDocument::Undo()
{
    if (m_history.CanUndo()) AfterHistoryMove(m_history.Undo(m_list));
}

void DeviceListDocument::Redo()
{
    if (m_history.CanRedo()) AfterHistoryMove(m_history.Redo(m_list));
}

// No duplicate check here: an undone duplicate removal would only be asked again.
void DeviceListDocument::AfterHistoryMove(const ListHistory::Change& change)
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
}

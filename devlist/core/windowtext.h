#pragma once
#include <cstddef>
#include <filesystem>
#include <span>
#include <string>

#include "listfind.h"
#include "record.h"
#include "recordfields.h"

// What Tessaro's windows say, in UTF-8: one home for both front ends (the Qt window and the
// native Windows one), so that captions, titles and messages never drift apart. Each front end
// only places these texts on its own controls.

// Control ids of the main window's template; the find bar's controls follow the template's own.
enum MainControl : int {
    IDC_EXIT = 2,
    IDC_DEVICE_LIST = 1000,
    IDC_OPEN = 1001,
    IDC_SAVE = 1003,
    IDC_ADD = 1004,
    IDC_TIDY = 1005,
    IDC_MODIFY = 1012,
    IDC_DELETE = 1013,
    IDC_FIND_LABEL = 1020,
    IDC_FIND_FIELD = 1021,
    IDC_FIND_TEXT = 1022,
    IDC_FIND_STATUS = 1023,
};

// Control ids of the entry dialogs (templates 129 and 132).
enum : int {
    IDC_ENTRY_OK = 1,
    IDC_ENTRY_CANCEL = 2,
    IDC_NAME = 1006,
    IDC_IMPORT = 1007,
    IDC_FID = 1008,
    IDC_ROM = 1009,
    IDC_VOLTAGE = 1010,
    IDC_SIG1 = 1011,
    IDC_SIG2 = 1014,
    IDC_SIG3 = 1015,
};

struct ControlText {
    int id;
    const char* text;
};

inline constexpr const char* kMainCaption = "Tessaro ver1.0 For Qorel Vantor";
inline constexpr const char* kMakerName = "Halvern";
inline constexpr ControlText kMainButtons[] = {
    {IDC_EXIT, "退出程序"}, {IDC_OPEN, "打开文件"}, {IDC_SAVE, "保存文件"}, {IDC_ADD, "增加器件"},
    {IDC_TIDY, "整理"},     {IDC_MODIFY, "修改"},   {IDC_DELETE, "删除"},
};
// The text of control `id` in `table`, empty for an id that is none.
template <std::size_t N>
constexpr const char* TextOf(const ControlText (&table)[N], int id)
{
    for (const ControlText& c : table)
        if (c.id == id) return c.text;
    return "";
}

// The six list columns: title and width in pixels (fixed in pixels, not dialog units).
enum DeviceColumn { COL_NUMBER = 0, COL_NAME, COL_FID, COL_ROM, COL_VOLTAGE, COL_SIGNATURE, COL_COUNT };
struct DeviceColumnDef {
    const char* title;
    int width;
};
inline constexpr DeviceColumnDef kDeviceColumns[COL_COUNT] = {
    {"序号", 50}, {"器件名称", 150}, {"FID", 50}, {"ROM", 50}, {"编程电压", 80}, {"特征字", 80},
};
// The template's columns overrun the list by a few pixels once its vertical scroll bar shows,
// which would cost a horizontal scroll bar and a row: the name column gives up what is missing,
// down to nothing. `widths` in pixels; `room` is the list's inside width less the scroll bar.
void FitColumnsToRoom(std::span<int, COL_COUNT> widths, int room);
// A cell as the list shows it (recordtext.h), the name decoded from GBK; `row` only matters to
// column 0. Empty for a column that is none.
std::string DeviceCellUtf8(const DeviceRecord& record, std::size_t row, int column);

inline constexpr const char* kMsgSelectFirst = "请先选择器件!";
// A file read in parts changed between them twice in a row: it was not opened.
inline constexpr const char* kMsgFileChangedWhileRead = "文件在读入过程中被修改, 没有打开。原来的器件列表已恢复。";

// Backups that interrupted saves left of the list (beside it, or in the temporary folder), each
// holding the list from before its save: said when the list is opened, and after a save, which
// keeps them. `notRemoved` is this save's own backup when the system would not delete it.
std::string LeftBackupsText(std::span<const std::filesystem::path> backups);
std::string BackupsAfterSaveText(std::span<const std::filesystem::path> earlier, const std::filesystem::path& notRemoved);

// The file dialogs: one filter, one default extension.
inline constexpr const char* kChipFilterName = "器件列表文件(*.chip)";
inline constexpr const char* kChipPattern = "*.chip";
inline constexpr const char* kChipExtension = "chip";

// The entry dialogs.
inline constexpr const char* kAddTitle = "添加新器件";
inline constexpr const char* kEditTitle = "修改";
inline constexpr ControlText kEntryButtons[] = {
    {IDC_ENTRY_OK, "确定"}, {IDC_ENTRY_CANCEL, "取消"}, {IDC_IMPORT, "从文件导入"}};
// The edit of each field, for putting the focus on the one refused.
int EntryFieldControl(DeviceField field);
// The labels, each with the edit whose line it stands on.
struct EntryLabel {
    const char* text;
    int editId;
};
inline constexpr EntryLabel kEntryLabels[] = {
    {"名称(小于20个字符):", IDC_NAME}, {"FID(1字节的16进制数):", IDC_FID}, {"ROM(K字节):", IDC_ROM},
    {"编程电压(V):", IDC_VOLTAGE},     {"特征字(16进制数):", IDC_SIG1},
};

// The find bar and the context menu.
inline constexpr const char* kFindLabel = "查找:";
inline constexpr const char* kFindHint = "Enter/F3 下一个, Shift+F3 上一个, Esc 关闭";
inline constexpr const char* kFindNotFound = "未找到";
struct FindFieldChoice {
    const char* title;
    FindField field;
};
inline constexpr FindFieldChoice kFindFields[] = {
    {"名称", FindField::Name},
    {"签名", FindField::Signature},
    {"FID", FindField::Fid},
};
inline constexpr const char* kUndoText = "撤销";
inline constexpr const char* kRedoText = "重做";

// The About box and its system-menu item.
inline constexpr const char* kAboutTitle = "About Tessaro";
inline constexpr const char* kAboutMenuText = "&About Tessaro...";
inline constexpr const char* kAboutVersion = "Tessaro Version 1.0";

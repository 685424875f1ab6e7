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

#include "dialoglayout.h"

// A control's place in its template, in dialog units (the RECT_* macros of dialoglayout.h).
struct TemplateRect {
    int x, y, width, height;
};

struct ControlText {
    int id;
    const char* text;
};

inline constexpr const char* kMainCaption = "Tessaro ver1.0 For Qorel Vantor";
inline constexpr const char* kMakerName = "Halvern";
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
    int id;
    TemplateRect rect;
};
inline constexpr EntryLabel kEntryLabels[] = {
    {"名称(小于20个字符):", IDC_LABEL_NAME, {RECT_LABEL_NAME}},
    {"FID(1字节的16进制数):", IDC_LABEL_FID, {RECT_LABEL_FID}},
    {"ROM(K字节):", IDC_LABEL_ROM, {RECT_LABEL_ROM}},
    {"编程电压(V):", IDC_LABEL_VOLTAGE, {RECT_LABEL_VOLTAGE}},
    {"特征字(16进制数):", IDC_LABEL_SIG, {RECT_LABEL_SIG}},
};

// The find bar and the context menu.
inline constexpr const char* kFindLabel = "查找:";
inline constexpr const char* kFindHint = "Enter/F3 下一个, Shift+F3 上一个, Esc 关闭";
inline constexpr const char* kFindNotFound = "未找到";
// The word's colour, red as a warning.
struct TextColour {
    int red, green, blue;
};
inline constexpr TextColour kFindStatusColour{0xc0, 0x00, 0x00};
struct FindFieldChoice {
    const char* title;
    FindField field;
};
inline constexpr FindFieldChoice kFindFields[] = {
    {"名称", FindField::Name},
    {"签名", FindField::Signature},
    {"FID", FindField::Fid},
};

// The About box and its system-menu item.
inline constexpr const char* kAboutTitle = "About Tessaro";
inline constexpr const char* kAboutMenuText = "&About Tessaro...";
inline constexpr const char* kAboutVersion = "Tessaro Version 1.0";

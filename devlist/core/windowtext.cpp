#include "windowtext.h"

#include "gbk.h"
#include "recordtext.h"

#include <algorithm>
#include <utility>

int EntryFieldControl(DeviceField field)
{
    static constexpr std::pair<DeviceField, int> kControls[] = {
        {DeviceField::Name, IDC_NAME},       {DeviceField::Fid, IDC_FID},   {DeviceField::RomKb, IDC_ROM},
        {DeviceField::Voltage, IDC_VOLTAGE}, {DeviceField::Sig1, IDC_SIG1}, {DeviceField::Sig2, IDC_SIG2},
        {DeviceField::Sig3, IDC_SIG3},
    };
    for (auto [f, id] : kControls)
        if (f == field) return id;
    return IDC_NAME;
}

void FitColumnsToRoom(std::span<int, COL_COUNT> widths, int room)
{
    int total = 0;
    for (const int w : widths) total += w;
    if (total > room) widths[COL_NAME] = std::max(widths[COL_NAME] - (total - room), 0);
}

std::string DeviceCellUtf8(const DeviceRecord& record, std::size_t row, int column)
{
    switch (column) {
    case COL_NUMBER:
        return FormatRowNumber(row);
    case COL_NAME:
        // Bytes that do not decode show as replacement marks; the record itself keeps them.
        return GbkToUtf8(RecordName(record));
    case COL_FID:
        return FormatHexByte(record.fid);
    case COL_ROM:
        return FormatRomCell(record.romKb);
    case COL_VOLTAGE:
        return FormatVoltageCell(record.voltage);
    case COL_SIGNATURE:
        return FormatSignature(record.signature);
    default:
        return {};
    }
}

namespace {

std::string PathLines(std::span<const std::filesystem::path> paths)
{
    std::string out;
    for (const std::filesystem::path& p : paths) {
        const std::u8string text = p.u8string();
        out.append("\n").append(text.begin(), text.end());
    }
    return out;
}

}  // namespace

std::string LeftBackupsText(std::span<const std::filesystem::path> backups)
{
    return "此文件以前有一次保存没有完成, 留下了备份:" + PathLines(backups) +
           "\n备份中是那次保存之前的器件列表。要取回它, 请先打开备份查看, 再用备份文件替换此文件。";
}

std::string BackupsAfterSaveText(std::span<const std::filesystem::path> earlier, const std::filesystem::path& notRemoved)
{
    std::string text = "文件已保存。";
    if (!earlier.empty())
        text += "以前未完成的保存留下的备份仍在, 没有删除 (其中是那次保存之前的器件列表):" + PathLines(earlier);
    if (!notRemoved.empty())
        text += std::string(earlier.empty() ? "" : "\n") + "本次保存的备份未能删除:" + PathLines({&notRemoved, 1});
    return text;
}

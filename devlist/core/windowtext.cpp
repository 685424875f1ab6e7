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

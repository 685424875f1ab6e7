#include "windowtext.h"

#include "gbk.h"
#include "recordtext.h"

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

#include "records_text.h"

#include "message_text.h"
#include "name_text.h"
#include "parsehex.h"

#include <cstdio>
#include <cstring>

bool SplitSignature(std::string_view text, std::string_view (&pieces)[3])
{
    std::size_t start = 0;
    for (int i = 0; i < 3; ++i) {
        const std::size_t space = text.find(' ', start);
        const bool last = i == 2;
        if (last != (space == std::string_view::npos)) return false;
        const std::size_t end = last ? text.size() : space;
        pieces[i] = text.substr(start, end - start);
        // An empty piece would read as 00 by the hex rule; here it is a typo, not a value.
        if (pieces[i].empty()) return false;
        start = end + 1;
    }
    return true;
}

RecordFields RecordToFields(const DeviceRecord& rec)
{
    RecordFields f;
    f.name = EscapeName(RecordName(rec));
    f.fid = FormatHexByte(rec.fid);
    f.romKb = std::to_string(rec.romKb);
    f.voltage = FormatVoltageText(rec.voltage);
    f.signature = FormatSignature(rec.signature);
    return f;
}

bool FieldsToRecord(const RecordFields& fields, DeviceRecord& out, std::string& error)
{
    std::string_view sig[3];
    if (!SplitSignature(fields.signature, sig)) {
        error = "signature: " + Quoted(fields.signature) + " is not three hex bytes such as \"1e 52 06\"";
        return false;
    }
    DeviceFieldTexts texts{std::nullopt, fields.fid, fields.romKb, fields.voltage,
                           std::string(sig[0]), std::string(sig[1]), std::string(sig[2])};
    std::string gbk, whyNot;
    if (UnescapeName(fields.name, gbk, whyNot)) texts.name = std::move(gbk);
    DeviceRecord rec;
    std::memset(&rec, 0, sizeof rec);
    const std::optional<DeviceFieldFault> fault = TextsToRecord(texts, rec);
    if (!fault) {
        out = rec;
        return true;
    }
    // In DeviceField order.
    const std::string_view refused[] = {fields.name, fields.fid, fields.romKb, fields.voltage, sig[0], sig[1], sig[2]};
    error = std::string(fault->message) + " " + Quoted(refused[static_cast<int>(fault->field)]);
    if (!texts.name && fault->field == DeviceField::Name) error += " (" + whyNot + ")";
    return false;
}

namespace {

// Pads `text`, `width` terminal columns wide, with blanks to `target` columns.
void AppendPadded(std::string& line, std::string_view text, std::size_t width, std::size_t target)
{
    line += text;
    if (width < target) line.append(target - width, ' ');
}

constexpr std::string_view kSep = "  ";

}  // namespace

std::string ShowHeader()
{
    // Titles of the list window; Chinese characters take two terminal columns each.
    std::string line;
    AppendPadded(line, "序号", 4, 4);
    line += kSep;
    AppendPadded(line, "器件名称", 8, 20);
    line += kSep;
    AppendPadded(line, "FID", 3, 3);
    line += kSep;
    AppendPadded(line, "ROM", 3, 7);
    line += kSep;
    AppendPadded(line, "编程电压", 8, 8);
    line += kSep;
    line += "特征字";
    return line;
}

std::string ShowLine(std::size_t row, const DeviceRecord& rec)
{
    std::string line = FormatRowNumber(row);
    line += kSep;
    std::size_t columns = 0;
    const std::string name = DisplayName(RecordName(rec), &columns);
    AppendPadded(line, name, columns, 20);
    line += kSep;
    AppendPadded(line, FormatHexByte(rec.fid), 2, 3);
    line += kSep;
    const std::string rom = FormatRomCell(rec.romKb);
    AppendPadded(line, rom, rom.size(), 7);
    line += kSep;
    const std::string voltage = FormatVoltageCell(rec.voltage);
    AppendPadded(line, voltage, voltage.size(), 8);
    line += kSep;
    line += FormatSignature(rec.signature);
    return line;
}

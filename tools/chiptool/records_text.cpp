#include "records_text.h"

#include "message_text.h"
#include "name_text.h"
#include "numbers.h"
#include "parsehex.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <system_error>
#include <vector>

bool ParseSignature(std::string_view text, std::uint8_t (&out)[3])
{
    std::uint8_t bytes[3] = {0, 0, 0};
    std::size_t start = 0;
    for (int i = 0; i < 3; ++i) {
        const std::size_t space = text.find(' ', start);
        const bool last = i == 2;
        if (last != (space == std::string_view::npos)) return false;
        const std::size_t end = last ? text.size() : space;
        const std::string_view piece = text.substr(start, end - start);
        // An empty piece would read as 00 by the hex rule; here it is a typo, not a value.
        if (piece.empty() || !ParseHexByte(piece, bytes[i])) return false;
        start = end + 1;
    }
    std::memcpy(out, bytes, sizeof bytes);
    return true;
}

std::string FormatVoltage(float voltage)
{
    if (std::isnan(voltage)) return std::signbit(voltage) ? "-nan" : "nan";
    char buf[32];
    const auto res = std::to_chars(buf, buf + sizeof buf, voltage);
    return std::string(buf, res.ptr);
}

bool ParseVoltage(std::string_view text, float& out)
{
    const std::optional<float> value = ParseFloat(text);
    if (value) out = *value;
    return value.has_value();
}

bool ParseRomKb(std::string_view text, std::int32_t& out)
{
    const std::optional<std::int32_t> value = ParseInt32(text);
    if (value) out = *value;
    return value.has_value();
}

RecordFields RecordToFields(const DeviceRecord& rec)
{
    RecordFields f;
    f.name = EscapeName(RecordName(rec));
    f.fid = FormatHexByte(rec.fid);
    f.romKb = std::to_string(rec.romKb);
    f.voltage = FormatVoltage(rec.voltage);
    f.signature = FormatSignature(rec.signature);
    return f;
}

bool ParseNameField(std::string_view text, std::string& gbk, std::string& error)
{
    std::string why;
    if (!UnescapeName(text, gbk, why)) {
        error = "name: " + why;
        return false;
    }
    if (gbk.size() > kMaxNameBytes) {
        error = "name: " + std::to_string(gbk.size()) + " GBK bytes, at most " +
                std::to_string(kMaxNameBytes) + " fit";
        return false;
    }
    return true;
}

bool FieldsToRecord(const RecordFields& fields, DeviceRecord& out, std::string& error)
{
    DeviceRecord rec;
    std::memset(&rec, 0, sizeof rec);
    std::string gbk;
    if (!ParseNameField(fields.name, gbk, error)) return false;
    if (!SetRecordName(rec, gbk)) {
        error = "name: does not fit the record";
        return false;
    }
    if (!ParseHexByte(fields.fid, rec.fid)) {
        error = "fid: " + Quoted(fields.fid) + " is not a hex byte";
        return false;
    }
    if (!ParseRomKb(fields.romKb, rec.romKb)) {
        error = "rom_kb: " + Quoted(fields.romKb) + " is not a 32-bit integer";
        return false;
    }
    if (!ParseVoltage(fields.voltage, rec.voltage)) {
        error = "voltage: " + Quoted(fields.voltage) + " is not a float number";
        return false;
    }
    if (!ParseSignature(fields.signature, rec.signature)) {
        error = "signature: " + Quoted(fields.signature) + " is not three hex bytes such as \"1e 52 06\"";
        return false;
    }
    out = rec;
    return true;
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

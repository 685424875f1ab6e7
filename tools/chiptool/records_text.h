#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "record.h"
#include "recordtext.h"

// The text forms of one record's fields, shared by `show`, the CSV and JSON formats and `check`.

// Exactly three space-separated fields, each read by ParseHexByte. False leaves `out` untouched.
bool ParseSignature(std::string_view text, std::uint8_t (&out)[3]);

// The shortest decimal text that reads back as the same float32 ("3.3", "12", "-0", "1e-07");
// non-finite values as "inf", "-inf", "nan", "-nan" (a NaN's payload bits are not kept).
std::string FormatVoltage(float voltage);
// Reads a decimal or "inf"/"nan" text of the kind FormatVoltage writes; the whole text must be
// the number (no blanks). Out-of-range values are refused rather than rounded to inf or 0.
bool ParseVoltage(std::string_view text, float& out);

// A signed 32-bit decimal integer, the whole text. No blanks, no '+'.
bool ParseRomKb(std::string_view text, std::int32_t& out);

// One record as text: the name escaped (see name_text.h), the rest as the CSV columns hold them.
struct RecordFields {
    std::string name;
    std::string fid;
    std::string romKb;
    std::string voltage;
    std::string signature;
};
RecordFields RecordToFields(const DeviceRecord& rec);

// Builds a record from its text fields, padding and unused name bytes zero. On a bad field
// returns false and names the field and the fault in `error`.
bool FieldsToRecord(const RecordFields& fields, DeviceRecord& out, std::string& error);
// The same checks for the name alone (escaped text -> at most 19 GBK bytes).
bool ParseNameField(std::string_view text, std::string& gbk, std::string& error);

// `show`: a header line and one line per record, in the list window's column formats. Columns
// are separated by two spaces; the name is padded to 20 terminal columns. No trailing newline.
std::string ShowHeader();
std::string ShowLine(std::size_t row, const DeviceRecord& rec);

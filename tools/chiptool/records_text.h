#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "record.h"
#include "recordfields.h"
#include "recordtext.h"

// The text forms of one record's fields, shared by `show`, the CSV and JSON formats and `check`.

// The signature column's form: exactly three non-empty pieces separated by single spaces. Each
// piece is then a signature byte's text for the record rule (recordfields.h).
bool SplitSignature(std::string_view text, std::string_view (&pieces)[3]);

// One record as text: the name escaped (see name_text.h), the rest as the CSV columns hold them.
struct RecordFields {
    std::string name;
    std::string fid;
    std::string romKb;
    std::string voltage;
    std::string signature;
};
RecordFields RecordToFields(const DeviceRecord& rec);

// Builds a record from its text fields by the editor's rule (TextsToRecord), padding and unused
// name bytes zero. On a refused row returns false with the rule's message and the refused text
// in `error`; a signature column not in its form is refused before the rule runs.
bool FieldsToRecord(const RecordFields& fields, DeviceRecord& out, std::string& error);

// `show`: a header line and one line per record, in the list window's column formats. Columns
// are separated by two spaces; the name is padded to 20 terminal columns. No trailing newline.
std::string ShowHeader();
std::string ShowLine(std::size_t row, const DeviceRecord& rec);

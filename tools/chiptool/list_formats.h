#pragma once
#include <cstddef>
#include <filesystem>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "record.h"

// Whole lists as CSV or JSON text, for scripts, diffs and reviews. Both carry the same five
// fields per record: name, fid, rom_kb, voltage, signature (see records_text.h for their forms).
// CSV: a header line `name,fid,rom_kb,voltage,signature`, then one line per record; a cell a
// spreadsheet would take for a formula is written after an apostrophe, taken off on reading
// (csv.h), and a leading UTF-8 byte-order mark is skipped.
// JSON: an array of objects with those keys, one object per line. The voltage is a number
// (one that reads back as the same float32) or, for inf and NaN, a string as in CSV.

enum class TextFormat { Csv, Json };

std::optional<TextFormat> TextFormatFromName(std::string_view name);        // "csv", "json"
std::optional<TextFormat> TextFormatFromPath(const std::filesystem::path& path);  // by extension

inline constexpr std::string_view kCsvHeader = "name,fid,rom_kb,voltage,signature";

void WriteCsv(std::ostream& out, const DeviceList& list);
void WriteJson(std::ostream& out, const DeviceList& list);

// A record that could not be taken: `where` is "line 7" (CSV) or "element 3" (JSON, 0-based).
struct RowError {
    std::string where;
    std::string message;
};

// Bad rows beyond this many are only counted: a wrong file must not fill the memory or the
// terminal.
inline constexpr std::size_t kRowErrorsKept = 50;

struct ParsedList {
    std::vector<DeviceRecord> records;  // padding bytes zero
    std::vector<RowError> errors;       // the first kRowErrorsKept bad rows, in text order
    std::size_t errorCount = 0;         // every bad row; 0 when all is well

    void AddError(std::string where, std::string message)
    {
        if (errors.size() < kRowErrorsKept) errors.push_back({std::move(where), std::move(message)});
        ++errorCount;
    }
};

ParsedList ParseCsv(std::string_view text);
ParsedList ParseJson(std::string_view text);
// The same read from a stream as it comes, so that only the records taken (and the first bad
// rows) are held, never the text.
ParsedList ParseCsv(std::istream& in);
ParsedList ParseJson(std::istream& in);

#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Comma-separated values as RFC 4180 has them: a field holding a comma, a double quote, CR or
// LF is quoted, and a quote inside it is doubled. Lines end with LF when written; CRLF and LF
// are both accepted when read.

// Appends `field` to `line`, quoted when it needs to be.
void AppendCsvField(std::string& line, std::string_view field);

struct CsvRecord {
    std::size_t line = 0;  // 1-based line on which the record starts
    std::vector<std::string> fields;
};

// Reads records one at a time from a whole text. Empty lines are skipped.
class CsvReader {
public:
    explicit CsvReader(std::string_view text);

    enum class Status { Record, End, Malformed };
    // On Malformed, `error` says why and `record.line` names the line of the faulty record;
    // reading may go on after it (an unclosed quote runs to the end of the text).
    Status Next(CsvRecord& record, std::string& error);

private:
    void SkipRestOfLine();

    std::string_view m_text;
    std::size_t m_pos = 0;
    std::size_t m_line = 1;
};

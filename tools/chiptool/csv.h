#pragma once
#include <cstddef>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

// Comma-separated values as RFC 4180 has them: a field holding a comma, a double quote, CR or
// LF is quoted, and a quote inside it is doubled. Lines end with LF when written; CRLF and LF
// are both accepted when read.

// Appends `field` to `line`, quoted when it needs to be.
void AppendCsvField(std::string& line, std::string_view field);

// A cell that a spreadsheet would take for a formula (one starting with =, +, -, @, a tab or a
// carriage return) is written after an apostrophe, which spreadsheets read as "this is text";
// so is one that would otherwise read back as such a cell (apostrophes, then one of those).
// UnguardSpreadsheetCell takes the apostrophe off again: every field comes back byte for byte.
void AppendSpreadsheetSafeField(std::string& line, std::string_view field);
void UnguardSpreadsheetCell(std::string& field);

// What a spreadsheet looks for to read a CSV file as UTF-8 (and not in the local code page).
inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

struct CsvRecord {
    std::size_t line = 0;  // 1-based line on which the record starts
    std::vector<std::string> fields;
};

// Reads records one at a time from a whole text, or from a stream read in blocks (so that a
// file larger than the memory can be read: only the record being read is held, however many
// lines its quoted fields span). Empty lines are skipped.
class CsvReader {
public:
    // The reader keeps a view of `text`, which must outlive it: a temporary string would be
    // read after it is freed, so one is refused at compile time.
    explicit CsvReader(std::string_view text);
    explicit CsvReader(const char* text) : CsvReader(std::string_view(text)) {}
    explicit CsvReader(std::string&& text) = delete;
    explicit CsvReader(std::istream& in);

    enum class Status { Record, End, Malformed };
    // On Malformed, `error` says why and `record.line` names the line of the faulty record;
    // reading may go on after it (an unclosed quote runs to the end of the text).
    Status Next(CsvRecord& record, std::string& error);

private:
    Status ReadRecord(CsvRecord& record, std::string& error);
    void SkipEmptyLines();
    void SkipRestOfLine();
    // Whether `pos` is past the text held; notes it when more of a stream could follow, so that
    // the record is read again once more text is held.
    bool AtEnd(std::size_t pos);
    void ReadMore();

    std::string_view m_text;  // what is held: the whole text, or m_buf
    std::size_t m_pos = 0;
    std::size_t m_line = 1;
    std::istream* m_in = nullptr;
    std::string m_buf;
    bool m_inEnded = true;
    bool m_ranOut = false;
    bool m_bomSeen = false;
};

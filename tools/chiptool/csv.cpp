#include "csv.h"

#include <algorithm>
#include <string_view>

void AppendCsvField(std::string& line, std::string_view field)
{
    if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
        line += field;
        return;
    }
    line += '"';
    for (const char c : field) {
        if (c == '"') line += '"';
        line += c;
    }
    line += '"';
}

namespace {

constexpr std::size_t kBlockBytes = 1 << 16;
constexpr std::string_view kFormulaStarts = "=+-@\t\r";

// Apostrophes, then a byte that starts a formula.
bool LooksGuarded(std::string_view field, std::size_t apostrophes)
{
    const std::size_t first = field.find_first_not_of('\'');
    return first != std::string_view::npos && first >= apostrophes && kFormulaStarts.find(field[first]) != std::string_view::npos;
}

}  // namespace

void AppendSpreadsheetSafeField(std::string& line, std::string_view field)
{
    if (!LooksGuarded(field, 0)) {
        AppendCsvField(line, field);
        return;
    }
    std::string guarded = "'";
    guarded += field;
    AppendCsvField(line, guarded);
}

void UnguardSpreadsheetCell(std::string& field)
{
    if (LooksGuarded(field, 1)) field.erase(0, 1);
}

CsvReader::CsvReader(std::string_view text) : m_text(text) {}

CsvReader::CsvReader(std::istream& in) : m_in(&in), m_inEnded(false) {}

bool CsvReader::AtEnd(std::size_t pos)
{
    if (pos < m_text.size()) return false;
    if (!m_inEnded) m_ranOut = true;
    return true;
}

void CsvReader::ReadMore()
{
    // Drop what was read; read at least as much again as is held, so that a record spanning
    // many blocks is read again only a logarithmic number of times.
    m_buf.erase(0, m_pos);
    m_pos = 0;
    const std::size_t want = std::max(kBlockBytes, m_buf.size());
    const std::size_t held = m_buf.size();
    m_buf.resize(held + want);
    m_in->read(m_buf.data() + held, static_cast<std::streamsize>(want));
    const auto got = static_cast<std::size_t>(m_in->gcount());
    m_buf.resize(held + got);
    if (got < want) m_inEnded = true;
    m_text = m_buf;
}

CsvReader::Status CsvReader::Next(CsvRecord& record, std::string& error)
{
    // Spreadsheets like to start UTF-8 files with a byte order mark.
    if (!m_bomSeen) {
        while (!m_inEnded && m_text.size() < 3) ReadMore();
        if (m_text.substr(0, 3) == "\xEF\xBB\xBF") m_pos = 3;
        m_bomSeen = true;
    }
    for (;;) {
        // Empty lines are passed for good before a record is begun, so that no run of them is
        // held (or read again) while the record after it is looked for.
        m_ranOut = false;
        SkipEmptyLines();
        if (m_ranOut) {
            ReadMore();
            continue;
        }
        const std::size_t pos = m_pos, line = m_line;
        const Status status = ReadRecord(record, error);
        if (!m_ranOut) return status;
        m_pos = pos;
        m_line = line;
        ReadMore();
    }
}

CsvReader::Status CsvReader::ReadRecord(CsvRecord& record, std::string& error)
{
    error.clear();
    if (AtEnd(m_pos)) return Status::End;

    record.line = m_line;
    record.fields.clear();
    std::string field;
    for (;;) {
        field.clear();
        if (!AtEnd(m_pos) && m_text[m_pos] == '"') {
            ++m_pos;
            for (;;) {
                if (AtEnd(m_pos)) {
                    error = "quoted field is not closed";
                    m_pos = m_text.size();
                    return Status::Malformed;
                }
                const char c = m_text[m_pos++];
                if (c == '"') {
                    if (!AtEnd(m_pos) && m_text[m_pos] == '"') {
                        field += '"';
                        ++m_pos;
                    } else {
                        break;
                    }
                } else {
                    if (c == '\n') ++m_line;
                    field += c;
                }
            }
        } else {
            while (!AtEnd(m_pos)) {
                const char c = m_text[m_pos];
                if (c == ',' || c == '\n') break;
                if (c == '\r' && !AtEnd(m_pos + 1) && m_text[m_pos + 1] == '\n') break;
                if (c == '"') {
                    error = "double quote inside an unquoted field";
                    SkipRestOfLine();
                    return Status::Malformed;
                }
                field += c;
                ++m_pos;
            }
        }
        record.fields.push_back(field);

        if (AtEnd(m_pos)) return Status::Record;
        const char c = m_text[m_pos];
        if (c == ',') {
            ++m_pos;
            continue;
        }
        if (c == '\n') {
            ++m_pos;
            ++m_line;
            return Status::Record;
        }
        if (c == '\r' && !AtEnd(m_pos + 1) && m_text[m_pos + 1] == '\n') {
            m_pos += 2;
            ++m_line;
            return Status::Record;
        }
        error = "text after the closing quote of a field";
        SkipRestOfLine();
        return Status::Malformed;
    }
}

void CsvReader::SkipEmptyLines()
{
    while (!AtEnd(m_pos)) {
        if (m_text[m_pos] == '\n') {
            ++m_pos;
            ++m_line;
        } else if (m_text[m_pos] == '\r' && !AtEnd(m_pos + 1) && m_text[m_pos + 1] == '\n') {
            m_pos += 2;
            ++m_line;
        } else {
            break;
        }
    }
}

void CsvReader::SkipRestOfLine()
{
    while (!AtEnd(m_pos) && m_text[m_pos] != '\n') ++m_pos;
    if (!AtEnd(m_pos)) {
        ++m_pos;
        ++m_line;
    }
}

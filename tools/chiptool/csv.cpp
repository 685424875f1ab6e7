#include "csv.h"

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

CsvReader::CsvReader(std::string_view text) : m_text(text)
{
    // Spreadsheets like to start UTF-8 files with a byte order mark.
    if (m_text.substr(0, 3) == "\xEF\xBB\xBF") m_pos = 3;
}

CsvReader::Status CsvReader::Next(CsvRecord& record, std::string& error)
{
    error.clear();
    // Skip empty lines.
    while (m_pos < m_text.size()) {
        if (m_text[m_pos] == '\n') {
            ++m_pos;
            ++m_line;
        } else if (m_text[m_pos] == '\r' && m_pos + 1 < m_text.size() && m_text[m_pos + 1] == '\n') {
            m_pos += 2;
            ++m_line;
        } else {
            break;
        }
    }
    if (m_pos >= m_text.size()) return Status::End;

    record.line = m_line;
    record.fields.clear();
    std::string field;
    for (;;) {
        field.clear();
        if (m_pos < m_text.size() && m_text[m_pos] == '"') {
            ++m_pos;
            for (;;) {
                if (m_pos >= m_text.size()) {
                    error = "quoted field is not closed";
                    m_pos = m_text.size();
                    return Status::Malformed;
                }
                const char c = m_text[m_pos++];
                if (c == '"') {
                    if (m_pos < m_text.size() && m_text[m_pos] == '"') {
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
            while (m_pos < m_text.size()) {
                const char c = m_text[m_pos];
                if (c == ',' || c == '\n') break;
                if (c == '\r' && m_pos + 1 < m_text.size() && m_text[m_pos + 1] == '\n') break;
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

        if (m_pos >= m_text.size()) return Status::Record;
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
        if (c == '\r' && m_pos + 1 < m_text.size() && m_text[m_pos + 1] == '\n') {
            m_pos += 2;
            ++m_line;
            return Status::Record;
        }
        error = "text after the closing quote of a field";
        SkipRestOfLine();
        return Status::Malformed;
    }
}

void CsvReader::SkipRestOfLine()
{
    while (m_pos < m_text.size() && m_text[m_pos] != '\n') ++m_pos;
    if (m_pos < m_text.size()) {
        ++m_pos;
        ++m_line;
    }
}

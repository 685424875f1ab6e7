#include "list_formats.h"

#include "asciitext.h"
#include "csv.h"
#include "message_text.h"
#include "records_text.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <system_error>

namespace {

using Json = nlohmann::ordered_json;
// Read into unordered objects: an ordered object copies its values when it grows, and copying a
// deeply nested value recurses once per level.
using ReadJson = nlohmann::json;

// Records nest two levels deep; anything much deeper is a bad row, not a reason to recurse.
constexpr std::size_t kMaxJsonDepth = 64;

// Builds the document as the library would, and tracks which top-level element the parser is in,
// so that a fault (syntax, a number beyond double, too deep a nesting) is reported against it.
class ElementTrackingSax : public nlohmann::json_sax<ReadJson> {
public:
    explicit ElementTrackingSax(ReadJson& doc) : m_dom(doc, false) {}

    struct Fault {
        std::string where;
        std::string message;
    };
    const Fault& GetFault() const { return m_fault; }
    // The first key given twice in an element's object, if any.
    std::optional<std::string> RepeatedKey(long long element) const
    {
        const auto it = std::lower_bound(m_repeatedKeys.begin(), m_repeatedKeys.end(), element,
                                         [](const auto& entry, long long e) { return entry.first < e; });
        if (it == m_repeatedKeys.end() || it->first != element) return std::nullopt;
        return it->second;
    }

    bool null() override { return Value() && m_dom.null(); }
    bool boolean(bool v) override { return Value() && m_dom.boolean(v); }
    bool number_integer(number_integer_t v) override { return Value() && m_dom.number_integer(v); }
    bool number_unsigned(number_unsigned_t v) override { return Value() && m_dom.number_unsigned(v); }
    bool number_float(number_float_t v, const string_t& s) override
    {
        if (!Value()) return false;
        // A voltage is read from its text as a float, like a CSV voltage: through a double first,
        // it would round twice and take values below the float range as 0.
        if (m_depth == 2 && m_key == "voltage") {
            string_t text = s;
            return m_dom.string(text);
        }
        return m_dom.number_float(v, s);
    }
    bool string(string_t& v) override { return Value() && m_dom.string(v); }
    bool binary(binary_t& v) override { return Value() && m_dom.binary(v); }
    bool key(string_t& v) override
    {
        if (m_depth == 2) {
            // A record's object keeps only one value per key; a second one would silently win.
            if (std::find(m_keys.begin(), m_keys.end(), v) != m_keys.end()) {
                if (m_repeatedKeys.empty() || m_repeatedKeys.back().first != m_element)
                    m_repeatedKeys.emplace_back(m_element, v);
            } else {
                m_keys.push_back(v);
            }
            m_key = v;
        }
        return m_dom.key(v);
    }
    bool start_object(std::size_t n) override { return Value() && Open() && m_dom.start_object(n); }
    bool start_array(std::size_t n) override { return Value() && Open() && m_dom.start_array(n); }
    bool end_object() override { return Close() && m_dom.end_object(); }
    bool end_array() override { return Close() && m_dom.end_array(); }
    bool parse_error(std::size_t byte, const std::string&, const nlohmann::detail::exception& e) override
    {
        return Fail("byte " + std::to_string(byte), e.what());
    }

private:
    bool Value()
    {
        if (m_depth == 1) ++m_element;
        return true;
    }
    bool Open()
    {
        if (++m_depth == 2) {
            m_keys.clear();
            m_key.clear();
        }
        if (m_depth <= kMaxJsonDepth) return true;
        return Fail("", "nested more than " + std::to_string(kMaxJsonDepth) + " levels deep");
    }
    bool Close()
    {
        --m_depth;
        return true;
    }
    bool Fail(std::string where, std::string message)
    {
        // Inside the top-level array the element is the useful place; elsewhere the byte.
        if (m_depth >= 1 && m_element >= 0) where = "element " + std::to_string(m_element);
        m_fault = {std::move(where), MessageText(message, 200)};
        return false;
    }

    nlohmann::detail::json_sax_dom_parser<ReadJson> m_dom;
    std::size_t m_depth = 0;
    long long m_element = -1;
    std::vector<std::string> m_keys;  // of the element's object being read
    std::string m_key;                // the last of them
    std::vector<std::pair<long long, std::string>> m_repeatedKeys;  // by element, ascending
    Fault m_fault;
};

// Output is gathered in chunks: a million records would otherwise mean a million small writes.
constexpr std::size_t kFlushBytes = 1 << 20;

void FlushIfBig(std::ostream& out, std::string& buf, bool force = false)
{
    if (force || buf.size() >= kFlushBytes) {
        out.write(buf.data(), static_cast<std::streamsize>(buf.size()));
        buf.clear();
    }
}

// The JSON number for a voltage, which import reads from its text as a float: the shortest
// decimal when the library writes it so that it reads back as the same float (nearly always),
// else the float's exact value, whose text always does.
Json VoltageToJson(float voltage)
{
    const std::string text = FormatVoltageText(voltage);
    if (!std::isfinite(voltage)) return text;
    double shortest = 0;
    std::from_chars(text.data(), text.data() + text.size(), shortest);
    Json number = shortest;
    const std::string written = number.dump();
    float back = 0;
    const auto [end, ec] = std::from_chars(written.data(), written.data() + written.size(), back);
    if (ec == std::errc() && std::bit_cast<std::uint32_t>(back) == std::bit_cast<std::uint32_t>(voltage)) return number;
    return static_cast<double>(voltage);
}

// A voltage's text: a number as it stood in the file, or a string.
std::optional<std::string> VoltageText(const ReadJson& value)
{
    if (value.is_string()) return value.get<std::string>();
    if (value.is_number_integer()) return value.dump();
    return std::nullopt;
}

}  // namespace

std::optional<TextFormat> TextFormatFromName(std::string_view name)
{
    if (name == "csv") return TextFormat::Csv;
    if (name == "json") return TextFormat::Json;
    return std::nullopt;
}

std::optional<TextFormat> TextFormatFromPath(const std::filesystem::path& path)
{
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), AsciiLower);
    if (ext == ".csv") return TextFormat::Csv;
    if (ext == ".json") return TextFormat::Json;
    return std::nullopt;
}

void WriteCsv(std::ostream& out, const DeviceList& list)
{
    std::string buf;
    buf += kCsvHeader;
    buf += '\n';
    for (const DeviceRecord* rec : list) {
        const RecordFields f = RecordToFields(*rec);
        AppendCsvField(buf, f.name);
        buf += ',';
        AppendCsvField(buf, f.fid);
        buf += ',';
        AppendCsvField(buf, f.romKb);
        buf += ',';
        AppendCsvField(buf, f.voltage);
        buf += ',';
        AppendCsvField(buf, f.signature);
        buf += '\n';
        FlushIfBig(out, buf);
    }
    FlushIfBig(out, buf, true);
}

void WriteJson(std::ostream& out, const DeviceList& list)
{
    std::string buf = "[";
    bool first = true;
    for (const DeviceRecord* rec : list) {
        RecordFields f = RecordToFields(*rec);
        Json obj = Json::object();
        obj["name"] = std::move(f.name);
        obj["fid"] = std::move(f.fid);
        obj["rom_kb"] = rec->romKb;
        obj["voltage"] = VoltageToJson(rec->voltage);
        obj["signature"] = std::move(f.signature);
        buf += first ? "\n  " : ",\n  ";
        first = false;
        buf += obj.dump();
        FlushIfBig(out, buf);
    }
    buf += first ? "]\n" : "\n]\n";
    FlushIfBig(out, buf, true);
}

ParsedList ParseCsv(std::string_view text)
{
    ParsedList result;
    CsvReader reader(text);
    CsvRecord row;
    std::string error;

    auto status = reader.Next(row, error);
    if (status == CsvReader::Status::End) {
        result.errors.push_back({"line 1", std::string("missing header line ") + std::string(kCsvHeader)});
        return result;
    }
    if (status == CsvReader::Status::Malformed) {
        result.errors.push_back({"line " + std::to_string(row.line), error});
        return result;
    }
    static const std::vector<std::string> kHeader = {"name", "fid", "rom_kb", "voltage", "signature"};
    if (row.fields != kHeader) {
        result.errors.push_back({"line " + std::to_string(row.line),
                                 std::string("the header must read ") + std::string(kCsvHeader)});
        return result;
    }

    while ((status = reader.Next(row, error)) != CsvReader::Status::End) {
        const std::string where = "line " + std::to_string(row.line);
        if (status == CsvReader::Status::Malformed) {
            result.errors.push_back({where, error});
            continue;
        }
        if (row.fields.size() != kHeader.size()) {
            result.errors.push_back({where, std::to_string(row.fields.size()) + " fields, " +
                                                std::to_string(kHeader.size()) + " expected"});
            continue;
        }
        const RecordFields fields{row.fields[0], row.fields[1], row.fields[2], row.fields[3], row.fields[4]};
        DeviceRecord rec;
        if (FieldsToRecord(fields, rec, error))
            result.records.push_back(rec);
        else
            result.errors.push_back({where, error});
    }
    return result;
}

ParsedList ParseJson(std::string_view text)
{
    ParsedList result;
    ReadJson doc;
    ElementTrackingSax sax(doc);
    if (!ReadJson::sax_parse(text.begin(), text.end(), &sax)) {
        result.errors.push_back({sax.GetFault().where, sax.GetFault().message});
        return result;
    }
    if (!doc.is_array()) {
        result.errors.push_back({"top level", "must be an array of records"});
        return result;
    }

    static constexpr std::string_view kKeys[] = {"name", "fid", "rom_kb", "voltage", "signature"};
    for (std::size_t i = 0; i < doc.size(); ++i) {
        const std::string where = "element " + std::to_string(i);
        const ReadJson& obj = doc[i];
        auto fail = [&](std::string message) { result.errors.push_back({where, std::move(message)}); };
        if (!obj.is_object()) {
            fail("must be an object");
            continue;
        }
        std::string problem;
        if (const std::optional<std::string> repeated = sax.RepeatedKey(static_cast<long long>(i)))
            problem = "repeated key " + Quoted(*repeated);
        for (const auto& [key, value] : obj.items()) {
            if (!problem.empty()) break;
            if (std::find(std::begin(kKeys), std::end(kKeys), key) == std::end(kKeys)) {
                problem = "unknown key " + Quoted(key);
                break;
            }
        }
        for (const std::string_view key : kKeys) {
            if (problem.empty() && !obj.contains(key)) problem = "missing key \"" + std::string(key) + "\"";
        }
        if (!problem.empty()) {
            fail(problem);
            continue;
        }
        const ReadJson& name = obj["name"];
        const ReadJson& fid = obj["fid"];
        const ReadJson& romKb = obj["rom_kb"];
        const ReadJson& signature = obj["signature"];
        if (!name.is_string()) problem = "name: must be a string";
        else if (!fid.is_string()) problem = "fid: must be a string of hex digits such as \"07\"";
        else if (!romKb.is_number_integer()) problem = "rom_kb: must be an integer";
        else if (!signature.is_string()) problem = "signature: must be a string such as \"1e 52 06\"";
        const std::optional<std::string> voltage = VoltageText(obj["voltage"]);
        if (problem.empty() && !voltage) problem = "voltage: must be a number";
        if (!problem.empty()) {
            fail(problem);
            continue;
        }
        // rom_kb goes through its text form so that the 32-bit range is checked in one place.
        const RecordFields fields{name.get<std::string>(), fid.get<std::string>(), romKb.dump(), *voltage,
                                  signature.get<std::string>()};
        DeviceRecord rec;
        if (!FieldsToRecord(fields, rec, problem)) {
            fail(problem);
            continue;
        }
        result.records.push_back(rec);
    }
    return result;
}

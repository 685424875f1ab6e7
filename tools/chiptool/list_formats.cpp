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
#include <functional>
#include <optional>
#include <set>
#include <streambuf>
#include <system_error>

namespace {

using Json = nlohmann::ordered_json;
// Read into unordered objects: an ordered object copies its values when it grows, and copying a
// deeply nested value recurses once per level.
using ReadJson = nlohmann::json;

// Records nest two levels deep; anything much deeper is a bad row, not a reason to recurse.
constexpr std::size_t kMaxJsonDepth = 64;

// Reads the top-level array one element at a time: each element is built as a small document of
// its own, handed on and dropped, so that a list of a million records never stands in memory as
// one document. Tracks which element the parser is in, so that a fault (syntax, a number beyond
// double, too deep a nesting) is reported against it, and the first key an element's object
// gives twice (the document would keep only one of its values).
class ElementSax : public nlohmann::json_sax<ReadJson> {
public:
    using OnElement = std::function<void(std::size_t index, const ReadJson& element,
                                         const std::optional<std::string>& repeatedKey)>;
    explicit ElementSax(OnElement onElement) : m_onElement(std::move(onElement)) {}

    struct Fault {
        std::string where;
        std::string message;
    };
    const Fault& GetFault() const { return m_fault; }
    bool TopLevelIsArray() const { return m_topIsArray; }

    bool null() override { return Scalar(nullptr, [&](auto& dom) { return dom.null(); }); }
    bool boolean(bool v) override { return Scalar(v, [&](auto& dom) { return dom.boolean(v); }); }
    bool number_integer(number_integer_t v) override
    {
        return Scalar(v, [&](auto& dom) { return dom.number_integer(v); });
    }
    bool number_unsigned(number_unsigned_t v) override
    {
        return Scalar(v, [&](auto& dom) { return dom.number_unsigned(v); });
    }
    bool number_float(number_float_t v, const string_t& s) override
    {
        // A voltage is read from its text as a float, like a CSV voltage: through a double first,
        // it would round twice and take values below the float range as 0.
        if (m_depth == 2 && m_key == "voltage") {
            string_t text = s;
            return Scalar(v, [&](auto& dom) { return dom.string(text); });
        }
        return Scalar(v, [&](auto& dom) { return dom.number_float(v, s); });
    }
    bool string(string_t& v) override { return Scalar(v, [&](auto& dom) { return dom.string(v); }); }
    bool binary(binary_t& v) override { return Scalar(v, [&](auto& dom) { return dom.binary(v); }); }
    bool key(string_t& v) override
    {
        if (m_depth == 2) {
            if (!m_keys.insert(v).second && !m_repeatedKey) m_repeatedKey = v;
            m_key = v;
        }
        return !m_dom || m_dom->key(v);
    }
    bool start_object(std::size_t n) override { return Open(false, n); }
    bool start_array(std::size_t n) override { return Open(true, n); }
    bool end_object() override { return Close(false); }
    bool end_array() override { return Close(true); }
    bool parse_error(std::size_t byte, const std::string&, const nlohmann::detail::exception& e) override
    {
        return Fail("byte " + std::to_string(byte), e.what());
    }

private:
    using Dom = nlohmann::detail::json_sax_dom_parser<ReadJson>;

    // A value outside any element (the top level, or inside a top level that is no array) is
    // not kept; one right inside the array is an element by itself.
    template <class Value, class Forward>
    bool Scalar(const Value& v, Forward forward)
    {
        if (m_dom) return forward(*m_dom);
        if (m_depth == 1 && m_topIsArray) m_onElement(static_cast<std::size_t>(++m_element), ReadJson(v), std::nullopt);
        return true;
    }
    bool Open(bool array, std::size_t n)
    {
        if (++m_depth > kMaxJsonDepth) return Fail("", "nested more than " + std::to_string(kMaxJsonDepth) + " levels deep");
        if (m_depth == 1) {
            m_topIsArray = array;
            return true;
        }
        if (m_depth == 2 && m_topIsArray) {
            ++m_element;
            m_doc = ReadJson();
            m_dom.emplace(m_doc, false);
            m_keys.clear();
            m_key.clear();
            m_repeatedKey.reset();
        }
        if (!m_dom) return true;
        return array ? m_dom->start_array(n) : m_dom->start_object(n);
    }
    bool Close(bool array)
    {
        --m_depth;
        if (!m_dom) return true;
        if (!(array ? m_dom->end_array() : m_dom->end_object())) return false;
        if (m_depth == 1) {
            m_dom.reset();
            m_onElement(static_cast<std::size_t>(m_element), m_doc, m_repeatedKey);
            m_doc = ReadJson();
        }
        return true;
    }
    bool Fail(std::string where, std::string message)
    {
        // Inside the top-level array the element is the useful place; elsewhere the byte.
        if (m_depth >= 1 && m_element >= 0) where = "element " + std::to_string(m_element);
        m_fault = {std::move(where), MessageText(message, 200)};
        return false;
    }

    OnElement m_onElement;
    ReadJson m_doc;
    std::optional<Dom> m_dom;  // while inside an element that is an object or array
    std::size_t m_depth = 0;
    bool m_topIsArray = false;
    long long m_element = -1;
    // Of the element's object being read: a tree, so that no choice of keys makes the check of an
    // element of many keys slower than n log n.
    std::set<std::string> m_keys;
    std::string m_key;                // the last of them
    std::optional<std::string> m_repeatedKey;
    Fault m_fault;
};

// The text handed to the JSON reader, with every run of whitespace between tokens cut to its first
// kKeptWhitespace bytes. The reader keeps the text of each token, and whitespace and punctuation
// count as part of the next string, number or literal: a run of 200 MB of blank lines between two
// records would otherwise be held whole. Whitespace inside strings is never touched, and runs of
// ordinary length pass unchanged (a fault after a longer run is told at a byte and line that do
// not count what was cut).
class SqueezedJsonText : public std::streambuf {
public:
    explicit SqueezedJsonText(std::streambuf& source) : m_source(source) {}

protected:
    int_type underflow() override
    {
        for (;;) {
            const std::streamsize got = m_source.sgetn(m_in, sizeof m_in);
            if (got <= 0) return traits_type::eof();
            char* out = m_out;
            for (std::streamsize i = 0; i < got; ++i) {
                const char c = m_in[i];
                if (!Keep(c)) continue;
                *out++ = c;
            }
            if (out != m_out) {
                setg(m_out, m_out, out);
                return traits_type::to_int_type(m_out[0]);
            }
        }
    }

private:
    static constexpr std::size_t kKeptWhitespace = 64;

    bool Keep(char c)
    {
        if (m_inString) {
            if (m_escaped) m_escaped = false;
            else if (c == '\\') m_escaped = true;
            else if (c == '"') m_inString = false;
            return true;
        }
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') return ++m_whitespace <= kKeptWhitespace;
        m_whitespace = 0;
        m_inString = c == '"';
        return true;
    }

    std::streambuf& m_source;
    bool m_inString = false;
    bool m_escaped = false;
    std::size_t m_whitespace = 0;
    char m_in[1 << 16];
    char m_out[1 << 16];
};

// A text already in memory, read as a stream.
class TextView : public std::streambuf {
public:
    explicit TextView(std::string_view text)
    {
        char* p = const_cast<char*>(text.data());
        setg(p, p, p + text.size());
    }
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
        AppendSpreadsheetSafeField(buf, f.name);
        buf += ',';
        AppendSpreadsheetSafeField(buf, f.fid);
        buf += ',';
        AppendSpreadsheetSafeField(buf, f.romKb);
        buf += ',';
        AppendSpreadsheetSafeField(buf, f.voltage);
        buf += ',';
        AppendSpreadsheetSafeField(buf, f.signature);
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

namespace {

ParsedList ParseCsvFrom(CsvReader& reader)
{
    ParsedList result;
    CsvRecord row;
    std::string error;

    auto status = reader.Next(row, error);
    if (status == CsvReader::Status::End) {
        result.AddError("line 1", std::string("missing header line ") + std::string(kCsvHeader));
        return result;
    }
    if (status == CsvReader::Status::Malformed) {
        result.AddError("line " + std::to_string(row.line), error);
        return result;
    }
    static const std::vector<std::string> kHeader = {"name", "fid", "rom_kb", "voltage", "signature"};
    if (row.fields != kHeader) {
        result.AddError("line " + std::to_string(row.line),
                                 std::string("the header must read ") + std::string(kCsvHeader));
        return result;
    }

    while ((status = reader.Next(row, error)) != CsvReader::Status::End) {
        const std::string where = "line " + std::to_string(row.line);
        if (status == CsvReader::Status::Malformed) {
            result.AddError(where, error);
            continue;
        }
        if (row.fields.size() != kHeader.size()) {
            result.AddError(where, std::to_string(row.fields.size()) + " fields, " +
                                                std::to_string(kHeader.size()) + " expected");
            continue;
        }
        for (std::string& field : row.fields) UnguardSpreadsheetCell(field);
        const RecordFields fields{row.fields[0], row.fields[1], row.fields[2], row.fields[3], row.fields[4]};
        DeviceRecord rec;
        if (FieldsToRecord(fields, rec, error))
            result.records.push_back(rec);
        else
            result.AddError(where, error);
    }
    return result;
}

// One element of the array: a record, or a bad row.
void TakeJsonElement(ParsedList& result, std::size_t i, const ReadJson& obj, const std::optional<std::string>& repeatedKey)
{
    static constexpr std::string_view kKeys[] = {"name", "fid", "rom_kb", "voltage", "signature"};
    const std::string where = "element " + std::to_string(i);
    auto fail = [&](std::string message) { result.AddError(where, std::move(message)); };
    if (!obj.is_object()) {
        fail("must be an object");
        return;
    }
    std::string problem;
    if (repeatedKey) problem = "repeated key " + Quoted(*repeatedKey);
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
        return;
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
        return;
    }
    // rom_kb goes through its text form so that the 32-bit range is checked in one place.
    const RecordFields fields{name.get<std::string>(), fid.get<std::string>(), romKb.dump(), *voltage,
                              signature.get<std::string>()};
    DeviceRecord rec;
    if (!FieldsToRecord(fields, rec, problem)) {
        fail(problem);
        return;
    }
    result.records.push_back(rec);
}

// `parse` runs the library's reader over the text with the handler it is given.
template <class Parse>
ParsedList ParseJsonWith(Parse parse)
{
    ParsedList result;
    ElementSax sax([&](std::size_t i, const ReadJson& element, const std::optional<std::string>& repeatedKey) {
        TakeJsonElement(result, i, element, repeatedKey);
    });
    // A fault in the text makes what was read before it worthless: only the fault is reported.
    if (!parse(&sax)) {
        result = {};
        result.AddError(sax.GetFault().where, sax.GetFault().message);
        return result;
    }
    if (!sax.TopLevelIsArray()) result.AddError("top level", "must be an array of records");
    return result;
}

}  // namespace

ParsedList ParseCsv(std::string_view text)
{
    CsvReader reader(text);
    return ParseCsvFrom(reader);
}

ParsedList ParseCsv(std::istream& in)
{
    CsvReader reader(in);
    return ParseCsvFrom(reader);
}

ParsedList ParseJson(std::string_view text)
{
    TextView view(text);
    std::istream in(&view);
    return ParseJson(in);
}

ParsedList ParseJson(std::istream& in)
{
    SqueezedJsonText squeezed(*in.rdbuf());
    std::istream text(&squeezed);
    return ParseJsonWith([&](ElementSax* sax) { return ReadJson::sax_parse(text, sax); });
}

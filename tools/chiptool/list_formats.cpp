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
// double, too deep a nesting) is reported against it.
class ElementSax : public nlohmann::json_sax<ReadJson> {
public:
    using OnElement = std::function<void(std::size_t index, const ReadJson& element)>;
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
        return Scalar(v, [&](auto& dom) { return dom.number_float(v, s); });
    }
    bool string(string_t& v) override { return Scalar(v, [&](auto& dom) { return dom.string(v); }); }
    bool binary(binary_t& v) override { return Scalar(v, [&](auto& dom) { return dom.binary(v); }); }
    bool key(string_t& v) override { return !m_dom || m_dom->key(v); }
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
        if (m_depth == 1 && m_topIsArray) m_onElement(++m_element, ReadJson(v));
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
            m_onElement(static_cast<std::size_t>(m_element), m_doc);
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

// Rounds a double to the nearest float; false when that would be an infinity. Doubles just above
// FLT_MAX still round to it (shortest texts like 3.4028235e+38 read as such a double), but are
// clamped by hand since converting an out-of-range double is undefined.
bool DoubleToFloat(double d, float& out)
{
    constexpr double kMax = static_cast<double>(std::numeric_limits<float>::max());
    constexpr double kHalfUlpAtMax = 0x1p103;
    const double mag = std::fabs(d);
    if (!(mag < kMax + kHalfUlpAtMax)) return false;  // NaN, inf, or rounds to inf
    out = mag > kMax ? std::copysign(std::numeric_limits<float>::max(), static_cast<float>(d < 0 ? -1 : 1))
                     : static_cast<float>(d);
    return true;
}

// The JSON number for a voltage: the shortest decimal if it reads back as the same float through
// a double (nearly always), else the float's exact value, which always does.
Json VoltageToJson(float voltage)
{
    if (!std::isfinite(voltage)) return FormatVoltage(voltage);
    const std::string text = FormatVoltage(voltage);
    double shortest = 0;
    std::from_chars(text.data(), text.data() + text.size(), shortest);
    float back = 0;
    if (DoubleToFloat(shortest, back) && std::bit_cast<std::uint32_t>(back) == std::bit_cast<std::uint32_t>(voltage))
        return shortest;
    return static_cast<double>(voltage);
}

bool VoltageFromJson(const ReadJson& value, float& out, std::string& error)
{
    if (value.is_string()) {
        const auto& text = value.get_ref<const std::string&>();
        if (ParseVoltage(text, out)) return true;
        error = "voltage: " + Quoted(text) + " is not a float number";
        return false;
    }
    if (!value.is_number()) {
        error = "voltage: must be a number";
        return false;
    }
    // A silent inf is not wanted: a number beyond the float range is a bad row.
    if (!DoubleToFloat(value.get<double>(), out)) {
        error = "voltage: " + MessageText(value.dump()) + " is beyond the float range";
        return false;
    }
    return true;
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
        const RecordFields fields{row.fields[0], row.fields[1], row.fields[2], row.fields[3], row.fields[4]};
        DeviceRecord rec;
        if (FieldsToRecord(fields, rec, error))
            result.records.push_back(rec);
        else
            result.AddError(where, error);
    }
    return result;
}

namespace {

// One element of the array: a record, or a bad row.
void TakeJsonElement(ParsedList& result, std::size_t i, const ReadJson& obj)
{
    static constexpr std::string_view kKeys[] = {"name", "fid", "rom_kb", "voltage", "signature"};
    const std::string where = "element " + std::to_string(i);
    auto fail = [&](std::string message) { result.AddError(where, std::move(message)); };
    if (!obj.is_object()) {
        fail("must be an object");
        return;
    }
    std::string problem;
    for (const auto& [key, value] : obj.items()) {
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
    if (!problem.empty()) {
        fail(problem);
        return;
    }
    // rom_kb goes through its text form so that the 32-bit range is checked in one place.
    const RecordFields fields{name.get<std::string>(), fid.get<std::string>(), romKb.dump(), "0",
                              signature.get<std::string>()};
    DeviceRecord rec;
    if (!FieldsToRecord(fields, rec, problem) || !VoltageFromJson(obj["voltage"], rec.voltage, problem)) {
        fail(problem);
        return;
    }
    result.records.push_back(rec);
}

}  // namespace

ParsedList ParseJson(std::string_view text)
{
    ParsedList result;
    ElementSax sax([&](std::size_t i, const ReadJson& element) { TakeJsonElement(result, i, element); });
    // A fault in the text makes what was read before it worthless: only the fault is reported.
    if (!ReadJson::sax_parse(text.begin(), text.end(), &sax)) {
        result = {};
        result.AddError(sax.GetFault().where, sax.GetFault().message);
        return result;
    }
    if (!sax.TopLevelIsArray()) result.AddError("top level", "must be an array of records");
    return result;
}

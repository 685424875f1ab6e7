#pragma once
// Checks shared by the import targets.
#include "list_formats.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string_view>
#include <vector>

inline std::string_view AsText(const std::uint8_t* data, std::size_t size)
{
    return {reinterpret_cast<const char*>(data), size};
}

inline DeviceList ListOf(std::vector<DeviceRecord>& recs)
{
    DeviceList list;
    for (DeviceRecord& r : recs)
        list.Append(&r);
    return list;
}

// Messages stay short and carry no control byte, whatever the input.
inline void CheckMessages(const ParsedList& parsed)
{
    for (const RowError& e : parsed.errors) {
        if (e.where.size() > 40 || e.message.size() > 600)
            std::abort();
        for (const char c : e.message)
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
                std::abort();
    }
}

// Byte for byte, except that a NaN voltage keeps only its sign.
inline void CheckSameRecords(const std::vector<DeviceRecord>& expected, const ParsedList& again)
{
    if (!again.errors.empty() || again.records.size() != expected.size())
        std::abort();
    for (std::size_t i = 0; i < expected.size(); ++i) {
        DeviceRecord a = expected[i], b = again.records[i];
        if (a.voltage != a.voltage && b.voltage != b.voltage)
            a.voltage = b.voltage;
        if (std::memcmp(&a, &b, sizeof a) != 0)
            std::abort();
    }
}

// Import any text; read as a stream it gives what the whole text gives; what is accepted must
// export and import again to the very same records.
template <class Parse, class Write>
int FuzzImport(const std::uint8_t* data, std::size_t size, Parse parse, Write write)
{
    ParsedList first = parse(AsText(data, size));
    CheckMessages(first);
    std::istringstream in{std::string(AsText(data, size))};
    const ParsedList streamed = parse(in);
    if (streamed.errorCount != first.errorCount || streamed.errors.size() != first.errors.size())
        std::abort();
    for (std::size_t i = 0; i < first.errors.size(); ++i)
        if (streamed.errors[i].where != first.errors[i].where || streamed.errors[i].message != first.errors[i].message)
            std::abort();
    if (first.errors.empty())
        CheckSameRecords(first.records, streamed);
    if (!first.errors.empty())
        return 0;
    std::ostringstream text;
    write(text, ListOf(first.records));
    CheckSameRecords(first.records, parse(text.str()));
    return 0;
}

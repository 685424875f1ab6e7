// JSON import on any text; what it accepts exports and imports again to the same records.
#include "list_formats.h"

#include <cstdlib>
#include <cstring>
#include <sstream>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ParsedList first = ParseJson(AsText(data, size));
    CheckMessages(first);
    if (!first.errors.empty())
        return 0;
    std::ostringstream text;
    WriteJson(text, ListOf(first.records));
    CheckSameRecords(first.records, ParseJson(text.str()));
    return 0;
}

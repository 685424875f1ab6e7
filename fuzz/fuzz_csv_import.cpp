// CSV import on any text, with the export/import round trip.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return FuzzImport(data, size, [](auto&& text) { return ParseCsv(text); }, WriteCsv);
}

// The hex byte, signature, voltage and GBK name text forms, with their round trips.
#include "gbk.h"
#include "name_text.h"
#include "parsehex.h"
#include "records_text.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <string>

namespace {

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

bool HasControlByte(std::string_view s)
{
    for (const char c : s)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return true;
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    std::uint8_t byte = 0x5a;
    if (ParseHexByte(text, byte)) {
        std::uint8_t again = 0;
        Check(text.size() <= 2 && ParseHexByte(FormatHexByte(byte), again) && again == byte);
    } else {
        Check(byte == 0x5a);  // left alone on failure
    }
    std::string_view pieces[3];
    if (SplitSignature(text, pieces)) {
        std::string_view again[3];
        Check(SplitSignature(std::string(pieces[0]) + " " + std::string(pieces[1]) + " " + std::string(pieces[2]), again) &&
              std::equal(pieces, pieces + 3, again));
    }
    // Any text as a voltage: an accepted one is finite and its shortest text reads back exactly.
    DeviceFieldTexts fields{std::string("X"), "", "0", std::string(text), "", "", ""};
    DeviceRecord rec{};
    if (!TextsToRecord(fields, rec)) {
        Check(std::isfinite(rec.voltage));
        DeviceRecord again{};
        Check(!TextsToRecord(RecordToTexts(rec), again) &&
              std::bit_cast<std::uint32_t>(again.voltage) == std::bit_cast<std::uint32_t>(rec.voltage));
    }

    // Names: any bytes (no NUL) survive escaping; no control byte is ever shown or written raw.
    (void)IsValidGbk(text);
    (void)GbkToUtf8(text);
    (void)Utf8ToGbk(text);
    const std::string name(text.substr(0, text.find('\0')));
    std::string back, error;
    Check(UnescapeName(EscapeName(name), back, error) && back == name);
    Check(!HasControlByte(EscapeName(name)) && !HasControlByte(DisplayName(name)));
    if (UnescapeName(text, back, error)) {
        std::string again;
        Check(UnescapeName(EscapeName(back), again, error) && again == back);
    }
    return 0;
}

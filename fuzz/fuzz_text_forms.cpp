// The hex byte, signature, voltage and GBK name text forms, with their round trips.
#include "gbk.h"
#include "name_text.h"
#include "parsehex.h"
#include "records_text.h"

#include <algorithm>
#include <bit>
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
    std::uint8_t sig[3] = {};
    if (ParseSignature(text, sig)) {
        std::uint8_t again[3] = {};
        Check(ParseSignature(FormatSignature(sig), again) && std::equal(sig, sig + 3, again));
    }
    float volts = 0;
    if (ParseVoltage(text, volts)) {
        float again = 0;
        Check(ParseVoltage(FormatVoltage(volts), again));
        Check(volts != volts ? again != again : std::bit_cast<std::uint32_t>(again) == std::bit_cast<std::uint32_t>(volts));
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

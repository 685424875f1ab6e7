#include "parsehex.h"

#include "asciitext.h"

bool ParseHexByte(std::string_view text, std::uint8_t& out)
{
    switch (text.size()) {
    case 0:
        out = 0;
        return true;
    case 1: {
        const int v = HexDigitValue(text[0]);
        if (v < 0) return false;
        out = static_cast<std::uint8_t>(v);
        return true;
    }
    case 2: {
        const int hi = HexDigitValue(text[0]);
        const int lo = HexDigitValue(text[1]);
        if (hi < 0 || lo < 0) return false;
        out = static_cast<std::uint8_t>(hi * 16 + lo);
        return true;
    }
    default:
        return false;
    }
}

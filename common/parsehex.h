#pragma once
#include <cstdint>
#include <string_view>

// The one rule by which a byte typed in hexadecimal is read, in both programs.
// The text is taken exactly as typed: no trimming, no "0x", length counted in bytes.
//   ""        -> 0x00, true (an empty field means 00)
//   "a", "F"  -> that digit's value
//   "1e"      -> first * 16 + second
//   anything else (3+ bytes, blanks, signs, double-byte characters) -> false
// On false `out` is left exactly as it was: callers rely on that to keep earlier values.
bool ParseHexByte(std::string_view text, std::uint8_t& out);

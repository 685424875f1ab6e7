#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

// Decimal numbers read from text, all on std::from_chars: the whole text must be the number,
// so no blanks, no '+', no hexadecimal. Out-of-range values are refused, never clamped or
// rounded to infinity or zero.

// An optional '-' and decimal digits.
std::optional<std::int32_t> ParseInt32(std::string_view text);

// An optional '-', then decimal digits with an optional '.' and exponent, or "inf", "infinity",
// "nan", "nan(chars)" in any case.
std::optional<float> ParseFloat(std::string_view text);

// The number forms of the entry dialogs' edit fields, which also allow blanks (space, tab) around
// the number and a '+' sign:
// an integer that fits in int;
std::optional<int> ParseDialogInt(std::string_view text);
// a decimal float with an optional exponent, or "inf", "infinity", "nan" in any case (a NaN is
// always the positive quiet NaN). Nothing else: no hexadecimal, no "nan(chars)".
std::optional<float> ParseDialogFloat(std::string_view text);

#pragma once
#include <string_view>

// ASCII-only character rules, the same in every locale: the texts they look at (numbers, hex
// bytes, file extensions, option names) are ASCII by definition, and GBK bytes must pass
// through untouched.

constexpr bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

constexpr char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The value of a hexadecimal digit of either case, or -1.
constexpr int HexDigitValue(char c)
{
    if (IsAsciiDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

constexpr bool EqualsAsciiNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}

// `s` without the characters of `blanks` at either end.
constexpr std::string_view TrimAscii(std::string_view s, std::string_view blanks = " \t")
{
    while (!s.empty() && blanks.find(s.front()) != std::string_view::npos) s.remove_prefix(1);
    while (!s.empty() && blanks.find(s.back()) != std::string_view::npos) s.remove_suffix(1);
    return s;
}

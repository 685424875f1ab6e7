#pragma once
#include <string>
#include <string_view>

// The platform's converter between code page 936 (GBK) and UTF-8; gbk.cpp builds its rules on
// these three calls, so a platform file provides only them.

// False when the platform cannot decode code page 936; then only ASCII can be shown.
bool Cp936DecoderAvailable();

// Converts `gbk` from its start, appending to `out`, until its end (true) or until a byte that
// starts no valid character, or a character cut off at the end (false); `gbk` is left at that byte.
bool Cp936ToUtf8Prefix(std::string_view& gbk, std::string& out);

// The whole text, or false when any character has no GBK form (or the text is not UTF-8); never
// substitutes. `out` is unspecified on false.
bool Utf8ToCp936(std::string_view utf8, std::string& out);

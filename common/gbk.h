#pragma once
#include <optional>
#include <string>
#include <string_view>

// Names in device lists and texts of the settings file are code page 936 (GBK) bytes.
// Conversions go through the platform's converter (iconv on Linux, the system's on Windows) under
// one rule on both: the double-byte codes of GBK proper and the euro sign 0x80 decode; the
// user-defined areas (e.g. AA A1..AF FE, F8 A1..FE FE, A1 40..A7 A0), which only Windows maps,
// to private-use characters, are refused like any other undecodable bytes, and no private-use
// character is encoded.

// GBK bytes -> UTF-8. A byte or sequence that does not decode shows as U+FFFD; the input itself
// is never altered, so callers keep the original bytes for storage.
std::string GbkToUtf8(std::string_view gbk);

// True when every byte of `gbk` decodes (ASCII included).
bool IsValidGbk(std::string_view gbk);

// The bytes to store for a text field loaded from `loadedBytes`: those very bytes while the typed
// text is still what they decode to (so bytes that are not GBK survive a field left as it was),
// else the typed text in GBK; nothing when GBK cannot hold it.
std::optional<std::string> GbkFieldBytes(std::string_view loadedBytes, std::string_view typedUtf8);

// UTF-8 -> GBK bytes, or nothing when the text holds a character that GBK cannot represent
// (or is not valid UTF-8). Never substitutes '?'.
std::optional<std::string> Utf8ToGbk(std::string_view utf8);

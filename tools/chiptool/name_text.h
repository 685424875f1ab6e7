#pragma once
#include <cstddef>
#include <string>
#include <string_view>

// Device names are GBK bytes with no code-page marker. Text formats (CSV, JSON) carry UTF-8,
// so a name is written as UTF-8 where its bytes decode and re-encode to themselves, and as
// \xHH escapes where they do not; a literal backslash is doubled. Control bytes are escaped
// too, so that one record always stays on one line of a CSV file. Unescaping gives back the
// original bytes exactly.

std::string EscapeName(std::string_view gbk);

// Turns escaped UTF-8 text back into name bytes. On failure returns false, leaves `gbk`
// unspecified and says why in `error` (a bad escape, a character GBK cannot hold, a NUL).
// The 19-byte bound of a name is the caller's to check.
bool UnescapeName(std::string_view text, std::string& gbk, std::string& error);

// A name for people to read: UTF-8, with a replacement mark (U+FFFD) for every byte that does
// not decode and for control bytes. `columns` receives its width on a terminal, counting a
// double-byte GBK character as two columns and anything else as one.
std::string DisplayName(std::string_view gbk, std::size_t* columns = nullptr);

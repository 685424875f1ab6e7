#pragma once
#include <string>
#include <string_view>

// The temporary files of a save, shared by the platform files so that every platform names them
// (and recognises leftovers) alike.
std::string TemporaryPrefix(std::string_view targetName);
bool IsTemporaryOf(std::string_view entry, const std::string& prefix);

#pragma once
#include <string>
#include <string_view>

#include "safesave.h"

// What the platform files share: the names of a save's temporary files, so that every platform
// names them (and recognises leftovers) alike, and the one entry each platform provides, which
// SaveFileSafely wraps with the report of backups left by earlier saves.
std::string TemporaryPrefix(std::string_view targetName);
bool IsTemporaryOf(std::string_view entry, const std::string& prefix);
SaveResult SaveOnThisSystem(const std::filesystem::path& path, const std::byte* data, std::size_t size);

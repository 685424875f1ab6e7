// Finding a file in a folder as Windows does, whatever the case of its name.
#include "settings.h"

#include "asciitext.h"

#include <algorithm>
#include <filesystem>

namespace {

// Paths are UTF-8 on every system (on Windows too, where the library would otherwise read narrow
// names in some code page of its own).
std::filesystem::path PathOf(const std::string& utf8) { return std::u8string(utf8.begin(), utf8.end()); }

std::string Utf8Of(const std::filesystem::path& path)
{
    const std::u8string u8 = path.u8string();
    return std::string(u8.begin(), u8.end());
}

} // namespace

std::optional<std::string> FindFileIgnoringCase(const std::string& dir, std::string_view name)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const std::string exact = dir + std::string(name);
    if (fs::is_regular_file(PathOf(exact), ec))
        return exact;
    // The smallest matching name, so that the choice among several never depends on the order
    // in which the directory lists them.
    std::optional<std::string> found;
    for (fs::directory_iterator it(dir.empty() ? fs::path(".") : PathOf(dir), ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string entry = Utf8Of(it->path().filename());
        if (!EqualsAsciiNoCase(entry, name) || (found && dir + entry >= *found))
            continue;
        if (fs::is_regular_file(it->path(), ec))
            found = dir + entry;
    }
    return found;
}

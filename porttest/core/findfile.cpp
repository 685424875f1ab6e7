// Finding a file in a folder as Windows does, whatever the case of its name.
#include "settings.h"

#include "asciitext.h"

#include <algorithm>
#include <filesystem>

std::optional<std::string> FindFileIgnoringCase(const std::string& dir, std::string_view name)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const std::string exact = dir + std::string(name);
    if (fs::is_regular_file(exact, ec))
        return exact;
    // The smallest matching name, so that the choice among several never depends on the order
    // in which the directory lists them.
    std::optional<std::string> found;
    for (fs::directory_iterator it(dir.empty() ? fs::path(".") : fs::path(dir), ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string entry = it->path().filename().string();
        if (!EqualsAsciiNoCase(entry, name) || (found && dir + entry >= *found))
            continue;
        if (fs::is_regular_file(it->path(), ec))
            found = dir + entry;
    }
    return found;
}
